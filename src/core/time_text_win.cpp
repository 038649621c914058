// The clock and local time on Windows, 64 bits wide whatever the C runtime's
// time_t (Windows only).
#include <windows.h>

#include <ctime>

#include "core/time_text.h"

namespace {

// FILETIME counts 100 ns steps from 1601-01-01; 1970 is this many seconds on.
constexpr int64_t kSecondsFrom1601To1970 = 11644473600LL;
constexpr int64_t kStepsPerSecond = 10000000;

using LocalTime64 = std::tm*(__cdecl*)(const int64_t*);

// The C runtime's 64-bit localtime where the system's msvcrt.dll has it
// (not on Windows 9x, NT 4 or 2000).
LocalTime64 runtime_localtime64() {
    static const LocalTime64 function = [] {
        HMODULE runtime = GetModuleHandleA("msvcrt.dll");
        return runtime ? reinterpret_cast<LocalTime64>(
                             reinterpret_cast<void*>(GetProcAddress(runtime, "_localtime64")))
                       : nullptr;
    }();
    return function;
}

// The system's own conversion, at today's offset from UTC.
std::optional<std::tm> system_local_time(int64_t when) {
    if (when < -kSecondsFrom1601To1970 ||
        when > INT64_MAX / kStepsPerSecond - kSecondsFrom1601To1970)
        return std::nullopt;
    const auto steps = static_cast<uint64_t>((when + kSecondsFrom1601To1970) * kStepsPerSecond);
    FILETIME utc{static_cast<DWORD>(steps), static_cast<DWORD>(steps >> 32)};
    FILETIME local{};
    SYSTEMTIME parts{};
    if (!FileTimeToLocalFileTime(&utc, &local) || !FileTimeToSystemTime(&local, &parts))
        return std::nullopt;
    std::tm converted{};
    converted.tm_year = parts.wYear - 1900;
    converted.tm_mon = parts.wMonth - 1;
    converted.tm_mday = parts.wDay;
    converted.tm_hour = parts.wHour;
    converted.tm_min = parts.wMinute;
    converted.tm_sec = parts.wSecond;
    converted.tm_wday = parts.wDayOfWeek;
    return converted;
}

}  // namespace

int64_t now_seconds() {
    FILETIME utc{};
    GetSystemTimeAsFileTime(&utc);
    const uint64_t steps = (static_cast<uint64_t>(utc.dwHighDateTime) << 32) | utc.dwLowDateTime;
    return static_cast<int64_t>(steps / kStepsPerSecond) - kSecondsFrom1601To1970;
}

// The runtime's localtime, whose result is shared, is copied at once.
std::optional<std::tm> local_time(int64_t when) {
    const auto moment = static_cast<std::time_t>(when);
    if (static_cast<int64_t>(moment) == when) {
        const std::tm* converted = std::localtime(&moment);
        if (!converted) return std::nullopt;
        return *converted;
    }
    if (LocalTime64 localtime64 = runtime_localtime64()) {
        const std::tm* converted = localtime64(&when);
        if (!converted) return std::nullopt;
        return *converted;
    }
    return system_local_time(when);
}
