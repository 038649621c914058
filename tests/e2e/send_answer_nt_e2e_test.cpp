// The real program under Wine in an NT version, sending through the stand-in
// netapi32.dll: New from the menu and from the network toolbar's button, a
// rejected name, and Answer on a captured message with the row marked
// answered (Windows only, end to end).
#include <windows.h>
#include <commctrl.h>

#include <gtest/gtest.h>

#include <cstring>
#include <filesystem>
#include <optional>

#include "e2e/png_win.h"
#include "e2e/program_driver_win.h"
#include "resources/resource.h"
#include "support/save_dialog_win.h"
#include "transport/standins/installed_service_win.h"
#include "transport/standins/netsend_log.h"
#include "transport/standins/popup_maker_win.h"

namespace {

std::wstring wide(const std::string& text) {
    return {text.begin(), text.end()};
}

// The text of a send as the stand-in saw it, without its terminating NUL.
std::wstring sent_text(const NetsendCall& call) {
    std::wstring text(reinterpret_cast<const wchar_t*>(call.buffer.data()), call.buffer.size() / 2);
    if (!text.empty() && text.back() == L'\0') text.pop_back();
    return text;
}

// The window painted in full before it is captured: a screenshot taken just
// after typing may catch it half drawn.
void capture(HWND window, const char* name) {
    RedrawWindow(window, nullptr, nullptr,
                 RDW_INVALIDATE | RDW_ERASE | RDW_ALLCHILDREN | RDW_UPDATENOW);
    pump_for(400);
    save_screenshot(window, artifact_path(name));
}

class SendAndAnswerOnNt : public ::testing::Test {
protected:
    void SetUp() override {
        delete_stored_options();
        store_dword("cone", 0);
        // Room above the main window: the taller Answer dialog is centred on it.
        store_dword("x_pos", 200);
        store_dword("y_pos", 150);
        log_ = (std::filesystem::temp_directory_path() /
                ("qva_netsend_" + std::to_string(GetCurrentProcessId()) + ".log"))
                   .wstring();
        DeleteFileW(log_.c_str());
        SetEnvironmentVariableW(L"QVA_NETSEND_LOG", log_.c_str());
        remove_messenger_service();
        service_ = std::make_unique<InstalledService>(standin_service_path());
        ASSERT_TRUE(service_->installed());
        char name[MAX_COMPUTERNAME_LENGTH + 1] = {};
        DWORD size = sizeof name;
        ASSERT_TRUE(GetComputerNameA(name, &size));
        computer_ = name;
    }

    void TearDown() override {
        if (!program_.wait_exit(0)) {
            program_.post_command(IDM_EXIT);
            EXPECT_TRUE(pump_until([&] { return program_.wait_exit(0).has_value(); }, 5000));
        }
        SetEnvironmentVariableW(L"QVA_NETSEND_REJECT", nullptr);
        DeleteFileW(log_.c_str());
    }

    void start_program() {
        ASSERT_TRUE(program_.start());
        // This thread owns the popups of the Answer case; it pumps while it waits.
        ASSERT_TRUE(pump_until([&] { return program_.wait_ready(0); }, 15000));
    }

    HWND wait_window(const std::string& title) {
        HWND found = nullptr;
        pump_until(
            [&] {
                for (HWND window : program_.top_level_windows())
                    if (window_text(window) == title) found = window;
                return found != nullptr;
            },
            5000);
        return found;
    }

    std::vector<NetsendCall> wait_sends(size_t count) {
        pump_until([&] { return read_netsend_log(log_).size() >= count; }, 5000);
        return read_netsend_log(log_);
    }

    // The dialog's status bar; WM_GETTEXT gives its text across processes.
    static std::string status_of(HWND dialog) {
        return text_of(FindWindowExA(dialog, nullptr, STATUSCLASSNAMEA, nullptr));
    }
    static bool enabled(HWND dialog, int id) { return IsWindowEnabled(GetDlgItem(dialog, id)); }

    // Types `text` key by key into `edit`.
    static void type(HWND edit, const std::string& text) {
        for (char c : text)
            SendMessageA(edit, WM_CHAR, static_cast<unsigned char>(c), 1);
    }
    static HWND recipient_edit(HWND send) {
        return FindWindowExA(GetDlgItem(send, IDC_SEND_RECIPIENT), nullptr, "Edit", nullptr);
    }
    static void click(HWND dialog, int id) { PostMessageA(GetDlgItem(dialog, id), BM_CLICK, 0, 0); }

    // The toolbar above the network tree: the one right of the message list.
    HWND network_toolbar() const {
        RECT list{};
        GetWindowRect(GetDlgItem(program_.main_window(), IDC_MESSAGE_LIST), &list);
        for (HWND bar = FindWindowExA(program_.main_window(), nullptr, TOOLBARCLASSNAMEA, nullptr);
             bar; bar = FindWindowExA(program_.main_window(), bar, TOOLBARCLASSNAMEA, nullptr)) {
            RECT r{};
            GetWindowRect(bar, &r);
            if (r.left >= list.right) return bar;
        }
        return nullptr;
    }

    // Puts one item named `caption` into the program's network tree and
    // selects it, as a scan and a click would. The item's text must live in
    // the program's memory.
    void select_tree_item(const std::string& caption) const {
        HWND tree = GetDlgItem(program_.main_window(), IDC_NETWORK_TREE);
        HANDLE process = program_.process();
        auto* remote =
            static_cast<char*>(VirtualAllocEx(process, nullptr, 4096, MEM_COMMIT, PAGE_READWRITE));
        ASSERT_NE(remote, nullptr);
        TVINSERTSTRUCTA insert{};
        insert.hParent = TVI_ROOT;
        insert.hInsertAfter = TVI_LAST;
        insert.item.mask = TVIF_TEXT;
        insert.item.pszText = remote + 1024;
        WriteProcessMemory(process, remote, &insert, sizeof insert, nullptr);
        WriteProcessMemory(process, remote + 1024, caption.c_str(), caption.size() + 1, nullptr);
        const LRESULT item =
            SendMessageA(tree, TVM_INSERTITEMA, 0, reinterpret_cast<LPARAM>(remote));
        SendMessageA(tree, TVM_SELECTITEM, TVGN_CARET, item);
        VirtualFreeEx(process, remote, 0, MEM_RELEASE);
        ASSERT_NE(item, 0);
    }

    std::wstring log_;
    std::string computer_;
    std::unique_ptr<InstalledService> service_;
    ProgramDriver program_;
};

TEST_F(SendAndAnswerOnNt, NewFromTheMenuAndFromTheNetworkToolbar) {
    start_program();
    program_.post_command(IDM_NEW);
    HWND send = wait_window("Send Message");
    ASSERT_NE(send, nullptr) << "no Send dialog";
    EXPECT_FALSE(IsWindowVisible(GetDlgItem(send, IDC_BROADCAST)));
    EXPECT_FALSE(enabled(send, IDOK));
    EXPECT_EQ(SendMessageA(GetDlgItem(send, IDC_SEND_TEXT), EM_GETLIMITTEXT, 0, 0), 128)
        << "what the Messenger service carries";
    type(recipient_edit(send), "beta");
    type(GetDlgItem(send, IDC_SEND_TEXT), "Lunch?\rAt one.");
    EXPECT_EQ(text_of(GetDlgItem(send, IDC_SEND_RECIPIENT)), "BETA");
    ASSERT_TRUE(enabled(send, IDOK));
    capture(send, "send-dialog.png");
    click(send, IDOK);
    std::vector<NetsendCall> calls = wait_sends(1);
    ASSERT_EQ(calls.size(), 1u);
    EXPECT_EQ(calls[0].recipient, L"BETA");
    EXPECT_EQ(calls[0].sender, wide(computer_));
    EXPECT_EQ(sent_text(calls[0]), L"Lunch?\r\nAt one.");
    EXPECT_TRUE(pump_until([&] { return status_of(send) == "Sent times: 1"; }, 2000));
    PostMessageA(send, WM_COMMAND, MAKEWPARAM(IDCANCEL, BN_CLICKED), 0);
    ASSERT_TRUE(pump_until([&] { return !IsWindow(send); }, 3000));

    // The network toolbar's button, with nothing selected in the tree.
    HWND toolbar = network_toolbar();
    ASSERT_NE(toolbar, nullptr);
    PostMessageA(program_.main_window(), WM_COMMAND, MAKEWPARAM(IDM_NEW, BN_CLICKED),
                 reinterpret_cast<LPARAM>(toolbar));
    send = wait_window("Send Message");
    ASSERT_NE(send, nullptr);
    EXPECT_TRUE(IsWindowVisible(GetDlgItem(send, IDC_BROADCAST)));
    EXPECT_EQ(text_of(GetDlgItem(send, IDC_SEND_RECIPIENT)), "");
    EXPECT_TRUE(enabled(send, IDC_SEND_RECIPIENT));
    SendMessageA(GetDlgItem(send, IDC_BROADCAST), BM_CLICK, 0, 0);
    type(recipient_edit(send), "x");
    type(GetDlgItem(send, IDC_SEND_TEXT), "Fire drill at noon");
    capture(send, "send-dialog-broadcast.png");
    click(send, IDOK);
    calls = wait_sends(2);
    ASSERT_EQ(calls.size(), 2u);
    EXPECT_EQ(calls[1].recipient, L"*");
    PostMessageA(send, WM_COMMAND, MAKEWPARAM(IDCANCEL, BN_CLICKED), 0);
    ASSERT_TRUE(pump_until([&] { return !IsWindow(send); }, 3000));

    // Again, with a workgroup of a long name selected in the tree.
    select_tree_item("WORKGROUP-OF-THE-WEST");
    PostMessageA(program_.main_window(), WM_COMMAND, MAKEWPARAM(IDM_NEW, BN_CLICKED),
                 reinterpret_cast<LPARAM>(toolbar));
    send = wait_window("Send Message");
    ASSERT_NE(send, nullptr);
    EXPECT_EQ(text_of(GetDlgItem(send, IDC_SEND_RECIPIENT)), "WORKGROUP-OF-TH");
    EXPECT_FALSE(enabled(send, IDC_SEND_RECIPIENT)) << "the tree's name cannot be changed";
    type(GetDlgItem(send, IDC_SEND_TEXT), "Hello, west");
    click(send, IDOK);
    calls = wait_sends(3);
    ASSERT_EQ(calls.size(), 3u);
    EXPECT_EQ(calls[2].recipient, L"WORKGROUP-OF-TH");
    PostMessageA(send, WM_COMMAND, MAKEWPARAM(IDCANCEL, BN_CLICKED), 0);
    ASSERT_TRUE(pump_until([&] { return !IsWindow(send); }, 3000));

    program_.post_command(IDM_EXIT);
    ASSERT_TRUE(pump_until([&] { return program_.wait_exit(0).has_value(); }, 5000));
    // The history reached the registry: newest first, in upper case.
    HKEY key = nullptr;
    ASSERT_EQ(RegOpenKeyExA(HKEY_CURRENT_USER, "Software\\Quorvanta\\Quorvanta Messenger\\Options",
                            0, KEY_READ, &key),
              ERROR_SUCCESS);
    char names[64] = {};
    DWORD size = sizeof names - 2;
    EXPECT_EQ(
        RegQueryValueExA(key, "usrcombo", nullptr, nullptr, reinterpret_cast<BYTE*>(names), &size),
        ERROR_SUCCESS);
    RegCloseKey(key);
    std::vector<std::string> history;
    for (const char* name = names; *name; name += std::strlen(name) + 1)
        history.push_back(name);
    EXPECT_EQ(history, (std::vector<std::string>{"WORKGROUP-OF-TH", "*", "BETA"}));
}

// Exit while Send is open (the tray menu's command) still stores the
// recipient the dialog added to the history.
// Exit over an open dialog is refused (the dialog comes forward); the
// history the dialog added is stored however the dialog then ends.
TEST_F(SendAndAnswerOnNt, ExitWhileSendIsOpenKeepsTheRecipientsHistory) {
    start_program();
    program_.post_command(IDM_NEW);
    HWND send = wait_window("Send Message");
    ASSERT_NE(send, nullptr);
    type(recipient_edit(send), "beta");
    type(GetDlgItem(send, IDC_SEND_TEXT), "bye");
    click(send, IDOK);
    ASSERT_EQ(wait_sends(1).size(), 1u);
    program_.post_command(IDM_EXIT);
    EXPECT_FALSE(pump_until([&] { return program_.wait_exit(0).has_value(); }, 1000))
        << "the program ended under the open Send dialog";
    ASSERT_TRUE(IsWindow(send));
    PostMessageA(send, WM_CLOSE, 0, 0);
    ASSERT_TRUE(pump_until([&] { return !IsWindow(send); }, 5000));
    program_.post_command(IDM_EXIT);
    std::optional<DWORD> code;
    ASSERT_TRUE(pump_until([&] { return (code = program_.wait_exit(0)).has_value(); }, 5000));

    HKEY key = nullptr;
    ASSERT_EQ(RegOpenKeyExA(HKEY_CURRENT_USER, "Software\\Quorvanta\\Quorvanta Messenger\\Options",
                            0, KEY_READ, &key),
              ERROR_SUCCESS);
    char history[64] = {};
    DWORD size = sizeof history - 2;
    const LONG read = RegQueryValueExA(key, "usrcombo", nullptr, nullptr,
                                       reinterpret_cast<BYTE*>(history), &size);
    RegCloseKey(key);
    ASSERT_EQ(read, ERROR_SUCCESS) << "no history stored";
    EXPECT_STREQ(history, "BETA");
}

TEST_F(SendAndAnswerOnNt, RejectedNameShowsTheErrorAndClosesWithoutDcsd) {
    store_dword("dcsd", 0);
    // Both the name and, on the retry, the name as a workgroup.
    SetEnvironmentVariableW(L"QVA_NETSEND_REJECT", L"NOBODY|NOBODY*");
    start_program();
    program_.post_command(IDM_NEW);
    HWND send = wait_window("Send Message");
    ASSERT_NE(send, nullptr);
    type(recipient_edit(send), "nobody");
    type(GetDlgItem(send, IDC_SEND_TEXT), "anyone?");
    click(send, IDOK);
    HWND box = nullptr;
    ASSERT_TRUE(pump_until(
        [&] {
            return (box = program_.find_dialog_with_text("Error sending message !")) != nullptr;
        },
        5000));
    EXPECT_EQ(window_text(box), "Quorvanta Messenger");
    EXPECT_EQ(read_netsend_log(log_).size(), 2u) << "the name, then the workgroup";
    PostMessageA(box, WM_COMMAND, MAKEWPARAM(IDOK, BN_CLICKED), 0);
    EXPECT_TRUE(pump_until([&] { return !IsWindow(send); }, 3000))
        << "dcsd 0 closes the dialog after a failed send";
}

TEST_F(SendAndAnswerOnNt, AnswerMarksTheMessageAnsweredOnlyWhenSent) {
    start_program();
    PopupMaker popups;
    popups.show(kEnglishTitle, popup_text(L"ALPHA", wide(computer_), L"Hello from NT"));
    ASSERT_TRUE(pump_until([&] { return program_.rows().size() == 1; }, 5000));

    program_.post_command(IDM_ANSWER);
    HWND answer = wait_window("Answer Message");
    ASSERT_NE(answer, nullptr) << "no Answer dialog";
    EXPECT_EQ(text_of(GetDlgItem(answer, IDC_ANSWER_FROM)), "ALPHA");
    EXPECT_EQ(text_of(GetDlgItem(answer, IDC_ANSWER_RECEIVED)), "Hello from NT");
    EXPECT_EQ(program_.rows()[0].image, 1) << "opening Answer reads the message";
    PostMessageA(answer, WM_COMMAND, MAKEWPARAM(IDCANCEL, BN_CLICKED), 0);
    ASSERT_TRUE(pump_until([&] { return !IsWindow(answer); }, 3000));
    EXPECT_EQ(program_.rows()[0].image, 1) << "Cancel leaves it read";

    program_.post_command(IDM_ANSWER);
    answer = wait_window("Answer Message");
    ASSERT_NE(answer, nullptr);
    EXPECT_EQ(SendMessageA(GetDlgItem(answer, IDC_ANSWER_REPLY), EM_GETLIMITTEXT, 0, 0), 128);
    click(answer, IDC_QUOTE);
    ASSERT_TRUE(pump_until([&] { return !enabled(answer, IDC_QUOTE); }, 2000));
    type(GetDlgItem(answer, IDC_ANSWER_REPLY), "Hello from 2000");
    capture(answer, "answer-dialog.png");
    click(answer, IDOK);
    const std::vector<NetsendCall> calls = wait_sends(1);
    ASSERT_EQ(calls.size(), 1u);
    EXPECT_EQ(calls[0].recipient, L"ALPHA");
    EXPECT_EQ(sent_text(calls[0]), L">Hello from NT\r\nHello from 2000");
    // A message that arrives meanwhile moves the row down.
    popups.show(kEnglishTitle, popup_text(L"GAMMA", wide(computer_), L"later"));
    ASSERT_TRUE(pump_until([&] { return program_.rows().size() == 2; }, 5000));
    PostMessageA(answer, WM_COMMAND, MAKEWPARAM(IDCANCEL, BN_CLICKED), 0);
    ASSERT_TRUE(pump_until([&] { return !IsWindow(answer); }, 3000));
    ASSERT_TRUE(pump_until([&] { return program_.rows()[1].image == 2; }, 2000))
        << "the answered message shows answered";
    EXPECT_EQ(program_.rows()[1].from, "ALPHA");
    EXPECT_EQ(program_.rows()[0].image, 0);

    ASSERT_TRUE(program_.select_row(1));
    program_.post_command(IDM_VIEW);
    HWND view = wait_window("View Message");
    ASSERT_NE(view, nullptr);
    PostMessageA(view, WM_COMMAND, MAKEWPARAM(IDCANCEL, BN_CLICKED), 0);
    ASSERT_TRUE(pump_until([&] { return !IsWindow(view); }, 3000));
    EXPECT_EQ(program_.rows()[1].image, 2) << "viewing keeps it answered";
}

}  // namespace
