// Time and date texts of a message's arrival, in local time (portable).
#pragma once

#include <cstdint>
#include <optional>
#include <string>

// "09:05:03": hours, minutes and seconds, each two digits. Nothing when the
// time cannot be converted to local time.
std::optional<std::string> clock_text(int32_t arrived);

// "2001.12.06": four-digit year, month and day. Nothing when the time cannot
// be converted.
std::optional<std::string> date_text(int32_t arrived);
