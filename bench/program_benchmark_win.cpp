// Figures of the real program under Wine: the time from start to a ready
// main window (prefix warm), empty and with 50,000 kept messages; a burst of
// 10,000 datagrams from the first written to the last row listed (rows and
// counts checked), beside what a plain list view takes for rows inserted with
// a repaint each and with one repaint per run; the program's memory after the
// burst; the same burst with the kept messages' journal, its cost and size
// (Windows only; run by tools/benchmarks, prints its figures).
#include <windows.h>
#include <commctrl.h>
#include <psapi.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <optional>
#include <string>
#include <vector>

#include "journal/journal.h"
#include "resources/resource.h"
#include "support/program_driver_win.h"

namespace {

constexpr int kStarts = 5;

bool stop(ProgramDriver& program) {
    program.post_command(IDM_EXIT);
    return program.wait_exit(10000).has_value();
}

// Milliseconds for `rows` rows inserted at the top of a three-column list
// view, repainted after every `per_repaint` rows (redraw off in between).
double list_view_inserts(int rows, int per_repaint) {
    HWND list = CreateWindowExA(0, WC_LISTVIEWA, "", WS_OVERLAPPEDWINDOW | WS_VISIBLE | LVS_REPORT,
                                0, 0, 500, 300, nullptr, nullptr, nullptr, nullptr);
    if (!list) return -1;
    for (int column = 0; column < 3; ++column) {
        LVCOLUMNA c{};
        c.mask = LVCF_WIDTH | LVCF_TEXT;
        c.cx = 150;
        c.pszText = const_cast<char*>("column");
        SendMessageA(list, LVM_INSERTCOLUMNA, column, reinterpret_cast<LPARAM>(&c));
    }
    UpdateWindow(list);
    LARGE_INTEGER frequency, start, end;
    QueryPerformanceFrequency(&frequency);
    QueryPerformanceCounter(&start);
    for (int i = 0; i < rows; ++i) {
        if (per_repaint > 1 && i % per_repaint == 0) SendMessageA(list, WM_SETREDRAW, FALSE, 0);
        std::string text = "SENDER" + std::to_string(i);
        LVITEMA item{};
        item.mask = LVIF_TEXT;
        item.pszText = text.data();
        SendMessageA(list, LVM_INSERTITEMA, 0, reinterpret_cast<LPARAM>(&item));
        if (per_repaint == 1 || i % per_repaint == per_repaint - 1 || i == rows - 1) {
            if (per_repaint > 1) SendMessageA(list, WM_SETREDRAW, TRUE, 0);
            InvalidateRect(list, nullptr, TRUE);
            UpdateWindow(list);
        }
    }
    QueryPerformanceCounter(&end);
    DestroyWindow(list);
    return 1000.0 * static_cast<double>(end.QuadPart - start.QuadPart) /
           static_cast<double>(frequency.QuadPart);
}

// Row k (newest first) holds the sender of datagram count-1-k.
bool rows_in_order(const std::vector<ListRow>& rows, int count) {
    if (static_cast<int>(rows.size()) != count) return false;
    for (int k = 0; k < count; ++k) {
        if (rows[k].from != "S" + std::to_string(count - 1 - k) || rows[k].image != 0) {
            std::printf("row %d is %s\n", k, rows[k].from.c_str());
            return false;
        }
    }
    return true;
}

struct Burst {
    DWORD written_ms = 0, listed_ms = 0;
    unsigned long long cpu_ms = 0;  // the program's, from its start
};

// Writes `count` datagrams into the program's mailslot in one burst and waits
// for the last row; nothing when the rows, their order or the counts are wrong.
std::optional<Burst> burst(ProgramDriver& program, int count) {
    // One handle for the whole burst: opening the mailslot is the slow part.
    UniqueFile slot(CreateFileA("\\\\.\\mailslot\\messngr", GENERIC_WRITE, FILE_SHARE_READ, nullptr,
                                OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
    Burst result;
    const DWORD start = GetTickCount();
    for (int i = 0; i < count; ++i) {
        const std::string bytes = datagram("S" + std::to_string(i), "RECEIVER",
                                           "benchmark message number " + std::to_string(i));
        DWORD written = 0;
        if (!WriteFile(slot.get(), bytes.data(), static_cast<DWORD>(bytes.size()), &written,
                       nullptr)) {
            std::printf("write %d failed\n", i);
            return std::nullopt;
        }
    }
    result.written_ms = GetTickCount() - start;
    if (!wait_until([&] { return program.row_count() == count; }, 300000)) {
        std::printf("only %s listed\n", program.status_text(0).c_str());
        return std::nullopt;
    }
    result.listed_ms = GetTickCount() - start;
    FILETIME created, ended, kernel, user;
    GetProcessTimes(program.process(), &created, &ended, &kernel, &user);
    const auto ms = [](const FILETIME& t) {
        return ((static_cast<unsigned long long>(t.dwHighDateTime) << 32) | t.dwLowDateTime) /
               10000;
    };
    result.cpu_ms = ms(kernel) + ms(user);
    const std::string listed = "Message(s): " + std::to_string(count);
    const std::string unread = "Unread message(s): " + std::to_string(count);
    const bool in_order = rows_in_order(program.rows(), count);
    std::printf("  every row present and in order: %s; status bar: %s, %s\n",
                in_order ? "yes" : "NO", program.status_text(0).c_str(),
                program.status_text(1).c_str());
    if (!in_order || program.status_text(0) != listed || program.status_text(1) != unread)
        return std::nullopt;
    return result;
}

}  // namespace

int main() {
    // QVA_BENCH_MESSAGES lets a quick run list fewer messages; QVA_BENCH_NO_LIST skips
    // the plain list view comparison.
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

    std::optional<Burst> without, with;
    {
        store_dword("keepmsgs", 0);
        ProgramDriver program;
        if (!program.start() || !program.wait_ready(20000)) return 1;
        PROCESS_MEMORY_COUNTERS before{};
        GetProcessMemoryInfo(program.process(), &before, sizeof before);
        without = burst(program, kMessages);
        if (!without) return 1;
        std::printf(
            "burst of %d datagrams: written in %lu ms, the last row listed after %lu ms (program "
            "CPU %llu ms)\n",
            kMessages, without->written_ms, without->listed_ms, without->cpu_ms);
        PROCESS_MEMORY_COUNTERS after{};
        GetProcessMemoryInfo(program.process(), &after, sizeof after);
        std::printf("memory with an empty list: working set %lu KiB, private bytes %lu KiB\n",
                    before.WorkingSetSize / 1024, before.PagefileUsage / 1024);
        std::printf("memory with %d messages: working set %lu KiB, private bytes %lu KiB\n",
                    kMessages, after.WorkingSetSize / 1024, after.PagefileUsage / 1024);
        if (!stop(program)) return 1;
    }
    {
        delete_stored_options();
        store_dword("cone", 0);
        store_dword("keepmsgs", 1);
        ProgramDriver program;
        if (!program.start() || !program.wait_ready(20000)) return 1;
        with = burst(program, kMessages);
        if (!with) return 1;
        if (!stop(program)) return 1;
    }
    // Wine's mailslot sets the burst's pace, so the program's own time tells more.
    std::printf(
        "the same burst with messages kept after exit: last row after %lu ms (program CPU %llu "
        "ms): %.2f times the time without the journal, %.2f times the program's CPU time\n",
        with->listed_ms, with->cpu_ms,
        static_cast<double>(with->listed_ms) / std::max<DWORD>(1, without->listed_ms),
        static_cast<double>(with->cpu_ms) / std::max<unsigned long long>(1, without->cpu_ms));
    WIN32_FILE_ATTRIBUTE_DATA journal{};
    if (GetFileAttributesExA(kept_messages_path().c_str(), GetFileExInfoStandard, &journal)) {
        std::printf("the journal's size: %lu bytes for %d messages, %.1f bytes a message\n",
                    journal.nFileSizeLow, kMessages,
                    static_cast<double>(journal.nFileSizeLow) / kMessages);
    }

    constexpr int kListRows = 500;
    if (!GetEnvironmentVariableA("QVA_BENCH_NO_LIST", nullptr, 0)) {
        const double each = list_view_inserts(kListRows, 1);
        const double runs = list_view_inserts(kListRows, 256);
        std::printf(
            "plain list view, %d rows at the top: a repaint per insert %.0f ms (%.2f ms a row), "
            "one repaint per 256 %.0f ms (%.3f ms a row): %.0fx\n",
            kListRows, each, each / kListRows, runs, runs / kListRows,
            runs > 0 ? each / runs : 0.0);
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
