// The main window in this process, from the program's own template, with
// messages handed to it from a second thread as the receiver does, at chosen
// moments: while a confirmation is shown, while a command waits for the
// shell, while a dialog is open (Windows only).
#include <windows.h>
#include <commctrl.h>

#include <gtest/gtest.h>

#include <atomic>
#include <cstdio>
#include <ctime>
#include <functional>
#include <string>
#include <vector>

#include "core/process_state.h"
#include "incoming/incoming.h"
#include "mainwnd/commands_win.h"
#include "mainwnd/main_dialog_win.h"
#include "mainwnd/main_window_win.h"
#include "mainwnd/message_store_win.h"
#include "mainwnd/ui_state_win.h"
#include "mainwnd/waits_win.h"
#include "resources/resource.h"
#include "settings/options.h"

namespace {

// Runs `body` on a thread of its own; the caller keeps handling sent
// messages until it ends, as the user-interface thread does.
class Helper {
public:
    explicit Helper(std::function<void()> body) : body_(std::move(body)) {
        thread_ = CreateThread(nullptr, 0, run, this, 0, nullptr);
    }
    ~Helper() {
        finish();
        CloseHandle(thread_);
    }
    Helper(const Helper&) = delete;
    Helper& operator=(const Helper&) = delete;

    HANDLE handle() const { return thread_; }
    void finish() { wait_handling_sent_messages(thread_, 10000); }

private:
    static DWORD WINAPI run(void* self) {
        static_cast<Helper*>(self)->body_();
        return 0;
    }
    std::function<void()> body_;
    HANDLE thread_ = nullptr;
};

// One message through incoming processing to the main window, as the
// receiver thread hands it over.
void deliver(const char* from) {
    IncomingProcessor processor(*receiver_store());
    processor.process_incoming(
        new_record(from, "ME", "text", static_cast<int32_t>(std::time(nullptr))));
}

// The shell's tray call handles the messages other threads send meanwhile;
// `during_tray_call` runs there once when set.
std::function<void()> g_during_tray_call;
// The picture of the last tray call that set one.
std::atomic<HICON> g_tray_icon = nullptr;

BOOL WINAPI tray_stand_in(DWORD, PNOTIFYICONDATAA data) {
    if (data->uFlags & NIF_ICON) g_tray_icon = data->hIcon;
    if (g_during_tray_call) {
        std::function<void()> once = std::move(g_during_tray_call);
        g_during_tray_call = nullptr;
        once();
    }
    MSG msg;
    PeekMessageA(&msg, nullptr, 0, 0, PM_NOREMOVE | PM_QS_SENDMESSAGE);
    return TRUE;
}

// Dispatches what is queued for this thread, posted messages included.
void pump() {
    MSG msg;
    while (PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE)) {
        if (msg.message == WM_QUIT) continue;
        TranslateMessage(&msg);
        DispatchMessageA(&msg);
    }
}

struct Find {
    std::string text;
    HWND found = nullptr;
};

BOOL CALLBACK child_with_text(HWND child, LPARAM param) {
    auto* find = reinterpret_cast<Find*>(param);
    char text[256] = {};
    GetWindowTextA(child, text, sizeof text);
    if (std::string(text).find(find->text) == std::string::npos) return TRUE;
    find->found = child;
    return FALSE;
}

BOOL CALLBACK window_with_text(HWND window, LPARAM param) {
    auto* find = reinterpret_cast<Find*>(param);
    if (window == g_main.dialog || !IsWindowVisible(window)) return TRUE;
    char text[256] = {};
    GetWindowTextA(window, text, sizeof text);
    Find inner{find->text};
    if (std::string(text).find(find->text) == std::string::npos)
        EnumChildWindows(window, child_with_text, reinterpret_cast<LPARAM>(&inner));
    else
        inner.found = window;
    if (!inner.found) return TRUE;
    find->found = window;
    return FALSE;
}

// Counts the windows of `thread` other than the main one that say `text`.
int windows_saying(DWORD thread, const std::string& text) {
    int count = 0;
    for (HWND window = GetTopWindow(nullptr); window; window = GetWindow(window, GW_HWNDNEXT)) {
        if (GetWindowThreadProcessId(window, nullptr) != thread) continue;
        Find find{text};
        window_with_text(window, reinterpret_cast<LPARAM>(&find));
        if (find.found) ++count;
    }
    return count;
}

HWND wait_for_window(DWORD thread, const std::string& text, DWORD timeout_ms = 5000) {
    for (DWORD waited = 0; waited <= timeout_ms; waited += 20) {
        Find find{text};
        EnumThreadWindows(thread, window_with_text, reinterpret_cast<LPARAM>(&find));
        if (find.found) return find.found;
        Sleep(20);
    }
    return nullptr;
}

class MainWindowInProcess : public ::testing::Test {
protected:
    void SetUp() override {
        INITCOMMONCONTROLSEX controls{sizeof controls, 0xFF};
        InitCommonControlsEx(&controls);
        g_options = Options{};
        g_options.cone = 0;
        g_options.shown = 1;
        g_platform_flag = 0;
        set_tray_notify(tray_stand_in);
        g_tray_icon = nullptr;
        ui_thread_ = GetCurrentThreadId();
        dialog_ = CreateDialogParamA(GetModuleHandleA(nullptr), MAKEINTRESOURCEA(IDD_MAIN), nullptr,
                                     main_dialog_proc, 0);
        ASSERT_NE(dialog_, nullptr);
    }
    void TearDown() override {
        g_options.cond = 0;
        g_options.conda = 0;
        command(IDM_DELETE_ALL);
        command(IDM_EXIT);
        DestroyWindow(dialog_);
        pump();
        set_tray_notify(nullptr);
        g_during_tray_call = nullptr;
    }

    void command(int id) { handle_command(dialog_, id, nullptr, 0); }

    void receive(const char* from) {
        Helper receiver([from] { deliver(from); });
        receiver.finish();
        pump();
    }

    std::vector<std::string> senders() const {
        std::vector<std::string> names;
        const int count = static_cast<int>(SendMessageA(g_main.list, LVM_GETITEMCOUNT, 0, 0));
        for (int row = 0; row < count; ++row) {
            char text[64] = {};
            LVITEMA item{};
            item.pszText = text;
            item.cchTextMax = sizeof text;
            SendMessageA(g_main.list, LVM_GETITEMTEXTA, row, reinterpret_cast<LPARAM>(&item));
            names.push_back(text);
        }
        return names;
    }

    std::string status(int part) const {
        char text[64] = {};
        SendMessageA(g_main.status_bar, SB_GETTEXTA, part, reinterpret_cast<LPARAM>(text));
        return text;
    }

    // Rows, the status bar's counts and the message commands' enabled state
    // agree; the failure says how they differ.
    ::testing::AssertionResult shows_the_list() const {
        const int count = static_cast<int>(SendMessageA(g_main.list, LVM_GETITEMCOUNT, 0, 0));
        int unread = 0;
        for (int row = 0; row < count; ++row) {
            LVITEMA item{};
            item.mask = LVIF_IMAGE;
            item.iItem = row;
            SendMessageA(g_main.list, LVM_GETITEMA, 0, reinterpret_cast<LPARAM>(&item));
            if (item.iImage == 0) ++unread;
        }
        const bool view_enabled =
            SendMessageA(g_main.message_toolbar, TB_ISBUTTONENABLED, IDM_VIEW, 0) != 0;
        char expected[96];
        std::snprintf(expected, sizeof expected, "%d rows, Message(s): %d / Unread message(s): %d",
                      count, count, unread);
        const std::string shown = std::to_string(count) + " rows, " + status(0) + " / " + status(1);
        if (shown != expected)
            return ::testing::AssertionFailure() << "expected " << expected << ", shown " << shown;
        if (view_enabled != (count > 0))
            return ::testing::AssertionFailure()
                   << count << " rows, View " << (view_enabled ? "enabled" : "greyed");
        return ::testing::AssertionSuccess();
    }

    DWORD ui_thread_ = 0;
    HWND dialog_ = nullptr;
};

// The picture the program hands to the tray: the unread one from the first
// unread message on, the normal one once every message is read.
TEST_F(MainWindowInProcess, TrayShowsTheUnreadPictureFromTheFirstUnreadMessage) {
    ASSERT_NE(g_main.icons.tray_unread.get(), nullptr);
    ASSERT_NE(g_main.icons.tray.get(), g_main.icons.tray_unread.get());
    receive("ALPHA");
    EXPECT_EQ(g_tray_icon.load(), g_main.icons.tray_unread.get());
    receive("BETA");
    EXPECT_EQ(g_tray_icon.load(), g_main.icons.tray_unread.get());
    command(IDM_MARK_ALL_READ);
    pump();
    EXPECT_EQ(g_tray_icon.load(), g_main.icons.tray.get());
}

TEST_F(MainWindowInProcess, DeleteRemovesTheMessageChosenBeforeTheQuestion) {
    g_options.cond = 1;
    g_options.mlrm = 1;  // a new message takes the selection
    receive("SENDER1");
    Helper user([&] {
        HWND box = wait_for_window(ui_thread_, "Do you really want to delete message ?");
        deliver("INTRUDER");
        if (box) PostMessageA(box, WM_COMMAND, MAKEWPARAM(IDYES, BN_CLICKED), 0);
    });
    command(IDM_DELETE);
    user.finish();
    pump();
    EXPECT_EQ(senders(), std::vector<std::string>{"INTRUDER"});
    EXPECT_TRUE(shows_the_list());
}

// The shell's tray call inside each command lets a new message in.
TEST_F(MainWindowInProcess, AMessageArrivingInsideACommandIsListedAfterIt) {
    g_options.cond = 0;
    g_options.conda = 0;
    g_options.mlrm = 1;
    for (int command_id : {IDM_DELETE_ALL, IDM_DELETE, IDM_MARK_ALL_READ, IDM_MARK_READ}) {
        receive("SENDER1");
        receive("SENDER2");
        g_during_tray_call = [] {
            Helper receiver([] { deliver("LATE"); });
            receiver.finish();
        };
        command(command_id);
        pump();
        ASSERT_FALSE(senders().empty()) << "command " << command_id;
        EXPECT_EQ(senders().front(), "LATE") << "command " << command_id;
        EXPECT_TRUE(shows_the_list()) << "after command " << command_id;
    }
}

// A command that waits for another thread while it holds the list (as one
// inside the shell's tray call does) lets no row in until it ends.
TEST_F(MainWindowInProcess, NoRowIsInsertedWhileACommandHoldsTheList) {
    receive("SENDER1");
    {
        ListCommand hold;
        Helper receiver([] { deliver("LATE"); });
        receiver.finish();
        EXPECT_EQ(senders(), std::vector<std::string>{"SENDER1"});
    }
    pump();
    EXPECT_EQ(senders(), (std::vector<std::string>{"LATE", "SENDER1"}));
    EXPECT_TRUE(shows_the_list());
}

// The counts are shown from the list by the user-interface thread, after
// each insert and each command.
TEST_F(MainWindowInProcess, TheStatusBarShowsTheListAfterACommand) {
    g_options.conda = 0;
    g_options.cond = 0;
    receive("SENDER1");
    command(IDM_DELETE_ALL);
    pump();
    EXPECT_TRUE(shows_the_list());
}

// What the tray, the receiver and a second command could do over an open
// View dialog.
struct OverTheDialog {
    bool tray_greyed = false;
    bool receiver_sees_dialog = false;  // so an arrival does not pop the window up
    int about_windows = 0;
    bool main_enabled_after_about = true;
    int rows_after_delete_all = -1;
    int view_windows = 0;
};

TEST_F(MainWindowInProcess, NothingOpensOrDeletesOverAnOpenDialog) {
    g_options.cond = 0;
    g_options.conda = 0;
    receive("SENDER1");
    receive("SENDER2");
    OverTheDialog seen;
    Helper user([&] {
        HWND view = wait_for_window(ui_thread_, "View Message");
        if (!view) return;
        seen.tray_greyed =
            (GetMenuState(g_main.tray_menu.get(), IDM_ABOUT, MF_BYCOMMAND) & MF_GRAYED) != 0;
        seen.receiver_sees_dialog = receiver_store()->dialog_open();
        PostMessageA(dialog_, WM_COMMAND, MAKEWPARAM(IDM_ABOUT, 0), 0);
        if (HWND about = wait_for_window(ui_thread_, "Sent: ", 500)) {
            seen.about_windows = windows_saying(ui_thread_, "Sent: ");
            PostMessageA(about, WM_COMMAND, MAKEWPARAM(IDCANCEL, BN_CLICKED), 0);
            Sleep(200);
        }
        seen.main_enabled_after_about = IsWindowEnabled(dialog_) != FALSE;
        deliver("ARRIVED");
        PostMessageA(dialog_, WM_COMMAND, MAKEWPARAM(IDM_DELETE_ALL, 0), 0);
        PostMessageA(dialog_, WM_COMMAND, MAKEWPARAM(IDM_VIEW, 0), 0);
        Sleep(300);
        seen.rows_after_delete_all =
            static_cast<int>(SendMessageA(g_main.list, LVM_GETITEMCOUNT, 0, 0));
        seen.view_windows = windows_saying(ui_thread_, "View Message");
        while (HWND open = wait_for_window(ui_thread_, "View Message", 200)) {
            PostMessageA(open, WM_COMMAND, MAKEWPARAM(IDCANCEL, BN_CLICKED), 0);
            Sleep(100);
        }
    });
    command(IDM_VIEW);
    user.finish();
    pump();
    EXPECT_TRUE(seen.tray_greyed);
    EXPECT_TRUE(seen.receiver_sees_dialog);
    EXPECT_FALSE(receiver_store()->dialog_open()) << "every View has closed";
    EXPECT_EQ(seen.about_windows, 0);
    EXPECT_FALSE(seen.main_enabled_after_about);
    EXPECT_EQ(seen.rows_after_delete_all, 3) << "the arrival is listed, nothing deleted";
    EXPECT_EQ(seen.view_windows, 1);
    EXPECT_TRUE(IsWindowEnabled(dialog_));
    EXPECT_EQ(GetMenuState(g_main.tray_menu.get(), IDM_ABOUT, MF_BYCOMMAND) & MF_GRAYED, 0u);
    EXPECT_TRUE(shows_the_list());
}

}  // namespace
