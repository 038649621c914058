// Sending through the Messenger service, with the stand-in netapi32.dll that
// sits beside this test and records every call (Windows only).
#include <windows.h>

#include <gtest/gtest.h>

#include <cstring>
#include <memory>
#include <string>

#include "core/process_state.h"
#include "transport/messenger_service_win.h"
#include "transport/standins/installed_service_win.h"
#include "transport/standins/netsend_log.h"

namespace {

std::vector<uint8_t> utf16_bytes(const std::wstring& s) {
    std::vector<uint8_t> bytes((s.size() + 1) * 2, 0);
    std::memcpy(bytes.data(), s.c_str(), s.size() * 2);
    return bytes;
}

class NetworkSendTest : public ::testing::Test {
protected:
    void SetUp() override {
        wchar_t dir[MAX_PATH];
        wchar_t file[MAX_PATH];
        GetTempPathW(MAX_PATH, dir);
        GetTempFileNameW(dir, L"qns", 0, file);
        log_ = file;
        DeleteFileW(log_.c_str());
        SetEnvironmentVariableW(L"QVA_NETSEND_LOG", log_.c_str());
        SetEnvironmentVariableW(L"QVA_NETSEND_REJECT", nullptr);
        SetEnvironmentVariableW(L"QVA_NETAPI_FAIL_LOAD", nullptr);
        service_ = std::make_unique<InstalledService>(standin_service_path());
        ASSERT_TRUE(service_->installed());
    }
    void TearDown() override {
        release_messenger_service();
        service_.reset();
        DeleteFileW(log_.c_str());
    }

    std::vector<NetsendCall> calls() const { return read_netsend_log(log_); }
    void forget_calls() const { DeleteFileW(log_.c_str()); }
    static void reject(const wchar_t* names) {
        SetEnvironmentVariableW(L"QVA_NETSEND_REJECT", names);
    }

    std::wstring log_;
    std::unique_ptr<InstalledService> service_;
};

TEST_F(NetworkSendTest, TextArrivesAsUtf16WithItsNulCounted) {
    ASSERT_EQ(prepare_messenger_service(), 0);
    const uint32_t sent = g_statistics.sent;

    EXPECT_EQ(network_send("PC1", "PC2", "Hi caf\xE9"), 1);
    const std::vector<NetsendCall> c = calls();
    ASSERT_EQ(c.size(), 1u);
    EXPECT_FALSE(c[0].server.has_value());  // the local computer sends
    EXPECT_EQ(c[0].recipient, L"PC2");
    EXPECT_EQ(c[0].sender, L"PC1");
    // 0xE9 in the ANSI code page 1252 is U+00E9; eight characters, NUL included.
    EXPECT_EQ(c[0].buffer, utf16_bytes(L"Hi caf\u00E9"));
    EXPECT_EQ(c[0].buffer.size(), 16u);
    EXPECT_EQ(g_statistics.sent, sent + 1);
}

TEST_F(NetworkSendTest, RejectedRecipientIsRetriedOnceAsItsWorkgroup) {
    ASSERT_EQ(prepare_messenger_service(), 0);
    const struct {
        const char* to;
        const wchar_t* rejected;
        int answer;
        std::vector<std::wstring> tried;
    } cases[] = {
        {"NOBODY", L"NOBODY", 1, {L"NOBODY", L"NOBODY*"}},
        {"*", L"*", 1, {L"*", L"**"}},
        {"NOBODY", L"NOBODY|NOBODY*", 0, {L"NOBODY", L"NOBODY*"}},
        {"PC2", L"NOBODY", 1, {L"PC2"}},
    };
    for (const auto& t : cases) {
        SCOPED_TRACE(t.to);
        forget_calls();
        reject(t.rejected);
        const uint32_t sent = g_statistics.sent;

        EXPECT_EQ(network_send("PC1", t.to, "text"), t.answer);
        const std::vector<NetsendCall> c = calls();
        ASSERT_EQ(c.size(), t.tried.size());
        for (size_t i = 0; i < c.size(); ++i) {
            EXPECT_EQ(c[i].recipient, t.tried[i]);
            EXPECT_EQ(c[i].sender, L"PC1");
            EXPECT_EQ(c[i].buffer, utf16_bytes(L"text"));
        }
        EXPECT_EQ(g_statistics.sent, sent + (t.answer == 1 ? 1 : 0));
    }
}

TEST_F(NetworkSendTest, MissingArgumentAnswersZeroWithoutCalling) {
    ASSERT_EQ(prepare_messenger_service(), 0);
    const uint32_t sent = g_statistics.sent;
    EXPECT_EQ(network_send(nullptr, "PC2", "text"), 0);
    EXPECT_EQ(network_send("PC1", nullptr, "text"), 0);
    EXPECT_EQ(network_send("PC1", "PC2", nullptr), 0);
    EXPECT_TRUE(calls().empty());
    EXPECT_EQ(g_statistics.sent, sent);
}

TEST_F(NetworkSendTest, NothingIsSentAfterRelease) {
    ASSERT_EQ(prepare_messenger_service(), 0);
    release_messenger_service();
    EXPECT_EQ(GetModuleHandleW(L"netapi32.dll"), nullptr);
    EXPECT_EQ(network_send("PC1", "PC2", "text"), 0);
    EXPECT_TRUE(calls().empty());
}

TEST_F(NetworkSendTest, NetapiThatCannotLoadAnswersMinus7AndTheServiceStaysStopped) {
    SetEnvironmentVariableW(L"QVA_NETAPI_FAIL_LOAD", L"1");
    EXPECT_EQ(prepare_messenger_service(), -7);
    EXPECT_EQ(GetModuleHandleW(L"netapi32.dll"), nullptr);
    EXPECT_FALSE(service_->wait_for_state(SERVICE_RUNNING, 500));
    EXPECT_EQ(service_->state(), static_cast<DWORD>(SERVICE_STOPPED));
    EXPECT_EQ(network_send("PC1", "PC2", "text"), 0);
}

}  // namespace
