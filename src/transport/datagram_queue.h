// The bounded hand-over of received datagrams from the network listener to
// the receiver thread: first in, first out; when full the newest is dropped
// and counted, so the listener never waits for the list (portable).
#pragma once

#include <atomic>
#include <cstddef>
#include <cstdint>
#include <deque>
#include <optional>
#include <vector>

#include "core/lock.h"

class DatagramQueue {
public:
    // `capacity` datagrams from the network; local senders may use
    // `local_reserve` places more, so a flood cannot refuse them.
    DatagramQueue(size_t capacity, size_t local_reserve);
    DatagramQueue(const DatagramQueue&) = delete;
    DatagramQueue& operator=(const DatagramQueue&) = delete;

    // False when the queue is full (or memory ran out): the datagram is
    // dropped and counted. `was_empty` tells whether it is now the only one,
    // which is when a consumer that drains the queue whole needs waking.
    bool push(std::vector<char> datagram, bool local = false, bool* was_empty = nullptr);
    // The oldest datagram, or nothing; `more_waiting` tells whether others follow.
    std::optional<std::vector<char>> pop(bool& more_waiting);

    size_t size() const;
    uint32_t dropped() const { return dropped_.load(); }

private:
    const size_t capacity_;
    const size_t local_reserve_;
    mutable Lock lock_;
    std::deque<std::vector<char>> datagrams_;  // under lock_
    std::atomic<uint32_t> dropped_{0};
};
