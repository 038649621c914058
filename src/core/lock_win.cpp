// Lock on Windows: a critical section (Windows only).
#include <windows.h>

#include "core/lock.h"

struct Lock::Impl {
    CRITICAL_SECTION section;
    Impl() { InitializeCriticalSection(&section); }
    ~Impl() { DeleteCriticalSection(&section); }
};

Lock::Lock() : impl_(std::make_unique<Impl>()) {}
Lock::~Lock() = default;
void Lock::enter() {
    EnterCriticalSection(&impl_->section);
}
void Lock::leave() {
    LeaveCriticalSection(&impl_->section);
}
