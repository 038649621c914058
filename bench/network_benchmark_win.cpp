// Figures of the network scan in the real program under Wine: the first scan
// and the rescan of an unchanged network of 500, 5,000 and 20,000 computers in
// 50 workgroups, served by the stand-in provider into the real tree view; and,
// for comparison, the bare WNet enumeration of the same network in this
// process (Windows only; run by tools/benchmarks, prints its figures).
#include <windows.h>
#include <winnetwk.h>

#include <algorithm>
#include <cstdio>
#include <string>
#include <vector>

#include "netbrowse/standin/scripted_network_win.h"
#include "resources/resource.h"
#include "support/program_driver_win.h"
#include "support/tree_reader_win.h"

namespace {

constexpr int kWorkgroups = 50;
constexpr int kRescans = 5;

// Rescan Network until "Scanning: DONE!", in ms; -1 when it does not end.
long timed_scan(const ProgramDriver& program) {
    HWND bar = network_status_bar(program.main_window());
    HWND toolbar = network_toolbar(program.main_window());
    // The timer enables Rescan again within a second of the previous scan.
    if (!wait_until([&] { return SendMessageA(toolbar, TB_ISBUTTONENABLED, IDM_RESCAN, 0) != 0; },
                    3000)) {
        return -1;
    }
    SendMessageA(bar, WM_SETTEXT, 0, reinterpret_cast<LPARAM>(""));
    LARGE_INTEGER frequency, start, end;
    QueryPerformanceFrequency(&frequency);
    QueryPerformanceCounter(&start);
    program.post_command(IDM_RESCAN);
    for (;;) {
        const std::string status = status_bar_text(program.process(), bar);
        QueryPerformanceCounter(&end);
        if (status == "Scanning: DONE!") break;
        if (status == "Scanning: ERROR!" ||
            end.QuadPart - start.QuadPart > 120 * frequency.QuadPart) {
            return -1;
        }
        Sleep(1);
    }
    return static_cast<long>((end.QuadPart - start.QuadPart) * 1000 / frequency.QuadPart);
}

// Walks the whole network as the scan does, without a tree; the number of
// computers found and the time in ms.
std::pair<int, long> bare_enumeration() {
    using OpenEnum = DWORD(WINAPI*)(DWORD, DWORD, DWORD, NETRESOURCEA*, HANDLE*);
    using EnumResource = DWORD(WINAPI*)(HANDLE, DWORD*, void*, DWORD*);
    using CloseEnum = DWORD(WINAPI*)(HANDLE);
    // Loaded now, after the provider was registered: mpr reads the providers
    // when it is loaded.
    HMODULE mpr = LoadLibraryA("mpr.dll");
    auto open =
        reinterpret_cast<OpenEnum>(reinterpret_cast<void*>(GetProcAddress(mpr, "WNetOpenEnumA")));
    auto next = reinterpret_cast<EnumResource>(
        reinterpret_cast<void*>(GetProcAddress(mpr, "WNetEnumResourceA")));
    auto close =
        reinterpret_cast<CloseEnum>(reinterpret_cast<void*>(GetProcAddress(mpr, "WNetCloseEnum")));
    if (!open || !next || !close) return {0, -1};
    int computers = 0;
    std::vector<DWORD> buffer(4096);
    const DWORD begin = GetTickCount();
    auto walk = [&](auto& self, NETRESOURCEA* container) -> void {
        HANDLE handle = nullptr;
        if (open(RESOURCE_GLOBALNET, RESOURCETYPE_ANY, RESOURCEUSAGE_CONTAINER, container,
                 &handle)) {
            return;
        }
        std::vector<std::vector<DWORD>> batches;
        for (;;) {
            DWORD count = static_cast<DWORD>(-1), size = 16384;
            if (next(handle, &count, buffer.data(), &size) != NO_ERROR) break;
            auto* records = reinterpret_cast<NETRESOURCEA*>(buffer.data());
            for (DWORD i = 0; i < count; ++i) {
                if (records[i].dwDisplayType == RESOURCEDISPLAYTYPE_SERVER) {
                    ++computers;
                } else {
                    std::vector<DWORD> saved = buffer;  // the records point into it
                    self(self, reinterpret_cast<NETRESOURCEA*>(saved.data()) + i);
                    buffer = saved;
                }
            }
        }
        close(handle);
    };
    walk(walk, nullptr);
    return {computers, static_cast<long>(GetTickCount() - begin)};
}

}  // namespace

int main() {
    ScriptedNetwork network;
    if (!network.registered()) {
        std::printf("the stand-in network provider could not be registered\n");
        return 1;
    }
    delete_stored_options();
    store_dword("cone", 0);
    std::printf("network scan through the real tree view (%d workgroups):\n", kWorkgroups);
    for (int computers : {500, 5000, 20000}) {
        network.write("generate " + std::to_string(computers) + " " + std::to_string(kWorkgroups) +
                      "\n");
        ProgramDriver program;
        if (!program.start() || !program.wait_ready(20000)) {
            std::printf("the program did not start\n");
            return 1;
        }
        const long first = timed_scan(program);
        std::vector<long> rescans;
        for (int i = 0; i < kRescans; ++i)
            rescans.push_back(timed_scan(program));
        std::sort(rescans.begin(), rescans.end());
        const long again = rescans.front() < 0 ? -1 : rescans[kRescans / 2];
        HWND tree = GetDlgItem(program.main_window(), IDC_NETWORK_TREE);
        const long items = static_cast<long>(SendMessageA(tree, TVM_GETCOUNT, 0, 0));
        const auto [found, bare] = bare_enumeration();
        std::printf(
            "  %6d computers: first scan %4ld ms, unchanged rescan %4ld ms (median of %d), "
            "%ld entries; WNet alone: %d computers in %ld ms\n",
            computers, first, again, kRescans, items, found, bare);
        program.post_command(IDM_EXIT);
        if (!program.wait_exit(10000)) return 1;
        if (first < 0 || again < 0 || items != computers + kWorkgroups) return 1;
    }
    return 0;
}
