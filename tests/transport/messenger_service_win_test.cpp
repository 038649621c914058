// Preparing and releasing the Messenger service, against the stand-in service
// installed into the NT prefix (Windows only). Starting a stopped service and
// stopping it again is the NT end-to-end test's.
#include "transport/messenger_service_win.h"

#include <windows.h>

#include <gtest/gtest.h>

#include "core/running_copy_win.h"
#include "transport/standins/installed_service_win.h"

namespace {

bool netapi32_loaded() {
    return GetModuleHandleW(L"netapi32.dll") != nullptr;
}

class MessengerServiceTest : public ::testing::Test {
protected:
    void TearDown() override { release_messenger_service(); }

    // Prepare with `canary` as the last error before it: an answer that
    // rests on a failed call's error must come from that call.
    static int prepare_after_canary(DWORD canary = 0xDEADBEEF) {
        SetLastError(canary);
        return prepare_messenger_service();
    }
};

TEST_F(MessengerServiceTest, LeavesARunningServiceRunning) {
    InstalledService service(standin_service_path());
    ASSERT_TRUE(service.start());
    ASSERT_TRUE(service.wait_for_state(SERVICE_RUNNING, 5000));

    // Starting it again would fail, and Prepare would answer -6.
    EXPECT_EQ(prepare_messenger_service(), 0);
    release_messenger_service();
    EXPECT_FALSE(service.wait_for_state(SERVICE_STOPPED, 500));
    EXPECT_EQ(service.state(), static_cast<DWORD>(SERVICE_RUNNING));
}

TEST_F(MessengerServiceTest, WithoutTheServiceAnswers2ForTheOwnNetworkPathAndKeepsNothingLoaded) {
    remove_messenger_service();
    EXPECT_EQ(prepare_after_canary(), 2);
    EXPECT_STREQ(messenger_error_text(2), "");
    EXPECT_FALSE(netapi32_loaded());
}

TEST_F(MessengerServiceTest, AServiceThatCannotStartAnswersMinus6AndStaysStopped) {
    InstalledService service(L"Z:\\nonexistent\\qva-missing-service.exe");
    ASSERT_TRUE(service.installed());
    // A "disabled" left over from earlier would make this the own network path.
    EXPECT_EQ(prepare_after_canary(ERROR_SERVICE_DISABLED), -6);
    EXPECT_EQ(service.state(), static_cast<DWORD>(SERVICE_STOPPED));
    EXPECT_FALSE(netapi32_loaded());
}

// Disabled is how Windows XP SP2 and later leave the service: the program
// takes its own network path, silently; a merely stopped one is started.
TEST_F(MessengerServiceTest, ADisabledServiceAnswers2ForTheOwnNetworkPathAndStaysStopped) {
    InstalledService service(standin_service_path());
    ASSERT_TRUE(service.disable());
    EXPECT_EQ(prepare_after_canary(), 2);
    EXPECT_EQ(service.state(), static_cast<DWORD>(SERVICE_STOPPED));
    EXPECT_FALSE(netapi32_loaded());
}

// A dialog window with the main window's title and mark stands for an earlier
// copy of the program; a plain window with the title for a foreign one.
class EarlierInstanceTest : public MessengerServiceTest {
protected:
    void SetUp() override {
        earlier_ = make_window(MAKEINTATOM(0x8002), "Quorvanta Messenger");
        foreign_ = make_window("STATIC", "Quorvanta Messenger");
        other_ = make_window("STATIC", "Some other window");
        ASSERT_NE(foreign_, nullptr);
        mark_main_window(earlier_);
        ASSERT_NE(earlier_, nullptr);
        ASSERT_NE(other_, nullptr);
    }
    void TearDown() override {
        unmark_main_window(earlier_);
        for (HWND window : {earlier_, foreign_, other_})
            DestroyWindow(window);
        MessengerServiceTest::TearDown();
    }
    static HWND make_window(const char* window_class, const char* title) {
        return CreateWindowExA(0, window_class, title, WS_OVERLAPPEDWINDOW | WS_VISIBLE, 50, 50,
                               300, 200, nullptr, nullptr, nullptr, nullptr);
    }

    HWND earlier_ = nullptr;
    HWND foreign_ = nullptr;
    HWND other_ = nullptr;
};

TEST_F(EarlierInstanceTest, IsRestoredAndBroughtToTheFrontWithoutTouchingTheService) {
    ShowWindow(earlier_, SW_MINIMIZE);
    SetForegroundWindow(other_);
    ASSERT_TRUE(IsIconic(earlier_));
    ASSERT_EQ(GetForegroundWindow(), other_);
    // Without a service any further step would answer 2.
    remove_messenger_service();

    EXPECT_EQ(prepare_messenger_service(), 1);
    EXPECT_FALSE(IsIconic(earlier_));
    EXPECT_EQ(GetForegroundWindow(), earlier_);
    EXPECT_FALSE(netapi32_loaded());
}

// Windows that merely carry the title, such as a folder window of that name
// or one of the program's own message boxes (a dialog), are no running copy.
TEST_F(EarlierInstanceTest, AWindowWithTheTitleAloneIsNoRunningCopy) {
    unmark_main_window(earlier_);
    ShowWindow(foreign_, SW_MINIMIZE);
    remove_messenger_service();

    EXPECT_EQ(prepare_messenger_service(), 2) << "the start goes on";
    EXPECT_TRUE(IsIconic(foreign_));
}

}  // namespace
