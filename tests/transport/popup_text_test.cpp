// Messenger popup text parsing (portable).
#include "transport/popup_text.h"

#include <gtest/gtest.h>

#include <string>

namespace {

// Parses the whole string with its terminating NUL, as the capture loop does.
MessagePtr parse(const std::string& text) {
    return parse_popup_text(text.c_str(), text.size() + 1, 1007);
}

TEST(ParsePopupText, TakesSenderRecipientAndTextFromTheServicesLayout) {
    struct Case {
        const char* name;
        std::string popup;
        const char* from;
        const char* to;
        const char* text;
    };
    const Case cases[] = {
        {"full header", "Message from ALPHA to BETA on 06.12.2001 02:27:41\r\n\r\nHello", "ALPHA",
         "BETA", "Hello"},
        // Without a fifth space the recipient runs to the end of the text.
        {"five words", "Message from ALPHA to BETA\r\n\r\nHello", "ALPHA", "BETA\r\n\r\nHello",
         "Hello"},
        // Every space counts, so the text's own space ends the open recipient.
        {"five words, text with spaces", "Message from ALPHA to BETA\r\n\r\nHello big world",
         "ALPHA", "BETA\r\n\r\nHello", "Hello"},
        // The sender's second part shifts the recipient to the header's own "to".
        {"sender with a space", "Message from MY PC to BETA on 06.12.2001 02:27:41\r\n\r\nHello",
         "MY", "to", "Hello"},
        {"text of several lines", "Message from A to B on d t\r\n\r\nline 1\r\nline 2", "A", "B",
         "line 1\r\nline 2"},
        {"empty text", "Message from A to B on d t\r\n\r\n", "A", "B", ""},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        MessagePtr record = parse(c.popup);
        ASSERT_NE(record, nullptr);
        EXPECT_EQ(record->from, c.from);
        EXPECT_EQ(record->to, c.to);
        EXPECT_EQ(record->text, c.text);
        EXPECT_EQ(record->arrived, 1007);
        EXPECT_EQ(record->listed, 0);
    }
}

TEST(ParsePopupText, GivesNoRecordWhenAFieldIsMissing) {
    const struct {
        const char* name;
        std::string popup;
    } cases[] = {
        {"no line feed", "Message from ALPHA to BETA on 06.12.2001 02:27:41 Hello"},
        {"line feed too close to the end", "Message from ALPHA to BETA on 06.12.2001\r\n\r"},
        {"no recipient", "Message from ALPHA\r\n\r\nHello"},
        {"no sender", "Message\r\n\r\nHello"},
        {"empty", ""},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        EXPECT_EQ(parse(c.popup), nullptr);
    }
    EXPECT_EQ(parse_popup_text(nullptr, 10, 0), nullptr);
}

TEST(ParsePopupText, KeepsEveryFieldAnsi) {
    // e-acute is 0xE9 in windows-1252 (0x82 in the OEM code pages 437 and 850).
    MessagePtr record = parse("Message from PC\xE9 to \xE9T\xE9 on d t\r\n\r\ncaf\xE9 \xE9t\xE9");
    ASSERT_NE(record, nullptr);
    EXPECT_EQ(record->from, "PC\xE9");
    EXPECT_EQ(record->to, "\xE9T\xE9");
    EXPECT_EQ(record->text, "caf\xE9 \xE9t\xE9");
}

TEST(ParsePopupText, ReadsNoFurtherThanTheLength) {
    const std::string popup = "Message from ALPHA to BETA on d t\r\n\r\nHello";
    // The text would start beyond the length.
    EXPECT_EQ(parse_popup_text(popup.data(), popup.find('\n') + 3, 0), nullptr);
    // The recipient would start beyond the length; one byte more and it is there.
    const std::string cut = "Message\r\nX from ALPHA to B";
    EXPECT_EQ(parse_popup_text(cut.data(), cut.size() - 1, 0), nullptr);
    MessagePtr longer = parse_popup_text(cut.data(), cut.size(), 0);
    ASSERT_NE(longer, nullptr);
    EXPECT_EQ(longer->to, "B");

    // Without its NUL the text ends with the length.
    MessagePtr record = parse_popup_text(popup.data(), popup.size() - 2, 0);
    ASSERT_NE(record, nullptr);
    EXPECT_EQ(record->text, "Hel");
}

}  // namespace
