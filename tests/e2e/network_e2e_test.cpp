// The network tree of the real program under Wine, fed by the stand-in
// network provider: Rescan Network, the scan state of its button and menu
// item, double-clicks and the network toolbar's button (Windows only, end to
// end).
#include <windows.h>
#include <commctrl.h>

#include <gtest/gtest.h>

#include "netbrowse/standin/scripted_network_win.h"
#include "support/png_win.h"
#include "support/program_test_win.h"
#include "support/tree_reader_win.h"

namespace {

constexpr char kOffice[] =
    "group SALES\ncomputer PC1\ncomputer PC2\n"
    "group LAB\ncomputer BUILDSERVER\ncomputer MEASURINGSTATION2\n"
    "group OFFICE\ncomputer Sales\ncomputer PC1\ncomputer PRINTER\n";

class NetworkTreeTest : public ProgramTest {
protected:
    void SetUp() override {
        ASSERT_TRUE(network_.registered()) << "the stand-in provider could not be registered";
        ProgramTest::SetUp();
    }

    void start_program() {
        ProgramTest::start_program();
        tree_ = GetDlgItem(program_.main_window(), IDC_NETWORK_TREE);
        toolbar_ = network_toolbar(program_.main_window());
        ASSERT_NE(toolbar_, nullptr);
    }

    bool rescan_button_enabled() const {
        return SendMessageA(toolbar_, TB_ISBUTTONENABLED, IDM_RESCAN, 0) != 0;
    }
    std::string network_status() const {
        return status_bar_text(program_.process(), network_status_bar(program_.main_window()));
    }
    // Rescan Network and its end as the user sees it.
    void rescan_and_wait() {
        SendMessageA(network_status_bar(program_.main_window()), WM_SETTEXT, 0,
                     reinterpret_cast<LPARAM>(""));
        program_.post_command(IDM_RESCAN);
        ASSERT_TRUE(
            wait_until([&] { return network_status().rfind("Scanning: ", 0) == 0; }, 10000));
        ASSERT_TRUE(wait_until([&] { return rescan_button_enabled(); }, 3000));
    }

    ScriptedNetwork network_;
    HWND tree_ = nullptr;
    HWND toolbar_ = nullptr;
};

TEST_F(NetworkTreeTest, RescanFillsTheTreeAndUpdatesItInPlace) {
    ASSERT_TRUE(network_.write(kOffice));
    start_program();
    EXPECT_TRUE(tree_lines(program_.process(), tree_).empty()) << "no scan before Rescan";
    EXPECT_TRUE(rescan_button_enabled());

    rescan_and_wait();
    // Each workgroup lists its own computers; names are shown whole.
    const std::vector<std::string> office{
        "SALES",  "  PC1",   "  PC2", "LAB",      "  BUILDSERVER", "  MEASURINGSTATION2",
        "OFFICE", "  Sales", "  PC1", "  PRINTER"};
    EXPECT_EQ(tree_lines(program_.process(), tree_), office);
    EXPECT_EQ(network_status(), "Scanning: DONE!");
    for (HTREEITEM item : {tree_item(tree_, 0), tree_item(tree_, 1), tree_item(tree_, 2)}) {
        SendMessageA(tree_, TVM_EXPAND, TVE_EXPAND, reinterpret_cast<LPARAM>(item));
    }
    Sleep(300);  // the tree repaints on the program's own thread
    save_screenshot(program_.main_window(), artifact_path("network-tree.png"));

    rescan_and_wait();
    EXPECT_EQ(tree_lines(program_.process(), tree_), office) << "an unchanged network";

    // A workgroup that cannot be listed keeps its computers; a name longer
    // than one batch of the enumeration holds is asked for again.
    const std::string long_name(9000, 'L');
    ASSERT_TRUE(
        network_.write("group LAB\nunlisted\ngroup NEWGROUP\ncomputer PC9\n"
                       "group SALES\ncomputer " +
                       long_name + "\ncomputer PC2\ncomputer PC3\n"));
    rescan_and_wait();
    EXPECT_EQ(network_status(), "Scanning: DONE!");
    std::vector<std::string> lines = tree_lines(program_.process(), tree_);
    for (std::string& line : lines)
        if (line.size() > 100) line = line.substr(0, 6) + "...";
    EXPECT_EQ(lines, (std::vector<std::string>{"SALES", "  PC2", "  LLLL...", "  PC3", "LAB",
                                               "  BUILDSERVER", "  MEASURINGSTATION2", "NEWGROUP",
                                               "  PC9"}));
    exit_program();
}

TEST_F(NetworkTreeTest, RescanIsDisabledWhileTheScanRuns) {
    ASSERT_TRUE(network_.write(std::string("delay 1500\n") + kOffice));
    start_program();
    // The menu item shares the button's state (one scan-state switch sets
    // both); Wine cannot read another process's menus, so the button stands
    // for both here.
    program_.post_command(IDM_RESCAN);
    ASSERT_TRUE(wait_until([&] { return network_status() == "Scanning:"; }));
    EXPECT_FALSE(rescan_button_enabled());

    ASSERT_TRUE(wait_until([&] { return network_status() == "Scanning: DONE!"; }, 10000));
    const DWORD done = GetTickCount();
    ASSERT_TRUE(wait_until([&] { return rescan_button_enabled(); }, 3000));
    EXPECT_LE(GetTickCount() - done, 1500u) << "the timer sees the end within about a second";
    exit_program();
}

TEST_F(NetworkTreeTest, SelectionEnablesTheNetworkToolbarsSendButton) {
    ASSERT_TRUE(network_.write(kOffice));
    start_program();
    rescan_and_wait();
    EXPECT_FALSE(SendMessageA(toolbar_, TB_ISBUTTONENABLED, IDM_NEW, 0));
    SendMessageA(tree_, TVM_SELECTITEM, TVGN_CARET, reinterpret_cast<LPARAM>(tree_item(tree_, 1)));
    EXPECT_TRUE(
        wait_until([&] { return SendMessageA(toolbar_, TB_ISBUTTONENABLED, IDM_NEW, 0) != 0; }));
    exit_program();
}

// Needs the Send dialog (template 121), which lives on its own branch; runs
// once the program has it.
TEST_F(NetworkTreeTest, DoubleClickAndSendButtonAddressTheSendDialog) {
    if (!program_has_dialog(121)) GTEST_SKIP() << "this program has no Send dialog yet";
    ASSERT_TRUE(network_.write(kOffice));
    start_program();
    rescan_and_wait();
    HTREEITEM lab = tree_item(tree_, 1);
    SendMessageA(tree_, TVM_EXPAND, TVE_EXPAND, reinterpret_cast<LPARAM>(lab));
    HTREEITEM station = reinterpret_cast<HTREEITEM>(SendMessageA(
        tree_, TVM_GETNEXTITEM, TVGN_NEXT,
        SendMessageA(tree_, TVM_GETNEXTITEM, TVGN_CHILD, reinterpret_cast<LPARAM>(lab))));
    ASSERT_NE(station, nullptr);
    ASSERT_TRUE(double_click_item(program_.process(), tree_, station));

    HWND send = wait_for_dialog("Send Message");
    ASSERT_NE(send, nullptr);
    EXPECT_EQ(window_text(GetDlgItem(send, 1006)), "MEASURINGSTATIO") << "cut to 15 characters";
    EXPECT_FALSE(IsWindowVisible(GetDlgItem(send, 1029)));
    cancel(send);

    PostMessageA(program_.main_window(), WM_COMMAND, MAKEWPARAM(IDM_NEW, 0),
                 reinterpret_cast<LPARAM>(toolbar_));
    ASSERT_NE(send = wait_for_dialog("Send Message"), nullptr);
    EXPECT_EQ(window_text(GetDlgItem(send, 1006)), "MEASURINGSTATIO");
    EXPECT_TRUE(IsWindowVisible(GetDlgItem(send, 1029))) << "Broadcast to all";
    cancel(send);
    exit_program();
}

}  // namespace
