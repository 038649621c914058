// The program's own network path, for NT-family systems that have no
// Messenger service: Messenger mailslot writes carried as NetBIOS datagrams
// on UDP port 138 (Windows only).
//
// Receiving: a listener thread reads UDP port 138 in its own loop and puts
// the data of each well-formed packet addressed to this computer, its
// workgroup or the broadcast name into a bounded queue, and wakes the
// receiver thread, which drains it beside the local Messenger mailslot (that
// one stays for the other programs on this computer). Sending: one packet to
// the broadcast address of each local IPv4 network, so that no name server is
// needed.
//
// Browsing: the listener also hears the browser announcements on
// \MAILSLOT\BROWSE and \MAILSLOT\LANMAN and keeps them in the browse list,
// announces this computer to its workgroup (a workstation, no file server)
// on the rhythm the browser protocol gives and in answer to a request, and
// says goodbye with a last announcement of server type 0 at the end.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

#include "netbrowse/browse_list.h"
#include "transport/datagram_queue.h"

// Datagrams from the network the queue holds before it drops the newest:
// four seconds of a 1,000 packets/s flood, at most about 2 MiB.
constexpr size_t kReceivedQueueCapacity = 4096;
// Places beyond that for this computer's sends to itself.
constexpr size_t kReceivedQueueLocalReserve = 64;

enum class PortState {
    bound,        // receiving from the network
    shared,       // bound beside another program (a Samba nmbd): broadcasts reach both
    in_use,       // another program holds the port alone
    denied,       // the port is privileged (Linux ports below 1024 under Wine)
    unavailable,  // no Winsock, or another error
};

struct NetbiosStart {
    PortState port = PortState::unavailable;       // UDP 138, the datagrams
    PortState name_port = PortState::unavailable;  // UDP 137, the name service
    // What the user is told once at start; empty when both ports are bound.
    std::string problem;
};

// Once at startup, after the local Messenger mailslot exists and before the
// main window: loads Winsock, learns the workgroup, binds UDP port 138 and
// starts the listener thread, then starts the name service on UDP port 137
// (name_service_win.h), which registers this computer's names. From then on
// netbios_send() works, also when the ports could not be had. Names other
// computers own are said once, in a box of their own, when the registration
// has ended.
NetbiosStart start_netbios_path(const char* computer_name);

// Once after the message loop: releases the names, ends the listener (it
// also ends on the stop flag), waits for it and releases what
// start_netbios_path() took.
void stop_netbios_path();

// Between start_netbios_path() and stop_netbios_path().
bool netbios_path_active();

// What the path received for this computer, oldest first, and the event (a
// HANDLE; this header stays free of <windows.h> for Winsock's sake) set after
// each arrival; both live for the whole process.
DatagramQueue* netbios_received();
void* netbios_arrival_event();
// Datagrams for this computer dropped because the queue was full.
uint32_t netbios_dropped();

// A name as NetBIOS carries it: `ansi` upper-cased in the OEM code page, cut
// to 15 bytes.
std::string netbios_oem_name(const char* ansi);

// What this computer announces itself as: a workstation (its messenger
// listens), no server, no browser.
constexpr uint32_t kAnnouncedServerType = 0x00000001;
// Tests shorten the announcement periods: this environment variable gives the
// length of an announcement "minute" in milliseconds (100 to 60,000).
constexpr char kBrowseMinuteVariable[] = "QVA_TEST_BROWSE_MINUTE_MS";

// The browse list the listener fills, for the whole process, and its clock
// (milliseconds, never wrapping).
BrowseList& netbios_browse_list();
uint64_t browse_clock_ms();

// Asks every computer of the workgroup to announce itself (an
// AnnouncementRequest to WORKGROUP<00>); true when it went out.
bool netbios_request_announcements();
// How long after such a request the answers may still come (30 s, shorter
// for tests).
uint32_t netbios_answer_window_ms();

// The workgroup (or domain) this computer belongs to, in the OEM code page
// and upper case; WORKGROUP when the system names none.
std::string netbios_workgroup();

// Hands a message that arrived another way than a datagram (a session
// message) to the receiver like a datagram from the network: sender,
// recipient and text as they travel (OEM). False when the queue is full.
bool deliver_received_message(std::string_view from, std::string_view to,
                              std::string_view oem_text);

// Sends the message of `from`, `to` and `text` (ANSI). To one other
// computer: by session message to the address that answers for its messenger
// name (NAME<03>), or as a datagram straight to that address when the session
// fails. To everyone ("*"): a mailslot write to the workgroup on every local
// IPv4 network. To everyone and to this computer: also into this computer's
// own received queue. 1 and Sent counted when the session message was taken or
// a datagram went out; 0 when nobody answers for the name, when nothing went
// out, when an argument is missing or when the text exceeds the wire's limit.
int netbios_send(const char* from, const char* to, const char* text);
