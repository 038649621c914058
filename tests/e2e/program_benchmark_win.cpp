// Figures of the real program under Wine: the time from start to a ready
// main window (prefix warm), and its memory after 10,000 listed messages
// (Windows only; run by tools/benchmarks, prints its figures).
#include <windows.h>
#include <psapi.h>

#include <algorithm>
#include <cstdlib>
#include <cstdio>
#include <string>
#include <vector>

#include "e2e/program_driver_win.h"
#include "resources/resource.h"

namespace {

constexpr int kStarts = 5;

bool stop(ProgramDriver& program) {
    program.post_command(IDM_EXIT);
    return program.wait_exit(10000).has_value();
}

}  // namespace

int main() {
    // QVA_BENCH_MESSAGES lets a quick run list fewer messages.
    char count_text[16] = {};
    const int kMessages =
        GetEnvironmentVariableA("QVA_BENCH_MESSAGES", count_text, sizeof count_text)
            ? std::max(1, std::atoi(count_text))
            : 10000;
    delete_stored_options();
    store_dword("cone", 0);

    std::vector<DWORD> ready_ms;
    for (int i = 0; i < kStarts; ++i) {
        ProgramDriver program;
        const DWORD start = GetTickCount();
        if (!program.start() || !program.wait_ready(20000)) {
            std::printf("the program did not start\n");
            return 1;
        }
        ready_ms.push_back(GetTickCount() - start);
        if (!stop(program)) return 1;
    }
    std::sort(ready_ms.begin(), ready_ms.end());
    std::printf(
        "start to main window ready: median %lu ms, best %lu ms, worst %lu ms (%d starts)\n",
        ready_ms[kStarts / 2], ready_ms.front(), ready_ms.back(), kStarts);

    ProgramDriver program;
    if (!program.start() || !program.wait_ready(20000)) return 1;
    PROCESS_MEMORY_COUNTERS before{};
    GetProcessMemoryInfo(program.process(), &before, sizeof before);

    // One handle for the whole burst: opening the mailslot is the slow part.
    UniqueFile slot(CreateFileA("\\\\.\\mailslot\\messngr", GENERIC_WRITE, FILE_SHARE_READ, nullptr,
                                OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
    const DWORD start = GetTickCount();
    for (int i = 0; i < kMessages; ++i) {
        const std::string bytes = datagram("SENDER" + std::to_string(i % 50), "RECEIVER",
                                           "benchmark message number " + std::to_string(i));
        DWORD written = 0;
        if (!WriteFile(slot.get(), bytes.data(), static_cast<DWORD>(bytes.size()), &written,
                       nullptr)) {
            std::printf("write %d failed\n", i);
            return 1;
        }
    }
    const DWORD written_ms = GetTickCount() - start;
    const std::string listed = "Message(s): " + std::to_string(kMessages);
    if (!program.wait_until([&] { return program.status_text(0) == listed; }, 120000)) {
        std::printf("only %s listed\n", program.status_text(0).c_str());
        return 1;
    }
    const DWORD listing_ms = GetTickCount() - start;
    PROCESS_MEMORY_COUNTERS after{};
    GetProcessMemoryInfo(program.process(), &after, sizeof after);
    FILETIME created, ended, kernel, user;
    GetProcessTimes(program.process(), &created, &ended, &kernel, &user);
    const auto ms = [](const FILETIME& t) {
        return ((static_cast<unsigned long long>(t.dwHighDateTime) << 32) | t.dwLowDateTime) /
               10000;
    };
    std::printf("%d messages written in %lu ms, all listed after %lu ms (program CPU %llu ms)\n",
                kMessages, written_ms, listing_ms, ms(kernel) + ms(user));
    std::printf("memory with an empty list: working set %lu KiB, private bytes %lu KiB\n",
                before.WorkingSetSize / 1024, before.PagefileUsage / 1024);
    std::printf("memory with %d messages: working set %lu KiB, private bytes %lu KiB\n", kMessages,
                after.WorkingSetSize / 1024, after.PagefileUsage / 1024);
    return stop(program) ? 0 : 1;
}
