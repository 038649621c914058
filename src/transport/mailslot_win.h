// Mailslot transport: the receiver thread that polls this computer's
// Messenger mailslot, and the mailslot send (Windows only).
#pragma once

#include <windows.h>

#include <string>

#include "incoming/incoming.h"
#include "transport/datagram_queue.h"

// One datagram per read through a buffer of this size; longer ones are dropped.
constexpr DWORD kMailslotReadBufferSize = 1024;
// Sleep between two poll cycles (cut short by an in-process arrival).
constexpr DWORD kMailslotPollPeriodMs = 500;
// Reads in one cycle at most. A cycle that reaches it goes straight on to the
// next one without sleeping, so a flood drains quickly and the stop flag is
// still read at least this often.
constexpr int kMailslotMaxReadsPerCycle = 256;

struct PollCycle {
    int handed_over = 0;        // datagrams passed to incoming processing
    bool more_waiting = false;  // stopped at kMailslotMaxReadsPerCycle with more there
};

// One poll cycle without its sleep: reads the datagrams waiting in the
// mailslot, in mailslot order, and hands each to incoming processing, telling
// it whether another one waits behind.
PollCycle poll_mailslot(HANDLE mailslot, IncomingProcessor& processor);

// Datagrams that threads of this program hand over beside the mailslot (the
// NetBIOS path's listener and its sends to this computer), and the event they
// set when they do. Both null: the mailslot alone, polled.
struct InProcessArrivals {
    DatagramQueue* queue = nullptr;
    HANDLE arrived = nullptr;
};

// Like poll_mailslot, for the datagrams in `queue`.
PollCycle poll_queue(DatagramQueue& queue, IncomingProcessor& processor);

// Poll cycles until the stop flag is seen after a cycle; then frees the
// duplicate memory. Between cycles it waits for the poll period, or until an
// in-process arrival is signalled.
void run_mailslot_receiver(HANDLE mailslot, IncomingProcessor& processor,
                           const InProcessArrivals& in_process = {});

// Receiver thread entry; the argument is the mailslot handle. Hands the
// datagrams to receiver_store() and answers 0. While the NetBIOS path is
// active it also takes what that path received.
DWORD WINAPI mailslot_receiver_thread(LPVOID mailslot);

// "\\<to>\mailslot\messngr"; "*" reaches every computer of the workgroup.
std::string mailslot_path(const char* to);

// Writes one datagram to the recipient's mailslot. 1: sent, and Sent counted;
// 0: failed (a missing argument, an unopenable name, a failed write).
int mailslot_send(const char* from, const char* to, const char* text);
