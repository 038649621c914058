// Proposed export names and the save dialogs' extension rule (portable).
#include <gtest/gtest.h>

#include <utility>

#include "export/file_names.h"
#include "export_test_support.h"

namespace {

class ProposedNames : public ::testing::Test {
protected:
    void SetUp() override { use_test_time_zone(); }
};

TEST_F(ProposedNames, MessageNameHasDayMonthTimeAndSender) {
    MessageRecord record;
    record.from = "ALPHA";
    record.arrived = kExampleMoment;
    EXPECT_EQ(propose_message_name(record), "msg06_12_02-07-41_from_ALPHA");

    record.arrived = kExampleMoment - 2 * 3600 - 7 * 60;  // 00:00:41 local
    EXPECT_EQ(propose_message_name(record), "msg06_12_00-00-41_from_ALPHA");
    record.arrived = kJuly1st2040Noon;
    EXPECT_EQ(propose_message_name(record), "msg01_07_15-00-00_from_ALPHA");
}

TEST_F(ProposedNames, SenderKeepsOnlyWhatAFileNameMayHold) {
    const std::pair<const char*, const char*> senders[] = {
        {"\\..\\..\\pwned.bat", "_.._.._pwned.bat"}, {"../../x", ".._.._x"},
        {"A/B:C*D?E\"F<G>H|I", "A_B_C_D_E_F_G_H_I"}, {"TAB\tCR\r", "TAB_CR_"},
        {"\xC9QUIPE 5\x80", "\xC9QUIPE 5\x80"},  // ANSI letters stay
    };
    MessageRecord record;
    record.arrived = kExampleMoment;
    for (const auto& [sender, kept] : senders) {
        record.from = sender;
        EXPECT_EQ(propose_message_name(record), std::string("msg06_12_02-07-41_from_") + kept)
            << sender;
    }
}

TEST_F(ProposedNames, ListNameHasTheDateAndTimeOfTheGivenMoment) {
    EXPECT_EQ(propose_list_name(kExampleMoment), "message_list06_12_2001-02-07-41");
    EXPECT_EQ(propose_list_name(kExampleMoment + 24 * 3600 * 30 + 3600 * 22),
              "message_list06_01_2002-00-07-41");
}

TEST(PathWithExtension, AppendsOnlyWhenTheExtensionOccursNowhere) {
    struct Case {
        const char* path;
        const char* extension;
        const char* expected;
    };
    for (const Case& c : {
             Case{"notes", ".html", "notes.html"},
             Case{"notes.html", ".html", "notes.html"},
             Case{"notes.html.bak", ".html", "notes.html.bak"},
             Case{"notes.HTML", ".html", "notes.HTML.html"},
             Case{"notes", ".txt", "notes.txt"},
             Case{"C:\\my.txt.d\\notes", ".txt", "C:\\my.txt.d\\notes"},
         }) {
        EXPECT_EQ(path_with_extension(c.path, c.extension, 1024), c.expected) << c.path;
    }
}

TEST(PathWithExtension, RefusesWhatNoLongerFitsTheBuffer) {
    const std::string fits(1018, 'a');  // + ".html" = 1023 characters and the NUL
    EXPECT_EQ(path_with_extension(fits, ".html", 1024), fits + ".html");
    EXPECT_FALSE(path_with_extension(fits + "a", ".html", 1024).has_value());
    const std::string full = std::string(1018, 'a') + ".html";
    EXPECT_EQ(path_with_extension(full, ".html", 1024), full) << "nothing to add";
}

}  // namespace
