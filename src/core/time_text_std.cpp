// The clock and local time outside Windows (portable, POSIX).
#include <ctime>

#include "core/time_text.h"

int64_t now_seconds() {
    return static_cast<int64_t>(std::time(nullptr));
}

// glibc's localtime re-reads the zone file on every call (a list export
// converts thousands of times), its localtime_r only once.
std::optional<std::tm> local_time(int64_t when) {
    const auto moment = static_cast<std::time_t>(when);
    if (static_cast<int64_t>(moment) != when) return std::nullopt;
    std::tm converted{};
    if (!localtime_r(&moment, &converted)) return std::nullopt;
    return converted;
}
