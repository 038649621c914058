// The message journal: the kept messages in an append-only file that is
// replayed at start and compacted by writing a new file that replaces the old
// one in one step (portable; the file system is behind JournalDisk).
#pragma once

#include <cstddef>
#include <cstdint>
#include <map>
#include <string>
#include <string_view>
#include <vector>

#include "journal/journal_format.h"

// What the journal needs of the file system. Names are plain file names in
// the journal's folder. The program's is the Win32 one; tests bring a fake
// that fails or stops part-way.
class JournalDisk {
public:
    enum class Read { ok, missing, failed };

    virtual ~JournalDisk() = default;
    virtual Read read(const std::string& name, std::string& bytes) = 0;
    virtual bool exists(const std::string& name) = 0;
    // Writes at the end of the file, creating it; how many bytes were written
    // (fewer than given when the disk fails part-way).
    virtual size_t append(const std::string& name, std::string_view bytes) = 0;
    virtual bool truncate(const std::string& name, uint64_t size) = 0;
    // Creates or empties the file, writes all of `bytes` and flushes them.
    virtual bool write_whole(const std::string& name, std::string_view bytes) = 0;
    // Puts `from` in place of `to`: in one step where the system can, else
    // by deleting `to` first.
    virtual bool replace(const std::string& from, const std::string& to) = 0;
    // Fails when `to` exists.
    virtual bool rename(const std::string& from, const std::string& to) = 0;
    virtual bool remove(const std::string& name) = 0;
    // Asks the system to put what was appended on the disk itself.
    virtual void flush(const std::string& name) = 0;
};

inline constexpr char kJournalName[] = "Messages.journal";
inline constexpr char kJournalReplacementName[] = "Messages.journal.new";
// The oldest kept messages go past this many.
inline constexpr size_t kKeptMessagesCap = 50000;
// A deleted message leaves the disk by compaction this long after the delete.
inline constexpr uint64_t kDeleteCompactionDelayMs = 2000;
inline constexpr uint64_t kDeadBytesSlack = 1024 * 1024;

class Journal {
public:
    explicit Journal(JournalDisk& disk, size_t cap = kKeptMessagesCap);

    struct Opened {
        std::vector<JournalMessage> messages;  // oldest first
        std::string problem;                   // to tell the user once; empty when none
    };
    // Finishes an interrupted compaction, reads the journal, sets aside a file
    // that is not a journal of this version, and rewrites a damaged one.
    Opened open();

    // Each records one change; nothing once a write has failed. add answers
    // the message's id, 0 when it is not kept.
    uint64_t add(JournalMessage message);
    void set_state(uint64_t id, uint8_t state);
    void set_all_read();
    void remove(uint64_t id);
    void remove_all();

    // Whether deleted messages or dead records wait to be compacted away:
    // a delete once it is kDeleteCompactionDelayMs old (counted from the first
    // call that saw it), dead records once they outweigh the live ones by
    // kDeadBytesSlack. `now_ms` from any steady clock.
    bool compaction_due(uint64_t now_ms);
    bool compact();

    // Deletes the journal and writes nothing more.
    void discard();

    bool working() const { return opened_ && !failed_; }
    // True once, after the first write that failed.
    bool take_write_failure();
    size_t kept_count() const { return live_.size(); }
    uint64_t file_size() const { return file_size_; }

private:
    bool write(std::string_view bytes);
    // Writes a new file holding `messages` and puts it in the journal's place.
    bool rewrite(const std::vector<JournalMessage>& messages);
    std::string set_aside();

    JournalDisk& disk_;
    size_t cap_;
    bool opened_ = false;
    bool failed_ = false;
    bool failure_reported_ = false;
    std::map<uint64_t, uint32_t> live_;  // kept message id -> its record's size
    uint64_t live_bytes_ = 0;
    uint64_t file_size_ = 0;
    uint64_t next_id_ = 1;
    bool delete_pending_ = false;
    bool delete_seen_ = false;
    uint64_t delete_seen_ms_ = 0;
};
