// Time and date texts of a message's arrival, in local time (portable).
#include "core/time_text.h"

#include <cstdio>
#include <ctime>

namespace {

// The program's formats pad with blanks ("%2d"); the blanks then become zeros.
std::string blanks_to_zeros(const char* text) {
    std::string result(text);
    for (char& c : result)
        if (c == ' ') c = '0';
    return result;
}

}  // namespace

std::optional<std::string> clock_text(int64_t arrived) {
    const std::optional<std::tm> tm = local_time(arrived);
    if (!tm) return std::nullopt;
    char text[48];
    std::snprintf(text, sizeof text, "%2d:%2d:%2d", tm->tm_hour, tm->tm_min, tm->tm_sec);
    return blanks_to_zeros(text);
}

std::optional<std::string> date_text(int64_t arrived) {
    const std::optional<std::tm> tm = local_time(arrived);
    if (!tm) return std::nullopt;
    char text[48];
    std::snprintf(text, sizeof text, "%d.%2d.%2d", tm->tm_year + 1900, tm->tm_mon + 1, tm->tm_mday);
    return blanks_to_zeros(text);
}
