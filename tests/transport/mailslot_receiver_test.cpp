// The mailslot receiver against real mailslots: poll cycles, oversized and
// empty datagrams, the sleep, the stop flag and a flood (Windows only).
#include <windows.h>

#include <gtest/gtest.h>

#include <condition_variable>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "core/process_state.h"
#include "incoming/incoming.h"
#include "settings/options.h"
#include "support/mailslot_helpers_win.h"
#include "transport/mailslot_win.h"

namespace {

// Takes every record, noting when it arrived; safe across threads.
class RecordingStore : public MessageStoreLink {
public:
    int insert(MessageRecord* record) override {
        std::lock_guard<std::mutex> hold(mutex_);
        rows_.emplace_back(record);
        ticks_.push_back(GetTickCount());
        arrived_.notify_all();
        return 1;
    }
    void pop_up() override {}

    bool wait_for(size_t rows, DWORD timeout_ms) {
        std::unique_lock<std::mutex> hold(mutex_);
        return arrived_.wait_for(hold, std::chrono::milliseconds(timeout_ms),
                                 [&] { return rows_.size() >= rows; });
    }
    DWORD tick(size_t i) {
        std::lock_guard<std::mutex> hold(mutex_);
        return ticks_.at(i);
    }
    // Only once the receiver has stopped: it converts each text after insert.
    std::vector<std::string> texts() {
        std::lock_guard<std::mutex> hold(mutex_);
        std::vector<std::string> out;
        for (const MessagePtr& row : rows_)
            out.push_back(row->text.value_or("<absent>"));
        return out;
    }

private:
    std::mutex mutex_;
    std::condition_variable arrived_;
    std::vector<MessagePtr> rows_;
    std::vector<DWORD> ticks_;
};

class Receiver : public ::testing::Test {
protected:
    void SetUp() override {
        g_options = Options{};
        set_stop_flag(0);
        ASSERT_TRUE(slot_) << GetLastError();
        ASSERT_TRUE(writer_.valid()) << GetLastError();
    }
    void TearDown() override { stop_receiver(); }

    void start_receiver() {
        receiver_ = std::thread([this] { run_mailslot_receiver(slot_.get(), processor_); });
    }
    void stop_receiver() {
        set_stop_flag(1);
        if (receiver_.joinable()) receiver_.join();
    }

    const std::string path_ = unique_mailslot_path("receiver");
    UniqueFile slot_{create_test_mailslot(path_)};
    MailslotWriter writer_{path_};
    RecordingStore store_;
    IncomingProcessor processor_{store_};
    std::thread receiver_;
};

TEST_F(Receiver, DatagramsWaitingAtTheStartOfACycleAreAllHandedOverInOrder) {
    for (const char* text : {"one", "two", "three"}) {
        ASSERT_TRUE(writer_.write(datagram("PC2", "HOST", text)));
    }
    const PollCycle cycle = poll_mailslot(slot_.get(), processor_);
    EXPECT_EQ(cycle.handed_over, 3);
    EXPECT_FALSE(cycle.more_waiting);
    EXPECT_EQ(store_.texts(), (std::vector<std::string>{"one", "two", "three"}));
    EXPECT_TRUE(mailslot_empty(slot_.get()));
}

TEST_F(Receiver, OnlyDatagramsThatFitTheBufferAreTakenAndNoneBlocksTheNext) {
    const std::pair<size_t, bool> cases[] = {{1024, true}, {1025, false}, {20000, false}};
    for (const auto& [size, taken] : cases) {
        SCOPED_TRACE(size);
        const std::string text(size - datagram("BIG", "HOST", "").size(), 'x');
        ASSERT_TRUE(writer_.write(datagram("BIG", "HOST", text)));
        const std::string behind = "behind " + std::to_string(size);
        ASSERT_TRUE(writer_.write(datagram("PC2", "HOST", behind)));
        const size_t before = store_.texts().size();

        const PollCycle cycle = poll_mailslot(slot_.get(), processor_);
        std::vector<std::string> expected{behind};
        if (taken) expected.insert(expected.begin(), text);
        const std::vector<std::string> texts = store_.texts();
        EXPECT_EQ(std::vector<std::string>(texts.begin() + before, texts.end()), expected);
        EXPECT_EQ(cycle.handed_over, static_cast<int>(expected.size()));
        EXPECT_TRUE(mailslot_empty(slot_.get()));
    }
}

TEST_F(Receiver, EmptyDatagramIsHandedOverAsAnEmptyRecordAndTheNextFollows) {
    ASSERT_TRUE(writer_.write(""));
    ASSERT_TRUE(writer_.write(datagram("PC2", "HOST", "behind")));
    const PollCycle cycle = poll_mailslot(slot_.get(), processor_);
    // The empty one has no sender: processed, but never listed.
    EXPECT_EQ(cycle.handed_over, 2);
    EXPECT_EQ(store_.texts(), std::vector<std::string>{"behind"});
    EXPECT_TRUE(mailslot_empty(slot_.get()));
}

TEST_F(Receiver, DatagramArrivingDuringTheSleepIsHandledInTheNextCycle) {
    ASSERT_TRUE(writer_.write(datagram("PC2", "HOST", "first")));
    start_receiver();
    ASSERT_TRUE(store_.wait_for(1, 2000));
    Sleep(200);  // the first cycle has found the mailslot empty and sleeps
    ASSERT_TRUE(writer_.write(datagram("PC2", "HOST", "second")));
    ASSERT_TRUE(store_.wait_for(2, 3000));

    const DWORD gap = store_.tick(1) - store_.tick(0);
    EXPECT_GE(gap, 450u);   // it waited for the end of the sleep
    EXPECT_LE(gap, 1500u);  // and no longer than the next cycle
}

TEST_F(Receiver, StopFlagEndsTheReceiverWithinAboutHalfASecondWithTheMemoryEmpty) {
    g_options.showmmode = 1;
    const std::string message = datagram("PC2", "HOST", "remembered");
    ASSERT_TRUE(writer_.write(message));
    start_receiver();
    ASSERT_TRUE(store_.wait_for(1, 2000));

    const DWORD stop_at = GetTickCount();
    set_stop_flag(1);
    receiver_.join();
    EXPECT_LE(GetTickCount() - stop_at, 900u);
    EXPECT_TRUE(processor_.duplicate_memory_empty());
    // The run is forgotten: the same message is listed again, not killed.
    EXPECT_EQ(processor_.process_incoming(parse_datagram(message.data(), message.size(), 0)), 1);
    EXPECT_EQ(store_.texts().size(), 2u);
}

TEST_F(Receiver, FloodOfTenThousandDatagramsIsHandedOverInOrderWithNoneLost) {
    constexpr int kCount = 10000;
    start_receiver();
    for (int i = 0; i < kCount; ++i) {
        ASSERT_TRUE(writer_.write(datagram("PC2", "HOST", std::to_string(i)))) << i;
    }
    ASSERT_TRUE(store_.wait_for(kCount, 60000));
    stop_receiver();

    const std::vector<std::string> texts = store_.texts();
    ASSERT_EQ(texts.size(), static_cast<size_t>(kCount));
    for (int i = 0; i < kCount; ++i)
        ASSERT_EQ(texts[i], std::to_string(i)) << i;
}

}  // namespace
