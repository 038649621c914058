// Drives the program on one computer of the multi-computer test
// (tools/lan-test): reads one command a line from standard input and answers
// each with one line, "ok ..." or "fail ..." (Windows only, test support).
//
//   options AAM TEXT     stores fresh options: auto-answer on or off, its text
//   hold | release       takes or gives back UDP port 138
//   start                starts the program; "ok box" when a box came first
//   box TEXT             closes the program's message box holding TEXT
//   nobox TEXT           "ok" when no window of the program holds TEXT
//   ready                waits for the main window
//   inject FROM TO TEXT  writes a datagram into this computer's mailslot
//   broadcast TEXT       sends TEXT to everyone with the Send dialog
//   rows N MS            waits up to MS ms for N rows; lists them newest first
//   latency N            N messages from the network to a row: median and worst
//   load RATE S SENDS    RATE packets/s for S s, SENDS sends to this computer
//                        meanwhile and the mailslot held open: what was listed
//   exit                 Exit command; the exit code
#include <winsock2.h>
#include <windows.h>

#include <algorithm>
#include <cstdio>
#include <iostream>
#include <memory>
#include <sstream>
#include <string>
#include <vector>

#include "support/network_load_win.h"
#include "support/program_driver_win.h"
#include "resources/resource.h"
#include "support/save_dialog_win.h"
#include "support/udp_socket_win.h"

namespace {

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

// Packets sent to port 138 of this computer, one after the other once the
// last has been listed; each timed from the send to its row.
std::string measure_latency(const ProgramDriver& program, int count) {
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
        const auto packet =
            messenger_packet("BENCH", me, datagram("BENCH", me, "latency " + std::to_string(i)));
        LARGE_INTEGER sent, shown;
        QueryPerformanceCounter(&sent);
        if (!peer.send_to_port_138(packet)) return "fail send";
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
    std::snprintf(text, sizeof text, "ok median %.0f ms, worst %.0f ms of %d", ms[ms.size() / 2],
                  ms.back(), count);
    return text;
}

// New, "Broadcast to all" checked, the text typed and Send pressed, as a user
// sends to everyone. Typed: a multi-line edit says nothing of a WM_SETTEXT,
// and Send is enabled only by changes the dialog hears of.
std::string broadcast(ProgramDriver& program, const std::string& text) {
    program.post_command(IDM_NEW);
    HWND send = wait_for_window(program.pid(), "Send Message");
    if (!send) return "fail no Send dialog";
    SendMessageA(GetDlgItem(send, IDC_BROADCAST), BM_CLICK, 0, 0);
    type_text(combo_edit(GetDlgItem(send, IDC_SEND_RECIPIENT)), "x");
    type_text(GetDlgItem(send, IDC_SEND_TEXT), text);
    click(send, IDOK);
    if (!wait_gone(send)) {
        press(send, IDCANCEL);
        if (!wait_gone(send)) return "fail still open";
    }
    return "ok";
}

}  // namespace

int main() {
    WSADATA data;
    WSAStartup(MAKEWORD(2, 2), &data);
    ProgramDriver program;
    std::unique_ptr<UdpSocket> held;
    std::string line;
    while (std::getline(std::cin, line)) {
        std::istringstream in(line);
        std::string command;
        in >> command;
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
            held = std::make_unique<UdpSocket>(netbios::kDatagramPort);
            if (!held->bound()) answer = "fail " + std::to_string(WSAGetLastError());
        } else if (command == "release") {
            held.reset();
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
            answer = broadcast(program, rest_of(in));
        } else if (command == "rows") {
            size_t count = 0;
            DWORD timeout = 0;
            in >> count >> timeout;
            wait_until([&] { return program.rows().size() >= count; }, timeout);
            answer = "ok " + std::to_string(program.rows().size()) + list_rows(program);
        } else if (command == "latency") {
            int count = 100;
            in >> count;
            answer = measure_latency(program, count);
        } else if (command == "load") {
            int rate = 1000, seconds = 10, sends = 100;
            in >> rate >> seconds >> sends;
            const NetworkLoad load = run_network_load(program, rate, seconds, sends);
            answer = (load.problem.empty() ? "ok " : "fail " + load.problem + ": ") +
                     describe(load, rate, seconds);
        } else if (command == "exit") {
            program.post_command(IDM_EXIT);
            const auto code = program.wait_exit(10000);
            answer = code ? "ok " + std::to_string(*code) : "fail did not end";
        } else {
            answer = "fail unknown command " + command;
        }
        std::cout << answer << std::endl;
    }
    WSACleanup();
    return 0;
}
