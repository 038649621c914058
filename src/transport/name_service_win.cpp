// The NetBIOS name service on UDP port 137 and the name resolution for
// sending (Windows only). The decisions are the portable name table's; this
// file moves its packets and keeps its clock.
#include "transport/name_service_win.h"

#include <windows.h>

#include <algorithm>
#include <atomic>
#include <memory>
#include <new>
#include <vector>

#include "core/handles_win.h"
#include "core/ipv4_text.h"
#include "core/lock.h"
#include "core/process_state.h"
#include "transport/local_networks.h"
#include "transport/local_networks_win.h"
#include "transport/name_server_client.h"
#include "transport/name_service_packet.h"

namespace {

using netbios::NameTable;

// How long the thread sleeps at most while nothing arrives and nothing is due.
constexpr uint64_t kPollMs = 200;
constexpr DWORD kJoinTimeoutMs = 3000;
// Larger packets than this are not name service packets.
constexpr int kBufferBytes = 1500;

struct NameService {
    UniqueSocket socket;  // UDP 137
    UniqueHandle thread;
    std::atomic<bool> stopping{false};
    Lock lock;  // guards the table and the networks
    std::unique_ptr<NameTable> table;
    std::vector<netbios::LocalNetwork> networks;
    NameProblemReport report = nullptr;
    bool reported = false;  // the warning is said once a run
    std::string sharing_text;
    // Another name service on this computer holds its names too: it was
    // there at start, or registered them since (and was told of once).
    bool shared = false;
    uint64_t clock_ms = 0;  // the thread's clock: GetTickCount without its wrap
    DWORD last_tick = 0;
    std::optional<uint32_t> server;  // the name server, when one is set
    netbios::NameServerWatch watch;
    bool server_gone_said = false;  // said once a run
};
NameService g_service;

uint64_t now_ms() {
    const DWORD tick = GetTickCount();
    g_service.clock_ms += tick - g_service.last_tick;
    g_service.last_tick = tick;
    return g_service.clock_ms;
}

bool send_packet(SOCKET s, const netbios::NameServicePacket& packet, uint32_t address,
                 uint16_t port) {
    const std::vector<uint8_t> bytes = netbios::encode(packet);
    if (bytes.empty()) return false;
    const sockaddr_in to = ipv4_address(address, port);
    return winsock().send_to(
               s, reinterpret_cast<const char*>(bytes.data()), static_cast<int>(bytes.size()), 0,
               reinterpret_cast<const sockaddr*>(&to), sizeof to) == static_cast<int>(bytes.size());
}

// A request goes to the name server, or to every local network naming this
// computer's address on it. Called with the lock held.
void send_requests(const std::vector<netbios::NameRequest>& requests) {
    const SOCKET s = g_service.socket.get();
    for (const netbios::NameRequest& request : requests) {
        if (request.server) {
            const auto* network = netbios::network_of_peer(g_service.networks, *request.server);
            if (network)
                send_packet(s, request.packet(network->address), *request.server,
                            netbios::kNameServicePort);
            continue;
        }
        for (const netbios::LocalNetwork& network : g_service.networks)
            send_packet(s, request.packet(network.address), network.broadcast,
                        netbios::kNameServicePort);
    }
}

DWORD WINAPI report_thread(LPVOID parameter) {
    std::unique_ptr<std::string> text(static_cast<std::string*>(parameter));
    g_service.report(*text);
    return 0;
}

void show_report(const std::string& text) {
    if (!g_service.report) return;
    // The box waits for the user on a thread of its own; the port keeps being served.
    auto* copy = new (std::nothrow) std::string(text);
    if (!copy) return;
    HANDLE thread = CreateThread(nullptr, 0, report_thread, copy, 0, nullptr);
    if (thread) {
        CloseHandle(thread);
    } else {
        delete copy;
    }
}

// Once the registration has ended: the warning, when names were lost.
void report_when_settled() {
    std::string text;
    {
        ScopedLock hold(g_service.lock);
        if (g_service.reported || !g_service.table->settled()) return;
        g_service.reported = true;
        text = name_conflict_text(g_service.table->names());
    }
    if (!text.empty()) show_report(text);
}

// What the server's silence or answers mean; called with the lock held.
// Returns the text to say, once a run, when the server is found gone.
std::string note_server(bool answered, uint64_t now) {
    if (!g_service.server) return {};
    if (answered) {
        g_service.watch.answered(now);
        return {};
    }
    if (g_service.watch.unanswered(now) != netbios::NameServerWatch::Change::gone ||
        g_service.server_gone_said) {
        return {};
    }
    g_service.server_gone_said = true;
    return "The name server " + ipv4_text(*g_service.server) +
           " does not answer.\n\nQuorvanta Messenger now registers and finds names by "
           "broadcast, on this computer's own networks only: computers on other networks "
           "cannot reach it or be reached until the server answers again.";
}

void handle_packet(const uint8_t* bytes, size_t length, const sockaddr_in& from) {
    const auto packet = netbios::decode(bytes, length);
    if (!packet) return;
    const uint32_t peer = ipv4_of(from);
    ScopedLock hold(g_service.lock);
    const auto* network = netbios::network_of_peer(g_service.networks, peer);
    const uint64_t now = now_ms();
    if (packet->response && g_service.server && peer == *g_service.server) note_server(true, now);
    const auto reaction =
        g_service.table->receive(*packet, peer, network ? network->address : 0, now);
    if (reaction.reply) send_packet(g_service.socket.get(), *reaction.reply, peer, port_of(from));
    if (reaction.local_name_service && !g_service.shared) {
        g_service.shared = true;
        show_report(g_service.sharing_text);
    }
}

DWORD WINAPI name_service_thread(LPVOID) {
    const Winsock& ws = winsock();
    uint8_t buffer[kBufferBytes];
    while (!g_service.stopping && !stop_requested()) {
        uint64_t wait_ms = kPollMs;
        std::string gone;
        try {
            ScopedLock hold(g_service.lock);
            const uint64_t now = now_ms();
            send_requests(g_service.table->due(now));
            if (g_service.table->take_server_silence()) gone = note_server(false, now);
            if (const auto next = g_service.table->next_due())
                wait_ms = *next > now ? std::min(*next - now, kPollMs) : 0;
        } catch (const std::bad_alloc&) {
        }
        if (!gone.empty()) show_report(gone);
        report_when_settled();

        fd_set readable;
        readable.fd_count = 1;
        readable.fd_array[0] = g_service.socket.get();
        timeval wait{0, static_cast<long>(wait_ms * 1000)};
        const int ready = ws.select(0, &readable, nullptr, nullptr, &wait);
        if (ready == SOCKET_ERROR) {
            Sleep(static_cast<DWORD>(kPollMs));
            continue;
        }
        if (ready == 0) continue;
        sockaddr_in from{};
        int from_length = sizeof from;
        const int received =
            ws.receive_from(g_service.socket.get(), reinterpret_cast<char*>(buffer), sizeof buffer,
                            0, reinterpret_cast<sockaddr*>(&from), &from_length);
        // Errors (a packet too large, a port-unreachable report) concern one packet.
        if (received <= 0) continue;
        try {
            handle_packet(buffer, static_cast<size_t>(received), from);
        } catch (const std::bad_alloc&) {
        }
    }
    return 0;
}

std::string name_text(const netbios::Name& name) {
    char suffix[8];
    wsprintfA(suffix, "<%02X>", name.suffix);
    return name.name + suffix;
}

}  // namespace

PortState bind_shared_port(uint16_t port, UniqueSocket& socket, int& error) {
    const Winsock& ws = winsock();
    const sockaddr_in any = ipv4_address(0, port);
    // First alone, only to learn whether someone holds the port already.
    bool held = false;
    {
        UniqueSocket probe(ws.broadcast_socket());
        if (!probe) {
            error = ws.last_error();
            return PortState::unavailable;
        }
        if (ws.bind(probe.get(), reinterpret_cast<const sockaddr*>(&any), sizeof any) != 0) {
            error = ws.last_error();
            if (error == WSAEACCES) return PortState::denied;
            if (error != WSAEADDRINUSE) return PortState::unavailable;
            held = true;
        }
    }
    // Then shared, so that a name service starting later may bind it too.
    UniqueSocket shared(ws.broadcast_socket());
    if (!shared) {
        error = ws.last_error();
        return PortState::unavailable;
    }
    const BOOL yes = TRUE;
    ws.set_option(shared.get(), SOL_SOCKET, SO_REUSEADDR, reinterpret_cast<const char*>(&yes),
                  sizeof yes);
    if (ws.bind(shared.get(), reinterpret_cast<const sockaddr*>(&any), sizeof any) != 0) {
        error = ws.last_error();
        // Wine reports a port held alone as WSAEACCES once SO_REUSEADDR is
        // set; the probe has told a held port from a privileged one already.
        if (held || error == WSAEADDRINUSE) return PortState::in_use;
        if (error == WSAEACCES) return PortState::denied;
        return PortState::unavailable;
    }
    u_long non_blocking = 1;
    ws.control(shared.get(), FIONBIO, &non_blocking);
    socket = std::move(shared);
    return held ? PortState::shared : PortState::bound;
}

PortState start_name_service(const std::string& computer, const std::string& workgroup, int& error,
                             NameProblemReport report, const std::string& sharing_text) {
    if (g_service.thread) return PortState::unavailable;
    const PortState port = bind_shared_port(netbios::kNameServicePort, g_service.socket, error);
    if (port != PortState::bound && port != PortState::shared) return port;
    {
        ScopedLock hold(g_service.lock);
        g_service.networks = query_local_networks();
        g_service.table =
            std::make_unique<NameTable>(computer, workgroup, static_cast<uint16_t>(GetTickCount()));
        std::vector<uint32_t> addresses;
        for (const netbios::LocalNetwork& network : g_service.networks)
            addresses.push_back(network.address);
        g_service.table->set_local_addresses(addresses);
        g_service.last_tick = GetTickCount();
        g_service.table->set_name_server(g_service.server);
        g_service.table->start(now_ms());
        g_service.report = report;
        g_service.reported = false;
        g_service.sharing_text = sharing_text;
        g_service.shared = port == PortState::shared;
    }
    g_service.stopping = false;
    g_service.thread.reset(CreateThread(nullptr, 0, name_service_thread, nullptr, 0, nullptr));
    if (!g_service.thread) {
        error = static_cast<int>(GetLastError());
        g_service.socket.reset();
        return PortState::unavailable;
    }
    return port;
}

void set_name_server_address(std::optional<uint32_t> server) {
    ScopedLock hold(g_service.lock);
    g_service.server = server;
    g_service.watch = {};
    if (g_service.table) g_service.table->set_name_server(server);
}

void stop_name_service() {
    if (!g_service.thread) return;
    g_service.stopping = true;
    // A thread that does not end in time keeps what it uses.
    if (WaitForSingleObject(g_service.thread.get(), kJoinTimeoutMs) != WAIT_OBJECT_0) {
        g_service.thread.release();
        return;
    }
    g_service.thread.reset();
    try {
        ScopedLock hold(g_service.lock);
        // The names stay this computer's while the other name service runs.
        const auto releases = g_service.table->release();
        if (!g_service.shared) send_requests(releases);
    } catch (const std::bad_alloc&) {
    }
    g_service.socket.reset();
}

bool name_service_settled(unsigned timeout_ms) {
    const DWORD start = GetTickCount();
    for (;;) {
        {
            ScopedLock hold(g_service.lock);
            if (!g_service.table || g_service.table->settled()) return true;
        }
        if (GetTickCount() - start >= timeout_ms) return false;
        Sleep(20);
    }
}

std::vector<netbios::OwnName> name_service_names() {
    ScopedLock hold(g_service.lock);
    return g_service.table ? g_service.table->names() : std::vector<netbios::OwnName>{};
}

std::string name_conflict_text(const std::vector<netbios::OwnName>& names) {
    std::string lost;
    for (const netbios::OwnName& own : names) {
        if (own.state != netbios::NameState::conflict) continue;
        lost += "    " + name_text(own.name) +
                (own.refused_by_server ? " is taken by another computer, says the name server "
                                       : " is owned by ") +
                ipv4_text(own.owner) + "\n";
    }
    if (lost.empty()) return lost;
    return "Other computers on the network already own names of this computer:\n\n" + lost +
           "\nQuorvanta Messenger goes on without them: other computers may not find it by "
           "those names, and messages sent to them may reach the other computer. Messages to "
           "everyone, and sending, still work.\n\nGive one of the computers another name and "
           "start Quorvanta Messenger again.";
}

std::optional<uint32_t> resolve_name(const netbios::Name& name) {
    const Winsock& ws = winsock();
    if (!ws.started || name.name.empty()) return std::nullopt;
    UniqueSocket socket(ws.broadcast_socket());
    if (!socket) return std::nullopt;
    const std::vector<netbios::LocalNetwork> networks = query_local_networks();
    const uint16_t id = static_cast<uint16_t>(GetTickCount() ^ GetCurrentThreadId() << 7);
    std::optional<uint32_t> server;
    {
        ScopedLock hold(g_service.lock);
        if (g_service.server && g_service.watch.worth_asking(now_ms())) server = g_service.server;
    }
    // This query's own clock: milliseconds since it began.
    const DWORD began = GetTickCount();
    const auto elapsed = [began] { return static_cast<uint64_t>(GetTickCount() - began); };
    netbios::NameResolution query(name, server, id, 0);
    uint8_t buffer[kBufferBytes];
    while (!query.done()) {
        if (const auto step = query.due(elapsed())) {
            if (step->server) {
                send_packet(socket.get(), step->packet, *step->server, netbios::kNameServicePort);
            } else {
                for (const netbios::LocalNetwork& network : networks)
                    send_packet(socket.get(), step->packet, network.broadcast,
                                netbios::kNameServicePort);
            }
            continue;
        }
        const std::optional<uint64_t> next = query.next_due();
        if (!next) break;
        const uint64_t now = elapsed();
        const uint64_t wait_ms = *next > now ? *next - now : 0;
        fd_set readable;
        readable.fd_count = 1;
        readable.fd_array[0] = socket.get();
        timeval wait{static_cast<long>(wait_ms / 1000), static_cast<long>(wait_ms % 1000 * 1000)};
        const int ready = ws.select(0, &readable, nullptr, nullptr, &wait);
        if (ready == SOCKET_ERROR) break;
        if (ready == 0) continue;
        sockaddr_in from{};
        int from_length = sizeof from;
        const int received =
            ws.receive_from(socket.get(), reinterpret_cast<char*>(buffer), sizeof buffer, 0,
                            reinterpret_cast<sockaddr*>(&from), &from_length);
        if (received <= 0) continue;
        if (const auto answer = netbios::decode(buffer, static_cast<size_t>(received)))
            query.receive(*answer, ipv4_of(from), elapsed());
    }
    std::string gone;
    {
        ScopedLock hold(g_service.lock);
        using Outcome = netbios::NameResolution::ServerOutcome;
        if (query.server_outcome() != Outcome::not_asked)
            gone = note_server(query.server_outcome() == Outcome::answered, now_ms());
    }
    if (!gone.empty()) show_report(gone);
    if (query.addresses().empty()) return std::nullopt;
    return query.addresses().front();
}

std::optional<uint32_t> resolve_messenger_name(const char* ansi_name) {
    if (!ansi_name) return std::nullopt;
    return resolve_name({netbios_oem_name(ansi_name), netbios::kMessengerSuffix});
}
