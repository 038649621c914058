// The NetBIOS path under load, driven from outside (Windows only, test support).
#include <winsock2.h>
#include <windows.h>
#include <commctrl.h>

#include "support/network_load_win.h"

#include <atomic>
#include <cstdio>
#include <cstdlib>
#include <thread>
#include <vector>

#include "resources/resource.h"
#include "support/save_dialog_win.h"
#include "support/udp_socket_win.h"

namespace {

double now_ms() {
    LARGE_INTEGER frequency, counter;
    QueryPerformanceFrequency(&frequency);
    QueryPerformanceCounter(&counter);
    return 1000.0 * static_cast<double>(counter.QuadPart) / static_cast<double>(frequency.QuadPart);
}

// "Message(s): N (D lost in a network flood)": D, or 0.
int dropped_in(const std::string& status) {
    const size_t open = status.find('(');
    return open == std::string::npos ? 0 : std::atoi(status.c_str() + open + 1);
}

}  // namespace

NetworkLoad run_network_load(const ProgramDriver& program, int rate, int seconds, int sends) {
    NetworkLoad load;
    const std::string me = computer_name();
    // A local writer that keeps the mailslot open for the whole run.
    UniqueFile holder(CreateFileA("\\\\.\\mailslot\\messngr", GENERIC_WRITE, FILE_SHARE_READ,
                                  nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
    load.mailslot_held = static_cast<bool>(holder);

    program.post_command(IDM_NEW);
    HWND send = wait_for_window(program.pid(), "Send Message");
    if (!send) {
        load.problem = "no Send dialog";
        return load;
    }
    type_text(combo_edit(GetDlgItem(send, IDC_SEND_RECIPIENT)), me);

    std::atomic<double> last_sent{0};
    std::thread flood([&] {
        UdpSocket peer;
        const double start = now_ms();
        const int total = rate * seconds;
        for (int i = 0; i < total; ++i) {
            while (now_ms() - start < 1000.0 * i / rate)
                Sleep(1);
            const std::string message = datagram("L" + std::to_string(i), me, "load");
            if (peer.send_to_port_138(messenger_packet("LOADPC", me, message))) ++load.packets;
        }
        last_sent = now_ms();
    });

    HWND sent_times = FindWindowExA(send, nullptr, STATUSCLASSNAMEA, nullptr);
    for (int k = 0; k < sends; ++k) {
        Sleep(static_cast<DWORD>(seconds * 1000 / (sends + 1)));
        // A text of its own each time: no duplicate setting may hide one.
        const std::string text = "to myself " + std::to_string(k);
        SendMessageA(GetDlgItem(send, IDC_SEND_TEXT), WM_SETTEXT, 0,
                     reinterpret_cast<LPARAM>(text.c_str()));
        click(send, IDOK);
        ++load.sends;
        const std::string counted = "Sent times: " + std::to_string(load.sends_ok + 1);
        if (wait_until([&] { return window_text(sent_times) == counted; }, 3000)) ++load.sends_ok;
        if (HWND error = program.find_dialog_with_text("Error sending")) {
            press(error, IDOK);
            wait_gone(error);
        }
    }
    flood.join();
    press(send, IDCANCEL);
    wait_gone(send);

    // Every packet and send either listed or counted as dropped.
    const auto accounted = [&] {
        return program.row_count() + dropped_in(program.status_text(0)) >=
               load.packets + load.sends_ok;
    };
    wait_until(accounted, 60000);
    load.settle_ms = now_ms() - last_sent;
    load.dropped = dropped_in(program.status_text(0));

    int previous = load.packets;
    load.in_order = true;
    for (const ListRow& row : program.rows()) {
        if (row.from == me) {
            ++load.sends_listed;
        } else if (row.from.size() > 1 && row.from[0] == 'L') {
            const int index = std::atoi(row.from.c_str() + 1);
            if (index >= previous) load.in_order = false;
            previous = index;
            ++load.listed;
        }
    }
    return load;
}

std::string describe(const NetworkLoad& load, int rate, int seconds) {
    char text[400];
    std::snprintf(text, sizeof text,
                  "%d packets at %d/s for %d s with the mailslot %s: %d listed (%s), %d dropped; "
                  "%d of %d sends to this computer succeeded, %d listed; all accounted for "
                  "%.0f ms after the last packet",
                  load.packets, rate, seconds, load.mailslot_held ? "held open" : "NOT held",
                  load.listed, load.in_order ? "in order" : "OUT OF ORDER", load.dropped,
                  load.sends_ok, load.sends, load.sends_listed, load.settle_ms);
    return text;
}
