// Lock outside Windows: a standard mutex (portable).
#include <mutex>

#include "core/lock.h"

struct Lock::Impl {
    std::mutex mutex;
};

Lock::Lock() : impl_(std::make_unique<Impl>()) {}
Lock::~Lock() = default;
void Lock::enter() {
    impl_->mutex.lock();
}
void Lock::leave() {
    impl_->mutex.unlock();
}
