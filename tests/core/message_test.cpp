// Message record and datagram codec.
#include "core/message.h"

#include <gtest/gtest.h>

#include <string>

namespace {

std::string str(const std::optional<std::string>& field) {
    return field.value_or("<absent>");
}

TEST(ParseDatagram, SplitsTheThreeFieldsAtTheirNuls) {
    struct Case {
        std::string bytes;
        const char* from;
        const char* to;
        const char* text;
    };
    const Case cases[] = {
        {std::string("X\0Y\0Z\0", 6), "X", "Y", "Z"},
        {std::string("X\0Y\0Z", 5), "X", "Y", "<absent>"},
        {std::string("X\0Y", 3), "X", "<absent>", "<absent>"},
        {"XYZ", "<absent>", "<absent>", "<absent>"},
        {std::string("\0\0\0", 3), "", "", ""},
        {std::string("X\0Y\0Z\0W\0", 8), "X", "Y", "Z"},
        {"", "<absent>", "<absent>", "<absent>"},
        {std::string("A\0B\0\x82\0", 6), "A", "B", "\x82"},  // the text stays OEM
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(::testing::PrintToString(c.bytes));
        MessagePtr record = parse_datagram(c.bytes.data(), c.bytes.size(), 42);
        ASSERT_NE(record, nullptr);
        EXPECT_EQ(str(record->from), c.from);
        EXPECT_EQ(str(record->to), c.to);
        EXPECT_EQ(str(record->text), c.text);
        EXPECT_EQ(record->arrived, 42);
        EXPECT_EQ(record->listed, 0);
    }
    EXPECT_EQ(parse_datagram(nullptr, 5, 0), nullptr);
}

TEST(ParseDatagram, NeverLooksPastTheGivenLength) {
    // The NUL that ends the text lies one byte beyond what was received.
    const char buffer[] = {'A', 0, 'B', 0, 'C', 'D', 0};
    MessagePtr record = parse_datagram(buffer, 6, 0);
    ASSERT_NE(record, nullptr);
    EXPECT_EQ(str(record->to), "B");
    EXPECT_FALSE(record->text.has_value());
}

TEST(BuildDatagram, LaysOutTheFieldsWithTheirNulsConvertingOnlyTheTextToOem) {
    const auto bytes = [](const std::vector<char>& d) { return std::string(d.begin(), d.end()); };
    EXPECT_EQ(bytes(build_datagram("PC1", "PC2", "Hi")), std::string("PC1\0PC2\0Hi\0", 11));
    // e-acute is 0xE9 in windows-1252 and 0x82 in the OEM code pages 437 and 850.
    EXPECT_EQ(bytes(build_datagram("\xE9", "*", "\xE9t\xE9")),
              std::string("\xE9\0*\0\x82t\x82\0", 8));
    EXPECT_TRUE(build_datagram(nullptr, "B", "C").empty());
    EXPECT_TRUE(build_datagram("A", nullptr, "C").empty());
    EXPECT_TRUE(build_datagram("A", "B", nullptr).empty());
}

}  // namespace
