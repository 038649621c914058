// Browser announcements: parsing and building the frames of \MAILSLOT\BROWSE
// and \MAILSLOT\LANMAN (portable). Layouts as in the header's sources.
#include "transport/browse_announcement.h"
#include "transport/wire_bytes.h"

#include <algorithm>
#include <cstring>
#include <iterator>

namespace browse {

namespace {

// [MS-BRWS] announcement: opcode, update count, periodicity (4), name (16),
// versions (2), server type (4), browser version (2), signature (2), comment.
constexpr size_t kPeriodicity = 2;
constexpr size_t kName = 6;
constexpr size_t kNameField = 16;
constexpr size_t kVersion = 22;
constexpr size_t kServerType = 24;
constexpr size_t kBrowserVersion = 28;
constexpr size_t kSignature = 30;
constexpr size_t kComment = 32;
constexpr uint8_t kBrowserMajor = 0x0F, kBrowserMinor = 0x01;
constexpr uint16_t kSignatureValue = 0xAA55;

// The LAN Manager host announcement: opcode, server type (4), versions (2),
// periodicity in seconds (2), then the name and the comment, NUL-terminated.
constexpr size_t kLanmanType = 1;
constexpr size_t kLanmanVersion = 5;
constexpr size_t kLanmanPeriodicity = 7;
constexpr size_t kLanmanName = 9;

constexpr size_t kMaxName = 15;

using wire::ascii_upper;
using wire::equal_ignoring_ascii_case;
using wire::le32;

// The text of a field up to its NUL or its end.
std::string field_text(const uint8_t* p, size_t size) {
    const auto* text = reinterpret_cast<const char*>(p);
    const void* nul = std::memchr(text, 0, size);
    return std::string(text, nul ? static_cast<const char*>(nul) - text : size);
}

// A name as a NetBIOS name: cut to 15 bytes, trailing spaces dropped,
// upper-cased; none when empty or holding a control character.
std::optional<std::string> name_text(std::string text) {
    if (text.size() > kMaxName) text.resize(kMaxName);
    while (!text.empty() && text.back() == ' ')
        text.pop_back();
    if (text.empty()) return std::nullopt;
    for (char& c : text) {
        if (static_cast<unsigned char>(c) < 0x20 || c == 0x7F) return std::nullopt;
        c = ascii_upper(c);
    }
    return text;
}

std::string comment_text(const uint8_t* p, size_t size) {
    std::string text = field_text(p, size);
    if (text.size() > kMaxComment) text.resize(kMaxComment);
    return text;
}

std::optional<Frame> parse_browse(const uint8_t* p, size_t size) {
    if (size < 1) return std::nullopt;
    Frame frame;
    frame.opcode = static_cast<Opcode>(p[0]);
    switch (frame.opcode) {
        case Opcode::announcement_request: {
            if (size < 3) return std::nullopt;
            auto name = name_text(field_text(p + 2, std::min(size - 2, kNameField)));
            if (!name) return std::nullopt;
            frame.name = std::move(*name);
            return frame;
        }
        case Opcode::host_announcement:
        case Opcode::domain_announcement:
        case Opcode::local_master_announcement:
            break;
        default:
            return std::nullopt;
    }
    if (size < kComment) return std::nullopt;
    auto name = name_text(field_text(p + kName, kNameField));
    if (!name) return std::nullopt;
    frame.update_count = p[1];
    frame.periodicity_ms = le32(p + kPeriodicity);
    frame.name = std::move(*name);
    frame.version_major = p[kVersion];
    frame.version_minor = p[kVersion + 1];
    frame.server_type = le32(p + kServerType);
    frame.comment = comment_text(p + kComment, size - kComment);
    return frame;
}

std::optional<Frame> parse_lanman(const uint8_t* p, size_t size) {
    if (size < kLanmanName + 1 || p[0] != static_cast<uint8_t>(Opcode::host_announcement)) {
        return std::nullopt;
    }
    Frame frame;
    frame.server_type = le32(p + kLanmanType);
    frame.version_major = p[kLanmanVersion];
    frame.version_minor = p[kLanmanVersion + 1];
    frame.periodicity_ms =
        static_cast<uint32_t>(p[kLanmanPeriodicity] | p[kLanmanPeriodicity + 1] << 8) * 1000u;
    const std::string raw = field_text(p + kLanmanName, std::min(size - kLanmanName, kNameField));
    auto name = name_text(raw);
    if (!name) return std::nullopt;
    frame.name = std::move(*name);
    const size_t comment_at = kLanmanName + raw.size() + 1;
    if (comment_at < size) frame.comment = comment_text(p + comment_at, size - comment_at);
    return frame;
}

void put_le32(std::vector<char>& out, size_t at, uint32_t v) {
    for (int i = 0; i < 4; ++i)
        out[at + i] = static_cast<char>(v >> (8 * i));
}

void put_name(std::vector<char>& out, size_t at, std::string_view name) {
    const std::string_view cut = name.substr(0, kMaxName);
    std::transform(cut.begin(), cut.end(), out.begin() + static_cast<std::ptrdiff_t>(at),
                   ascii_upper);
}

}  // namespace

std::optional<Frame> parse_frame(std::string_view mailslot, const void* data, size_t size) {
    if (!data) return std::nullopt;
    const auto* p = static_cast<const uint8_t*>(data);
    if (equal_ignoring_ascii_case(mailslot, kBrowseMailslot)) return parse_browse(p, size);
    if (equal_ignoring_ascii_case(mailslot, kLanmanMailslot)) return parse_lanman(p, size);
    return std::nullopt;
}

std::vector<char> build_announcement(const Frame& frame) {
    const std::string_view comment = std::string_view(frame.comment).substr(0, kMaxComment);
    std::vector<char> out(kComment + comment.size() + 1, '\0');
    out[0] = static_cast<char>(frame.opcode);
    out[1] = static_cast<char>(frame.update_count);
    put_le32(out, kPeriodicity, frame.periodicity_ms);
    put_name(out, kName, frame.name);
    out[kVersion] = static_cast<char>(frame.version_major);
    out[kVersion + 1] = static_cast<char>(frame.version_minor);
    put_le32(out, kServerType, frame.server_type);
    out[kBrowserVersion] = static_cast<char>(kBrowserMajor);
    out[kBrowserVersion + 1] = static_cast<char>(kBrowserMinor);
    out[kSignature] = static_cast<char>(kSignatureValue & 0xFF);
    out[kSignature + 1] = static_cast<char>(kSignatureValue >> 8);
    std::copy(comment.begin(), comment.end(), out.begin() + kComment);
    return out;
}

std::vector<char> build_announcement_request(std::string_view response_name) {
    const std::string_view cut = response_name.substr(0, kMaxName);
    std::vector<char> out(2 + cut.size() + 1, '\0');
    out[0] = static_cast<char>(Opcode::announcement_request);
    put_name(out, 2, cut);
    return out;
}

uint32_t AnnouncementSchedule::period_ms() const {
    static constexpr uint32_t kMinutes[] = {1, 1, 2, 4, 8, 12};
    const uint32_t minutes = kMinutes[std::min<size_t>(sent_, std::size(kMinutes) - 1)];
    return minutes * minute_ms_;
}

bool AnnouncementSchedule::take_due(uint64_t now_ms) {
    if (now_ms >= next_ms_) {
        ++sent_;
        next_ms_ = now_ms + period_ms();
        answer_ms_ = UINT64_MAX;  // this one answers a pending request too
        return true;
    }
    if (now_ms >= answer_ms_) {
        answer_ms_ = UINT64_MAX;
        return true;
    }
    return false;
}

void AnnouncementSchedule::requested(uint64_t now_ms, uint32_t random) {
    const uint64_t window = uint64_t{kAnswerWindowMs} * minute_ms_ / kMinuteMs;
    const uint64_t at = now_ms + (window ? random % window : 0);
    answer_ms_ = std::min(answer_ms_, at);
}

}  // namespace browse
