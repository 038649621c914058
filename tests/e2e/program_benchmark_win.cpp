// Figures of the real program under Wine: the time from start to a ready
// main window (prefix warm), empty and with 50,000 kept messages; a burst of
// 10,000 messages without and with the kept messages' journal, the memory
// after it and the journal's size (Windows only; run by tools/benchmarks,
// prints its figures).
#include <windows.h>
#include <psapi.h>

#include <algorithm>
#include <cstdlib>
#include <cstdio>
#include <optional>
#include <string>
#include <vector>

#include "e2e/program_driver_win.h"
#include "journal/journal.h"
#include "resources/resource.h"

namespace {

constexpr int kStarts = 5;

bool stop(ProgramDriver& program) {
    program.post_command(IDM_EXIT);
    return program.wait_exit(10000).has_value();
}

// Lists `count` messages written in one burst; the time from the first write
// to the last row, or nothing when the program did not list them all.
std::optional<DWORD> burst(ProgramDriver& program, int count) {
    // One handle for the whole burst: opening the mailslot is the slow part.
    UniqueFile slot(CreateFileA("\\\\.\\mailslot\\messngr", GENERIC_WRITE, FILE_SHARE_READ, nullptr,
                                OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
    const DWORD start = GetTickCount();
    for (int i = 0; i < count; ++i) {
        const std::string bytes = datagram("SENDER" + std::to_string(i % 50), "RECEIVER",
                                           "benchmark message number " + std::to_string(i));
        DWORD written = 0;
        if (!WriteFile(slot.get(), bytes.data(), static_cast<DWORD>(bytes.size()), &written,
                       nullptr)) {
            std::printf("write %d failed\n", i);
            return std::nullopt;
        }
    }
    const std::string listed = "Message(s): " + std::to_string(count);
    if (!program.wait_until([&] { return program.status_text(0) == listed; }, 300000)) {
        std::printf("only %s listed\n", program.status_text(0).c_str());
        return std::nullopt;
    }
    return GetTickCount() - start;
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

    // The same burst without and with the kept messages' journal.
    std::optional<DWORD> listing_ms[2];
    unsigned long long cpu_ms[2] = {};
    for (const int keep : {0, 1}) {
        delete_stored_options();
        store_dword("cone", 0);
        store_dword("keepmsgs", keep);
        ProgramDriver program;
        if (!program.start() || !program.wait_ready(20000)) return 1;
        PROCESS_MEMORY_COUNTERS before{};
        GetProcessMemoryInfo(program.process(), &before, sizeof before);
        listing_ms[keep] = burst(program, kMessages);
        if (!listing_ms[keep]) return 1;
        PROCESS_MEMORY_COUNTERS after{};
        GetProcessMemoryInfo(program.process(), &after, sizeof after);
        FILETIME created, ended, kernel, user;
        GetProcessTimes(program.process(), &created, &ended, &kernel, &user);
        const auto ms = [](const FILETIME& t) {
            return ((static_cast<unsigned long long>(t.dwHighDateTime) << 32) | t.dwLowDateTime) /
                   10000;
        };
        cpu_ms[keep] = ms(kernel) + ms(user);
        std::printf(
            "messages kept after exit %s: %d messages listed after %lu ms (program CPU "
            "%llu ms)\n",
            keep ? "on" : "off", kMessages, *listing_ms[keep], cpu_ms[keep]);
        if (!keep) {
            std::printf("memory with an empty list: working set %lu KiB, private bytes %lu KiB\n",
                        before.WorkingSetSize / 1024, before.PagefileUsage / 1024);
            std::printf("memory with %d messages: working set %lu KiB, private bytes %lu KiB\n",
                        kMessages, after.WorkingSetSize / 1024, after.PagefileUsage / 1024);
        }
        if (!stop(program)) return 1;
    }
    // Wine's mailslot sets the burst's pace, so the program's own time tells more.
    std::printf(
        "the journal's cost in the burst: %.2f times the time without it, %.2f times the "
        "program's CPU time without it\n",
        static_cast<double>(*listing_ms[1]) / std::max<DWORD>(1, *listing_ms[0]),
        static_cast<double>(cpu_ms[1]) / std::max<unsigned long long>(1, cpu_ms[0]));
    WIN32_FILE_ATTRIBUTE_DATA journal{};
    if (GetFileAttributesExA(kept_messages_path().c_str(), GetFileExInfoStandard, &journal)) {
        std::printf("the journal's size: %lu bytes for %d messages, %.1f bytes a message\n",
                    journal.nFileSizeLow, kMessages,
                    static_cast<double>(journal.nFileSizeLow) / kMessages);
    }

    // Start with the most messages the journal keeps, written straight into it.
    delete_stored_options();
    store_dword("cone", 0);
    std::string file = journal_header();
    for (size_t i = 0; i < kKeptMessagesCap; ++i) {
        JournalMessage message;
        message.id = i + 1;
        message.arrived = 1800000000 + static_cast<int64_t>(i);
        message.state = i % 3 == 0 ? 0 : 1;
        message.from = "SENDER" + std::to_string(i % 50);
        message.to = "RECEIVER";
        message.text = "kept message number " + std::to_string(i);
        append_added(file, message);
    }
    {
        UniqueFile out(CreateFileA(kept_messages_path().c_str(), GENERIC_WRITE, 0, nullptr,
                                   CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr));
        DWORD written = 0;
        if (!out || !WriteFile(out.get(), file.data(), static_cast<DWORD>(file.size()), &written,
                               nullptr)) {
            std::printf("the journal could not be written\n");
            return 1;
        }
    }
    std::vector<DWORD> kept_ready_ms;
    for (int i = 0; i < 3; ++i) {
        ProgramDriver program;
        const DWORD start = GetTickCount();
        if (!program.start() || !program.wait_ready(60000)) return 1;
        kept_ready_ms.push_back(GetTickCount() - start);
        if (program.row_count() != static_cast<int>(kKeptMessagesCap)) {
            std::printf("only %d of the kept messages listed\n", program.row_count());
            return 1;
        }
        if (!stop(program)) return 1;
    }
    std::sort(kept_ready_ms.begin(), kept_ready_ms.end());
    std::printf(
        "start to main window ready with %zu kept messages: median %lu ms, best %lu ms, "
        "worst %lu ms (3 starts)\n",
        kKeptMessagesCap, kept_ready_ms[1], kept_ready_ms.front(), kept_ready_ms.back());
    delete_stored_options();
    return 0;
}
