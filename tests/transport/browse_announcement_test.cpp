// Browser announcements built byte by byte from the published layouts, and
// what the parser makes of hostile ones (portable).
#include "transport/browse_announcement.h"

#include <gtest/gtest.h>

#include <string>

namespace {

using namespace browse;
using namespace std::string_literals;

std::optional<Frame> parse(const std::string& bytes, std::string_view slot = kBrowseMailslot) {
    return parse_frame(slot, bytes.data(), bytes.size());
}

// A HostAnnouncement of "PC2", periodicity 720,000 ms, OS 6.1, server type
// 0x00011003, browser 15.1, signature AA55, comment "Lab".
const std::string kHost =
    "\x01\x05\x80\xfc\x0a\x00"
    "PC2\0\0\0\0\0\0\0\0\0\0\0\0\0"
    "\x06\x01\x03\x10\x01\x00\x0f\x01\x55\xaa"
    "Lab\0"s;

TEST(BrowseAnnouncement, ParsesEachAnnouncementFromItsBytes) {
    Frame host{Opcode::host_announcement, 5, 720000, "PC2", 6, 1, 0x00011003, "Lab"};
    EXPECT_EQ(parse(kHost), host);
    EXPECT_EQ(parse(kHost, "\\mailslot\\browse"), host) << "the mailslot name in any case";

    std::string master = kHost;
    master[0] = 0x0F;
    host.opcode = Opcode::local_master_announcement;
    EXPECT_EQ(parse(master), host);

    // A DomainAnnouncement names the workgroup and, as its comment, the master.
    const std::string domain =
        "\x0c\x00\x60\xea\x00\x00"
        "office\0\0\0\0\0\0\0\0\0\0"
        "\x01\x00\x00\x00\x04\x80\x0f\x01\x55\xaa"
        "SAMBAHOST\0"s;
    EXPECT_EQ(parse(domain), (Frame{Opcode::domain_announcement, 0, 60000, "OFFICE", 1, 0,
                                    0x80040000, "SAMBAHOST"}));

    const std::string request = "\x02\x00PC1\0"s;
    EXPECT_EQ(parse(request), (Frame{Opcode::announcement_request, 0, 0, "PC1", 0, 0, 0, ""}));

    // The LAN Manager form: type, versions, periodicity in seconds, names.
    const std::string lanman = "\x01\x03\x10\x00\x00\x04\x00\x2c\x01OLDPC\0old one\0"s;
    EXPECT_EQ(parse(lanman, kLanmanMailslot),
              (Frame{Opcode::host_announcement, 0, 300000, "OLDPC", 4, 0, 0x1003, "old one"}));
}

TEST(BrowseAnnouncement, HostileFramesAreCutOrRefused) {
    // A 16-byte name without its NUL is cut to 15; a comment without one ends
    // with the data and is cut to the longest comment.
    std::string unterminated = kHost.substr(0, 32) + std::string(200, 'c');
    unterminated.replace(6, 16, "ABCDEFGHIJKLMNOP");
    const auto cut = parse(unterminated);
    ASSERT_TRUE(cut);
    EXPECT_EQ(cut->name, "ABCDEFGHIJKLMNO");
    EXPECT_EQ(cut->comment, std::string(kMaxComment, 'c'));

    struct Case {
        const char* what;
        std::string bytes;
        std::string_view slot = kBrowseMailslot;
    };
    const Case refused[] = {
        {"empty", ""},
        {"shorter than the fixed part", kHost.substr(0, 31)},
        {"empty name", kHost.substr(0, 6) + std::string(16, '\0') + kHost.substr(22)},
        {"name of spaces", kHost.substr(0, 6) + std::string(16, ' ') + kHost.substr(22)},
        {"control character in the name",
         kHost.substr(0, 6) + std::string("\x01\x02__MSBROWSE__\x02\0", 16) + kHost.substr(22)},
        {"unknown opcode", "\x08" + kHost.substr(1)},
        {"request without a name", "\x02\x00"s},
        {"another mailslot", kHost, "\\MAILSLOT\\MESSNGR"},
        {"LAN Manager frame cut short", "\x01\x03\x10\x00\x00\x04\x00\x2c"s, kLanmanMailslot},
    };
    for (const Case& c : refused)
        EXPECT_FALSE(parse(c.bytes, c.slot)) << c.what;
    EXPECT_FALSE(parse_frame(kBrowseMailslot, nullptr, 40));
}

TEST(BrowseAnnouncement, BuildsTheBytesItParses) {
    const Frame host{Opcode::host_announcement, 5, 720000, "pc2", 6, 1, 0x00011003, "Lab"};
    const std::vector<char> built = build_announcement(host);
    EXPECT_EQ(std::string(built.begin(), built.end()), kHost);

    const std::vector<char> request = build_announcement_request("pc1");
    EXPECT_EQ(std::string(request.begin(), request.end()), "\x02\x00PC1\0"s);
}

TEST(AnnouncementSchedule, GrowsFromOneMinuteToTwelveAndAnswersRequestsWithinTheWindow) {
    constexpr uint64_t kMinute = 60000;
    AnnouncementSchedule schedule(0);
    std::vector<uint64_t> sent;
    for (uint64_t now = 0; now <= 60 * kMinute; now += 1000) {
        if (schedule.take_due(now)) sent.push_back(now / kMinute);
    }
    EXPECT_EQ(sent, (std::vector<uint64_t>{0, 1, 3, 7, 15, 27, 39, 51}));
    EXPECT_EQ(schedule.periodicity_ms(), 12 * kMinute);

    // A request 5 s after the last: the answer comes at the drawn moment, once.
    const uint64_t asked = 51 * kMinute + 5000;
    schedule.requested(asked, 12345 + 30000);
    EXPECT_FALSE(schedule.take_due(asked + 12344));
    EXPECT_TRUE(schedule.take_due(asked + 12345));
    EXPECT_FALSE(schedule.take_due(asked + 29999));

    // Shortened for tests: a "minute" of 600 ms, an answer window of 300 ms.
    AnnouncementSchedule quick(0, 600);
    EXPECT_TRUE(quick.take_due(0));
    EXPECT_EQ(quick.periodicity_ms(), 600u);
    quick.requested(10, 0xFFFFFFFF);
    EXPECT_TRUE(quick.take_due(10 + 0xFFFFFFFFu % 300));
}

}  // namespace
