// Mailslot transport: the receiver thread that polls this computer's
// Messenger mailslot, and the mailslot send (Windows only).
#pragma once

#include <windows.h>

#include <string>

#include "core/incoming.h"

// One datagram per read through a buffer of this size; longer ones are dropped.
constexpr DWORD kMailslotReadBufferSize = 1024;
// Sleep between two poll cycles.
constexpr DWORD kMailslotPollPeriodMs = 500;
// Reads in one cycle at most. A cycle that reaches it goes straight on to the
// next one without sleeping, so a flood drains quickly and the stop flag is
// still read at least this often.
constexpr int kMailslotMaxReadsPerCycle = 256;

struct PollCycle {
    int handed_over = 0;        // datagrams passed to incoming processing
    bool more_waiting = false;  // stopped at kMailslotMaxReadsPerCycle
};

// One poll cycle without its sleep: reads the datagrams waiting in the
// mailslot, in mailslot order, and hands each to incoming processing.
PollCycle poll_mailslot(HANDLE mailslot, IncomingProcessor& processor);

// Poll cycles until the stop flag is seen after a cycle; then frees the
// duplicate memory.
void run_mailslot_receiver(HANDLE mailslot, IncomingProcessor& processor);

// Receiver thread entry; the argument is the mailslot handle. Hands the
// datagrams to receiver_store() and answers 0.
DWORD WINAPI mailslot_receiver_thread(LPVOID mailslot);

// "\\<to>\mailslot\messngr"; "*" reaches every computer of the workgroup.
std::string mailslot_path(const char* to);

// Writes one datagram to the recipient's mailslot. 1: sent, and Sent counted;
// 0: failed (a missing argument, an unopenable name, a failed write).
int mailslot_send(const char* from, const char* to, const char* text);
