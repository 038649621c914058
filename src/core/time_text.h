// Time and date texts of a message's arrival, in local time (portable).
#pragma once

#include <cstdint>
#include <ctime>
#include <optional>
#include <string>

// Now, in seconds since 1970-01-01 UTC; 64 bits wide, so also after 2038.
int64_t now_seconds();

// A moment in seconds since 1970-01-01 UTC as local time; nothing when it
// cannot be converted. Every caller runs on one thread at a time.
std::optional<std::tm> local_time(int64_t when);

// "09:05:03": hours, minutes and seconds, each two digits. Nothing when the
// time cannot be converted to local time.
std::optional<std::string> clock_text(int64_t arrived);

// "2001.12.06": four-digit year, month and day. Nothing when the time cannot
// be converted.
std::optional<std::string> date_text(int64_t arrived);
