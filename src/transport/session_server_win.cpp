// Session messages on TCP port 139: the listener thread over every open
// session, and the send of one message over a session (Windows only). The
// protocol lives in the portable message session and codecs; this file only
// moves bytes, with non-blocking sockets and timed selects.
#include <winsock2.h>
#include <windows.h>

#include <atomic>
#include <cstdio>
#include <memory>
#include <new>
#include <vector>

#include "core/handles_win.h"
#include "core/process_state.h"
#include "transport/message_session.h"
#include "transport/netbios_path_win.h"
#include "transport/session_packet.h"
#include "transport/session_server_win.h"
#include "transport/smb_message.h"
#include "transport/winsock_win.h"

namespace {

constexpr long kPollUs = 200 * 1000;
constexpr DWORD kJoinTimeoutMs = 3000;
constexpr size_t kReadChunk = 4096;

// Winsock's FD_SET and FD_ISSET call into ws2_32, which this program loads at
// run time; the sets are filled and read here instead.
void add(fd_set& set, SOCKET s) {
    if (set.fd_count < FD_SETSIZE) set.fd_array[set.fd_count++] = s;
}
bool contains(const fd_set& set, SOCKET s) {
    for (u_int i = 0; i < set.fd_count; ++i)
        if (set.fd_array[i] == s) return true;
    return false;
}

bool running_under_wine() {
    HMODULE ntdll = GetModuleHandleA("ntdll.dll");
    return ntdll && GetProcAddress(ntdll, "wine_get_version");
}

bool would_block() {
    return winsock().last_error() == WSAEWOULDBLOCK;
}

void make_non_blocking(SOCKET s) {
    u_long yes = 1;
    winsock().control(s, FIONBIO, &yes);
}

struct Connection {
    UniqueSocket socket;
    MessageSession session;
    std::vector<uint8_t> output;  // answers not yet sent
    DWORD last_activity;
};

struct SessionServer {
    UniqueSocket listening;
    UniqueHandle thread;
    std::atomic<bool> stopping{false};
    std::string computer;
    std::vector<std::unique_ptr<Connection>> connections;  // the thread's own
};
SessionServer g_server;

bool deliver(const SessionMessage& m) {
    return deliver_received_message(m.originator, m.destination, m.text);
}

// A connection past the limit is told so, as far as its buffer takes it, and closed.
void refuse(SOCKET s) {
    const auto answer =
        netbios::encode_negative_response(netbios::SessionError::insufficient_resources);
    winsock().send(s, reinterpret_cast<const char*>(answer.data()), static_cast<int>(answer.size()),
                   0);
    winsock().shut_down(s, SD_SEND);
    winsock().close(s);
}

void accept_waiting() {
    const Winsock& ws = winsock();
    for (;;) {
        SOCKET s = ws.accept(g_server.listening.get(), nullptr, nullptr);
        if (s == INVALID_SOCKET) return;
        if (g_server.connections.size() >= kMaxSessions) {
            refuse(s);
            continue;
        }
        UniqueSocket owned(s);
        make_non_blocking(s);
        g_server.connections.push_back(std::make_unique<Connection>(
            std::move(owned), MessageSession(g_server.computer, deliver), std::vector<uint8_t>{},
            GetTickCount()));
    }
}

// False when the connection is over: the peer closed it, an error, or the
// session ended and its last answer is out.
bool serve(Connection& c, bool readable, bool writable) {
    const Winsock& ws = winsock();
    const SOCKET s = c.socket.get();
    if (readable) {
        uint8_t buffer[kReadChunk];
        const int received = ws.receive(s, reinterpret_cast<char*>(buffer), sizeof buffer, 0);
        if (received == 0 || (received < 0 && !would_block())) return false;
        if (received > 0) {
            c.session.feed(buffer, static_cast<size_t>(received));
            const auto answers = c.session.take_output();
            c.output.insert(c.output.end(), answers.begin(), answers.end());
            c.last_activity = GetTickCount();
            writable = true;  // try at once; most answers go out without waiting
        }
    }
    if (writable && !c.output.empty()) {
        const int sent = ws.send(s, reinterpret_cast<const char*>(c.output.data()),
                                 static_cast<int>(c.output.size()), 0);
        if (sent < 0 && !would_block()) return false;
        if (sent > 0) {
            c.output.erase(c.output.begin(), c.output.begin() + sent);
            c.last_activity = GetTickCount();
        }
    }
    if (c.session.ended() && c.output.empty()) {
        ws.shut_down(s, SD_SEND);
        return false;
    }
    return GetTickCount() - c.last_activity < kSessionIdleMs;
}

DWORD WINAPI server_thread(LPVOID) {
    const Winsock& ws = winsock();
    auto& connections = g_server.connections;
    while (!g_server.stopping && !stop_requested()) {
        fd_set readable{}, writable{};
        add(readable, g_server.listening.get());
        // A session whose answers wait is not read until they are out, which
        // bounds what a peer that never reads can make it hold.
        for (const auto& c : connections) {
            if (!c->output.empty()) {
                add(writable, c->socket.get());
            } else if (!c->session.ended()) {
                add(readable, c->socket.get());
            }
        }
        timeval wait{0, kPollUs};
        const int ready = ws.select(0, &readable, &writable, nullptr, &wait);
        if (ready == SOCKET_ERROR) {
            Sleep(kPollUs / 1000);
            continue;
        }
        try {
            if (contains(readable, g_server.listening.get())) accept_waiting();
            for (size_t i = 0; i < connections.size();) {
                Connection& c = *connections[i];
                const SOCKET s = c.socket.get();
                if (serve(c, contains(readable, s), contains(writable, s))) {
                    ++i;
                } else {
                    connections.erase(connections.begin() + static_cast<ptrdiff_t>(i));
                }
            }
        } catch (const std::bad_alloc&) {
            connections.clear();
        }
    }
    connections.clear();
    return 0;
}

std::string port_problem(SessionPortState state, int error) {
    switch (state) {
        case SessionPortState::listening:
            return {};
        case SessionPortState::in_use:
            return "TCP port 139 is in use by another program (a Samba smbd?), so messages that "
                   "other computers send as session messages cannot reach Quorvanta Messenger; "
                   "their datagrams still can.";
        case SessionPortState::denied:
            return "Quorvanta Messenger may not use TCP port 139, so messages that other "
                   "computers send as session messages cannot reach it. Under Wine on Linux, "
                   "ports below 1024 need root (or the sysctl "
                   "net.ipv4.ip_unprivileged_port_start=137).";
        case SessionPortState::unavailable:
            break;
    }
    char text[200];
    std::snprintf(text, sizeof text,
                  "Quorvanta Messenger cannot listen on TCP port 139 (error %d), so messages "
                  "that other computers send as session messages cannot reach it.",
                  error);
    return text;
}

// Access denied means a privileged port, or (with an address option, on
// Windows and in Wine's own sockets) a port another socket holds: a plain
// bind tells which.
int classify_refused_bind() {
    const Winsock& ws = winsock();
    UniqueSocket plain(ws.open(AF_INET, SOCK_STREAM, IPPROTO_TCP));
    const sockaddr_in any = ipv4_address(0, netbios::kSessionPort);
    if (!plain || ws.bind(plain.get(), reinterpret_cast<const sockaddr*>(&any), sizeof any) == 0) {
        return WSAEACCES;
    }
    return ws.last_error();
}

SessionPortState listen_on_port(int& error) {
    const Winsock& ws = winsock();
    if (!ws.started) return SessionPortState::unavailable;
    UniqueSocket socket(ws.open(AF_INET, SOCK_STREAM, IPPROTO_TCP));
    if (!socket) {
        error = ws.last_error();
        return SessionPortState::unavailable;
    }
    const SOCKET s = socket.get();
    // On Windows no other program may then take the port from under the
    // listener. Under Wine the socket is Linux's, where SO_REUSEADDR never
    // lets a second listener in but lets the port be bound again while
    // closed sessions wait out their end, as a restarted program needs.
    const BOOL yes = TRUE;
    ws.set_option(s, SOL_SOCKET, running_under_wine() ? SO_REUSEADDR : SO_EXCLUSIVEADDRUSE,
                  reinterpret_cast<const char*>(&yes), sizeof yes);
    const sockaddr_in any = ipv4_address(0, netbios::kSessionPort);
    if (ws.bind(s, reinterpret_cast<const sockaddr*>(&any), sizeof any) != 0 ||
        ws.listen(s, SOMAXCONN) != 0) {
        error = ws.last_error();
        if (error == WSAEACCES) error = classify_refused_bind();
        if (error == WSAEADDRINUSE) return SessionPortState::in_use;
        if (error == WSAEACCES) return SessionPortState::denied;
        return SessionPortState::unavailable;
    }
    make_non_blocking(s);
    g_server.listening = std::move(socket);
    return SessionPortState::listening;
}

// Sends all of `bytes` before the deadline.
bool send_all(SOCKET s, const std::vector<uint8_t>& bytes, DWORD deadline) {
    const Winsock& ws = winsock();
    for (size_t at = 0; at < bytes.size();) {
        const int sent = ws.send(s, reinterpret_cast<const char*>(bytes.data() + at),
                                 static_cast<int>(bytes.size() - at), 0);
        if (sent > 0) {
            at += static_cast<size_t>(sent);
            continue;
        }
        if (sent < 0 && !would_block()) return false;
        const DWORD now = GetTickCount();
        if (static_cast<LONG>(deadline - now) <= 0) return false;
        fd_set writable{};
        add(writable, s);
        timeval wait{0, static_cast<long>(deadline - now) * 1000};
        if (ws.select(0, nullptr, &writable, nullptr, &wait) <= 0) return false;
    }
    return true;
}

// Reads exactly `length` bytes before the deadline.
bool receive_exactly(SOCKET s, uint8_t* out, size_t length, DWORD deadline) {
    const Winsock& ws = winsock();
    for (size_t at = 0; at < length;) {
        const int received =
            ws.receive(s, reinterpret_cast<char*>(out + at), static_cast<int>(length - at), 0);
        if (received > 0) {
            at += static_cast<size_t>(received);
            continue;
        }
        if (received == 0 || !would_block()) return false;
        const DWORD now = GetTickCount();
        if (static_cast<LONG>(deadline - now) <= 0) return false;
        fd_set readable{};
        add(readable, s);
        timeval wait{0, static_cast<long>(deadline - now) * 1000};
        if (ws.select(0, &readable, nullptr, nullptr, &wait) <= 0) return false;
    }
    return true;
}

// The next session packet other than a keep-alive, its payload at most
// kMaxPacketLength bytes.
bool receive_packet(SOCKET s, netbios::SessionHeader& header, std::vector<uint8_t>& payload,
                    DWORD deadline) {
    for (;;) {
        uint8_t raw[netbios::kSessionHeaderBytes];
        if (!receive_exactly(s, raw, sizeof raw, deadline)) return false;
        const auto decoded = netbios::decode_session_header(raw, sizeof raw);
        if (!decoded || decoded->length > MessageSession::kMaxPacketLength) return false;
        header = *decoded;
        payload.assign(header.length, 0);
        if (!receive_exactly(s, payload.data(), payload.size(), deadline)) return false;
        if (header.type != static_cast<uint8_t>(netbios::SessionType::keep_alive)) return true;
    }
}

// Sends one message command and reads its answer: true on a success status
// for that command; `words` gets the answer's parameter words.
bool exchange(SOCKET s, const std::vector<uint8_t>& request, uint8_t command,
              std::vector<uint16_t>& words, DWORD deadline) {
    netbios::SessionHeader header;
    std::vector<uint8_t> payload;
    if (request.empty() || !send_all(s, request, deadline) ||
        !receive_packet(s, header, payload, deadline) ||
        header.type != static_cast<uint8_t>(netbios::SessionType::message)) {
        return false;
    }
    const auto reply = smb::decode_smb(payload.data(), payload.size());
    if (!reply || reply->header.command != command || reply->header.status != 0) return false;
    words = reply->words;
    return true;
}

bool connect_within(SOCKET s, uint32_t address, uint16_t port, DWORD timeout_ms) {
    const Winsock& ws = winsock();
    make_non_blocking(s);
    const sockaddr_in to = ipv4_address(address, port);
    if (ws.connect(s, reinterpret_cast<const sockaddr*>(&to), sizeof to) == 0) return true;
    if (!would_block()) return false;
    fd_set writable{}, failed{};
    add(writable, s);
    add(failed, s);
    timeval wait{static_cast<long>(timeout_ms / 1000), static_cast<long>(timeout_ms % 1000) * 1000};
    // A refused connect shows in the exception set on Windows and under Wine.
    return ws.select(0, nullptr, &writable, &failed, &wait) > 0 && contains(writable, s) &&
           !contains(failed, s);
}

}  // namespace

SessionServerStart start_session_server(const std::string& computer) {
    g_server.computer = computer;
    g_server.stopping = false;
    SessionServerStart start;
    int error = 0;
    start.state = listen_on_port(error);
    if (start.state == SessionPortState::listening) {
        g_server.thread.reset(CreateThread(nullptr, 0, server_thread, nullptr, 0, nullptr));
        if (!g_server.thread) {
            error = static_cast<int>(GetLastError());
            g_server.listening.reset();
            start.state = SessionPortState::unavailable;
        }
    }
    start.problem = port_problem(start.state, error);
    return start;
}

void stop_session_server() {
    g_server.stopping = true;
    if (g_server.thread) {
        // A thread that does not end in time keeps what it uses.
        if (WaitForSingleObject(g_server.thread.get(), kJoinTimeoutMs) != WAIT_OBJECT_0) {
            g_server.thread.release();
            return;
        }
        g_server.thread.reset();
    }
    g_server.connections.clear();
    g_server.listening.reset();
}

bool send_by_session(uint32_t address, std::string_view from, std::string_view to,
                     std::string_view oem_text, uint16_t port) {
    const Winsock& ws = winsock();
    if (!ws.started || from.empty() || to.empty()) return false;
    try {
        UniqueSocket socket(ws.open(AF_INET, SOCK_STREAM, IPPROTO_TCP));
        const SOCKET s = socket.get();
        if (!socket || !connect_within(s, address, port, kSessionConnectMs)) return false;
        const DWORD deadline = GetTickCount() + kSessionExchangeMs;

        const std::string called = netbios_oem_name(std::string(to).c_str());
        const std::string calling = netbios_oem_name(std::string(from).c_str());
        const auto request = netbios::encode_session_request(
            {{called, netbios::kMessengerSuffix}, {calling, netbios::kWorkstationSuffix}});
        netbios::SessionHeader header;
        std::vector<uint8_t> payload;
        if (!send_all(s, request, deadline) || !receive_packet(s, header, payload, deadline) ||
            header.type != static_cast<uint8_t>(netbios::SessionType::positive_response)) {
            return false;
        }

        // Always the multi-block form, short texts too: every receiver of the
        // message commands takes it, and Samba takes no other before a negotiation.
        uint16_t mid = 1;
        std::vector<uint16_t> words;
        bool accepted = exchange(s, smb::build_start_message(from, to, mid++),
                                 smb::kSendStartMultiBlock, words, deadline);
        // Samba answers without the group id, and ignores the one it is sent.
        const uint16_t group = words.empty() ? 0 : words[0];
        for (size_t at = 0; accepted && at < oem_text.size(); at += smb::kMaxBlockText) {
            accepted = exchange(
                s, smb::build_text_block(group, oem_text.substr(at, smb::kMaxBlockText), mid++),
                smb::kSendTextMultiBlock, words, deadline);
        }
        accepted = accepted && exchange(s, smb::build_end_message(group, mid),
                                        smb::kSendEndMultiBlock, words, deadline);
        ws.shut_down(s, SD_SEND);
        return accepted;
    } catch (const std::bad_alloc&) {
        return false;
    }
}
