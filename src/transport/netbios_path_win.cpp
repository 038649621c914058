// The program's own network path: the UDP 138 listener that feeds the
// receiver's queue, and the send by subnet broadcast (Windows only). The
// workstation query is loaded at run time like Winsock, so the program still
// starts on systems without it, where this path is never taken.
#include <winsock2.h>
#include <windows.h>
#include <lm.h>

#include <atomic>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <new>
#include <optional>
#include <random>
#include <string>
#include <vector>

#include "core/codepage.h"
#include "core/handles_win.h"
#include "core/message.h"
#include "core/process_state.h"
#include "transport/browse_announcement.h"
#include "transport/local_networks_win.h"
#include "transport/name_service_win.h"
#include "transport/netbios_datagram.h"
#include "transport/netbios_path_win.h"
#include "transport/session_server_win.h"
#include "transport/winsock_win.h"

namespace {

constexpr char kDefaultWorkgroup[] = "WORKGROUP";
// How often the listener looks at the stop flag while nothing arrives.
constexpr long kListenerPollUs = 200 * 1000;
constexpr DWORD kListenerJoinTimeoutMs = 3000;
// Reads between two looks at the stop flag while packets keep coming.
constexpr int kListenerMaxReadsPerWake = 1024;
// Room in the system for a burst while the listener is not scheduled: some
// 3,000 packets, three seconds of a 1,000 packets/s flood (Linux caps it at
// net.core.rmem_max under Wine).
constexpr int kSocketReceiveBuffer = 4 * 1024 * 1024;

std::string query_workgroup() {
    UniqueModule netapi32(LoadLibraryA("netapi32.dll"));
    decltype(&::NetWkstaGetInfo) get_info = nullptr;
    decltype(&::NetApiBufferFree) free_buffer = nullptr;
    resolve(netapi32.get(), "NetWkstaGetInfo", get_info);
    resolve(netapi32.get(), "NetApiBufferFree", free_buffer);
    if (!get_info || !free_buffer) return kDefaultWorkgroup;
    LPBYTE buffer = nullptr;
    std::string workgroup;
    if (get_info(nullptr, 100, &buffer) == NERR_Success && buffer) {
        const wchar_t* group = reinterpret_cast<WKSTA_INFO_100*>(buffer)->wki100_langroup;
        char oem[64] = {};
        if (group && WideCharToMultiByte(CP_OEMCP, 0, group, -1, oem, sizeof oem - 1, nullptr,
                                         nullptr) > 0) {
            CharUpperBuffA(oem, static_cast<DWORD>(std::strlen(oem)));
            workgroup = netbios::canonical_name(oem);
        }
    }
    if (buffer) free_buffer(buffer);
    // Wine answers with the computer's own name, which no workgroup can have.
    char computer[MAX_COMPUTERNAME_LENGTH + 1] = {};
    DWORD size = sizeof computer;
    if (GetComputerNameA(computer, &size) && workgroup == netbios_oem_name(computer))
        workgroup.clear();
    return workgroup.empty() ? kDefaultWorkgroup : workgroup;
}

// What start_netbios_path() sets up for the rest of the run.
struct NetbiosPath {
    bool active = false;
    UniqueSocket socket;  // bound to UDP 138, or empty
    UniqueHandle listener;
    std::atomic<bool> stopping{false};
    std::string computer;   // OEM, upper case
    std::string workgroup;  // OEM, upper case
    std::atomic<uint16_t> next_id{0};
    uint32_t browse_minute_ms = browse::AnnouncementSchedule::kMinuteMs;
};
NetbiosPath g_path;
BrowseList g_browse_list;

// Process-wide, so that the receiver may hold them whatever the path does.
DatagramQueue g_received(kReceivedQueueCapacity, kReceivedQueueLocalReserve);
UniqueHandle g_arrived(CreateEventA(nullptr, FALSE, FALSE, nullptr));

// The receiver drains the queue whole once woken, so only the first
// datagram after it emptied the queue needs to wake it.
bool hand_to_receiver(std::vector<char> datagram, bool local) {
    bool was_empty = false;
    if (!g_received.push(std::move(datagram), local, &was_empty)) return false;
    if (was_empty) SetEvent(g_arrived.get());
    return true;
}

bool send_datagram(netbios::MessengerPacket& packet, std::string_view mailslot,
                   std::optional<uint32_t> peer = std::nullopt);

// Sends this computer's host announcement to its workgroup's master browser
// name, and keeps it in the browse list as any other computer's.
void announce(uint32_t server_type, uint32_t periodicity_ms) {
    browse::Frame frame;
    frame.periodicity_ms = periodicity_ms;
    frame.name = g_path.computer;
    OSVERSIONINFOA version{};
    version.dwOSVersionInfoSize = sizeof version;
    if (GetVersionExA(&version)) {
        frame.version_major = static_cast<uint8_t>(version.dwMajorVersion);
        frame.version_minor = static_cast<uint8_t>(version.dwMinorVersion);
    }
    frame.server_type = server_type;
    netbios::MessengerPacket packet;
    packet.type = netbios::DatagramType::direct_group;
    packet.id = g_path.next_id++;
    packet.source = {g_path.computer, netbios::kWorkstationSuffix};
    packet.destination = {g_path.workgroup, browse::kMasterBrowserSuffix};
    packet.data = browse::build_announcement(frame);
    send_datagram(packet, browse::kBrowseMailslot);
    g_browse_list.heard_computer(g_path.workgroup, g_path.computer, periodicity_ms, server_type,
                                 browse_clock_ms());
}

// A browser frame into the browse list: host announcements name their
// workgroup by the name they go to (WORKGROUP<1d>, or <00> in the older
// form), local master announcements too (<1e>), domain announcements (to
// __MSBROWSE__<01>) name workgroups. A request to this computer's workgroup
// asks for its announcement.
void hear_browse_frame(const netbios::MessengerPacket& packet, std::string_view mailslot,
                       browse::AnnouncementSchedule& schedule) {
    // Only the listener draws, so the generator needs no lock.
    static std::minstd_rand random(GetTickCount() ^ GetCurrentProcessId());
    const auto frame = browse::parse_frame(mailslot, packet.data.data(), packet.data.size());
    if (!frame) return;
    const netbios::Name& to = packet.destination;
    const std::string workgroup = netbios::canonical_name(to.name);
    const uint64_t now = browse_clock_ms();
    switch (frame->opcode) {
        case browse::Opcode::host_announcement:
        case browse::Opcode::local_master_announcement:
            if (to.suffix != browse::kMasterBrowserSuffix &&
                to.suffix != browse::kBrowserElectionSuffix &&
                to.suffix != netbios::kWorkstationSuffix) {
                return;
            }
            if (workgroup == browse::kMsBrowseName || workgroup == "*") return;
            g_browse_list.heard_computer(workgroup, frame->name, frame->periodicity_ms,
                                         frame->server_type, now);
            break;
        case browse::Opcode::domain_announcement:
            if (workgroup != browse::kMsBrowseName || to.suffix != browse::kMsBrowseSuffix) return;
            g_browse_list.heard_workgroup(frame->name, frame->periodicity_ms, now);
            break;
        case browse::Opcode::announcement_request:
            if (workgroup == g_path.workgroup && to.suffix == netbios::kWorkstationSuffix) {
                schedule.requested(now, static_cast<uint32_t>(random()));
            }
            break;
    }
}

// Hands the data of a packet for this computer to the receiver, and browser
// frames to the browse list. Its own packets come back from the broadcast and
// are dropped: the send delivered them locally already.
void forward_packet(const uint8_t* bytes, size_t length, browse::AnnouncementSchedule& schedule) {
    std::string mailslot;
    auto packet = netbios::decode_packet(bytes, length, &mailslot);
    if (!packet) return;
    if (netbios::canonical_name(packet->source.name) == g_path.computer) return;
    if (mailslot != netbios::kMessengerMailslot) {
        hear_browse_frame(*packet, mailslot, schedule);
        return;
    }
    if (!netbios::addressed_here(packet->destination, g_path.computer, g_path.workgroup)) return;
    hand_to_receiver(std::move(packet->data), false);
}

DWORD WINAPI listener_thread(LPVOID) {
    const Winsock& ws = winsock();
    // Room for more than the largest packet: a longer one fails the read and is dropped.
    uint8_t buffer[2 * netbios::kMaxPacketBytes];
    browse::AnnouncementSchedule schedule(browse_clock_ms(), g_path.browse_minute_ms);
    while (!g_path.stopping && !stop_requested()) {
        try {
            if (schedule.take_due(browse_clock_ms()))
                announce(kAnnouncedServerType, schedule.periodicity_ms());
        } catch (const std::bad_alloc&) {
        }
        fd_set readable;
        readable.fd_count = 1;
        readable.fd_array[0] = g_path.socket.get();
        timeval wait{0, kListenerPollUs};
        const int ready = ws.select(0, &readable, nullptr, nullptr, &wait);
        if (ready == SOCKET_ERROR) {
            Sleep(kListenerPollUs / 1000);
            continue;
        }
        if (ready == 0) continue;
        // The socket does not block: everything that waits is read before the
        // next select, so the system's buffer empties as fast as it can.
        for (int reads = 0; reads < kListenerMaxReadsPerWake; ++reads) {
            sockaddr_in from{};
            int from_length = sizeof from;
            const int received =
                ws.receive_from(g_path.socket.get(), reinterpret_cast<char*>(buffer), sizeof buffer,
                                0, reinterpret_cast<sockaddr*>(&from), &from_length);
            if (received == SOCKET_ERROR && ws.last_error() == WSAEWOULDBLOCK) break;
            // Other errors (an oversized packet, a port-unreachable report of
            // an earlier send) concern one packet only.
            if (received <= 0) continue;
            try {
                forward_packet(buffer, static_cast<size_t>(received), schedule);
            } catch (const std::bad_alloc&) {
            }
        }
    }
    return 0;
}

constexpr char kTitle[] = "Quorvanta Messenger";

// What the user is told about the two ports, in one box; empty when both are ours.
std::string port_problem(PortState datagrams, int datagram_error, PortState names, int name_error) {
    std::string text;
    auto paragraph = [&text](const std::string& p) {
        if (!text.empty()) text += "\n\n";
        text += p;
    };
    if (datagrams == PortState::denied || names == PortState::denied) {
        const bool both = datagrams == PortState::denied && names == PortState::denied;
        const char* ports = both                             ? "UDP ports 137 and 138"
                            : datagrams == PortState::denied ? "UDP port 138"
                                                             : "UDP port 137";
        paragraph(std::string("Quorvanta Messenger may not use ") + ports +
                  (datagrams == PortState::denied
                       ? ", so messages from other computers cannot reach it."
                       : ", so other computers cannot find it by its name.") +
                  " Sending, and messages on this computer, still work.\n\n"
                  "Under Wine on Linux, ports below 1024 need root: run the program as root, or "
                  "allow the ports for every user with\n"
                  "    sysctl net.ipv4.ip_unprivileged_port_start=137\n"
                  "and start Quorvanta Messenger again.");
    }
    switch (datagrams) {
        case PortState::in_use:
            paragraph(
                "UDP port 138 is in use by another program (a Samba nmbd?), so messages from "
                "other computers cannot reach Quorvanta Messenger. Sending, and messages on this "
                "computer, still work.\n\n"
                "To receive from the network, end the program that holds the port (on Windows "
                "that is NetBIOS over TCP/IP while it is turned on) and start Quorvanta "
                "Messenger again.");
            break;
        case PortState::shared:
            paragraph(
                "UDP port 138 is shared with another program on this computer (a Samba "
                "nmbd?). Messages sent to everyone or to the workgroup reach Quorvanta "
                "Messenger, but datagrams sent to this computer's address alone go to that "
                "program.");
            break;
        case PortState::unavailable: {
            char line[320];
            std::snprintf(line, sizeof line,
                          "Quorvanta Messenger cannot open UDP port 138 (error %d), so messages "
                          "from other computers cannot reach it. Messages on this computer still "
                          "work.\n\n"
                          "Make sure TCP/IP is installed and running, and start Quorvanta "
                          "Messenger again.",
                          datagram_error);
            paragraph(line);
            break;
        }
        case PortState::bound:
        case PortState::denied:
            break;
    }
    switch (names) {
        case PortState::in_use:
            paragraph(
                "UDP port 137 is in use by another program (a Samba nmbd?), so Quorvanta "
                "Messenger cannot answer for this computer's name: other computers that look "
                "it up by name do not find it. Sending, and messages by broadcast, still work.");
            break;
        case PortState::shared:
            paragraph(
                "UDP port 137 is shared with another program on this computer (a Samba "
                "nmbd?). Quorvanta Messenger answers the name queries other computers "
                "broadcast, but queries and objections sent to this computer's address alone "
                "go to that program.");
            break;
        case PortState::unavailable: {
            // Only worth a word of its own when the datagrams got through.
            if (datagrams != PortState::bound && datagrams != PortState::shared) break;
            char line[200];
            std::snprintf(line, sizeof line,
                          "Quorvanta Messenger cannot open UDP port 137 (error %d), so other "
                          "computers cannot find it by its name.",
                          name_error);
            paragraph(line);
            break;
        }
        case PortState::bound:
        case PortState::denied:
            break;
    }
    return text;
}

// Shown from a thread of the name service, with no owner: kept above the
// main window, which may appear after it.
void report_name_problem(const std::string& text) {
    MessageBoxA(nullptr, text.c_str(), kTitle, MB_ICONWARNING | MB_SETFOREGROUND | MB_SYSTEMMODAL);
}

// Sends `packet` with `mailslot` to the broadcast address of each local
// network, or to `peer` alone (also beyond a router), with this computer's
// address on that network as its source; true when any went out.
bool send_datagram(netbios::MessengerPacket& packet, std::string_view mailslot,
                   std::optional<uint32_t> peer) {
    const Winsock& ws = winsock();
    if (!ws.started) return false;
    UniqueSocket own;
    SOCKET s = g_path.socket.get();
    packet.source_port = netbios::kDatagramPort;
    if (s == INVALID_SOCKET) {
        // Without port 138 the packet leaves from a port of the system's
        // choosing, and its header says which, so that answers find it.
        own.reset(ws.broadcast_socket());
        s = own.get();
        sockaddr_in local = ipv4_address(0, 0);
        int length = sizeof local;
        if (s == INVALID_SOCKET ||
            ws.bind(s, reinterpret_cast<const sockaddr*>(&local), sizeof local) != 0 ||
            ws.local_name(s, reinterpret_cast<sockaddr*>(&local), &length) != 0) {
            return false;
        }
        packet.source_port = port_of(local);
    }
    bool sent = false;
    std::vector<netbios::LocalNetwork> networks = query_local_networks();
    if (peer) {
        const netbios::LocalNetwork* route = netbios::network_of_peer(networks, *peer);
        if (!route) return false;
        netbios::LocalNetwork to_peer = *route;
        to_peer.broadcast = *peer;
        networks = {to_peer};
    }
    for (const netbios::LocalNetwork& network : networks) {
        packet.source_ip = network.address;
        const std::vector<uint8_t> wire = netbios::encode_packet(packet, mailslot);
        if (wire.empty()) continue;
        const sockaddr_in to_network = ipv4_address(network.broadcast, netbios::kDatagramPort);
        sent =
            ws.send_to(s, reinterpret_cast<const char*>(wire.data()), static_cast<int>(wire.size()),
                       0, reinterpret_cast<const sockaddr*>(&to_network),
                       sizeof to_network) == static_cast<int>(wire.size()) ||
            sent;
    }
    return sent;
}

}  // namespace

NetbiosStart start_netbios_path(const char* computer_name) {
    g_path.computer = netbios_oem_name(computer_name ? computer_name : "");
    g_path.workgroup = netbios_workgroup();
    g_path.next_id = static_cast<uint16_t>(GetTickCount());
    g_path.stopping = false;
    g_path.active = true;
    char minute[16] = {};
    const DWORD length = GetEnvironmentVariableA(kBrowseMinuteVariable, minute, sizeof minute);
    if (length > 0 && length < sizeof minute) {
        const unsigned long value = std::strtoul(minute, nullptr, 10);
        if (value >= 100 && value <= browse::AnnouncementSchedule::kMinuteMs) {
            g_path.browse_minute_ms = static_cast<uint32_t>(value);
        }
    }

    NetbiosStart start;
    int error = 0, name_error = 0;
    if (!winsock().load()) {
        error = name_error = static_cast<int>(GetLastError());
        start.port = start.name_port = PortState::unavailable;
        start.problem = port_problem(start.port, error, start.name_port, name_error);
        return start;
    }
    start.port = bind_shared_port(netbios::kDatagramPort, g_path.socket, error);
    if (start.port == PortState::bound || start.port == PortState::shared) {
        winsock().set_option(g_path.socket.get(), SOL_SOCKET, SO_RCVBUF,
                             reinterpret_cast<const char*>(&kSocketReceiveBuffer),
                             sizeof kSocketReceiveBuffer);
        g_path.listener.reset(CreateThread(nullptr, 0, listener_thread, nullptr, 0, nullptr));
        // It does little per packet, and what it misses the system drops.
        if (g_path.listener) SetThreadPriority(g_path.listener.get(), THREAD_PRIORITY_ABOVE_NORMAL);
        if (!g_path.listener) {
            error = static_cast<int>(GetLastError());
            start.port = PortState::unavailable;
            g_path.socket.reset();
        }
    }
    start.name_port =
        start_name_service(g_path.computer, g_path.workgroup, name_error, report_name_problem,
                           port_problem(PortState::shared, 0, PortState::shared, 0));
    start.problem = port_problem(start.port, error, start.name_port, name_error);
    // Session messages need only Winsock, not the datagram port.
    const SessionServerStart sessions = start_session_server(g_path.computer);
    if (!sessions.problem.empty()) {
        if (!start.problem.empty()) start.problem += "\n\n";
        // The paragraph above already says how to allow privileged ports.
        const bool told_about_root =
            start.port == PortState::denied || start.name_port == PortState::denied;
        start.problem += sessions.state == SessionPortState::denied && told_about_root
                             ? "Nor may it use TCP port 139, so session messages from other "
                               "computers cannot reach it either."
                             : sessions.problem;
    }
    return start;
}

void stop_netbios_path() {
    if (!g_path.active) return;
    g_path.active = false;
    stop_name_service();
    g_path.stopping = true;
    stop_session_server();
    if (g_path.listener) {
        // A listener that does not end in time keeps what it uses.
        if (WaitForSingleObject(g_path.listener.get(), kListenerJoinTimeoutMs) != WAIT_OBJECT_0) {
            g_path.listener.release();
            return;
        }
        g_path.listener.reset();
        // The last word: a server type of 0 takes this computer off the
        // others' lists at once.
        try {
            announce(0, g_path.browse_minute_ms);
        } catch (const std::bad_alloc&) {
        }
    }
    g_path.socket.reset();
    winsock().unload();
}

std::string netbios_oem_name(const char* ansi) {
    std::string name(ansi ? ansi : "");
    if (name.empty()) return name;
    CharUpperBuffA(name.data(), static_cast<DWORD>(name.size()));
    CharToOemBuffA(name.c_str(), name.data(), static_cast<DWORD>(name.size()));
    return netbios::canonical_name(name);
}

BrowseList& netbios_browse_list() {
    return g_browse_list;
}

uint64_t browse_clock_ms() {
    // GetTickCount wraps after 49.7 days; its high part is kept here. Callers
    // come often (the listener, several times a second).
    static std::atomic<uint64_t> last{0};
    uint64_t seen = last.load();
    for (;;) {
        uint64_t now = (seen & ~uint64_t{0xFFFFFFFF}) | GetTickCount();
        if (now < seen) now += uint64_t{1} << 32;
        if (last.compare_exchange_weak(seen, now)) return now;
    }
}

bool netbios_request_announcements() {
    if (!g_path.active || g_path.computer.empty()) return false;
    try {
        netbios::MessengerPacket packet;
        packet.type = netbios::DatagramType::direct_group;
        packet.id = g_path.next_id++;
        packet.source = {g_path.computer, netbios::kWorkstationSuffix};
        packet.destination = {g_path.workgroup, netbios::kWorkstationSuffix};
        packet.data = browse::build_announcement_request(g_path.computer);
        return send_datagram(packet, browse::kBrowseMailslot);
    } catch (const std::bad_alloc&) {
        return false;
    }
}

uint32_t netbios_answer_window_ms() {
    return static_cast<uint32_t>(uint64_t{browse::AnnouncementSchedule::kAnswerWindowMs} *
                                 g_path.browse_minute_ms / browse::AnnouncementSchedule::kMinuteMs);
}

bool netbios_path_active() {
    return g_path.active;
}

DatagramQueue* netbios_received() {
    return &g_received;
}

void* netbios_arrival_event() {
    return g_arrived.get();
}

uint32_t netbios_dropped() {
    return g_received.dropped();
}

std::string netbios_workgroup() {
    static const std::string workgroup = query_workgroup();
    return workgroup;
}

bool deliver_received_message(std::string_view from, std::string_view to,
                              std::string_view oem_text) {
    try {
        std::vector<char> datagram;
        datagram.reserve(from.size() + to.size() + oem_text.size() + 3);
        for (std::string_view part : {from, to, oem_text}) {
            datagram.insert(datagram.end(), part.begin(), part.end());
            datagram.push_back('\0');
        }
        return hand_to_receiver(std::move(datagram), false);
    } catch (const std::bad_alloc&) {
        return false;
    }
}

int netbios_send(const char* from, const char* to, const char* text) {
    if (!from || !to || !text || !g_path.active) return 0;
    try {
        const std::vector<char> datagram = build_datagram(from, to, text);
        if (datagram.empty() || datagram.size() > netbios::kMaxMessageBytes) return 0;

        const std::string recipient = std::strcmp(to, "*") == 0 ? "*" : netbios_oem_name(to);
        const netbios::Addressing addressing =
            netbios::address_message(recipient, g_path.workgroup);
        netbios::MessengerPacket packet;
        packet.type = addressing.type;
        packet.destination = addressing.destination;
        packet.source = {netbios_oem_name(from), netbios::kWorkstationSuffix};
        packet.data = datagram;
        packet.id = g_path.next_id++;

        if (recipient.empty() || packet.source.name.empty()) return 0;
        const bool here = recipient == "*" || recipient == g_path.computer;
        // One other computer: by session to whoever answers for its messenger
        // name, as NT-family systems and Samba receive; by datagram straight
        // to that address when the session fails (it may be beyond a router).
        // A name nobody answers for has no computer to take the message, so
        // the send fails, as the Messenger service's does.
        bool sent = false;
        std::optional<uint32_t> address;
        if (!here) {
            address = resolve_messenger_name(to);
            if (!address) return 0;
            std::string oem_text(text);
            ansi_to_oem(oem_text.data());
            sent = send_by_session(*address, from, to, oem_text);
        }
        if (!sent) sent = send_datagram(packet, netbios::kMessengerMailslot, address);
        // Its own broadcasts do not come back through the listener.
        if (here) sent = hand_to_receiver(datagram, true) || sent;
        if (!sent) return 0;
        g_statistics.sent.fetch_add(1);
        return 1;
    } catch (const std::bad_alloc&) {
        return 0;
    }
}
