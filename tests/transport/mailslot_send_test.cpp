// The mailslot send against this computer's real Messenger mailslot
// (Windows only; holds \\.\mailslot\messngr of its prefix).
#include <windows.h>

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "core/process_state.h"
#include "support/mailslot_helpers_win.h"
#include "transport/mailslot_win.h"
#include "transport/transport.h"

namespace {

const char kMessengerSlot[] = "\\\\.\\mailslot\\messngr";

TEST(MailslotSend, ToThisComputerDeliversTheExactDatagramAndCountsOneSent) {
    UniqueFile slot(create_test_mailslot(kMessengerSlot));
    ASSERT_TRUE(slot) << GetLastError();
    const uint32_t sent = g_statistics.sent.load();

    // e acute is 0xE9 in the ANSI code page and 0x82 in the OEM one; only the
    // text is converted. The transport's send takes the mailslot here.
    EXPECT_EQ(transport_send("HOST\xE9", ".", "Hi \xE9"), 1);
    EXPECT_EQ(g_statistics.sent.load(), sent + 1);
    EXPECT_EQ(read_all_datagrams(slot.get()),
              std::vector<std::string>{std::string("HOST\xE9\0.\0Hi \x82\0", 13)});
}

TEST(MailslotSend, NamesThatCannotBeOpenedAnswerZeroAndCountNothing) {
    const uint32_t sent = g_statistics.sent.load();
    // No mailslot of that name exists here: nothing listens on "." either.
    for (const char* to : {"NOSUCHPC", ".", ""}) {
        EXPECT_EQ(mailslot_send("HOST", to, "Hi"), 0) << to;
    }
    EXPECT_EQ(mailslot_send(nullptr, ".", "Hi"), 0);
    EXPECT_EQ(mailslot_send("HOST", nullptr, "Hi"), 0);
    EXPECT_EQ(mailslot_send("HOST", ".", nullptr), 0);
    EXPECT_EQ(g_statistics.sent.load(), sent);
}

TEST(MailslotSend, BroadcastGoesToTheWorkgroupsMailslot) {
    EXPECT_EQ(mailslot_path("*"), "\\\\*\\mailslot\\messngr");
    EXPECT_EQ(mailslot_path("PC2"), "\\\\PC2\\mailslot\\messngr");
}

}  // namespace
