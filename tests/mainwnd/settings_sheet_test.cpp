// The settings sheet from the program's own templates, opened over a
// stand-in main window on its own thread and driven from the test's thread
// as a user would: clicks, typing, page changes, OK and Cancel; the options
// checked afterwards (Windows only).
#include <windows.h>

#include <commctrl.h>
#include <gtest/gtest.h>

#include <string>
#include <thread>
#include <vector>

#include "mainwnd/main_window_win.h"
#include "mainwnd/settings_sheet_win.h"
#include "resources/resource.h"
#include "settings/options.h"
#include "support/polling_win.h"
#include "support/save_dialog_win.h"

namespace {

const char kSheetCaption[] = "Messenger Properties:";

enum { kIgnore, kPopup, kMessages, kMisc };

std::vector<std::string> list_items(HWND list) {
    std::vector<std::string> items;
    const LRESULT count = SendMessageA(list, LB_GETCOUNT, 0, 0);
    for (LRESULT i = 0; i < count; ++i) {
        char text[256] = {};
        SendMessageA(list, LB_GETTEXT, i, reinterpret_cast<LPARAM>(text));
        items.emplace_back(text);
    }
    return items;
}

std::vector<std::string> strings(const StringList& list) {
    return {list.begin(), list.end()};
}

class SettingsSheet : public ::testing::Test {
protected:
    static void SetUpTestSuite() {
        InitCommonControls();
        HINSTANCE instance = GetModuleHandleA(nullptr);
        g_main.main_menu = LoadMenuA(instance, MAKEINTRESOURCEA(IDM_MAIN));
        g_main.tray_menu.reset(LoadMenuA(instance, MAKEINTRESOURCEA(IDM_TRAY)));
    }

    void SetUp() override {
        ScopedLock lists(g_lists_lock);
        ScopedLock options(g_options_lock);
        g_options = Options{};
    }

    void TearDown() override {
        if (ui_.joinable()) press(PSBTN_CANCEL);
    }

    // Opens the sheet over a stand-in main window, as the Settings command
    // does, and waits until it shows.
    void open() {
        ui_ = std::thread([] {
            HWND owner = CreateWindowExA(0, "STATIC", "Owner", WS_OVERLAPPED | WS_VISIBLE, 100, 80,
                                         500, 400, nullptr, nullptr, nullptr, nullptr);
            open_settings_sheet(owner);
            DestroyWindow(owner);
        });
        sheet_ = wait_for_window(GetCurrentProcessId(), kSheetCaption);
        ASSERT_NE(sheet_, nullptr) << "the settings sheet did not show";
    }

    // OK or Cancel; returns once the sheet has closed.
    void press(int button) {
        PostMessageA(sheet_, PSM_PRESSBUTTON, button, 0);
        ui_.join();
    }

    void select(int index) const { SendMessageA(sheet_, PSM_SETCURSEL, index, 0); }
    int current_index() const {
        auto page = reinterpret_cast<WPARAM>(page_window());
        return static_cast<int>(SendMessageA(sheet_, PSM_HWNDTOINDEX, page, 0));
    }
    HWND page_window() const {
        return reinterpret_cast<HWND>(SendMessageA(sheet_, PSM_GETCURRENTPAGEHWND, 0, 0));
    }
    HWND item(int id) const { return GetDlgItem(page_window(), id); }

    // A user clicks only what is enabled.
    void click(int id) const {
        ASSERT_TRUE(IsWindowEnabled(item(id))) << "control " << id << " is greyed";
        SendMessageA(item(id), BM_CLICK, 0, 0);
    }
    void type(int id, const char* text) const {
        SendMessageA(item(id), WM_SETTEXT, 0, reinterpret_cast<LPARAM>(text));
    }
    void add(int edit, int add_button, const char* text) const {
        type(edit, text);
        click(add_button);
    }
    bool is_checked(int id) const {
        return SendMessageA(item(id), BM_GETCHECK, 0, 0) == BST_CHECKED;
    }
    bool is_enabled(int id) const { return IsWindowEnabled(item(id)) != FALSE; }
    int selection(int list) const {
        return static_cast<int>(SendMessageA(item(list), LB_GETCURSEL, 0, 0));
    }

    static UINT tray_state(UINT command) {
        return GetMenuState(g_main.tray_menu.get(), command, MF_BYCOMMAND) & MF_GRAYED;
    }
    static bool auto_answer_checked() {
        return (GetMenuState(g_main.main_menu, IDM_AUTO_ANSWER, MF_BYCOMMAND) & MF_CHECKED) != 0;
    }

    std::thread ui_;
    HWND sheet_ = nullptr;
};

TEST_F(SettingsSheet, OpensOnTheStoredPageAndStoresTheLastOneShown) {
    g_options.start_p = 3;
    open();
    EXPECT_EQ(current_index(), kMisc);
    for (UINT command : {IDM_SETTINGS, IDM_ABOUT, IDM_EXIT})
        EXPECT_EQ(tray_state(command), static_cast<UINT>(MF_GRAYED)) << command;

    select(kPopup);
    press(PSBTN_CANCEL);
    EXPECT_EQ(g_options.start_p, 1);
    for (UINT command : {IDM_SETTINGS, IDM_ABOUT, IDM_EXIT})
        EXPECT_EQ(tray_state(command), 0u);

    // 4 and 5 survive the load but name no page.
    g_options.start_p = 5;
    open();
    EXPECT_EQ(current_index(), kIgnore);
    press(PSBTN_OK);
    EXPECT_EQ(g_options.start_p, 0);
}

// The first-version sizes, which the common controls of every system accept;
// the sheet above opened with them.
TEST(SettingsSheetSetup, PassesTheFirstVersionSizes) {
    SettingsSheetSetup setup;
    describe_settings_sheet(nullptr, 2, setup);
    EXPECT_EQ(setup.header.dwSize, PROPSHEETHEADERA_V1_SIZE);
    EXPECT_EQ(setup.header.nPages, 4u);
    EXPECT_EQ(setup.header.nStartPage, 2u);
    EXPECT_EQ(static_cast<const void*>(setup.header.ppsp), setup.pages);
    EXPECT_EQ(sizeof setup.pages[0], PROPSHEETPAGEA_V1_SIZE) << "the step from page to page";
    for (const PROPSHEETPAGEA_V1& page : setup.pages)
        EXPECT_EQ(page.dwSize, PROPSHEETPAGEA_V1_SIZE);
}

TEST_F(SettingsSheet, IgnoreFlagsNeedACheckAndAnEntry) {
    open();
    click(IDC_IGNORE_FROM_CHECK);
    EXPECT_TRUE(is_enabled(IDC_IGNORE_FROM_EDIT));
    EXPECT_TRUE(is_enabled(IDC_IGNORE_FROM_DELETE));
    EXPECT_FALSE(is_enabled(IDC_IGNORE_FROM_ADD)) << "Add waits for text";
    click(IDC_IGNORE_TO_CHECK);
    add(IDC_IGNORE_TO_EDIT, IDC_IGNORE_TO_ADD, "BOB");
    press(PSBTN_OK);
    EXPECT_EQ(g_options.iff, 0) << "checked with an empty list";
    EXPECT_EQ(g_options.itf, 1);
    EXPECT_EQ(strings(g_options.itl), std::vector<std::string>{"BOB"});

    open();
    EXPECT_FALSE(is_checked(IDC_IGNORE_FROM_CHECK));
    for (int id :
         {IDC_IGNORE_FROM_EDIT, IDC_IGNORE_FROM_LIST, IDC_IGNORE_FROM_ADD, IDC_IGNORE_FROM_DELETE})
        EXPECT_FALSE(is_enabled(id)) << id;
    EXPECT_TRUE(is_checked(IDC_IGNORE_TO_CHECK));
    EXPECT_TRUE(is_enabled(IDC_IGNORE_TO_LIST));
    // Unchecking empties the edit and greys the column.
    type(IDC_IGNORE_TO_EDIT, "EVE");
    EXPECT_TRUE(is_enabled(IDC_IGNORE_TO_ADD));
    click(IDC_IGNORE_TO_CHECK);
    EXPECT_EQ(window_text(item(IDC_IGNORE_TO_EDIT)), "");
    EXPECT_FALSE(is_enabled(IDC_IGNORE_TO_LIST));
    EXPECT_FALSE(is_enabled(IDC_IGNORE_TO_ADD));
    press(PSBTN_OK);
    EXPECT_EQ(g_options.itf, 0);
    EXPECT_EQ(strings(g_options.itl), std::vector<std::string>{"BOB"});
}

TEST_F(SettingsSheet, AddSkipsKnownNamesAndDeleteMovesTheSelection) {
    open();
    // The Containing edit keeps letter case as typed (the name edits turn
    // everything upper-case).
    click(IDC_IGNORE_TEXT_CHECK);
    add(IDC_IGNORE_TEXT_EDIT, IDC_IGNORE_TEXT_ADD, "Buy now");
    add(IDC_IGNORE_TEXT_EDIT, IDC_IGNORE_TEXT_ADD, "BUY NOW");
    EXPECT_EQ(window_text(item(IDC_IGNORE_TEXT_EDIT)), "BUY NOW") << "the edit keeps its text";
    EXPECT_EQ(list_items(item(IDC_IGNORE_TEXT_LIST)), std::vector<std::string>{"Buy now"});

    click(IDC_IGNORE_FROM_CHECK);
    for (const char* name : {"ANN", "BOB", "CID"})
        add(IDC_IGNORE_FROM_EDIT, IDC_IGNORE_FROM_ADD, name);
    HWND list = item(IDC_IGNORE_FROM_LIST);
    EXPECT_EQ(list_items(list), (std::vector<std::string>{"ANN", "BOB", "CID"}));

    SendMessageA(list, LB_SETCURSEL, 2, 0);
    click(IDC_IGNORE_FROM_DELETE);
    EXPECT_EQ(list_items(list), (std::vector<std::string>{"ANN", "BOB"}));
    EXPECT_EQ(selection(IDC_IGNORE_FROM_LIST), 0) << "after the last, the first";

    add(IDC_IGNORE_FROM_EDIT, IDC_IGNORE_FROM_ADD, "DAN");
    SendMessageA(list, LB_SETCURSEL, 1, 0);
    click(IDC_IGNORE_FROM_DELETE);
    EXPECT_EQ(list_items(list), (std::vector<std::string>{"ANN", "DAN"}));
    EXPECT_EQ(selection(IDC_IGNORE_FROM_LIST), 1) << "the entry that moved up";

    SendMessageA(list, LB_SETCURSEL, 0, 0);
    click(IDC_IGNORE_FROM_DELETE);
    click(IDC_IGNORE_FROM_DELETE);
    EXPECT_TRUE(list_items(list).empty()) << "the only entry, selected after the first went";
    EXPECT_EQ(selection(IDC_IGNORE_FROM_LIST), LB_ERR);
}

TEST_F(SettingsSheet, IgnoreListsSurviveCancelButTheirChecksDoNot) {
    open();
    click(IDC_IGNORE_TEXT_CHECK);
    add(IDC_IGNORE_TEXT_EDIT, IDC_IGNORE_TEXT_ADD, "Buy now");
    press(PSBTN_CANCEL);
    EXPECT_EQ(strings(g_options.icl), std::vector<std::string>{"Buy now"}) << "mixed case kept";
    EXPECT_EQ(g_options.icf, 0);

    g_options.icf = 1;
    open();
    EXPECT_TRUE(is_checked(IDC_IGNORE_TEXT_CHECK));
    click(IDC_IGNORE_TEXT_CHECK);
    select(kMessages);  // the Ignore page lives on, unseen
    press(PSBTN_CANCEL);
    EXPECT_EQ(g_options.icf, 1);
    EXPECT_EQ(strings(g_options.icl), std::vector<std::string>{"Buy now"});
}

TEST_F(SettingsSheet, ShowsAndKeepsNoMoreThanAListMayHold) {
    for (int i = 0; i < 5000; ++i)
        g_options.ifl.append_copy(std::string_view("NAME" + std::to_string(i)));
    g_options.iff = 1;
    open();
    const std::vector<std::string> shown = list_items(item(IDC_IGNORE_FROM_LIST));
    ASSERT_EQ(shown.size(), 1000u);
    EXPECT_EQ(shown.back(), "NAME999");
    press(PSBTN_CANCEL);
    EXPECT_EQ(g_options.ifl.count(), 1000);
}

TEST_F(SettingsSheet, PopupFromNobodyIsNoPopup) {
    g_options.start_p = kPopup;
    open();
    const int from_controls[] = {IDC_POPUP_EDIT, IDC_POPUP_LIST, IDC_POPUP_ADD, IDC_POPUP_DELETE};
    EXPECT_TRUE(is_checked(IDC_POPUP_NEVER));
    for (int id : from_controls)
        EXPECT_FALSE(is_enabled(id)) << id;
    click(IDC_POPUP_FROM);
    for (int id : from_controls)
        EXPECT_TRUE(is_enabled(id)) << id;
    click(IDC_POPUP_TRAY_ONLY);
    press(PSBTN_OK);
    EXPECT_EQ(g_options.ppmode, 1);
    EXPECT_EQ(g_options.tray_only, 1);

    open();
    click(IDC_POPUP_FROM);
    add(IDC_POPUP_EDIT, IDC_POPUP_ADD, "ANN");
    press(PSBTN_OK);
    EXPECT_EQ(g_options.ppmode, 2);
    EXPECT_EQ(strings(g_options.ppfroml), std::vector<std::string>{"ANN"});
}

TEST_F(SettingsSheet, MessagesNumberFallsBackToTwoAndIsReadInEveryMode) {
    g_options.start_p = kMessages;
    g_options.showmmode = 2;
    g_options.dnum = 9;
    open();
    EXPECT_EQ(window_text(item(IDC_MESSAGES_NUMBER)), "9");
    EXPECT_TRUE(is_enabled(IDC_MESSAGES_NUMBER));
    type(IDC_MESSAGES_NUMBER, "");
    click(IDC_MESSAGES_SHOW_ALL);
    EXPECT_EQ(window_text(item(IDC_MESSAGES_NUMBER)), "2");
    EXPECT_FALSE(is_enabled(IDC_MESSAGES_NUMBER));
    click(IDC_MESSAGES_DELETES);
    click(IDC_MESSAGES_COPY);
    press(PSBTN_OK);
    EXPECT_EQ(g_options.showmmode, 0);
    EXPECT_EQ(g_options.dnum, 2);
    EXPECT_EQ(g_options.defact, 2);
    EXPECT_EQ(g_options.mcopy, 1);
}

TEST(DuplicateCount, ReadsTheLeadingNumberOfTheFirst19Characters) {
    const std::pair<const char*, int> cases[] = {
        {"  +12x3", 12},
        {"", 0},
        {"abc", 0},
        {"-5", 0},
        {"2147483648", 2147483647},
        {"9999999999999999999", 2147483647},        // 19 digits: beyond 64 bits
        {"9999999999999999999999999", 2147483647},  // 25, of which 19 are read
        {"000000000000000000042", 0},               // the 42 lies beyond 19
    };
    for (const auto& [text, number] : cases)
        EXPECT_EQ(parse_duplicate_count(text), number) << text;
}

TEST_F(SettingsSheet, AutoAnswerNeedsATextAndChecksTheMenuAtOnce) {
    g_options.start_p = kMisc;
    open();
    click(IDC_MISC_AUTO_ANSWER);
    EXPECT_EQ(window_text(item(IDC_MISC_AUTO_ANSWER)), "On");
    press(PSBTN_OK);
    EXPECT_EQ(g_options.aam, 0) << "no text, no auto-answer";
    EXPECT_FALSE(g_options.aat.has_value());
    EXPECT_FALSE(auto_answer_checked());

    open();
    EXPECT_EQ(window_text(item(IDC_MISC_AUTO_ANSWER)), "Off");
    click(IDC_MISC_AUTO_ANSWER);
    type(IDC_MISC_AUTO_TEXT, "Out until noon.\r\nBack soon");
    press(PSBTN_OK);
    EXPECT_EQ(g_options.aam, 1);
    EXPECT_EQ(g_options.aat, "Out until noon.\r\nBack soon");
    EXPECT_TRUE(auto_answer_checked());
}

TEST_F(SettingsSheet, DeleteMessageGreysDeleteAllButKeepsItsCheck) {
    g_options.start_p = kMisc;
    open();
    EXPECT_TRUE(is_checked(IDC_MISC_EXIT));
    EXPECT_TRUE(is_checked(IDC_MISC_DELETE_ALL));
    EXPECT_TRUE(is_checked(IDC_MISC_CLOSE_ON_CANCEL));
    click(IDC_MISC_DELETE);
    EXPECT_FALSE(is_enabled(IDC_MISC_DELETE_ALL));
    EXPECT_TRUE(is_checked(IDC_MISC_DELETE_ALL));
    click(IDC_MISC_EXIT);
    click(IDC_MISC_CLOSE_ON_SENT);
    click(IDC_MISC_MARK_LAST);
    press(PSBTN_OK);
    EXPECT_EQ(g_options.cond, 1);
    EXPECT_EQ(g_options.conda, 1);
    EXPECT_EQ(g_options.cone, 0);
    EXPECT_EQ(g_options.dcsd, 0);
    EXPECT_EQ(g_options.mlrm, 0);

    g_options.conda = 0;
    open();
    EXPECT_TRUE(is_checked(IDC_MISC_DELETE));
    EXPECT_FALSE(is_enabled(IDC_MISC_DELETE_ALL));
    EXPECT_FALSE(is_checked(IDC_MISC_DELETE_ALL));
    click(IDC_MISC_DELETE);
    EXPECT_TRUE(is_enabled(IDC_MISC_DELETE_ALL));
    press(PSBTN_OK);
    EXPECT_EQ(g_options.cond, 0);
}

// A name server address that does not parse is refused where it was typed:
// a box says why, the sheet stays open on the field, nothing is stored.
TEST_F(SettingsSheet, NameServerIsAnAddressOrEmpty) {
    g_options.start_p = kMisc;
    g_options.wins = "10.0.0.1";
    open();
    EXPECT_EQ(window_text(item(IDC_MISC_NAME_SERVER)), "10.0.0.1");
    type(IDC_MISC_NAME_SERVER, "10.0.0.256");
    PostMessageA(sheet_, PSM_PRESSBUTTON, PSBTN_OK, 0);
    HWND box = wait_for_box_saying(GetCurrentProcessId(), "IPv4 address");
    ASSERT_NE(box, nullptr) << "no box refused the address";
    PostMessageA(box, WM_COMMAND, MAKEWPARAM(IDOK, BN_CLICKED), 0);
    ASSERT_TRUE(wait_gone(box));
    GUITHREADINFO gui{};
    gui.cbSize = sizeof gui;
    const DWORD sheet_thread = GetWindowThreadProcessId(sheet_, nullptr);
    wait_until([&] {
        return GetGUIThreadInfo(sheet_thread, &gui) && gui.hwndFocus == item(IDC_MISC_NAME_SERVER);
    });
    EXPECT_EQ(gui.hwndFocus, item(IDC_MISC_NAME_SERVER)) << "the focus is back on the field";
    EXPECT_TRUE(IsWindowVisible(sheet_)) << "the sheet stays open";
    EXPECT_EQ(current_index(), kMisc);
    EXPECT_EQ(g_options.wins, "10.0.0.1");

    type(IDC_MISC_NAME_SERVER, " 192.168.2.1 ");
    press(PSBTN_OK);
    EXPECT_EQ(g_options.wins, "192.168.2.1");
    open();
    type(IDC_MISC_NAME_SERVER, "");
    press(PSBTN_OK);
    EXPECT_EQ(g_options.wins, "");
}

}  // namespace
