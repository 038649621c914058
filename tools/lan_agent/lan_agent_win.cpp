// Drives the program on one computer of the multi-computer test
// (tools/lan-test): reads one command a line from standard input and answers
// each with one line, "ok ..." or "fail ..." (Windows only, test support).
//
//   options AAM TEXT     stores fresh options: auto-answer on or off, its text
//   hold | release       takes or gives back UDP port 138
//   hold139              takes TCP port 139 without listening (until release)
//   start                starts the program; "ok box" when a box came first
//   box TEXT             closes the program's message box holding TEXT
//   nobox TEXT           "ok" when no window of the program holds TEXT
//   ready                waits for the main window
//   inject FROM TO TEXT  writes a datagram into this computer's mailslot
//   broadcast TEXT       sends TEXT to everyone with the Send dialog
//   send TO TEXT         sends TEXT to computer TO with the Send dialog
//   text ROW             the text of row ROW (0 newest) in the View dialog, as hex
//   rows N MS            waits up to MS ms for N rows; lists them newest first
//   latency N [session]  N messages from the network to a row: median and worst;
//                        datagrams to UDP 138, or session messages on TCP 139
//   load RATE S SENDS    RATE packets/s for S s, SENDS sends to this computer
//                        meanwhile and the mailslot held open: what was listed
//   announce IP PERIOD NAME...  a host announcement of each NAME (GROUP/NAME
//                        for another workgroup than WORKGROUP), with PERIOD ms,
//                        sent to UDP port 138 of IP
//   browsebench N        N computers announce themselves over loopback; then
//                        the time from Rescan Network to all of them in the tree
//   rescan               Rescan Network once the command is enabled
//   expand               opens every workgroup of the tree
//   tree MS EXPECTED     waits up to MS ms for the tree to read EXPECTED
//                        ("GROUP:PC1,PC2 GROUP2:PC3", computers sorted); the tree
//   exit                 Exit command; the exit code
//   server ADDRESS       stores the name server's address (after options)
//   counted TO TEXT      sends TEXT to TO with the Send dialog, which stays
//                        open: "ok sent N" (its count) or "fail error N"
//                        after the error box
//   timed TO TEXT        as counted, with " at US": when Send was pressed,
//                        microseconds by the machine's clock
//   arrival N MS         waits up to MS ms for N messages listed: "ok US",
//                        when they were, by the machine's clock
#include <winsock2.h>
#include <windows.h>

#include <commctrl.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <iostream>
#include <memory>
#include <sstream>
#include <stdexcept>
#include <string>
#include <vector>

#include "core/handles_win.h"
#include "resources/resource.h"
#include "support/network_load_win.h"
#include "support/program_driver_win.h"
#include "support/save_dialog_win.h"
#include "support/tree_reader_win.h"
#include "support/udp_socket_win.h"
#include "transport/browse_announcement.h"
#include "transport/netbios_datagram.h"
#include "transport/session_packet.h"
#include "transport/smb_message.h"

namespace {

// A socket of this agent's own Winsock, closed when its owner goes.
struct AgentSocket {
    using type = SOCKET;
    static SOCKET invalid() { return INVALID_SOCKET; }
    static void close(SOCKET s) { closesocket(s); }
};
using OwnedSocket = UniqueWin<AgentSocket>;

std::string rest_of(std::istringstream& in) {
    std::string rest;
    std::getline(in >> std::ws, rest);
    return rest;
}

std::string list_rows(const ProgramDriver& program) {
    std::string out;
    for (const ListRow& row : program.rows())
        out += " " + row.from + ">" + row.to;
    return out;
}

// One message as a sender of session messages delivers it: a connection to
// TCP 139 of this computer, the session request, 0xD0 and its answer.
bool send_by_session(const std::string& me, const std::string& text) {
    const OwnedSocket owned(socket(AF_INET, SOCK_STREAM, IPPROTO_TCP));
    const SOCKET s = owned.get();
    sockaddr_in to{};
    to.sin_family = AF_INET;
    to.sin_port = htons(netbios::kSessionPort);
    to.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    const auto request = netbios::encode_session_request(
        {{me, netbios::kMessengerSuffix}, {"BENCH", netbios::kWorkstationSuffix}});
    const auto message = smb::build_send_message("BENCH", me, text, 1);
    const auto put = [s](const std::vector<uint8_t>& b) {
        return send(s, reinterpret_cast<const char*>(b.data()), static_cast<int>(b.size()), 0) ==
               static_cast<int>(b.size());
    };
    char answer[64];
    return connect(s, reinterpret_cast<sockaddr*>(&to), sizeof to) == 0 && put(request) &&
           recv(s, answer, 4, 0) == 4 && answer[0] == '\x82' && put(message) &&
           recv(s, answer, sizeof answer, 0) > 0;
}

// Messages sent to this computer by datagram (UDP 138) or by session (TCP
// 139), one after the other once the last has been listed; each timed from
// its send to its row.
std::string measure_latency(const ProgramDriver& program, int count, bool by_session) {
    UdpSocket peer;
    const std::string me = computer_name();
    std::vector<double> ms;
    LARGE_INTEGER frequency;
    QueryPerformanceFrequency(&frequency);
    // The status bar's count is one read across processes; the rows grow.
    const auto listed = [&](size_t n) {
        return program.status_text(0) == "Message(s): " + std::to_string(n);
    };
    const size_t start = program.rows().size();
    for (int i = 0; i < count; ++i) {
        const size_t before = start + static_cast<size_t>(i);
        const std::string text = "latency " + std::to_string(i);
        const auto packet = messenger_packet("BENCH", me, datagram("BENCH", me, text));
        LARGE_INTEGER sent, shown;
        QueryPerformanceCounter(&sent);
        if (by_session ? !send_by_session(me, text) : !peer.send_to_port_138(packet)) {
            return "fail send";
        }
        if (!wait_until([&] { return listed(before + 1); }, 5000)) {
            return "fail message " + std::to_string(i) + " was not listed";
        }
        QueryPerformanceCounter(&shown);
        ms.push_back(1000.0 * static_cast<double>(shown.QuadPart - sent.QuadPart) /
                     static_cast<double>(frequency.QuadPart));
        Sleep(static_cast<DWORD>(i * 37 % 500));  // spread the sends over the poll cycle
    }
    std::sort(ms.begin(), ms.end());
    char text[128];
    std::snprintf(text, sizeof text, "ok %smedian %.0f ms, worst %.0f ms of %d",
                  by_session ? "session " : "", ms[ms.size() / 2], ms.back(), count);
    return text;
}

// Microseconds since 1970 by the machine's clock, which the computers of the
// test share: a send stamped on one and its row stamped on another compare.
long long wall_clock_us() {
    return std::chrono::duration_cast<std::chrono::microseconds>(
               std::chrono::system_clock::now().time_since_epoch())
        .count();
}

// New, the recipient ("*": "Broadcast to all" checked) and the text typed, as
// a user writes a message. Typed: a multi-line edit says nothing of a
// WM_SETTEXT, and Send is enabled only by changes the dialog hears of.
HWND write_message(ProgramDriver& program, const std::string& to, const std::string& text) {
    program.post_command(IDM_NEW);
    HWND send = wait_for_window(program.pid(), "Send Message");
    if (!send) return nullptr;
    if (to == "*") SendMessageA(GetDlgItem(send, IDC_BROADCAST), BM_CLICK, 0, 0);
    type_text(combo_edit(GetDlgItem(send, IDC_SEND_RECIPIENT)), to == "*" ? "x" : to);
    type_text(GetDlgItem(send, IDC_SEND_TEXT), text);
    return send;
}

// A message written and Send pressed; the dialog stays open after the send
// (the options' default) until its status line counts it or "Error sending
// message !" shows; then Cancel. "ok sent N" (the count) or "fail error N".
// `pressed_us`, when given, gets the moment Send was pressed.
std::string send_counted(ProgramDriver& program, const std::string& to, const std::string& text,
                         long long* pressed_us = nullptr) {
    HWND send = write_message(program, to, text);
    if (!send) return "fail no Send dialog";
    HWND bar = FindWindowExA(send, nullptr, STATUSCLASSNAMEA, nullptr);
    const auto line = [&] { return status_bar_text(program.process(), bar); };
    if (pressed_us) *pressed_us = wall_clock_us();
    click(send, IDOK);
    const auto counted = [&] { return line() != "Sent times: 0"; };
    HWND box = nullptr;
    wait_until([&] { return counted() || (box = program.find_dialog_with_text("Error sending")); },
               20000);
    if (box) {
        press(box, IDOK);
        wait_gone(box);
    }
    const std::string shown = line();
    const std::string count = shown.size() > 12 ? shown.substr(12) : "?";
    press(send, IDCANCEL);
    if (!wait_gone(send)) return "fail still open";
    return (box ? "fail error " : counted() ? "ok sent " : "fail nothing ") + count;
}

// As send_counted, "ok" for a message counted sent.
std::string send_message(ProgramDriver& program, const std::string& to, const std::string& text) {
    const std::string answer = send_counted(program, to, text);
    return answer.rfind("ok sent ", 0) == 0 ? "ok" : answer;
}

// The tree as "GROUP:PC1,PC2 GROUP2:PC3", each workgroup's computers sorted.
std::string tree_text(const ProgramDriver& program) {
    std::string out;
    std::vector<std::string> computers;
    auto flush = [&] {
        std::sort(computers.begin(), computers.end());
        for (size_t i = 0; i < computers.size(); ++i)
            out += (i ? "," : "") + computers[i];
        computers.clear();
    };
    HWND tree = GetDlgItem(program.main_window(), IDC_NETWORK_TREE);
    for (const std::string& line : tree_lines(program.process(), tree)) {
        if (line.rfind("  ", 0) == 0) {
            computers.push_back(line.substr(line.find_first_not_of(' ')));
            continue;
        }
        flush();
        out += (out.empty() ? "" : " ") + line + ":";
    }
    flush();
    return out;
}

// Announcements as another computer would send them, one packet per name.
std::string announce(const std::string& address, uint32_t period_ms,
                     const std::vector<std::string>& names) {
    UdpSocket socket;
    sockaddr_in to{};
    to.sin_family = AF_INET;
    to.sin_port = htons(netbios::kDatagramPort);
    to.sin_addr.s_addr = inet_addr(address.c_str());
    for (const std::string& member : names) {
        const size_t slash = member.find('/');
        const std::string workgroup =
            slash == std::string::npos ? "WORKGROUP" : member.substr(0, slash);
        const std::string name = slash == std::string::npos ? member : member.substr(slash + 1);
        browse::Frame frame;
        frame.periodicity_ms = period_ms;
        frame.name = name;
        frame.server_type = browse::kTypeWorkstation;
        netbios::MessengerPacket packet;
        packet.type = netbios::DatagramType::direct_group;
        packet.source = {name, netbios::kWorkstationSuffix};
        packet.destination = {workgroup, browse::kMasterBrowserSuffix};
        packet.data = browse::build_announcement(frame);
        const auto wire = netbios::encode_packet(packet, browse::kBrowseMailslot);
        if (!socket.send_to(wire, to)) return "fail send " + std::to_string(WSAGetLastError());
    }
    return "ok";
}

std::string rescan(const ProgramDriver& program) {
    HWND toolbar = network_toolbar(program.main_window());
    if (!wait_until([&] { return SendMessageA(toolbar, TB_ISBUTTONENABLED, IDM_RESCAN, 0) != 0; },
                    10000)) {
        return "fail rescan stays disabled";
    }
    program.post_command(IDM_RESCAN);
    return "ok";
}

// N announced computers, then Rescan Network timed until "Scanning: DONE!"
// with every one of them (and this computer, and the workgroup) in the tree.
std::string time_browse_scan(const ProgramDriver& program, int count) {
    std::vector<std::string> names;
    for (int i = 0; i < count; ++i) {
        char name[16];
        std::snprintf(name, sizeof name, "QVB%05d", i);
        names.emplace_back(name);
    }
    const std::string sent = announce("127.0.0.1", 12 * 60 * 1000, names);
    if (sent != "ok") return sent;
    Sleep(1000);  // the listener takes them in long before this
    HWND bar = network_status_bar(program.main_window());
    HWND tree = GetDlgItem(program.main_window(), IDC_NETWORK_TREE);
    SendMessageA(bar, WM_SETTEXT, 0, reinterpret_cast<LPARAM>(""));
    LARGE_INTEGER frequency, start, end;
    QueryPerformanceFrequency(&frequency);
    QueryPerformanceCounter(&start);
    const std::string asked = rescan(program);
    if (asked != "ok") return asked;
    const auto wanted = static_cast<LRESULT>(count + 2);
    const bool drawn = wait_until(
        [&] {
            return status_bar_text(program.process(), bar) == "Scanning: DONE!" &&
                   SendMessageA(tree, TVM_GETCOUNT, 0, 0) >= wanted;
        },
        60000);
    UpdateWindow(tree);
    QueryPerformanceCounter(&end);
    const long ms = static_cast<long>((end.QuadPart - start.QuadPart) * 1000 / frequency.QuadPart);
    const long items = static_cast<long>(SendMessageA(tree, TVM_GETCOUNT, 0, 0));
    return std::string(drawn ? "ok " : "fail ") + std::to_string(count) +
           " announced computers: Rescan to the filled tree " + std::to_string(ms) + " ms, " +
           std::to_string(items) + " entries";
}

// The View dialog's text for one row, in hex: it may hold line ends and 8-bit characters.
std::string row_text(ProgramDriver& program, int row) {
    if (!program.select_row(row)) return "fail no row";
    program.post_command(IDM_VIEW);
    HWND view = nullptr;
    if (!wait_until([&] { return (view = program.find_dialog_with_text("View Message")); }, 5000)) {
        return "fail no View dialog";
    }
    // The dialog may show before its text is in.
    // Another process's control: GetWindowText would not ask it.
    HWND edit = GetDlgItem(view, IDC_VIEW_TEXT);
    const auto length = [edit] {
        DWORD_PTR n = 0;
        SendMessageTimeoutA(edit, WM_GETTEXTLENGTH, 0, 0, SMTO_ABORTIFHUNG, 2000, &n);
        return static_cast<size_t>(n);
    };
    wait_until([&] { return length() > 0; }, 2000);
    std::string text(length() + 1, '\0');
    DWORD_PTR copied = 0;
    SendMessageTimeoutA(edit, WM_GETTEXT, text.size(), reinterpret_cast<LPARAM>(text.data()),
                        SMTO_ABORTIFHUNG, 2000, &copied);
    text.resize(static_cast<size_t>(copied));
    PostMessageA(view, WM_COMMAND, MAKEWPARAM(IDCANCEL, BN_CLICKED), 0);
    wait_until([&] { return !IsWindow(view); });
    std::string hex = "ok ";
    char digits[3];
    for (unsigned char c : text) {
        std::snprintf(digits, sizeof digits, "%02x", c);
        hex += digits;
    }
    return hex;
}

// What this computer holds between commands.
struct Computer {
    ProgramDriver program;
    std::unique_ptr<UdpSocket> held;  // UDP 138, from "hold" to "release"
    OwnedSocket held_tcp;             // TCP 139, likewise
};

// One command line carried out; its answer.
std::string run_command(Computer& computer, const std::string& line) {
    std::istringstream in(line);
    std::string command;
    in >> command;
    ProgramDriver& program = computer.program;
    std::string answer = "ok";
    if (command == "options") {
        int aam = 0;
        in >> aam;
        delete_stored_options();
        store_dword("cone", 0);
        store_dword("showmmode", 1);
        store_dword("aam", static_cast<DWORD>(aam));
        store_string("aat", rest_of(in));
    } else if (command == "hold") {
        computer.held = std::make_unique<UdpSocket>(netbios::kDatagramPort);
        if (!computer.held->bound()) answer = "fail " + std::to_string(WSAGetLastError());
    } else if (command == "hold139") {
        computer.held_tcp.reset(socket(AF_INET, SOCK_STREAM, IPPROTO_TCP));
        sockaddr_in any{};
        any.sin_family = AF_INET;
        any.sin_port = htons(139);
        if (bind(computer.held_tcp.get(), reinterpret_cast<sockaddr*>(&any), sizeof any) != 0)
            answer = "fail " + std::to_string(WSAGetLastError());
    } else if (command == "release") {
        computer.held.reset();
        computer.held_tcp.reset();
    } else if (command == "start") {
        if (!program.start()) {
            answer = "fail start";
        } else {
            bool box = false;
            const bool up = wait_until(
                [&] {
                    box = program.find_dialog_with_text("UDP port 138") != nullptr;
                    return box || program.wait_ready(0);
                },
                20000);
            answer = !up ? "fail not ready" : box ? "ok box" : "ok";
        }
    } else if (command == "box") {
        const std::string text = rest_of(in);
        HWND box = nullptr;
        if (wait_until([&] { return (box = program.find_dialog_with_text(text)); }, 10000)) {
            press(box, IDOK);
            wait_gone(box);
        } else {
            answer = "fail no box saying " + text;
        }
    } else if (command == "nobox") {
        if (program.find_dialog_with_text(rest_of(in))) answer = "fail box";
    } else if (command == "ready") {
        if (!program.wait_ready(20000)) answer = "fail not ready";
    } else if (command == "inject") {
        std::string from, to;
        in >> from >> to;
        if (!write_datagram(datagram(from, to, rest_of(in)))) answer = "fail write";
    } else if (command == "broadcast") {
        answer = send_message(program, "*", rest_of(in));
    } else if (command == "send") {
        std::string to;
        in >> to;
        answer = send_message(program, to, rest_of(in));
    } else if (command == "text") {
        int row = 0;
        in >> row;
        answer = row_text(program, row);
    } else if (command == "rows") {
        size_t count = 0;
        DWORD timeout = 0;
        in >> count >> timeout;
        wait_until([&] { return program.rows().size() >= count; }, timeout);
        answer = "ok " + std::to_string(program.rows().size()) + list_rows(program);
    } else if (command == "latency") {
        int count = 100;
        std::string way;
        in >> count >> way;
        answer = measure_latency(program, count, way == "session");
    } else if (command == "load") {
        int rate = 1000, seconds = 10, sends = 100;
        in >> rate >> seconds >> sends;
        const NetworkLoad load = run_network_load(program, rate, seconds, sends);
        answer = (load.problem.empty() ? "ok " : "fail " + load.problem + ": ") +
                 describe(load, rate, seconds);
    } else if (command == "announce") {
        std::string address, name;
        uint32_t period = 0;
        in >> address >> period;
        std::vector<std::string> names;
        while (in >> name)
            names.push_back(name);
        answer = announce(address, period, names);
    } else if (command == "browsebench") {
        int count = 1000;
        in >> count;
        answer = time_browse_scan(program, count);
    } else if (command == "expand") {
        HWND tree = GetDlgItem(program.main_window(), IDC_NETWORK_TREE);
        for (int n = 0; HTREEITEM item = tree_item(tree, n); ++n)
            SendMessageA(tree, TVM_EXPAND, TVE_EXPAND, reinterpret_cast<LPARAM>(item));
    } else if (command == "rescan") {
        answer = rescan(program);
    } else if (command == "tree") {
        DWORD timeout = 0;
        in >> timeout;
        const std::string expected = rest_of(in);
        std::string seen;
        wait_until([&] { return (seen = tree_text(program)) == expected; }, timeout);
        answer = "ok " + seen;
    } else if (command == "server") {
        store_string("wins", rest_of(in));
    } else if (command == "counted") {
        std::string to;
        in >> to;
        answer = send_counted(program, to, rest_of(in));
    } else if (command == "timed") {
        std::string to;
        in >> to;
        long long pressed = 0;
        answer = send_counted(program, to, rest_of(in), &pressed);
        if (answer.rfind("ok", 0) == 0) answer += " at " + std::to_string(pressed);
    } else if (command == "arrival") {
        int count = 0;
        DWORD timeout = 0;
        in >> count >> timeout;
        // The status bar's count: one read across processes, however many rows.
        const std::string listed = "Message(s): " + std::to_string(count);
        answer = wait_until([&] { return program.status_text(0) == listed; }, timeout)
                     ? "ok " + std::to_string(wall_clock_us())
                     : "fail " + program.status_text(0);
    } else if (command == "exit") {
        program.post_command(IDM_EXIT);
        const auto code = program.wait_exit(10000);
        answer = code ? "ok " + std::to_string(*code) : "fail did not end";
    } else {
        answer = "fail unknown command " + command;
    }
    return answer;
}

// Commands from standard input, one a line, each answered with a line.
// A fault in one command is that command's answer: the computer stays up
// for the checks after it.
void answer_commands() {
    Computer computer;
    std::string line;
    while (std::getline(std::cin, line)) {
        std::string answer;
        try {
            answer = run_command(computer, line);
        } catch (const std::exception& fault) {
            answer = std::string("fail ") + fault.what();
        }
        std::cout << answer << std::endl;
    }
}

}  // namespace

int main() {
    WSADATA data;
    WSAStartup(MAKEWORD(2, 2), &data);
    answer_commands();  // its sockets closed before Winsock ends
    WSACleanup();
    return 0;
}
