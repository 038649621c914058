// The Send Message dialog from the program's own template, driven from a
// second thread as a user would, with a recording transport: the enabling
// rule, upper case and the 15-character cut, broadcast, the history, the
// send counter, failures and a preset recipient (Windows only).
#include <gtest/gtest.h>

#include <cstring>

#include "core/process_state.h"
#include "dialogs/active_dialog_win.h"
#include "dialogs/modal_dialog_win.h"
#include "dialogs/send_dialog_win.h"
#include "resources/resource.h"
#include "settings/options.h"

namespace {

std::vector<std::string> history() {
    return {g_options.usrcombo.begin(), g_options.usrcombo.end()};
}

class SendDialog : public ::testing::Test {
protected:
    void SetUp() override {
        FakeTransport::reset();
        std::strcpy(g_sender_name, "HOMEBOX");
        reset_options(&g_options);
    }

    void open(SendDialogInput input) {
        input.send = FakeTransport::send;
        ASSERT_NE(dialog_.open("Send Message",
                               [input](HWND owner) { return show_send_dialog(owner, input); }),
                  nullptr);
    }

    HWND recipient_edit() const {
        return FindWindowExA(dialog_.item(IDC_SEND_RECIPIENT), nullptr, "Edit", nullptr);
    }
    HWND message() const { return dialog_.item(IDC_SEND_TEXT); }

    // Picks list item `index` as a click in the drop-down list would.
    void choose(int index) const {
        HWND combo = dialog_.item(IDC_SEND_RECIPIENT);
        SendMessageA(combo, CB_SETCURSEL, index, 0);
        SendMessageA(dialog_.window(), WM_COMMAND, MAKEWPARAM(IDC_SEND_RECIPIENT, CBN_SELCHANGE),
                     reinterpret_cast<LPARAM>(combo));
    }

    std::vector<std::string> list_items() const {
        HWND combo = dialog_.item(IDC_SEND_RECIPIENT);
        std::vector<std::string> items;
        const int count = static_cast<int>(SendMessageA(combo, CB_GETCOUNT, 0, 0));
        for (int i = 0; i < count; ++i) {
            char item[64] = {};
            SendMessageA(combo, CB_GETLBTEXT, i, reinterpret_cast<LPARAM>(item));
            items.emplace_back(item);
        }
        return items;
    }

    // Send, then waits until the transport has been called `sends` times.
    void send_expecting(size_t sends) {
        ASSERT_TRUE(dialog_.enabled(IDOK));
        dialog_.click(IDOK);
        ASSERT_TRUE(wait_until([&] { return FakeTransport::count() == sends; }));
    }

    ModalDialog dialog_;
};

TEST_F(SendDialog, SendsOnlyWithNameAndTextInUpperCaseAndCutTo15) {
    open({});
    EXPECT_FALSE(dialog_.enabled(IDOK));
    EXPECT_EQ(dialog_.focus(), dialog_.item(IDCANCEL)) << "Send is disabled, so Cancel";
    EXPECT_FALSE(IsWindowVisible(dialog_.item(IDC_BROADCAST)));
    EXPECT_EQ(dialog_.status(), "Sent times: 0");
    EXPECT_EQ(active_dialog(), dialog_.window());

    type_text(message(), "Hello");
    EXPECT_FALSE(dialog_.enabled(IDOK)) << "no recipient yet";
    type_text(recipient_edit(), "beta");
    EXPECT_EQ(dialog_.text(IDC_SEND_RECIPIENT), "BETA");
    EXPECT_TRUE(dialog_.enabled(IDOK));
    erase_text(message());
    EXPECT_FALSE(dialog_.enabled(IDOK)) << "no text any more";
    type_text(message(), "Hi\rthere");
    EXPECT_TRUE(dialog_.enabled(IDOK));

    send_expecting(1);
    EXPECT_EQ(FakeTransport::at(0).from, "HOMEBOX");
    EXPECT_EQ(FakeTransport::at(0).to, "BETA");
    EXPECT_EQ(FakeTransport::at(0).text, "Hi\r\nthere");
    EXPECT_TRUE(wait_until([&] { return dialog_.status() == "Sent times: 1"; }));

    erase_text(recipient_edit());
    EXPECT_FALSE(dialog_.enabled(IDOK)) << "no recipient any more";
    type_text(recipient_edit(), "abcdefghijklmnopqrst");
    EXPECT_EQ(dialog_.text(IDC_SEND_RECIPIENT), "ABCDEFGHIJKLMNOPQRST");
    send_expecting(2);
    EXPECT_EQ(FakeTransport::at(1).to, "ABCDEFGHIJKLMNO");

    dialog_.click(IDCANCEL);
    EXPECT_EQ(dialog_.wait_closed(), 0);
    EXPECT_EQ(active_dialog(), nullptr) << "the opening is over";
    EXPECT_EQ(history(), (std::vector<std::string>{"ABCDEFGHIJKLMNO", "BETA"}));
}

TEST_F(SendDialog, BroadcastAndTheHistoryOrder) {
    for (const char* name : {"ALPHA", "BETA", "GAMMA"})
        g_options.usrcombo.append_copy(name);
    open({nullptr, 1});
    ASSERT_TRUE(IsWindowVisible(dialog_.item(IDC_BROADCAST)));
    EXPECT_EQ(list_items(), history());

    type_text(message(), "to all");
    SendMessageA(dialog_.item(IDC_BROADCAST), BM_CLICK, 0, 0);
    EXPECT_FALSE(dialog_.enabled(IDOK)) << "broadcast still wants a name in the field";
    choose(1);
    EXPECT_TRUE(dialog_.enabled(IDOK));
    send_expecting(1);
    EXPECT_EQ(FakeTransport::at(0).to, "*");
    EXPECT_TRUE(wait_until([&] { return list_items().size() == 4; }));
    EXPECT_EQ(list_items(), (std::vector<std::string>{"*", "ALPHA", "BETA", "GAMMA"}));

    SendMessageA(dialog_.item(IDC_BROADCAST), BM_CLICK, 0, 0);
    choose(3);
    send_expecting(2);
    EXPECT_EQ(FakeTransport::at(1).to, "GAMMA");
    EXPECT_TRUE(wait_until([&] { return list_items()[0] == "GAMMA"; }));
    EXPECT_EQ(list_items(), (std::vector<std::string>{"GAMMA", "*", "ALPHA", "BETA"}));
    EXPECT_EQ(dialog_.text(IDC_SEND_RECIPIENT), "GAMMA");

    send_expecting(3);  // already first: nothing moves
    EXPECT_TRUE(wait_until([&] { return dialog_.status() == "Sent times: 3"; }));
    EXPECT_EQ(list_items(), (std::vector<std::string>{"GAMMA", "*", "ALPHA", "BETA"}));
    EXPECT_EQ(FakeTransport::at(2).text, "to all") << "the same text again";

    dialog_.click(IDCANCEL);
    EXPECT_EQ(dialog_.wait_closed(), 0);
    EXPECT_EQ(history(), (std::vector<std::string>{"GAMMA", "*", "ALPHA", "BETA"}));
}

TEST_F(SendDialog, FailedSendShowsTheErrorAndClosesOnlyWithoutDcsd) {
    open({});
    type_text(recipient_edit(), "nobody");
    type_text(message(), "lost");
    FakeTransport::reset({0});
    send_expecting(1);
    HWND box = ModalDialog::message_box();
    ASSERT_NE(box, nullptr);
    EXPECT_EQ(box_text(box), "Error sending message !");
    EXPECT_EQ(GetWindow(box, GW_OWNER), dialog_.window());
    ModalDialog::press_ok(box);
    EXPECT_TRUE(IsWindowVisible(dialog_.window())) << "dcsd 1 keeps the dialog open";
    EXPECT_EQ(dialog_.status(), "Sent times: 0");
    EXPECT_TRUE(list_items().empty()) << "a failed name does not enter the history";

    {
        ScopedLock hold(g_options_lock);
        g_options.dcsd = 0;
    }
    FakeTransport::reset({0});
    send_expecting(1);
    EXPECT_EQ(ModalDialog::answer_message_box(), "Error sending message !");
    EXPECT_EQ(dialog_.wait_closed(), 0) << "dcsd 0 closes after a failed send too";
    EXPECT_TRUE(history().empty());
}

TEST_F(SendDialog, PresetRecipientCannotBeChanged) {
    g_options.usrcombo.append_copy("ALPHA");
    open({"GAMMA", 0, 24});
    EXPECT_EQ(dialog_.text(IDC_SEND_RECIPIENT), "GAMMA");
    EXPECT_FALSE(dialog_.enabled(IDC_SEND_RECIPIENT));
    EXPECT_FALSE(dialog_.enabled(IDOK)) << "Send waits for the text";
    type_text(message(), "hi");
    send_expecting(1);
    EXPECT_EQ(FakeTransport::at(0).to, "GAMMA");

    RECT owner{}, dialog{};
    GetWindowRect(dialog_.owner(), &owner);
    GetWindowRect(dialog_.window(), &dialog);
    EXPECT_NEAR((dialog.left + dialog.right) / 2, (owner.left + owner.right) / 2, 1);
    EXPECT_NEAR((dialog.top + dialog.bottom) / 2, (owner.top + owner.bottom) / 2, 1);
    EXPECT_NE(SendMessageA(dialog_.window(), WM_GETICON, ICON_BIG, 0), 0);

    {
        ScopedLock hold(g_options_lock);
        g_options.dcsd = 0;
    }
    send_expecting(2);
    EXPECT_EQ(dialog_.wait_closed(), 0) << "dcsd 0 closes after Send";
    EXPECT_EQ(history(), (std::vector<std::string>{"GAMMA", "ALPHA"}));
}

// A broadcast from a dialog with a preset recipient leaves the preset in
// the field, so the next plain Send goes to it and not to everybody.
TEST_F(SendDialog, PresetRecipientStaysAfterABroadcast) {
    for (const char* name : {"ALPHA", "*"})
        g_options.usrcombo.append_copy(name);
    open({"SALES", 1, 24});
    type_text(message(), "hi");
    SendMessageA(dialog_.item(IDC_BROADCAST), BM_CLICK, 0, 0);
    send_expecting(1);
    EXPECT_EQ(FakeTransport::at(0).to, "*");
    EXPECT_TRUE(wait_until([&] { return list_items()[0] == "*"; }));
    EXPECT_EQ(dialog_.text(IDC_SEND_RECIPIENT), "SALES");

    SendMessageA(dialog_.item(IDC_BROADCAST), BM_CLICK, 0, 0);
    send_expecting(2);
    EXPECT_EQ(FakeTransport::at(1).to, "SALES");
}

// The message box takes no more than the datagram carries between this
// computer's name and the longest recipient: 424 - 7 - 15 - 3 bytes.
TEST_F(SendDialog, TextStopsAtWhatTheWayOfSendingCarries) {
    open({});
    type_text(message(), std::string(405, 'x'));
    EXPECT_EQ(GetWindowTextLengthA(message()), 399);
    SendMessageA(message(), EM_SETSEL, 0, -1);
    SendMessageA(message(), EM_REPLACESEL, TRUE,
                 reinterpret_cast<LPARAM>(std::string(500, 'y').c_str()));  // as a paste does
    EXPECT_EQ(GetWindowTextLengthA(message()), 399);
}

// Nothing goes to a name that could be a path; the dialog says so and stays
// open for a better name.
TEST_F(SendDialog, RefusesNamesThatAreNotComputerNames) {
    for (const char* preset : {"a\\b\\c", "127.0.0.1\\share", "SALES*", ""}) {
        SCOPED_TRACE(preset);
        ModalDialog dialog;
        SendDialogInput input{preset, 0, 0, FakeTransport::send};
        ASSERT_NE(dialog.open("Send Message",
                              [input](HWND owner) { return show_send_dialog(owner, input); }),
                  nullptr);
        if (!*preset)
            type_text(FindWindowExA(dialog.item(IDC_SEND_RECIPIENT), nullptr, "Edit", nullptr),
                      "x:y");
        type_text(dialog.item(IDC_SEND_TEXT), "hi");
        dialog.click(IDOK);
        EXPECT_EQ(ModalDialog::answer_message_box(),
                  "The recipient is not a valid computer name !");
        EXPECT_EQ(FakeTransport::count(), 0u);
        EXPECT_TRUE(IsWindowVisible(dialog.window()));
    }
}

// Exit while the dialog is open ends its modal loop with WM_QUIT: the
// history is kept all the same.
TEST_F(SendDialog, HistoryIsKeptWhenTheProgramEndsUnderTheDialog) {
    g_options.usrcombo.append_copy("ALPHA");
    open({});
    type_text(recipient_edit(), "beta");
    type_text(message(), "hi");
    send_expecting(1);
    EXPECT_TRUE(wait_until([&] { return list_items().size() == 2; }));
    PostThreadMessageA(GetWindowThreadProcessId(dialog_.window(), nullptr), WM_QUIT, 0, 0);
    EXPECT_EQ(dialog_.wait_closed(), 0);
    EXPECT_EQ(history(), (std::vector<std::string>{"BETA", "ALPHA"}));
}

}  // namespace
