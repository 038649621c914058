// Recipient names the program sends to and the longest text per way of
// sending (portable).
#include <gtest/gtest.h>

#include <string>

#include "core/message.h"
#include "core/send_rules.h"

namespace {

TEST(SendRules, ComputerNamesHaveUpTo15BytesAndNoPathOrWildcardCharacters) {
    struct Case {
        std::string name;
        bool computer, recipient;
    };
    const Case cases[] = {
        {"PC2", true, true},
        {"ABCDEFGHIJKLMNO", true, true},  // 15
        {"my-pc_2 x.y", true, true},
        {"\xC4\xD6\xDC", true, true},  // bytes above 0x7F are letters in some code page
        {"*", false, true},
        {"", false, false},
        {"ABCDEFGHIJKLMNOP", false, false},  // 16
        {"127.0.0.1\\share", false, false},
        {"a\\b\\c", false, false},
        {"a/b", false, false},
        {"c:", false, false},
        {"SALES*", false, false},
        {"**", false, false},
        {"TAB\tNAME", false, false},
        {"LF\n", false, false},
        {"DEL\x7F", false, false},
        {std::string("NUL\0X", 5), false, false},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(is_valid_computer_name(c.name), c.computer) << c.name;
        EXPECT_EQ(is_valid_recipient(c.name), c.recipient) << c.name;
    }
}

TEST(SendRules, TheLongestTextFitsTheWayOfSending) {
    EXPECT_EQ(max_text_length(SendWay::messenger_service, 7), 128u);
    EXPECT_EQ(max_text_length(SendWay::messenger_service, 15), 128u);
    // 424 less the sender, the longest recipient and three NULs.
    EXPECT_EQ(max_text_length(SendWay::datagram, 7), 399u);
    EXPECT_EQ(max_text_length(SendWay::datagram, 15), 391u);
    EXPECT_EQ(max_text_length(SendWay::datagram, 500), 0u);

    // The longest text between the longest names is exactly the wire's limit.
    const std::string from(15, 'F'), to(15, 'T');
    const std::string text(max_text_length(SendWay::datagram, from.size()), 'x');
    EXPECT_EQ(build_datagram(from.c_str(), to.c_str(), text.c_str()).size(), kMaxDatagramBytes);
}

}  // namespace
