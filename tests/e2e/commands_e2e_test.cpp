// The main window's commands on the message list, from the menu, the keyboard
// and double-clicks: deleting, confirmations, marking read, the double-click
// action and the auto-answer switch (Windows only, end to end).
#include <windows.h>

#include <gtest/gtest.h>

#include "support/png_win.h"
#include "support/program_test_win.h"

namespace {

using Commands = ProgramTest;

TEST_F(Commands, DeleteSelectsTheRowThatTakesThePlaceAndCountsWhatWasUnread) {
    store_dword("cond", 0);
    store_dword("conda", 0);
    start_program();
    receive(4);  // rows: SENDER4, SENDER3, SENDER2, SENDER1
    ASSERT_TRUE(program_.select_row(1));
    program_.post_command(IDM_MARK_READ);
    ASSERT_TRUE(wait_until([&] { return counts() == "Message(s): 4 / Unread message(s): 3"; }));

    ASSERT_TRUE(program_.select_row(3));  // the last row: the new last row follows
    program_.post_command(IDM_DELETE);
    ASSERT_TRUE(wait_until([&] { return program_.rows().size() == 3; }));
    EXPECT_EQ(counts(), "Message(s): 3 / Unread message(s): 2");
    EXPECT_TRUE(program_.rows()[2].selected);

    ASSERT_TRUE(program_.select_row(1));  // read: only the total falls
    program_.press_delete_key();
    ASSERT_TRUE(wait_until([&] { return program_.rows().size() == 2; }));
    EXPECT_EQ(counts(), "Message(s): 2 / Unread message(s): 2");
    std::vector<ListRow> rows = program_.rows();
    EXPECT_EQ(rows[1].from, "SENDER2") << "the row below moved into the deleted row's place";
    EXPECT_TRUE(rows[1].selected);

    program_.post_command(IDM_DELETE);
    program_.post_command(IDM_DELETE);
    ASSERT_TRUE(wait_until([&] { return program_.rows().empty(); }));
    EXPECT_EQ(counts(), "Message(s): 0 / Unread message(s): 0");
    EXPECT_FALSE(program_.toolbar_button_enabled(IDM_VIEW));
    EXPECT_FALSE(program_.toolbar_button_enabled(IDM_DELETE_ALL));

    program_.post_command(IDM_DELETE);  // nothing left: nothing happens
    receive(2);
    EXPECT_TRUE(program_.toolbar_button_enabled(IDM_VIEW)) << "a new message enables them again";

    // With conda 0 too, Delete All asks nothing either.
    program_.post_command(IDM_DELETE_ALL);
    ASSERT_TRUE(wait_until([&] { return program_.rows().empty(); }));
    EXPECT_EQ(counts(), "Message(s): 0 / Unread message(s): 0");
    EXPECT_EQ(program_.find_dialog_with_text("delete all"), nullptr);
    exit_program();
}

TEST_F(Commands, ConfirmationsFollowCondAndConda) {
    store_dword("cond", 0);
    store_dword("conda", 1);
    start_program();
    receive(3);
    program_.post_command(IDM_DELETE);
    ASSERT_TRUE(wait_until([&] { return program_.rows().size() == 2; }))
        << "Delete asks nothing with cond 0";

    program_.post_command(IDM_DELETE_ALL);
    HWND box = wait_for_dialog("Do you really want to delete all messages ?");
    ASSERT_NE(box, nullptr);
    save_screenshot(box, artifact_path("confirm-delete-all.png"));
    answer_box("Do you really want to delete all messages ?", IDNO);
    EXPECT_EQ(program_.rows().size(), 2u);

    program_.post_command(IDM_DELETE_ALL);
    answer_box("Do you really want to delete all messages ?", IDYES);
    ASSERT_TRUE(wait_until([&] { return program_.rows().empty(); }));
    EXPECT_EQ(counts(), "Message(s): 0 / Unread message(s): 0");
    exit_program();

    store_dword("cond", 1);
    store_dword("conda", 0);
    start_program();
    receive(2);
    program_.press_delete_key();
    answer_box("Do you really want to delete message ?", IDNO);
    EXPECT_EQ(program_.rows().size(), 2u);
    program_.post_command(IDM_DELETE);
    answer_box("Do you really want to delete message ?", IDYES);
    ASSERT_TRUE(wait_until([&] { return program_.rows().size() == 1; }));
    program_.post_command(IDM_DELETE_ALL);
    answer_box("Do you really want to delete all messages ?", IDYES);
    ASSERT_TRUE(wait_until([&] { return program_.rows().empty(); }));
    exit_program();
}

TEST_F(Commands, MarkAllAsReadClearsTheUnreadCount) {
    start_program();
    // An empty list: the command is handled and changes nothing.
    DWORD_PTR handled = 0;
    ASSERT_TRUE(SendMessageTimeoutA(program_.main_window(), WM_COMMAND, IDM_MARK_ALL_READ, 0,
                                    SMTO_ABORTIFHUNG, 5000, &handled));
    EXPECT_TRUE(program_.rows().empty());
    EXPECT_EQ(counts(), "Message(s): 0 / Unread message(s): 0");
    receive(3);
    ASSERT_TRUE(program_.select_row(2));
    program_.post_command(IDM_MARK_READ);
    ASSERT_TRUE(wait_until([&] { return program_.rows()[2].image == 1; }));
    EXPECT_EQ(program_.status_text(1), "Unread message(s): 2");
    program_.post_command(IDM_MARK_ALL_READ);
    ASSERT_TRUE(wait_until([&] { return program_.status_text(1) == "Unread message(s): 0"; }));
    for (const ListRow& row : program_.rows())
        EXPECT_EQ(row.image, 1);
    EXPECT_EQ(program_.status_text(0), "Message(s): 3");
    exit_program();
}

TEST_F(Commands, DoubleClickDoesWhatDefactSays) {
    store_dword("cond", 0);
    store_dword("defact", 2);  // delete
    start_program();
    receive(2);
    ASSERT_TRUE(program_.double_click_row(1));
    ASSERT_TRUE(wait_until([&] { return program_.rows().size() == 1; }));
    EXPECT_EQ(program_.rows()[0].from, "SENDER2");
    exit_program();

    store_dword("defact", 0);  // view
    start_program();
    ASSERT_TRUE(write_datagram(datagram("ALPHA", "ME", "double-clicked")));
    ASSERT_TRUE(wait_until([&] { return program_.rows().size() == 1; }));
    ASSERT_TRUE(program_.double_click_row(0));
    HWND view = wait_for_dialog("View Message");
    ASSERT_NE(view, nullptr) << "the View dialog shows the message";
    PostMessageA(view, WM_COMMAND, MAKEWPARAM(IDCANCEL, BN_CLICKED), 0);
    ASSERT_TRUE(wait_until([&] { return !IsWindow(view); }));
    EXPECT_EQ(program_.rows()[0].image, 1);
    exit_program();

    store_dword("defact", 1);  // answer
    start_program();
    receive(1);
    ASSERT_TRUE(program_.double_click_row(0));
    HWND answer = wait_for_dialog("Answer Message");
    ASSERT_NE(answer, nullptr) << "the Answer dialog opens on the message";
    PostMessageA(answer, WM_COMMAND, MAKEWPARAM(IDCANCEL, BN_CLICKED), 0);
    ASSERT_TRUE(wait_until([&] { return !IsWindow(answer); }));
    exit_program();
}

int window_width(HWND window) {
    RECT rect{};
    GetWindowRect(window, &rect);
    return rect.right - rect.left;
}

TEST_F(Commands, ShowNetworkTwiceRestoresTheWidthAndTheChoiceIsKept) {
    start_program();
    HWND main = program_.main_window();
    const auto toggle_to_new_width = [&] {
        const int before = window_width(main);
        program_.post_command(IDM_SHOW_NETWORK);
        wait_until([&] { return window_width(main) != before; });
        return window_width(main);
    };
    const int from_template = window_width(main);
    const int without_pane = toggle_to_new_width();
    ASSERT_LT(without_pane, from_template);
    // The pane's edges in pixels may round one pixel short of the template's width.
    const int with_pane = toggle_to_new_width();
    EXPECT_NEAR(with_pane, from_template, 1);
    EXPECT_EQ(toggle_to_new_width(), without_pane);
    EXPECT_EQ(toggle_to_new_width(), with_pane);
    EXPECT_EQ(toggle_to_new_width(), without_pane);
    exit_program();
    EXPECT_EQ(stored_dword("shown"), 0u);

    start_program();
    EXPECT_EQ(window_width(program_.main_window()), without_pane) << "hidden after a restart too";
    save_screenshot(program_.main_window(), artifact_path("main-window-without-network.png"));
    exit_program();
}

TEST_F(Commands, NewMessagesAreSelectedOnlyWithMlrm) {
    store_dword("mlrm", 0);
    start_program();
    receive(1);
    EXPECT_TRUE(program_.rows()[0].selected) << "the first message of an empty list is selected";
    receive(1);
    std::vector<ListRow> rows = program_.rows();
    EXPECT_FALSE(rows[0].selected);
    EXPECT_TRUE(rows[1].selected) << "the selection stays where it was";
    exit_program();

    store_dword("mlrm", 1);
    start_program();
    receive(2);
    rows = program_.rows();
    EXPECT_TRUE(rows[0].selected);
    EXPECT_FALSE(rows[1].selected);
    exit_program();
}

TEST_F(Commands, AutoAnswerModeSwitchesAndIsKept) {
    store_string("aat", "Out of the office");
    start_program();
    program_.post_command(IDM_AUTO_ANSWER);
    exit_program();
    EXPECT_EQ(stored_dword("aam"), 1u);
    start_program();
    program_.post_command(IDM_AUTO_ANSWER);
    exit_program();
    EXPECT_EQ(stored_dword("aam"), 0u);
}

}  // namespace
