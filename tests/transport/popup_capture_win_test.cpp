// The popup capture loop against popups made like the Messenger service's
// (Windows only). The test thread owns the popups and pumps messages while
// the loop, on its own thread, reads and closes them.
#include "transport/popup_capture_win.h"

#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <ctime>
#include <mutex>
#include <optional>
#include <string>
#include <thread>
#include <vector>

#include "core/process_state.h"
#include "incoming/incoming.h"
#include "transport/standins/popup_maker_win.h"

namespace {

using Clock = std::chrono::steady_clock;

class PopupCaptureTest : public ::testing::Test {
protected:
    void SetUp() override { set_stop_flag(0); }
    void TearDown() override {
        stop_capture();
        set_stop_flag(0);
    }

    void start_capture() {
        reader_ = std::thread([this] {
            run_popup_capture([this](MessagePtr record) {
                std::lock_guard<std::mutex> hold(mutex_);
                delivered_.push_back(record ? std::optional<MessageRecord>(*record) : std::nullopt);
            });
            ended_at_ = Clock::now();
            ended_ = true;
        });
    }

    // The loop may be inside a SendMessage to this thread's popups, so this
    // thread pumps until the loop has ended before joining it.
    void stop_capture() {
        if (!reader_.joinable()) return;
        set_stop_flag(1);
        wait_until([this] { return ended_.load(); }, 5000);
        reader_.join();
    }

    size_t delivered_count() {
        std::lock_guard<std::mutex> hold(mutex_);
        return delivered_.size();
    }
    std::optional<MessageRecord> delivered(size_t i) {
        std::lock_guard<std::mutex> hold(mutex_);
        return delivered_.at(i);
    }
    bool wait_for_deliveries(size_t count) {
        return wait_until([&] { return delivered_count() >= count; }, 3000);
    }

    PopupMaker maker_;
    std::thread reader_;
    std::atomic<bool> ended_{false};
    Clock::time_point ended_at_;
    std::mutex mutex_;
    std::vector<std::optional<MessageRecord>> delivered_;  // nullopt: a null record
};

TEST_F(PopupCaptureTest, ReadsClosesAndDeliversAPopupOfEitherTitle) {
    start_capture();
    size_t expected = 0;
    for (const wchar_t* title : {kEnglishTitle, kRussianTitle}) {
        const auto before = static_cast<int32_t>(std::time(nullptr));
        HWND popup = maker_.show(title, popup_text(L"ALPHA", L"BETA", L"Hello caf\u00E9"));
        ASSERT_NE(popup, nullptr);
        ASSERT_TRUE(wait_for_deliveries(++expected));

        const std::optional<MessageRecord> record = delivered(expected - 1);
        ASSERT_TRUE(record.has_value());
        EXPECT_EQ(record->from, "ALPHA");
        EXPECT_EQ(record->to, "BETA");
        // Read and passed on as ANSI (e acute 0xE9 in 1252).
        EXPECT_EQ(record->text, "Hello caf\xE9");
        EXPECT_GE(record->arrived, before);
        EXPECT_LE(record->arrived, static_cast<int32_t>(std::time(nullptr)));
        EXPECT_TRUE(wait_until([&] { return !IsWindow(popup); }, 1000));
        EXPECT_EQ(maker_.close_requests(popup), 1);
    }
}

TEST_F(PopupCaptureTest, PopupWithAnEmptyTextStaysOpenUntilItsTextAppears) {
    HWND popup = maker_.show(kEnglishTitle, std::wstring());
    start_capture();
    pump_for(300);  // six cycles
    EXPECT_EQ(delivered_count(), 0u);
    EXPECT_TRUE(IsWindow(popup));
    EXPECT_EQ(maker_.close_requests(popup), 0);

    maker_.set_text(popup, popup_text(L"ALPHA", L"BETA", L"late"));
    ASSERT_TRUE(wait_for_deliveries(1));
    ASSERT_TRUE(delivered(0).has_value());
    EXPECT_EQ(delivered(0)->text, "late");
    EXPECT_TRUE(wait_until([&] { return !IsWindow(popup); }, 1000));
}

TEST_F(PopupCaptureTest, PopupWithoutATextControlIsClosedUnread) {
    HWND popup = maker_.show(kEnglishTitle, std::nullopt);
    start_capture();
    EXPECT_TRUE(wait_until([&] { return !IsWindow(popup); }, 1000));
    pump_for(150);
    EXPECT_EQ(delivered_count(), 0u);
}

TEST_F(PopupCaptureTest, TextThatDoesNotParseIsClosedAndPassedOnAsNull) {
    HWND popup = maker_.show(kEnglishTitle, std::wstring(L"Message from ALPHA to BETA"));
    start_capture();
    ASSERT_TRUE(wait_for_deliveries(1));
    EXPECT_FALSE(delivered(0).has_value());
    EXPECT_TRUE(wait_until([&] { return !IsWindow(popup); }, 1000));
}

TEST_F(PopupCaptureTest, EnglishTitledPopupIsHandledFirst) {
    maker_.show(kRussianTitle, popup_text(L"RU", L"X", L"second"));
    maker_.show(kEnglishTitle, popup_text(L"EN", L"X", L"first"));
    start_capture();
    ASSERT_TRUE(wait_for_deliveries(2));
    EXPECT_EQ(delivered(0)->from, "EN");
    EXPECT_EQ(delivered(1)->from, "RU");
}

TEST_F(PopupCaptureTest, PopupThatStaysOpenIsClosedAgainButNotReadAgain) {
    HWND popup = maker_.show(kEnglishTitle, popup_text(L"ALPHA", L"BETA", L"once"), 1);
    start_capture();
    EXPECT_TRUE(wait_until([&] { return !IsWindow(popup); }, 1000));
    pump_for(150);
    EXPECT_EQ(maker_.close_requests(popup), 2);
    EXPECT_EQ(delivered_count(), 1u);
}

// A popup whose thread stopped handling messages: it takes the capture's
// first request and never answers until released.
class HungPopup {
public:
    HungPopup() {
        release_ = CreateEventA(nullptr, TRUE, FALSE, nullptr);
        asked_ = CreateEventA(nullptr, TRUE, FALSE, nullptr);
        thread_ = std::thread([this] {
            PopupMaker maker;
            maker.show(kEnglishTitle, popup_text(L"HUNG", L"X", L"stuck"));
            HANDLE nothing = release_;
            // Waits for a request without taking it, then stops pumping.
            MsgWaitForMultipleObjects(1, &nothing, FALSE, 5000, QS_SENDMESSAGE);
            SetEvent(asked_);
            WaitForSingleObject(release_, 20000);
            pump_for(200);
        });
    }
    ~HungPopup() {
        SetEvent(release_);
        thread_.join();
        CloseHandle(release_);
        CloseHandle(asked_);
    }
    bool wait_asked() { return WaitForSingleObject(asked_, 3000) == WAIT_OBJECT_0; }
    void release() { SetEvent(release_); }

private:
    HANDLE release_, asked_;
    std::thread thread_;
};

TEST_F(PopupCaptureTest, AHungPopupIsSkippedAndLaterPopupsAreStillCaptured) {
    HungPopup hung;
    start_capture();
    ASSERT_TRUE(hung.wait_asked());
    maker_.show(kEnglishTitle, popup_text(L"LIVE", L"X", L"after"));
    const bool captured = wait_until(
        [&] {
            std::lock_guard<std::mutex> hold(mutex_);
            for (const auto& record : delivered_)
                if (record && record->from == "LIVE") return true;
            return false;
        },
        6000);
    hung.release();
    EXPECT_TRUE(captured) << "the capture still waits for the hung popup";
}

TEST_F(PopupCaptureTest, EndsWithinAboutFiftyMillisecondsOfTheStopFlag) {
    start_capture();
    pump_for(120);
    const Clock::time_point asked = Clock::now();
    set_stop_flag(1);
    ASSERT_TRUE(wait_until([this] { return ended_.load(); }, 2000));
    const auto took =
        std::chrono::duration_cast<std::chrono::milliseconds>(ended_at_ - asked).count();
    RecordProperty("stop_ms", static_cast<int>(took));
    // One 50 ms sleep at most, with room for a busy machine.
    EXPECT_LE(took, 150) << took << " ms";
}

// The captured text is ANSI already: it reaches the list with every
// character the ANSI code page has, the OEM one lacking some of them.
TEST_F(PopupCaptureTest, TheReceiverListsTheTextWithItsCharacters) {
    struct RecordingStore : MessageStoreLink {
        int insert(MessageRecord* record) override {
            std::lock_guard<std::mutex> hold(mutex);
            texts.push_back(record->text.value_or("(none)"));
            return 0;  // the caller keeps and frees it
        }
        void pop_up() override {}
        std::mutex mutex;
        std::vector<std::string> texts;
    } store;
    set_receiver_store(&store);
    std::atomic<bool> done{false};
    std::thread receiver([&] {
        popup_capture_thread(nullptr);
        done = true;
    });

    maker_.show(kEnglishTitle,
                popup_text(L"ALPHA", L"BETA", L"5\u20AC \u201Cok\u201D \u2013 done\u2026"));
    EXPECT_TRUE(wait_until(
        [&] {
            std::lock_guard<std::mutex> hold(store.mutex);
            return !store.texts.empty();
        },
        3000));
    set_stop_flag(1);
    wait_until([&] { return done.load(); }, 3000);
    receiver.join();
    set_receiver_store(nullptr);
    ASSERT_EQ(store.texts.size(), 1u);
    EXPECT_EQ(store.texts[0], "5\x80 \x93ok\x94 \x96 done\x85");  // windows-1252
}

}  // namespace
