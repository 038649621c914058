// Session messages on the program's own network path: the TCP port 139
// listener that takes SMB message commands from other computers, and the
// send of one message over a session to another computer (Windows only).
//
// Receiving: one thread waits with select on the listening socket and on
// every open session (at most kMaxSessions; a connection past them gets a
// negative response, insufficient resources), so no peer can hold up another
// or the datagram listener. A session quiet for kSessionIdleMs ends. Each
// complete message goes to the receiver like a datagram from the network.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

inline constexpr size_t kMaxSessions = 8;
inline constexpr unsigned kSessionIdleMs = 30 * 1000;

enum class SessionPortState {
    listening,
    in_use,       // another program holds TCP port 139 (on Linux typically Samba's smbd)
    denied,       // the port is privileged (Linux ports below 1024 under Wine)
    unavailable,  // no Winsock, or another error
};

struct SessionServerStart {
    SessionPortState state = SessionPortState::unavailable;
    // What the user is told at start beside the datagram port's news; empty when listening.
    std::string problem;
};

// After Winsock is loaded: listens on TCP port 139 for this computer's
// messenger name (`computer`: OEM, upper case) and starts the thread.
SessionServerStart start_session_server(const std::string& computer);
// Ends the thread and closes every session and the listening socket.
void stop_session_server();

// Time-outs of one send: connecting, and the whole exchange after it.
inline constexpr unsigned kSessionConnectMs = 1500;
inline constexpr unsigned kSessionExchangeMs = 5000;

// Delivers one message over a session to the computer at `address` (host
// order): a session request to `to`<03>, then 0xD5, 0xD7 per block of at most
// 128 bytes and 0xD6. Names as the user gave them; the text already in the
// OEM code page. True only when the peer accepted every command with a
// success status.
bool send_by_session(uint32_t address, std::string_view from, std::string_view to,
                     std::string_view oem_text, uint16_t port = 139);
