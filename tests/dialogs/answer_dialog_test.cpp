// The Answer Message dialog from the program's own template, driven from a
// second thread as a user would, with a recording transport: the quoted copy,
// mcopy, the recipient cut to 15 characters and the dialog's result
// (Windows only).
#include <gtest/gtest.h>

#include <cstring>

#include "core/process_state.h"
#include "dialogs/active_dialog_win.h"
#include "dialogs/answer_dialog_win.h"
#include "dialogs/modal_dialog_win.h"
#include "resources/resource.h"
#include "settings/options.h"

namespace {

class AnswerDialog : public ::testing::Test {
protected:
    void SetUp() override {
        FakeTransport::reset();
        std::strcpy(g_sender_name, "HOMEBOX");
        reset_options(&g_options);
        received_.from = "ALPHA";
        received_.to = "HOMEBOX";
        received_.text = "Hello";
    }

    void open() {
        AnswerDialogInput input{&received_, 24, FakeTransport::send};
        ASSERT_NE(dialog_.open("Answer Message",
                               [input](HWND owner) { return show_answer_dialog(owner, input); }),
                  nullptr);
    }

    HWND reply() const { return dialog_.item(IDC_ANSWER_REPLY); }

    // Sends and answers the error box when the send fails.
    void send(bool fails) {
        ASSERT_TRUE(dialog_.enabled(IDOK));
        const size_t before = FakeTransport::count();
        dialog_.click(IDOK);
        ASSERT_TRUE(wait_until([&] { return FakeTransport::count() == before + 1; }));
        if (!fails) return;
        EXPECT_EQ(ModalDialog::answer_message_box(), "Error sending message !");
    }

    MessageRecord received_;
    ModalDialog dialog_;
};

TEST_F(AnswerDialog, QuotesTheMessageOnceInFrontOfTheReply) {
    struct Case {
        const char* received;
        const char* typed;
        const char* reply;
    };
    for (const Case& c : {Case{"Hello", "", ">Hello\r\n"}, Case{">Hello", "", ">Hello\r\n"},
                          Case{"a\r\nb", "", ">a\r\nb\r\n"}, Case{"Hello", "ok", ">Hello\r\nok"},
                          Case{"", "", ""}}) {
        SCOPED_TRACE(c.received);
        received_.text = c.received;
        ModalDialog dialog;
        AnswerDialogInput input{&received_, 0, FakeTransport::send};
        ASSERT_NE(dialog.open("Answer Message",
                              [input](HWND owner) { return show_answer_dialog(owner, input); }),
                  nullptr);
        EXPECT_EQ(dialog.text(IDC_ANSWER_RECEIVED), c.received);
        EXPECT_EQ(dialog.focus(), dialog.item(IDC_ANSWER_REPLY));
        type_text(dialog.item(IDC_ANSWER_REPLY), c.typed);
        ASSERT_TRUE(dialog.enabled(IDC_QUOTE));
        dialog.click(IDC_QUOTE);
        ASSERT_TRUE(wait_until([&] { return !dialog.enabled(IDC_QUOTE); }));
        EXPECT_EQ(dialog.text(IDC_ANSWER_REPLY), c.reply);
        EXPECT_EQ(dialog.enabled(IDOK), *c.reply != '\0');
        EXPECT_EQ(dialog.focus(), dialog.item(IDC_ANSWER_REPLY)) << "the focus is not lost";
    }
}

TEST_F(AnswerDialog, McopyQuotesAtOpening) {
    {
        ScopedLock hold(g_options_lock);
        g_options.mcopy = 1;
    }
    open();
    EXPECT_EQ(dialog_.text(IDC_ANSWER_REPLY), ">Hello\r\n");
    EXPECT_FALSE(dialog_.enabled(IDC_QUOTE));
    EXPECT_TRUE(dialog_.enabled(IDOK));
    EXPECT_EQ(dialog_.focus(), reply());
}

TEST_F(AnswerDialog, AnswersTheSenderAndTellsWhetherAReplyWentOut) {
    received_.from = "WORKSTATION-012";
    open();
    EXPECT_EQ(dialog_.text(IDC_ANSWER_FROM), "WORKSTATION-012");
    EXPECT_EQ(dialog_.status(), "Sent times: 0");
    EXPECT_FALSE(dialog_.enabled(IDOK));
    EXPECT_EQ(active_dialog(), dialog_.window());
    type_text(reply(), "fine");
    EXPECT_TRUE(dialog_.enabled(IDOK));

    FakeTransport::reset({0, 1});
    send(true);
    EXPECT_EQ(dialog_.status(), "Sent times: 0");
    EXPECT_EQ(dialog_.text(IDC_ANSWER_REPLY), "fine") << "the reply stays for another try";
    send(false);
    EXPECT_EQ(FakeTransport::at(1).from, "HOMEBOX");
    EXPECT_EQ(FakeTransport::at(1).to, "WORKSTATION-012");
    EXPECT_EQ(FakeTransport::at(1).text, "fine");
    EXPECT_TRUE(wait_until([&] { return dialog_.status() == "Sent times: 1"; }));
    dialog_.click(IDCANCEL);
    EXPECT_EQ(dialog_.wait_closed(), 1);
}

TEST_F(AnswerDialog, CancelWithoutASendAnswersZero) {
    open();
    type_text(reply(), "not sent");
    FakeTransport::reset({0});
    send(true);
    dialog_.click(IDCANCEL);
    EXPECT_EQ(dialog_.wait_closed(), 0);
}

TEST_F(AnswerDialog, WithoutDcsdClosesAfterSend) {
    {
        ScopedLock hold(g_options_lock);
        g_options.dcsd = 0;
    }
    open();
    type_text(reply(), "once");
    send(false);
    EXPECT_EQ(dialog_.wait_closed(), 1);
}

// A sender that is no computer's name is not answered: not cut to 15
// bytes, not used as a path, not the whole workgroup.
TEST_F(AnswerDialog, RefusesSendersThatAreNotComputerNames) {
    for (const char* from : {"WORKSTATION-0123", "127.0.0.1\\share", "*"}) {
        SCOPED_TRACE(from);
        received_.from = from;
        ModalDialog dialog;
        AnswerDialogInput input{&received_, 0, FakeTransport::send};
        ASSERT_NE(dialog.open("Answer Message",
                              [input](HWND owner) { return show_answer_dialog(owner, input); }),
                  nullptr);
        type_text(dialog.item(IDC_ANSWER_REPLY), "hi");
        dialog.click(IDOK);
        EXPECT_EQ(ModalDialog::answer_message_box(),
                  "The recipient is not a valid computer name !");
        EXPECT_EQ(FakeTransport::count(), 0u);
    }
}

// The reply takes no more than the way of sending carries (here the
// datagram's 399 bytes of text); the quoted copy is cut to fit.
TEST_F(AnswerDialog, ReplyStopsAtWhatTheWayOfSendingCarries) {
    received_.text = std::string(500, 'q');
    open();
    type_text(reply(), std::string(9, 'r'));
    dialog_.click(IDC_QUOTE);
    ASSERT_TRUE(wait_until([&] { return !dialog_.enabled(IDC_QUOTE); }));
    EXPECT_EQ(dialog_.text(IDC_ANSWER_REPLY), ">" + std::string(389, 'q') + std::string(9, 'r'));
    type_text(reply(), "more");
    EXPECT_EQ(GetWindowTextLengthA(reply()), 399);
}

}  // namespace
