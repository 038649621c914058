// The message journal's file format: a header, then framed records that each
// carry their length and checksum, and the reader that replays them into the
// list of kept messages (portable).
#pragma once

#include <cstddef>
#include <cstdint>
#include <map>
#include <optional>
#include <string>
#include <string_view>

// A kept message. `state` is the list's picture: 0 unread, 1 read, 2 answered.
struct JournalMessage {
    uint64_t id = 0;      // stable for the message's life, across restarts and compactions
    int64_t arrived = 0;  // seconds since 1970-01-01 UTC
    uint8_t state = 0;
    std::optional<std::string> from, to, text;

    bool operator==(const JournalMessage&) const = default;
};

inline constexpr uint32_t kJournalVersion = 1;
inline constexpr size_t kJournalHeaderSize = 16;
// Each record: payload length (4 bytes), CRC-32 of the payload (4), payload.
inline constexpr size_t kRecordFrameSize = 8;
// No message comes near this; a larger length field is damage.
inline constexpr uint32_t kMaxRecordPayload = 256 * 1024;

// The IEEE 802.3 CRC-32 (the one of zip and PNG).
uint32_t crc32(std::string_view bytes);

// The file's first bytes: magic "QVAJOURN", the version, four zero bytes.
std::string journal_header();

// Each appends one framed record to `out`. A message whose record would be
// larger than kMaxRecordPayload appends nothing and answers false.
bool append_added(std::string& out, const JournalMessage& message);
// The size of the record append_added writes for `message`, frame included.
size_t added_record_size(const JournalMessage& message);
void append_state(std::string& out, uint64_t id, uint8_t state);
void append_all_read(std::string& out);
void append_deleted(std::string& out, uint64_t id);
void append_deleted_all(std::string& out);

struct JournalScan {
    enum class Kind {
        empty,    // no bytes, or only part of a header (a crash while creating it)
        journal,  // a journal of this version
        newer,    // a journal of a later version
        foreign,  // not a journal
    };
    Kind kind = Kind::empty;
    // The live messages by id; ids grow with arrival, so this is oldest first.
    std::map<uint64_t, JournalMessage> messages;
    uint64_t next_id = 1;
    size_t good_end = 0;          // the end of the last record that checked out
    size_t skipped_bytes = 0;     // bytes that did not check out, wherever they were
    bool damaged_middle = false;  // good records followed damaged bytes
};

// Replays the records in order; past `cap` live messages the oldest go. A
// record that does not check out (length, checksum, contents) is skipped by
// looking for the next position where a whole record checks out: a torn tail
// is cut off, and a flipped bit costs only the record it is in.
JournalScan scan_journal(std::string_view bytes, size_t cap);
