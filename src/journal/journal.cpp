// The message journal: replay at start, appends, compaction (portable).
#include "journal/journal.h"

#include <utility>

namespace {

constexpr char kAsideName[] = "Messages.journal.unreadable";
constexpr int kAsideAttempts = 100;

}  // namespace

Journal::Journal(JournalDisk& disk, size_t cap) : disk_(disk), cap_(cap == 0 ? 1 : cap) {}

Journal::Opened Journal::open() {
    Opened opened;
    opened_ = false;
    failed_ = false;
    live_.clear();
    live_bytes_ = 0;
    delete_pending_ = delete_seen_ = false;

    // A compaction that stopped part-way left either the old file whole (the
    // replacement may be partial: it goes) or, where replacing takes two
    // steps, only the finished replacement.
    if (disk_.exists(kJournalName)) {
        if (disk_.exists(kJournalReplacementName)) disk_.remove(kJournalReplacementName);
    } else if (disk_.exists(kJournalReplacementName)) {
        disk_.rename(kJournalReplacementName, kJournalName);
    }

    std::string bytes;
    const JournalDisk::Read read = disk_.read(kJournalName, bytes);
    if (read == JournalDisk::Read::failed) {
        opened.problem = "The kept messages cannot be read; new messages are kept in memory only.";
        failed_ = true;
        return opened;
    }
    JournalScan scan = scan_journal(bytes, cap_);
    bytes.clear();
    if (scan.kind == JournalScan::Kind::newer || scan.kind == JournalScan::Kind::foreign) {
        opened.problem = set_aside();
        if (!opened.problem.empty() && !disk_.exists(kJournalName) && rewrite({})) {
            opened_ = true;
            return opened;
        }
        opened.problem =
            "The file of kept messages cannot be used or set aside; new messages are "
            "kept in memory only.";
        failed_ = true;
        return opened;
    }

    next_id_ = scan.next_id;
    opened.messages.reserve(scan.messages.size());
    for (auto& [id, message] : scan.messages)
        opened.messages.push_back(std::move(message));
    if (scan.damaged_middle) {
        opened.problem =
            "Part of the file of kept messages was damaged; the messages in it are lost.";
    }

    // A damaged or missing journal is written afresh: appends must follow a
    // record that checks out, and the damage must not be read again.
    if (scan.kind == JournalScan::Kind::empty || scan.skipped_bytes != 0 ||
        read == JournalDisk::Read::missing) {
        if (!rewrite(opened.messages)) {
            failed_ = true;
            opened.problem =
                "The file of kept messages cannot be written; new messages are kept "
                "in memory only.";
        }
        opened_ = !failed_;
        return opened;
    }

    file_size_ = scan.good_end;
    for (const JournalMessage& message : opened.messages) {
        const size_t size = added_record_size(message);
        live_.emplace_hint(live_.end(), message.id, static_cast<uint32_t>(size));
        live_bytes_ += size;
    }
    opened_ = true;
    return opened;
}

bool Journal::rewrite(const std::vector<JournalMessage>& messages) {
    std::string bytes = journal_header();
    std::map<uint64_t, uint32_t> sizes;
    uint64_t total = 0;
    for (const JournalMessage& message : messages) {
        const size_t before = bytes.size();
        if (!append_added(bytes, message)) continue;
        sizes[message.id] = static_cast<uint32_t>(bytes.size() - before);
        total += bytes.size() - before;
    }
    if (!disk_.write_whole(kJournalReplacementName, bytes) ||
        !disk_.replace(kJournalReplacementName, kJournalName)) {
        disk_.remove(kJournalReplacementName);
        return false;
    }
    live_ = std::move(sizes);
    live_bytes_ = total;
    file_size_ = bytes.size();
    delete_pending_ = delete_seen_ = false;
    return true;
}

std::string Journal::set_aside() {
    for (int n = 0; n < kAsideAttempts; ++n) {
        std::string name = kAsideName;
        if (n > 0) name += "." + std::to_string(n);
        if (disk_.exists(name)) continue;
        if (!disk_.rename(kJournalName, name)) return {};
        return "The file of kept messages was written by a newer version of the program or is not "
               "one at all. It was left as it is, renamed " +
               name + ", and the list starts empty.";
    }
    return {};
}

bool Journal::write(std::string_view bytes) {
    if (!working()) return false;
    const size_t written = disk_.append(kJournalName, bytes);
    if (written == bytes.size()) {
        file_size_ += written;
        return true;
    }
    // Cut the partial record, so the file ends on a whole one even before
    // the next start would cut it.
    if (written > 0) disk_.truncate(kJournalName, file_size_);
    failed_ = true;
    return false;
}

uint64_t Journal::add(JournalMessage message) {
    if (!working()) return 0;
    if (live_.size() >= cap_) remove(live_.begin()->first);
    message.id = next_id_;
    std::string record;
    if (!append_added(record, message) || !write(record)) return 0;
    ++next_id_;
    live_[message.id] = static_cast<uint32_t>(record.size());
    live_bytes_ += record.size();
    return message.id;
}

void Journal::set_state(uint64_t id, uint8_t state) {
    if (!working() || !live_.contains(id) || state > 2) return;
    std::string record;
    append_state(record, id, state);
    write(record);
}

void Journal::set_all_read() {
    if (!working() || live_.empty()) return;
    std::string record;
    append_all_read(record);
    write(record);
}

void Journal::remove(uint64_t id) {
    auto it = live_.find(id);
    if (!working() || it == live_.end()) return;
    std::string record;
    append_deleted(record, id);
    if (!write(record)) return;
    live_bytes_ -= it->second;
    live_.erase(it);
    delete_pending_ = true;
}

void Journal::remove_all() {
    if (!working()) return;
    std::string record;
    append_deleted_all(record);
    if (!write(record)) return;
    live_.clear();
    live_bytes_ = 0;
    compact();  // nothing is left to copy: only a header is written
}

bool Journal::compaction_due(uint64_t now_ms) {
    if (!working()) return false;
    const uint64_t dead = file_size_ - kJournalHeaderSize - live_bytes_;
    if (dead > live_bytes_ + kDeadBytesSlack) return true;
    if (!delete_pending_) return false;
    if (!delete_seen_) {
        delete_seen_ = true;
        delete_seen_ms_ = now_ms;
    }
    return now_ms - delete_seen_ms_ >= kDeleteCompactionDelayMs;
}

bool Journal::compact() {
    if (!opened_ || failed_) return false;
    std::vector<JournalMessage> kept;
    if (!live_.empty()) {
        std::string bytes;
        if (disk_.read(kJournalName, bytes) != JournalDisk::Read::ok) return false;
        JournalScan scan = scan_journal(bytes, cap_);
        kept.reserve(live_.size());
        for (auto& [id, message] : scan.messages)
            if (live_.contains(id)) kept.push_back(std::move(message));
    }
    return rewrite(kept);
}

void Journal::discard() {
    disk_.remove(kJournalName);
    disk_.remove(kJournalReplacementName);
    live_.clear();
    live_bytes_ = 0;
    opened_ = false;
}

bool Journal::take_write_failure() {
    if (!failed_ || !opened_ || failure_reported_) return false;
    failure_reported_ = true;
    return true;
}
