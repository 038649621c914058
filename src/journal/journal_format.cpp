// The message journal's records and their reader (portable).
#include "journal/journal_format.h"

#include <array>
#include <cstring>

namespace {

constexpr char kMagic[8] = {'Q', 'V', 'A', 'J', 'O', 'U', 'R', 'N'};

enum RecordType : uint8_t {
    kAdded = 1,
    kStateChanged = 2,
    kAllRead = 3,
    kDeleted = 4,
    kDeletedAll = 5,
};

enum FieldFlag : uint8_t { kHasFrom = 1, kHasTo = 2, kHasText = 4 };

constexpr std::array<uint32_t, 256> make_crc_table() {
    std::array<uint32_t, 256> table{};
    for (uint32_t n = 0; n < 256; ++n) {
        uint32_t c = n;
        for (int k = 0; k < 8; ++k)
            c = c & 1 ? 0xEDB88320u ^ (c >> 1) : c >> 1;
        table[n] = c;
    }
    return table;
}
constexpr std::array<uint32_t, 256> kCrcTable = make_crc_table();

void put_u32(std::string& out, uint32_t v) {
    for (int i = 0; i < 4; ++i)
        out.push_back(static_cast<char>(v >> (8 * i)));
}

void put_u64(std::string& out, uint64_t v) {
    for (int i = 0; i < 8; ++i)
        out.push_back(static_cast<char>(v >> (8 * i)));
}

uint64_t get_le(std::string_view bytes, size_t at, int size) {
    uint64_t v = 0;
    for (int i = 0; i < size; ++i)
        v |= uint64_t{static_cast<uint8_t>(bytes[at + i])} << (8 * i);
    return v;
}

// Frames `payload` as a record at the end of `out`.
void frame(std::string& out, std::string_view payload) {
    put_u32(out, static_cast<uint32_t>(payload.size()));
    put_u32(out, crc32(payload));
    out.append(payload);
}

// Reads a payload from the front; every read checks what is left first.
class PayloadReader {
public:
    explicit PayloadReader(std::string_view bytes) : bytes_(bytes) {}
    bool u8(uint8_t& v) { return take(1, v); }
    bool u64(uint64_t& v) { return take(8, v); }
    bool field(std::optional<std::string>& out, bool present) {
        if (!present) return true;
        uint64_t length = 0;
        if (!take(4, length) || length > bytes_.size() - at_) return false;
        out.emplace(bytes_.substr(at_, length));
        at_ += length;
        return true;
    }
    bool done() const { return at_ == bytes_.size(); }

private:
    template <typename T>
    bool take(size_t size, T& v) {
        if (bytes_.size() - at_ < size) return false;
        v = static_cast<T>(get_le(bytes_, at_, static_cast<int>(size)));
        at_ += size;
        return true;
    }
    std::string_view bytes_;
    size_t at_ = 0;
};

// One decoded record; which fields count depends on the type.
struct Record {
    uint8_t type = 0;
    JournalMessage message;  // id and state for every type that names a message
};

std::optional<Record> decode(std::string_view payload) {
    PayloadReader in(payload);
    Record r;
    if (!in.u8(r.type)) return std::nullopt;
    JournalMessage& m = r.message;
    switch (r.type) {
        case kAdded: {
            uint64_t arrived = 0;
            uint8_t flags = 0;
            if (!in.u64(m.id) || !in.u64(arrived) || !in.u8(m.state) || !in.u8(flags)) {
                return std::nullopt;
            }
            m.arrived = static_cast<int64_t>(arrived);
            if ((flags & ~(kHasFrom | kHasTo | kHasText)) != 0) return std::nullopt;
            if (!in.field(m.from, flags & kHasFrom) || !in.field(m.to, flags & kHasTo) ||
                !in.field(m.text, flags & kHasText)) {
                return std::nullopt;
            }
            break;
        }
        case kStateChanged:
            if (!in.u64(m.id) || !in.u8(m.state)) return std::nullopt;
            break;
        case kDeleted:
            if (!in.u64(m.id)) return std::nullopt;
            break;
        case kAllRead:
        case kDeletedAll:
            break;
        default:
            return std::nullopt;
    }
    if (m.state > 2 || !in.done()) return std::nullopt;
    return r;
}

// The record framed at `at`, with its whole size; nothing when the bytes
// there are not a whole record that checks out.
std::optional<std::pair<Record, size_t>> record_at(std::string_view bytes, size_t at) {
    if (bytes.size() - at < kRecordFrameSize + 1) return std::nullopt;
    const auto length = static_cast<uint32_t>(get_le(bytes, at, 4));
    if (length == 0 || length > kMaxRecordPayload) return std::nullopt;
    if (bytes.size() - at - kRecordFrameSize < length) return std::nullopt;
    const std::string_view payload = bytes.substr(at + kRecordFrameSize, length);
    const uint8_t type = static_cast<uint8_t>(payload[0]);
    if (type < kAdded || type > kDeletedAll) return std::nullopt;  // before the costly checksum
    if (crc32(payload) != static_cast<uint32_t>(get_le(bytes, at + 4, 4))) return std::nullopt;
    std::optional<Record> record = decode(payload);
    if (!record) return std::nullopt;
    return std::make_pair(std::move(*record), kRecordFrameSize + length);
}

void replay(JournalScan& scan, Record& record, size_t cap) {
    auto& messages = scan.messages;
    JournalMessage& m = record.message;
    if (m.id >= scan.next_id) scan.next_id = m.id + 1;
    switch (record.type) {
        case kAdded:
            if (m.id == 0) return;
            messages[m.id] = std::move(m);
            while (messages.size() > cap)
                messages.erase(messages.begin());
            break;
        case kStateChanged:
            if (auto it = messages.find(m.id); it != messages.end()) it->second.state = m.state;
            break;
        case kAllRead:
            for (auto& [id, message] : messages)
                if (message.state == 0) message.state = 1;
            break;
        case kDeleted:
            messages.erase(m.id);
            break;
        case kDeletedAll:
            messages.clear();
            break;
        default:
            break;
    }
}

}  // namespace

uint32_t crc32(std::string_view bytes) {
    uint32_t c = 0xFFFFFFFFu;
    for (const char byte : bytes)
        c = kCrcTable[(c ^ static_cast<uint8_t>(byte)) & 0xFF] ^ (c >> 8);
    return c ^ 0xFFFFFFFFu;
}

std::string journal_header() {
    std::string header(kMagic, sizeof kMagic);
    put_u32(header, kJournalVersion);
    put_u32(header, 0);
    return header;
}

bool append_added(std::string& out, const JournalMessage& message) {
    std::string payload;
    payload.push_back(static_cast<char>(kAdded));
    put_u64(payload, message.id);
    put_u64(payload, static_cast<uint64_t>(message.arrived));
    payload.push_back(static_cast<char>(message.state));
    const uint8_t flags =
        (message.from ? kHasFrom : 0) | (message.to ? kHasTo : 0) | (message.text ? kHasText : 0);
    payload.push_back(static_cast<char>(flags));
    for (const std::optional<std::string>* field : {&message.from, &message.to, &message.text}) {
        if (!*field) continue;
        if ((*field)->size() > kMaxRecordPayload) return false;
        put_u32(payload, static_cast<uint32_t>((*field)->size()));
        payload += **field;
    }
    if (payload.size() > kMaxRecordPayload) return false;
    frame(out, payload);
    return true;
}

size_t added_record_size(const JournalMessage& message) {
    size_t size = kRecordFrameSize + 1 + 8 + 8 + 1 + 1;
    for (const std::optional<std::string>* field : {&message.from, &message.to, &message.text})
        if (*field) size += 4 + (*field)->size();
    return size;
}

void append_state(std::string& out, uint64_t id, uint8_t state) {
    std::string payload(1, static_cast<char>(kStateChanged));
    put_u64(payload, id);
    payload.push_back(static_cast<char>(state));
    frame(out, payload);
}

void append_all_read(std::string& out) {
    frame(out, std::string(1, static_cast<char>(kAllRead)));
}

void append_deleted(std::string& out, uint64_t id) {
    std::string payload(1, static_cast<char>(kDeleted));
    put_u64(payload, id);
    frame(out, payload);
}

void append_deleted_all(std::string& out) {
    frame(out, std::string(1, static_cast<char>(kDeletedAll)));
}

JournalScan scan_journal(std::string_view bytes, size_t cap) {
    JournalScan scan;
    if (bytes.size() < kJournalHeaderSize) {
        // A header cut short by a crash while it was written is an empty journal.
        const std::string header = journal_header();
        const bool torn_header = header.compare(0, bytes.size(), bytes) == 0;
        scan.kind = torn_header ? JournalScan::Kind::empty : JournalScan::Kind::foreign;
        return scan;
    }
    if (std::memcmp(bytes.data(), kMagic, sizeof kMagic) != 0) {
        scan.kind = JournalScan::Kind::foreign;
        return scan;
    }
    const auto version = static_cast<uint32_t>(get_le(bytes, 8, 4));
    if (version == 0) {
        scan.kind = JournalScan::Kind::foreign;
        return scan;
    }
    if (version > kJournalVersion) {
        scan.kind = JournalScan::Kind::newer;
        return scan;
    }

    scan.kind = JournalScan::Kind::journal;
    size_t at = kJournalHeaderSize;
    scan.good_end = at;
    bool skipping = false;
    while (at < bytes.size()) {
        std::optional<std::pair<Record, size_t>> found = record_at(bytes, at);
        if (!found) {
            skipping = true;
            ++scan.skipped_bytes;
            ++at;
            continue;
        }
        if (skipping) scan.damaged_middle = true;
        skipping = false;
        replay(scan, found->first, cap);
        at += found->second;
        scan.good_end = at;
    }
    return scan;
}
