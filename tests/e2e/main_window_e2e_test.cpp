// The real program under Wine in the Windows 98 version: start, the main
// window, messages arriving through its mailslot, the second start, exit and
// minimise (Windows only, end to end).
#include <windows.h>
#include <commctrl.h>

#include <gtest/gtest.h>

#include "support/png_win.h"
#include "support/program_test_win.h"

namespace {

int child_count(HWND parent, const char* cls) {
    int count = 0;
    for (HWND child = FindWindowExA(parent, nullptr, cls, nullptr); child;
         child = FindWindowExA(parent, child, cls, nullptr)) {
        ++count;
    }
    return count;
}

using MainWindowTest = ProgramTest;

TEST_F(MainWindowTest, StartsWithEveryControlAndEmptyCounts) {
    start_program();
    HWND main = program_.main_window();
    EXPECT_EQ(program_.status_text(0), "Message(s): 0");
    EXPECT_EQ(program_.status_text(1), "Unread message(s): 0");
    EXPECT_EQ(child_count(main, TOOLBARCLASSNAMEA), 2);
    EXPECT_EQ(child_count(main, STATUSCLASSNAMEA), 2);
    HWND list = GetDlgItem(main, IDC_MESSAGE_LIST);
    HWND header = reinterpret_cast<HWND>(SendMessageA(list, LVM_GETHEADER, 0, 0));
    EXPECT_EQ(SendMessageA(header, HDM_GETITEMCOUNT, 0, 0), 3);
    EXPECT_NE(GetDlgItem(main, IDC_NETWORK_TREE), nullptr);
    EXPECT_TRUE(program_.rows().empty());
    save_screenshot(main, artifact_path("main-window-empty.png"));
    exit_program();
}

TEST_F(MainWindowTest, ListsMessagesNewestFirstWithRecipientAndTime) {
    start_program();
    ASSERT_TRUE(write_datagram(datagram("ALPHA", "BETA", "first")));
    ASSERT_TRUE(write_datagram(datagram("GAMMA", "*", "second")));
    ASSERT_TRUE(write_datagram(datagram("DELTA", "BETA", "third")));
    ASSERT_TRUE(wait_until([&] { return program_.rows().size() == 3; }));

    const std::vector<ListRow> rows = program_.rows();
    EXPECT_EQ(rows[0].from, "DELTA");
    EXPECT_EQ(rows[1].from, "GAMMA");
    EXPECT_EQ(rows[1].to, "*");
    EXPECT_EQ(rows[2].from, "ALPHA");
    EXPECT_EQ(rows[2].to, "BETA");
    for (const ListRow& row : rows) {
        EXPECT_EQ(row.image, 0) << "a new message is unread";
        ASSERT_EQ(row.time.size(), 8u) << row.time;
        EXPECT_EQ(row.time.find(' '), std::string::npos) << row.time;
        EXPECT_EQ(row.time[2], ':');
    }
    EXPECT_TRUE(rows[0].selected) << "the newest message is marked";
    EXPECT_EQ(program_.status_text(0), "Message(s): 3");
    EXPECT_EQ(program_.status_text(1), "Unread message(s): 3");
    save_screenshot(program_.main_window(), artifact_path("main-window-messages.png"));
    // The tray's unread picture, for looking at; tests/mainwnd checks which
    // picture the program hands to the tray.
    save_screenshot(nullptr, artifact_path("desktop-tray-unread.png"));
    exit_program();
}

TEST_F(MainWindowTest, SecondStartBringsTheFirstToTheFrontAndEnds) {
    start_program();
    ShowWindow(program_.main_window(), SW_MINIMIZE);
    ASSERT_TRUE(wait_until([&] { return IsIconic(program_.main_window()) != 0; }));

    ProgramDriver second;
    ASSERT_TRUE(second.start());
    const auto code = second.wait_exit(10000);
    ASSERT_TRUE(code.has_value());
    EXPECT_EQ(*code, 0u);
    EXPECT_TRUE(wait_until([&] { return !IsIconic(program_.main_window()); }))
        << "the first copy's window was not restored";
    exit_program();
}

TEST_F(MainWindowTest, MailslotOwnedByAnotherProgramStopsTheStart) {
    UniqueFile taken(CreateMailslotA("\\\\.\\mailslot\\messngr", 0, 0, nullptr));
    ASSERT_TRUE(taken);
    ASSERT_TRUE(program_.start());
    answer_box("Can't get mailslot handle !", IDOK);
    const auto code = program_.wait_exit(5000);
    ASSERT_TRUE(code.has_value());
    EXPECT_EQ(*code, static_cast<DWORD>(-1));
}

TEST_F(MainWindowTest, ExitAsksWhenToldToAndStoresThePosition) {
    store_dword("cone", 1);
    start_program();
    MoveWindow(program_.main_window(), 40, 30, 400, 300, TRUE);  // size is ignored below
    RECT placed{};
    GetWindowRect(program_.main_window(), &placed);

    program_.post_command(IDM_EXIT);
    answer_box("Do you really want to exit Quorvanta Messenger ?", IDNO);
    EXPECT_FALSE(program_.wait_exit(700).has_value()) << "No must keep the program running";

    program_.post_command(IDM_EXIT);
    answer_box("Do you really want to exit Quorvanta Messenger ?", IDYES);
    const auto code = program_.wait_exit(2000);
    ASSERT_TRUE(code.has_value()) << "Yes must end the program within about a second";
    EXPECT_EQ(*code, 0u);
    EXPECT_EQ(stored_dword("x_pos"), static_cast<DWORD>(placed.left));
    EXPECT_EQ(stored_dword("y_pos"), static_cast<DWORD>(placed.top));

    store_dword("cone", 0);
    ProgramDriver again;
    ASSERT_TRUE(again.start());
    ASSERT_TRUE(again.wait_ready());
    RECT restored{};
    GetWindowRect(again.main_window(), &restored);
    EXPECT_EQ(restored.left, placed.left);
    EXPECT_EQ(restored.top, placed.top);
    again.post_command(IDM_EXIT);
    EXPECT_TRUE(again.wait_exit(5000).has_value());
}

TEST_F(MainWindowTest, ExitFromTheTrayStoresTheNormalPosition) {
    store_dword("tray_only", 1);
    start_program();
    HWND main = program_.main_window();
    MoveWindow(main, 60, 50, 400, 300, TRUE);
    RECT placed{};
    GetWindowRect(main, &placed);
    PostMessageA(main, WM_SYSCOMMAND, SC_CLOSE, 0);
    ASSERT_TRUE(wait_until([&] { return IsIconic(main) && !IsWindowVisible(main); }));
    exit_program();
    EXPECT_EQ(stored_dword("x_pos"), static_cast<DWORD>(placed.left));
    EXPECT_EQ(stored_dword("y_pos"), static_cast<DWORD>(placed.top));
}

TEST_F(MainWindowTest, CloseBoxMinimisesAndTrayOnlyHides) {
    store_dword("tray_only", 1);
    start_program();
    HWND main = program_.main_window();
    PostMessageA(main, WM_SYSCOMMAND, SC_CLOSE, 0);
    ASSERT_TRUE(wait_until([&] { return !IsWindowVisible(main); }))
        << "with tray_only the minimised window hides";
    EXPECT_FALSE(program_.wait_exit(0).has_value()) << "closing must not end the program";

    PostMessageA(main, WM_TRAY_CALLBACK, 0, WM_LBUTTONDOWN);
    EXPECT_TRUE(wait_until([&] { return IsWindowVisible(main) && !IsIconic(main); }))
        << "a left click on the tray icon brings the window back";
    exit_program();
}

TEST_F(MainWindowTest, TrayLeftClickMinimisesTheActiveWindowAndRestoresIt) {
    start_program();
    HWND main = program_.main_window();
    PostMessageA(main, WM_TRAY_CALLBACK, 0, WM_LBUTTONDOWN);
    ASSERT_TRUE(wait_until([&] { return IsIconic(main) != 0; }))
        << "a click while the window is active minimises it";
    PostMessageA(main, WM_TRAY_CALLBACK, 0, WM_LBUTTONDOWN);
    EXPECT_TRUE(wait_until([&] { return !IsIconic(main) && IsWindowVisible(main); }));

    // Over an open dialog the click shows that dialog and hides nothing.
    receive(1);
    program_.post_command(IDM_VIEW);
    HWND view = wait_for_dialog("View Message");
    ASSERT_NE(view, nullptr);
    PostMessageA(main, WM_TRAY_CALLBACK, 0, WM_LBUTTONDOWN);
    Sleep(300);
    EXPECT_FALSE(IsIconic(main));
    EXPECT_TRUE(IsWindowVisible(view));
    PostMessageA(view, WM_COMMAND, MAKEWPARAM(IDCANCEL, BN_CLICKED), 0);
    ASSERT_TRUE(wait_until([&] { return !IsWindow(view); }));
    exit_program();
}

TEST_F(MainWindowTest, CloseBoxLeavesAMinimisedWindowWithoutTrayOnly) {
    start_program();
    HWND main = program_.main_window();
    PostMessageA(main, WM_SYSCOMMAND, SC_CLOSE, 0);
    ASSERT_TRUE(wait_until([&] { return IsIconic(main) != 0; }));
    EXPECT_TRUE(IsWindowVisible(main));
    exit_program();
}

// The private insert (1026) and network step (1027) messages carry pointers
// into the program: from another program they are ignored, even when they
// point at a well-formed row in the program's memory.
TEST_F(MainWindowTest, PrivateMessagesFromAnotherProgramAreIgnored) {
    start_program();
    HWND main = program_.main_window();
    char* remote = static_cast<char*>(
        VirtualAllocEx(program_.process(), nullptr, 4096, MEM_COMMIT, PAGE_READWRITE));
    ASSERT_NE(remote, nullptr);
    LVITEMA row{};
    row.mask = LVIF_TEXT | LVIF_PARAM;
    row.pszText = remote + 1024;
    row.lParam = reinterpret_cast<LPARAM>(remote + 2048);  // zeroes, not a record
    ASSERT_TRUE(WriteProcessMemory(program_.process(), remote, &row, sizeof row, nullptr));
    ASSERT_TRUE(WriteProcessMemory(program_.process(), remote + 1024, "FORGED", 7, nullptr));

    for (UINT message : {WM_USER + 2, WM_USER + 3}) {
        for (WPARAM token : {WPARAM{0}, WPARAM{1}, WPARAM{2}}) {
            DWORD_PTR result = 0;
            SendMessageTimeoutA(main, message, token, reinterpret_cast<LPARAM>(remote), SMTO_NORMAL,
                                2000, &result);
        }
    }
    EXPECT_EQ(WaitForSingleObject(program_.process(), 200), static_cast<DWORD>(WAIT_TIMEOUT))
        << "the program ended";
    EXPECT_EQ(program_.row_count(), 0);
    receive(1);
    exit_program();
}

}  // namespace
