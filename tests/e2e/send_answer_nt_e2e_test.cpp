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

#include "support/png_win.h"
#include "support/program_test_win.h"
#include "support/tree_reader_win.h"
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

class SendAndAnswerOnNt : public ProgramTest {
protected:
    void SetUp() override {
        ProgramTest::SetUp();
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
    }

    void TearDown() override {
        if (!program_.wait_exit(0)) {
            program_.post_command(IDM_EXIT);
            EXPECT_TRUE(program_.wait_exit(5000).has_value());
        }
        SetEnvironmentVariableW(L"QVA_NETSEND_REJECT", nullptr);
        DeleteFileW(log_.c_str());
    }

    std::vector<NetsendCall> wait_sends(size_t count) {
        wait_until([&] { return read_netsend_log(log_).size() >= count; });
        return read_netsend_log(log_);
    }

    // The dialog's status bar; WM_GETTEXT gives its text across processes.
    static std::string status_of(HWND dialog) {
        return window_text(FindWindowExA(dialog, nullptr, STATUSCLASSNAMEA, nullptr));
    }
    static bool enabled(HWND dialog, int id) { return IsWindowEnabled(GetDlgItem(dialog, id)); }
    static HWND recipient_edit(HWND send) {
        return combo_edit(GetDlgItem(send, IDC_SEND_RECIPIENT));
    }
    // New, with `recipient` and `text` typed and Send pressed; the dialog.
    HWND send_new(const std::string& recipient, const std::string& text) {
        program_.post_command(IDM_NEW);
        HWND send = wait_for_titled("Send Message");
        if (!send) return nullptr;
        type_text(recipient_edit(send), recipient);
        type_text(GetDlgItem(send, IDC_SEND_TEXT), text);
        click(send, IDOK);
        return send;
    }

    std::wstring log_;
    const std::string computer_ = computer_name();
    std::unique_ptr<InstalledService> service_;
};

TEST_F(SendAndAnswerOnNt, NewFromTheMenuAndFromTheNetworkToolbar) {
    start_program();
    program_.post_command(IDM_NEW);
    HWND send = wait_for_titled("Send Message");
    ASSERT_NE(send, nullptr) << "no Send dialog";
    EXPECT_FALSE(IsWindowVisible(GetDlgItem(send, IDC_BROADCAST)));
    EXPECT_FALSE(enabled(send, IDOK));
    EXPECT_EQ(SendMessageA(GetDlgItem(send, IDC_SEND_TEXT), EM_GETLIMITTEXT, 0, 0), 128)
        << "what the Messenger service carries";
    type_text(recipient_edit(send), "beta");
    type_text(GetDlgItem(send, IDC_SEND_TEXT), "Lunch?\rAt one.");
    EXPECT_EQ(window_text(GetDlgItem(send, IDC_SEND_RECIPIENT)), "BETA");
    ASSERT_TRUE(enabled(send, IDOK));
    capture(send, "send-dialog.png");
    click(send, IDOK);
    std::vector<NetsendCall> calls = wait_sends(1);
    ASSERT_EQ(calls.size(), 1u);
    EXPECT_EQ(calls[0].recipient, L"BETA");
    EXPECT_EQ(calls[0].sender, wide(computer_));
    EXPECT_EQ(sent_text(calls[0]), L"Lunch?\r\nAt one.");
    EXPECT_TRUE(wait_until([&] { return status_of(send) == "Sent times: 1"; }, 2000));
    cancel(send);

    // The network toolbar's button, with nothing selected in the tree.
    HWND toolbar = network_toolbar(program_.main_window());
    ASSERT_NE(toolbar, nullptr);
    PostMessageA(program_.main_window(), WM_COMMAND, MAKEWPARAM(IDM_NEW, BN_CLICKED),
                 reinterpret_cast<LPARAM>(toolbar));
    send = wait_for_titled("Send Message");
    ASSERT_NE(send, nullptr);
    EXPECT_TRUE(IsWindowVisible(GetDlgItem(send, IDC_BROADCAST)));
    EXPECT_EQ(window_text(GetDlgItem(send, IDC_SEND_RECIPIENT)), "");
    EXPECT_TRUE(enabled(send, IDC_SEND_RECIPIENT));
    SendMessageA(GetDlgItem(send, IDC_BROADCAST), BM_CLICK, 0, 0);
    type_text(recipient_edit(send), "x");
    type_text(GetDlgItem(send, IDC_SEND_TEXT), "Fire drill at noon");
    capture(send, "send-dialog-broadcast.png");
    click(send, IDOK);
    calls = wait_sends(2);
    ASSERT_EQ(calls.size(), 2u);
    EXPECT_EQ(calls[1].recipient, L"*");
    cancel(send);

    // Again, with a workgroup of a long name selected in the tree.
    ASSERT_TRUE(add_and_select_item(program_.process(),
                                    GetDlgItem(program_.main_window(), IDC_NETWORK_TREE),
                                    "WORKGROUP-OF-THE-WEST"));
    PostMessageA(program_.main_window(), WM_COMMAND, MAKEWPARAM(IDM_NEW, BN_CLICKED),
                 reinterpret_cast<LPARAM>(toolbar));
    send = wait_for_titled("Send Message");
    ASSERT_NE(send, nullptr);
    EXPECT_EQ(window_text(GetDlgItem(send, IDC_SEND_RECIPIENT)), "WORKGROUP-OF-TH");
    EXPECT_FALSE(enabled(send, IDC_SEND_RECIPIENT)) << "the tree's name cannot be changed";
    type_text(GetDlgItem(send, IDC_SEND_TEXT), "Hello, west");
    click(send, IDOK);
    calls = wait_sends(3);
    ASSERT_EQ(calls.size(), 3u);
    EXPECT_EQ(calls[2].recipient, L"WORKGROUP-OF-TH");
    cancel(send);

    exit_program();
    // The history reached the registry: newest first, in upper case.
    EXPECT_EQ(stored_strings("usrcombo"),
              (std::vector<std::string>{"WORKGROUP-OF-TH", "*", "BETA"}));
}

// Exit while Send is open (the tray menu's command) still stores the
// recipient the dialog added to the history.
// Exit over an open dialog is refused (the dialog comes forward); the
// history the dialog added is stored however the dialog then ends.
TEST_F(SendAndAnswerOnNt, ExitWhileSendIsOpenKeepsTheRecipientsHistory) {
    start_program();
    HWND send = send_new("beta", "bye");
    ASSERT_NE(send, nullptr) << "no Send dialog";
    ASSERT_EQ(wait_sends(1).size(), 1u);
    program_.post_command(IDM_EXIT);
    EXPECT_FALSE(wait_until([&] { return program_.wait_exit(0).has_value(); }, 1000))
        << "the program ended under the open Send dialog";
    ASSERT_TRUE(IsWindow(send));
    PostMessageA(send, WM_CLOSE, 0, 0);
    ASSERT_TRUE(wait_until([&] { return !IsWindow(send); }, 5000));
    program_.post_command(IDM_EXIT);
    ASSERT_TRUE(program_.wait_exit(5000).has_value());
    EXPECT_EQ(stored_strings("usrcombo"), std::vector<std::string>{"BETA"}) << "no history stored";
}

TEST_F(SendAndAnswerOnNt, RejectedNameShowsTheErrorAndClosesWithoutDcsd) {
    store_dword("dcsd", 0);
    // Both the name and, on the retry, the name as a workgroup.
    SetEnvironmentVariableW(L"QVA_NETSEND_REJECT", L"NOBODY|NOBODY*");
    start_program();
    HWND send = send_new("nobody", "anyone?");
    ASSERT_NE(send, nullptr) << "no Send dialog";
    HWND box = wait_for_dialog("Error sending message !");
    ASSERT_NE(box, nullptr);
    EXPECT_EQ(window_text(box), "Quorvanta Messenger");
    EXPECT_EQ(read_netsend_log(log_).size(), 2u) << "the name, then the workgroup";
    press(box, IDOK);
    EXPECT_TRUE(wait_until([&] { return !IsWindow(send); }, 3000))
        << "dcsd 0 closes the dialog after a failed send";
}

TEST_F(SendAndAnswerOnNt, AnswerMarksTheMessageAnsweredOnlyWhenSent) {
    start_program();
    PopupMaker popups;
    popups.show(kEnglishTitle, popup_text(L"ALPHA", wide(computer_), L"Hello from NT"));
    ASSERT_TRUE(wait_until([&] { return program_.rows().size() == 1; }, 5000));

    program_.post_command(IDM_ANSWER);
    HWND answer = wait_for_titled("Answer Message");
    ASSERT_NE(answer, nullptr) << "no Answer dialog";
    EXPECT_EQ(window_text(GetDlgItem(answer, IDC_ANSWER_FROM)), "ALPHA");
    EXPECT_EQ(window_text(GetDlgItem(answer, IDC_ANSWER_RECEIVED)), "Hello from NT");
    EXPECT_EQ(program_.rows()[0].image, 1) << "opening Answer reads the message";
    cancel(answer);
    EXPECT_EQ(program_.rows()[0].image, 1) << "Cancel leaves it read";

    program_.post_command(IDM_ANSWER);
    answer = wait_for_titled("Answer Message");
    ASSERT_NE(answer, nullptr);
    EXPECT_EQ(SendMessageA(GetDlgItem(answer, IDC_ANSWER_REPLY), EM_GETLIMITTEXT, 0, 0), 128);
    click(answer, IDC_QUOTE);
    ASSERT_TRUE(wait_until([&] { return !enabled(answer, IDC_QUOTE); }, 2000));
    type_text(GetDlgItem(answer, IDC_ANSWER_REPLY), "Hello from 2000");
    capture(answer, "answer-dialog.png");
    click(answer, IDOK);
    const std::vector<NetsendCall> calls = wait_sends(1);
    ASSERT_EQ(calls.size(), 1u);
    EXPECT_EQ(calls[0].recipient, L"ALPHA");
    EXPECT_EQ(sent_text(calls[0]), L">Hello from NT\r\nHello from 2000");
    // A message that arrives meanwhile moves the row down.
    popups.show(kEnglishTitle, popup_text(L"GAMMA", wide(computer_), L"later"));
    ASSERT_TRUE(wait_until([&] { return program_.rows().size() == 2; }, 5000));
    cancel(answer);
    ASSERT_TRUE(wait_until([&] { return program_.rows()[1].image == 2; }, 2000))
        << "the answered message shows answered";
    EXPECT_EQ(program_.rows()[1].from, "ALPHA");
    EXPECT_EQ(program_.rows()[0].image, 0);

    ASSERT_TRUE(program_.select_row(1));
    program_.post_command(IDM_VIEW);
    HWND view = wait_for_titled("View Message");
    ASSERT_NE(view, nullptr);
    cancel(view);
    EXPECT_EQ(program_.rows()[1].image, 2) << "viewing keeps it answered";
}

}  // namespace
