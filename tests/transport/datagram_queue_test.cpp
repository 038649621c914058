// The bounded datagram queue: order, the newest dropped and counted when
// full, the local senders' reserve, and a producer racing the consumer (portable).
#include "transport/datagram_queue.h"

#include <gtest/gtest.h>

#include <string>
#include <thread>
#include <vector>

namespace {

std::vector<char> bytes(const std::string& s) {
    return {s.begin(), s.end()};
}

std::vector<std::string> drain(DatagramQueue& queue) {
    std::vector<std::string> out;
    bool more = true;
    while (auto d = queue.pop(more)) {
        out.emplace_back(d->begin(), d->end());
        EXPECT_EQ(more, queue.size() != 0);
    }
    EXPECT_FALSE(more);
    return out;
}

TEST(DatagramQueue, KeepsOrderDropsTheNewestWhenFullAndKeepsARoomForLocalSenders) {
    DatagramQueue queue(3, 1);
    bool was_empty = false;
    EXPECT_TRUE(queue.push(bytes("a"), false, &was_empty));
    EXPECT_TRUE(was_empty);
    for (const char* d : {"b", "c", "d", "e"}) {
        queue.push(bytes(d), false, &was_empty);
        EXPECT_FALSE(was_empty);
    }
    EXPECT_EQ(queue.dropped(), 2u);
    EXPECT_TRUE(queue.push(bytes("local"), true));
    EXPECT_FALSE(queue.push(bytes("local2"), true)) << "the reserve is bounded too";
    EXPECT_EQ(queue.dropped(), 3u);
    EXPECT_EQ(drain(queue), (std::vector<std::string>{"a", "b", "c", "local"}));
    EXPECT_TRUE(queue.push(bytes("f"))) << "room again once drained";
    EXPECT_EQ(drain(queue), std::vector<std::string>{"f"});
}

TEST(DatagramQueue, AProducerRacingTheConsumerReordersNothing) {
    DatagramQueue queue(64, 0);
    constexpr int kCount = 20000;
    std::thread producer([&] {
        for (int i = 0; i < kCount; ++i) {
            while (!queue.push(bytes(std::to_string(i))))
                std::this_thread::yield();
        }
    });
    int expected = 0;
    bool more = false;
    while (expected < kCount) {
        if (auto d = queue.pop(more)) {
            ASSERT_EQ(std::string(d->begin(), d->end()), std::to_string(expected));
            ++expected;
        }
    }
    producer.join();
}

}  // namespace
