// The About dialog from the program's own template: the three statistics at
// opening, Received and Ignored following their counters while it is open,
// Sent not (Windows only).
#include <gtest/gtest.h>

#include <string>

#include "core/process_state.h"
#include "dialogs/about_dialog_win.h"
#include "dialogs/modal_dialog_win.h"
#include "resources/resource.h"

namespace {

TEST(AboutDialog, ShowsTheStatisticsAndFollowsReceivedAndIgnored) {
    g_statistics.sent = 3;
    g_statistics.received = 12;
    g_statistics.ignored = 0;
    ModalDialog dialog;
    ASSERT_NE(dialog.open("About", [](HWND owner) { return show_about_dialog(owner); }), nullptr);
    // The template is visible: it shows before its initialisation has ended.
    ASSERT_TRUE(wait_until([&] { return dialog.focus() == dialog.item(IDCANCEL); }));
    EXPECT_EQ(dialog.text(IDC_STAT_SENT), "Sent: 3");
    EXPECT_EQ(dialog.text(IDC_STAT_RECEIVED), "Received: 12");
    EXPECT_EQ(dialog.text(IDC_STAT_IGNORED), "Ignored: 0");

    ++g_statistics.sent;
    ++g_statistics.received;
    g_statistics.ignored += 2;
    EXPECT_TRUE(wait_until([&] { return dialog.text(IDC_STAT_RECEIVED) == "Received: 13"; }, 1500));
    EXPECT_TRUE(wait_until([&] { return dialog.text(IDC_STAT_IGNORED) == "Ignored: 2"; }, 1500));
    EXPECT_EQ(dialog.text(IDC_STAT_SENT), "Sent: 3") << "Sent keeps its value from the opening";

    dialog.click(IDCANCEL);
    EXPECT_EQ(dialog.wait_closed(), 0);
}

TEST(AboutDialog, RefreshesEveryHalfSecond) {
    g_statistics.received = 0;
    ModalDialog dialog;
    ASSERT_NE(dialog.open("About", [](HWND owner) { return show_about_dialog(owner); }), nullptr);
    const auto next_refresh = [&] {
        const std::string shown = "Received: " + std::to_string(++g_statistics.received);
        return wait_until([&] { return dialog.text(IDC_STAT_RECEIVED) == shown; }, 2500);
    };
    ASSERT_TRUE(next_refresh());  // from one refresh...
    const DWORD start = GetTickCount();
    for (int i = 0; i < 3; ++i)
        ASSERT_TRUE(next_refresh());
    // ...three more take 1.5 s; every second they would take 3 s.
    const DWORD elapsed = GetTickCount() - start;
    EXPECT_GT(elapsed, 1000u);
    EXPECT_LT(elapsed, 2300u);
    dialog.click(IDCANCEL);
    EXPECT_EQ(dialog.wait_closed(), 0);
}

}  // namespace
