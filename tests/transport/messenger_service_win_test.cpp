// Preparing and releasing the Messenger service, against the stand-in service
// installed into the NT prefix (Windows only). Starting a stopped service and
// stopping it again is the NT end-to-end test's.
#include "transport/messenger_service_win.h"

#include <windows.h>

#include <gtest/gtest.h>

#include "transport/standins/installed_service_win.h"

namespace {

bool netapi32_loaded() {
    return GetModuleHandleW(L"netapi32.dll") != nullptr;
}

class MessengerServiceTest : public ::testing::Test {
protected:
    void TearDown() override { release_messenger_service(); }
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
    EXPECT_EQ(prepare_messenger_service(), 2);
    EXPECT_STREQ(messenger_error_text(2), "");
    EXPECT_FALSE(netapi32_loaded());
}

TEST_F(MessengerServiceTest, AServiceThatCannotStartAnswersMinus6AndStaysStopped) {
    InstalledService service(L"Z:\\nonexistent\\qva-missing-service.exe");
    ASSERT_TRUE(service.installed());
    EXPECT_EQ(prepare_messenger_service(), -6);
    EXPECT_EQ(service.state(), static_cast<DWORD>(SERVICE_STOPPED));
    EXPECT_FALSE(netapi32_loaded());
}

// Disabled is how Windows XP SP2 and later leave the service: the program
// takes its own network path, silently; a merely stopped one is started.
TEST_F(MessengerServiceTest, ADisabledServiceAnswers2ForTheOwnNetworkPathAndStaysStopped) {
    InstalledService service(standin_service_path());
    ASSERT_TRUE(service.disable());
    EXPECT_EQ(prepare_messenger_service(), 2);
    EXPECT_EQ(service.state(), static_cast<DWORD>(SERVICE_STOPPED));
    EXPECT_FALSE(netapi32_loaded());
}

// A window with the main window's title stands for an earlier copy of the program.
class EarlierInstanceTest : public MessengerServiceTest {
protected:
    void SetUp() override {
        earlier_ = make_window(L"Quorvanta Messenger");
        other_ = make_window(L"Some other window");
        ASSERT_NE(earlier_, nullptr);
        ASSERT_NE(other_, nullptr);
    }
    void TearDown() override {
        DestroyWindow(earlier_);
        DestroyWindow(other_);
        MessengerServiceTest::TearDown();
    }
    static HWND make_window(const wchar_t* title) {
        return CreateWindowExW(0, L"STATIC", title, WS_OVERLAPPEDWINDOW | WS_VISIBLE, 50, 50, 300,
                               200, nullptr, nullptr, GetModuleHandleW(nullptr), nullptr);
    }

    HWND earlier_ = nullptr;
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

}  // namespace
