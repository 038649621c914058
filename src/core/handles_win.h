// Owning wrappers for Win32 handles (Windows only): each closes what it holds
// on every path, and can be moved but not copied.
#pragma once

#include <windows.h>

#include <utility>

// Traits: `invalid()` is the value that holds nothing, `close` releases.
template <typename Traits>
class UniqueWin {
public:
    using T = typename Traits::type;

    UniqueWin() = default;
    explicit UniqueWin(T value) : value_(value) {}
    ~UniqueWin() { reset(); }
    UniqueWin(UniqueWin&& other) noexcept : value_(other.release()) {}
    UniqueWin& operator=(UniqueWin&& other) noexcept {
        if (this != &other) reset(other.release());
        return *this;
    }
    UniqueWin(const UniqueWin&) = delete;
    UniqueWin& operator=(const UniqueWin&) = delete;

    T get() const { return value_; }
    explicit operator bool() const { return value_ != Traits::invalid(); }
    T release() { return std::exchange(value_, Traits::invalid()); }
    void reset(T value = Traits::invalid()) {
        if (value_ != Traits::invalid()) Traits::close(value_);
        value_ = value;
    }

private:
    T value_ = Traits::invalid();
};

namespace win_traits {
template <typename Handle, auto Close>
struct NullIsEmpty {
    using type = Handle;
    static Handle invalid() { return nullptr; }
    static void close(Handle h) { Close(h); }
};
struct File {
    using type = HANDLE;
    static HANDLE invalid() { return INVALID_HANDLE_VALUE; }
    static void close(HANDLE h) { CloseHandle(h); }
};
}  // namespace win_traits

// Threads, events, mutexes: null when absent.
using UniqueHandle = UniqueWin<win_traits::NullIsEmpty<HANDLE, CloseHandle>>;
// Files and mailslots: INVALID_HANDLE_VALUE when absent.
using UniqueFile = UniqueWin<win_traits::File>;
using UniqueModule = UniqueWin<win_traits::NullIsEmpty<HMODULE, FreeLibrary>>;
using UniqueKey = UniqueWin<win_traits::NullIsEmpty<HKEY, RegCloseKey>>;
using UniqueMenu = UniqueWin<win_traits::NullIsEmpty<HMENU, DestroyMenu>>;
using UniqueIcon = UniqueWin<win_traits::NullIsEmpty<HICON, DestroyIcon>>;

// A handle closed through a function the program looked up at run time
// (see resolve_win.h): a socket through closesocket of ws2_32.dll, a service
// handle through CloseServiceHandle. `Invalid` is the value that holds
// nothing. Without a close function the handle is dropped unclosed.
template <typename Handle, typename Close, auto Invalid>
class UniqueLoaded {
public:
    UniqueLoaded() = default;
    UniqueLoaded(Handle value, Close close) : value_(value), close_(close) {}
    ~UniqueLoaded() { reset(); }
    UniqueLoaded(UniqueLoaded&& other) noexcept : value_(other.release()), close_(other.close_) {}
    UniqueLoaded& operator=(UniqueLoaded&& other) noexcept {
        if (this != &other) {
            reset();
            close_ = other.close_;
            value_ = other.release();
        }
        return *this;
    }
    UniqueLoaded(const UniqueLoaded&) = delete;
    UniqueLoaded& operator=(const UniqueLoaded&) = delete;

    Handle get() const { return value_; }
    explicit operator bool() const { return value_ != Handle(Invalid); }
    Handle release() { return std::exchange(value_, Handle(Invalid)); }
    void reset() {
        const Handle value = release();
        if (value != Handle(Invalid) && close_) close_(value);
    }

private:
    Handle value_ = Handle(Invalid);
    Close close_ = nullptr;
};

using ServiceClose = BOOL(WINAPI*)(SC_HANDLE service);
using UniqueService = UniqueLoaded<SC_HANDLE, ServiceClose, nullptr>;

// Shows the wait cursor for its lifetime, then the cursor it replaced.
class WaitCursor {
public:
    WaitCursor() : previous_(SetCursor(LoadCursorA(nullptr, IDC_WAIT))) {}
    ~WaitCursor() { SetCursor(previous_); }
    WaitCursor(const WaitCursor&) = delete;
    WaitCursor& operator=(const WaitCursor&) = delete;

private:
    HCURSOR previous_;
};
