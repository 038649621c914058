// Message record and datagram codec.
#include "core/message.h"

#include <gtest/gtest.h>

#include <string>

namespace {

MessagePtr parse(const std::string& bytes) {
    return parse_datagram(bytes.data(), bytes.size(), 42);
}

std::string str(const std::optional<std::string>& field) {
    return field.value_or("<absent>");
}

TEST(ParseDatagram, SplitsTheThreeFieldsAtTheirNuls) {
    struct Case {
        const char* name;
        std::string bytes;
        const char* from;
        const char* to;
        const char* text;
    };
    const Case cases[] = {
        {"complete", std::string("X\0Y\0Z\0", 6), "X", "Y", "Z"},
        {"text without NUL", std::string("X\0Y\0Z", 5), "X", "Y", "<absent>"},
        {"recipient without NUL", std::string("X\0Y", 3), "X", "<absent>", "<absent>"},
        {"no NUL at all", "XYZ", "<absent>", "<absent>", "<absent>"},
        {"three NULs", std::string("\0\0\0", 3), "", "", ""},
        {"bytes after the third NUL", std::string("X\0Y\0Z\0W\0", 8), "X", "Y", "Z"},
        {"empty", "", "<absent>", "<absent>", "<absent>"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        MessagePtr record = parse(c.bytes);
        ASSERT_NE(record, nullptr);
        EXPECT_EQ(str(record->from), c.from);
        EXPECT_EQ(str(record->to), c.to);
        EXPECT_EQ(str(record->text), c.text);
        EXPECT_EQ(record->arrived, 42);
        EXPECT_EQ(record->listed, 0);
    }
}

TEST(ParseDatagram, NeverLooksPastTheGivenLength) {
    // The NUL that ends the text lies one byte beyond what was received.
    const char buffer[] = {'A', 0, 'B', 0, 'C', 'D', 0};
    MessagePtr record = parse_datagram(buffer, 6, 0);
    ASSERT_NE(record, nullptr);
    EXPECT_EQ(str(record->to), "B");
    EXPECT_FALSE(record->text.has_value());
}

TEST(ParseDatagram, NullBufferGivesNoRecord) {
    EXPECT_EQ(parse_datagram(nullptr, 5, 0), nullptr);
}

TEST(ParseDatagram, KeepsTheTextInTheOemCodePage) {
    MessagePtr record = parse(std::string("A\0B\0\x82\0", 6));
    ASSERT_TRUE(record->text.has_value());
    EXPECT_EQ(*record->text, "\x82");
}

TEST(NewRecord, NullArgumentsLeaveFieldsAbsentAndEmptyStringsPresent) {
    MessagePtr record = new_record("A", nullptr, "", 7);
    ASSERT_NE(record, nullptr);
    EXPECT_EQ(str(record->from), "A");
    EXPECT_FALSE(record->to.has_value());
    ASSERT_TRUE(record->text.has_value());
    EXPECT_EQ(*record->text, "");
    EXPECT_EQ(record->arrived, 7);
}

TEST(BuildDatagram, LaysOutSenderRecipientAndTextWithTheirNuls) {
    const std::vector<char> datagram = build_datagram("PC1", "PC2", "Hi");
    EXPECT_EQ(std::string(datagram.begin(), datagram.end()), std::string("PC1\0PC2\0Hi\0", 11));
}

TEST(BuildDatagram, ConvertsOnlyTheTextToOem) {
    // e-acute is 0xE9 in windows-1252 and 0x82 in the OEM code pages 437 and 850.
    const std::vector<char> datagram = build_datagram("\xE9", "*", "\xE9t\xE9");
    EXPECT_EQ(std::string(datagram.begin(), datagram.end()),
              std::string("\xE9\0*\0\x82t\x82\0", 8));
}

TEST(BuildDatagram, MissingArgumentGivesNoBuffer) {
    EXPECT_TRUE(build_datagram(nullptr, "B", "C").empty());
    EXPECT_TRUE(build_datagram("A", nullptr, "C").empty());
    EXPECT_TRUE(build_datagram("A", "B", nullptr).empty());
}

TEST(Datagram, BuiltThenParsedGivesTheSameFields) {
    const std::vector<char> datagram = build_datagram("ALPHA", "*", "Hello, world");
    MessagePtr record = parse_datagram(datagram.data(), datagram.size(), 1);
    EXPECT_EQ(str(record->from), "ALPHA");
    EXPECT_EQ(str(record->to), "*");
    EXPECT_EQ(str(record->text), "Hello, world");
}

}  // namespace
