// Process-wide locks (portable seam): a critical section on Windows, a mutex
// elsewhere, and a scoped holder that releases it on every path.
#pragma once

#include <memory>

class Lock {
public:
    Lock();
    ~Lock();
    Lock(const Lock&) = delete;
    Lock& operator=(const Lock&) = delete;

    void enter();
    void leave();

private:
    struct Impl;
    std::unique_ptr<Impl> impl_;
};

class ScopedLock {
public:
    explicit ScopedLock(Lock& lock) : lock_(lock) { lock_.enter(); }
    ~ScopedLock() { lock_.leave(); }
    ScopedLock(const ScopedLock&) = delete;
    ScopedLock& operator=(const ScopedLock&) = delete;

private:
    Lock& lock_;
};
