// The bounded datagram hand-over between the listener and the receiver (portable).
#include "transport/datagram_queue.h"

#include <new>
#include <utility>

DatagramQueue::DatagramQueue(size_t capacity, size_t local_reserve)
    : capacity_(capacity), local_reserve_(local_reserve) {}

bool DatagramQueue::push(std::vector<char> datagram, bool local, bool* was_empty) {
    {
        ScopedLock hold(lock_);
        if (was_empty) *was_empty = datagrams_.empty();
        const size_t limit = capacity_ + (local ? local_reserve_ : 0);
        if (datagrams_.size() < limit) {
            try {
                datagrams_.push_back(std::move(datagram));
                return true;
            } catch (const std::bad_alloc&) {
            }
        }
    }
    dropped_.fetch_add(1);
    return false;
}

std::optional<std::vector<char>> DatagramQueue::pop(bool& more_waiting) {
    ScopedLock hold(lock_);
    more_waiting = false;
    if (datagrams_.empty()) return std::nullopt;
    std::vector<char> oldest = std::move(datagrams_.front());
    datagrams_.pop_front();
    more_waiting = !datagrams_.empty();
    return oldest;
}

size_t DatagramQueue::size() const {
    ScopedLock hold(lock_);
    return datagrams_.size();
}
