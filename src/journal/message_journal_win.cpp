// The program's message journal (Windows only).
#include "journal/message_journal_win.h"

#include <windows.h>

#include <atomic>
#include <memory>
#include <unordered_map>
#include <utility>

#include "core/handles_win.h"
#include "core/lock.h"
#include "core/program_name.h"
#include "journal/journal.h"
#include "journal/journal_disk_win.h"

namespace {

constexpr DWORD kFlushIntervalMs = 250;
constexpr DWORD kStopTimeoutMs = 5000;
constexpr char kWriteFailed[] =
    "The kept messages can no longer be written (the disk is full or cannot be written). "
    "Messages go on being listed, but only in memory: they will not be there after the "
    "program ends.";

struct MessageJournal {
    Lock lock;  // the journal, between this thread and the journal's own
    std::unique_ptr<Win32JournalDisk> disk;
    std::unique_ptr<Journal> journal;
    std::vector<JournalMessage> kept;
    std::unordered_map<const MessageRecord*, uint64_t> ids;  // user-interface thread only
    std::atomic<bool> dirty{false};
    UniqueHandle stop_event;
    UniqueHandle thread;
};

MessageJournal g;

// Flushes what was appended and compacts when it is due; warns once when a
// write has failed.
DWORD WINAPI journal_thread(void*) {
    while (WaitForSingleObject(g.stop_event.get(), kFlushIntervalMs) == WAIT_TIMEOUT) {
        if (g.dirty.exchange(false)) g.disk->flush(kJournalName);
        bool warn;
        {
            ScopedLock hold(g.lock);
            if (g.journal->compaction_due(GetTickCount())) g.journal->compact();
            warn = g.journal->take_write_failure();
        }
        if (warn)
            MessageBoxA(nullptr, kWriteFailed, kProgramTitle, MB_ICONWARNING | MB_SETFOREGROUND);
    }
    return 0;
}

uint64_t id_of(const MessageRecord* record) {
    const auto it = g.ids.find(record);
    return it == g.ids.end() ? 0 : it->second;
}

JournalMessage journal_message(const MessageRecord& record, int image) {
    JournalMessage message;
    message.arrived = record.arrived;
    message.state = static_cast<uint8_t>(image >= 0 && image <= 2 ? image : 0);
    message.from = record.from;
    message.to = record.to;
    message.text = record.text;
    return message;
}

// Opens the journal and starts its thread; the problem to tell, if any.
std::string open_journal(bool fresh) {
    g.disk = std::make_unique<Win32JournalDisk>(journal_folder());
    g.journal = std::make_unique<Journal>(*g.disk);
    if (fresh) g.journal->discard();
    Journal::Opened opened = g.journal->open();
    g.kept = std::move(opened.messages);
    if (g.journal->working()) {
        g.stop_event.reset(CreateEventA(nullptr, TRUE, FALSE, nullptr));
        if (g.stop_event)
            g.thread.reset(CreateThread(nullptr, 0, journal_thread, nullptr, 0, nullptr));
    }
    return opened.problem;
}

void mark_dirty() {
    g.dirty = true;
}

}  // namespace

std::string journal_start(bool keep) {
    if (keep) return open_journal(false);
    // Nothing is created for a user who keeps nothing.
    Win32JournalDisk disk(journal_folder(false));
    Journal(disk).discard();
    return {};
}

void journal_stop() {
    if (!g.journal) return;
    if (g.thread) {
        SetEvent(g.stop_event.get());
        WaitForSingleObject(g.thread.get(), kStopTimeoutMs);
        g.thread.reset();
    }
    ScopedLock hold(g.lock);
    if (g.journal->compaction_due(~uint64_t{0})) g.journal->compact();
    g.disk->flush(kJournalName);
    g.journal.reset();
    g.disk.reset();
    g.ids.clear();
}

bool journal_open() {
    return g.journal && g.journal->working();
}

std::vector<JournalMessage> journal_take_kept() {
    return std::exchange(g.kept, {});
}

void journal_row_restored(const MessageRecord* record, uint64_t id) {
    if (g.journal && record) g.ids[record] = id;
}

void journal_row_listed(const MessageRecord* record) {
    if (!g.journal || !record) return;
    uint64_t id;
    {
        ScopedLock hold(g.lock);
        id = g.journal->add(journal_message(*record, 0));
    }
    if (id) g.ids[record] = id;
    mark_dirty();
}

void journal_read_state(const MessageRecord* record, int image) {
    if (!g.journal) return;
    if (const uint64_t id = id_of(record)) {
        ScopedLock hold(g.lock);
        g.journal->set_state(id, static_cast<uint8_t>(image));
    }
    mark_dirty();
}

void journal_all_read() {
    if (!g.journal) return;
    {
        ScopedLock hold(g.lock);
        g.journal->set_all_read();
    }
    mark_dirty();
}

void journal_row_deleted(const MessageRecord* record) {
    if (!g.journal) return;
    const auto it = g.ids.find(record);
    if (it == g.ids.end()) return;
    {
        ScopedLock hold(g.lock);
        g.journal->remove(it->second);
    }
    g.ids.erase(it);
    mark_dirty();
}

void journal_all_deleted() {
    if (!g.journal) return;
    {
        ScopedLock hold(g.lock);
        g.journal->remove_all();
    }
    g.ids.clear();
}

void journal_keep_changed(bool keep, const std::vector<JournalRow>& rows_oldest_first) {
    if (keep == (g.journal != nullptr)) return;
    if (!keep) {
        journal_stop();
        journal_start(false);
        return;
    }
    const std::string problem = open_journal(true);
    g.kept.clear();
    if (!problem.empty()) MessageBoxA(nullptr, problem.c_str(), kProgramTitle, MB_ICONWARNING);
    for (const JournalRow& row : rows_oldest_first) {
        if (!row.record) continue;
        uint64_t id;
        {
            ScopedLock hold(g.lock);
            id = g.journal->add(journal_message(*row.record, row.image));
        }
        if (id) g.ids[row.record] = id;
    }
    mark_dirty();
}
