// Browser announcements, the data of mailslot writes to \MAILSLOT\BROWSE and
// \MAILSLOT\LANMAN: how computers and workgroups make themselves known on a
// network without anyone to enumerate it (portable).
//
// Followed: [MS-BRWS] §2.2.1 HostAnnouncement, §2.2.2 AnnouncementRequest,
// §2.2.7 DomainAnnouncement, §2.2.8 LocalMasterAnnouncement (little-endian;
// names in 16 bytes, NUL-terminated when shorter), and the older LAN Manager
// host announcement that \MAILSLOT\LANMAN carries (type before versions,
// periodicity in seconds, names NUL-terminated). Every field is a claim: a
// name without its NUL is cut where its field ends, a comment at the data's end.
#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace browse {

inline constexpr char kBrowseMailslot[] = "\\MAILSLOT\\BROWSE";
inline constexpr char kLanmanMailslot[] = "\\MAILSLOT\\LANMAN";

// Name suffixes the announcements travel to.
inline constexpr uint8_t kMasterBrowserSuffix = 0x1D;  // WORKGROUP<1d>: host announcements
inline constexpr uint8_t kBrowserElectionSuffix =
    0x1E;                                         // WORKGROUP<1e>: local master announcements
inline constexpr uint8_t kMsBrowseSuffix = 0x01;  // __MSBROWSE__<01>: domain announcements
inline constexpr char kMsBrowseName[] = "\x01\x02__MSBROWSE__\x02";

// ServerType bits ([MS-BRWS] §2.2.1 refers to [MS-RAP] for them).
inline constexpr uint32_t kTypeWorkstation = 0x00000001;
inline constexpr uint32_t kTypeServer = 0x00000002;
inline constexpr uint32_t kTypePotentialBrowser = 0x00010000;
inline constexpr uint32_t kTypeMasterBrowser = 0x00040000;
inline constexpr uint32_t kTypeDomainEnum = 0x80000000;

enum class Opcode : uint8_t {
    host_announcement = 0x01,
    announcement_request = 0x02,
    domain_announcement = 0x0C,
    local_master_announcement = 0x0F,
};

// One browser frame, as much of it as a listener uses.
struct Frame {
    Opcode opcode = Opcode::host_announcement;
    uint8_t update_count = 0;
    uint32_t periodicity_ms = 0;
    // The computer; the workgroup in a domain announcement; the name to
    // answer to in an announcement request.
    std::string name;
    uint8_t version_major = 0;
    uint8_t version_minor = 0;
    uint32_t server_type = 0;
    // The description; the local master browser's name in a domain announcement.
    std::string comment;
    bool operator==(const Frame&) const = default;
};

// The longest comment kept or sent ([MS-BRWS]: 43 bytes with its NUL).
inline constexpr size_t kMaxComment = 42;

// A frame from the data of a write to `mailslot` (either name, any case);
// none for other opcodes, short frames, empty names or names with control
// characters. Names come back upper-cased (ASCII letters) without padding.
std::optional<Frame> parse_frame(std::string_view mailslot, const void* data, size_t size);

// The \MAILSLOT\BROWSE form of a host (or local master, or domain)
// announcement: 32 bytes and the comment with its NUL. Names are cut to 15
// bytes, the comment to kMaxComment.
std::vector<char> build_announcement(const Frame& frame);
// An AnnouncementRequest asking for answers to `response_name`.
std::vector<char> build_announcement_request(std::string_view response_name);

// When this computer announces itself ([MS-BRWS] §3.2.6): at once, then after
// 1, 2, 4 and 8 minutes and from then on every 12; and, apart from that
// rhythm, at a random moment within 30 seconds of an AnnouncementRequest, so
// that the answers of a whole workgroup do not all come at once. Times in
// milliseconds of a clock the caller keeps; `minute_ms` shortens every period
// and the answer window alike (for tests).
class AnnouncementSchedule {
public:
    static constexpr uint32_t kMinuteMs = 60 * 1000;
    static constexpr uint32_t kAnswerWindowMs = 30 * 1000;

    explicit AnnouncementSchedule(uint64_t start_ms, uint32_t minute_ms = kMinuteMs)
        : minute_ms_(minute_ms ? minute_ms : 1), next_ms_(start_ms) {}

    // True when an announcement is due at `now_ms`; it then counts as sent.
    bool take_due(uint64_t now_ms);
    // The periodicity the announcement just taken gives: the time to the next.
    uint32_t periodicity_ms() const { return period_ms(); }
    // An AnnouncementRequest arrived; `random` picks the moment of the answer.
    void requested(uint64_t now_ms, uint32_t random);

private:
    uint32_t period_ms() const;

    uint32_t minute_ms_;
    uint64_t next_ms_;
    uint64_t answer_ms_ = UINT64_MAX;  // none pending
    uint32_t sent_ = 0;                // periodic announcements so far
};

}  // namespace browse
