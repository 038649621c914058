// Proposed names of exported files and the extension rule of the save
// dialogs (portable).
#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>

#include "core/message.h"

// "msg06_12_02-07-41_from_ALPHA": day, month and time of the arrival (local
// time) and the sender, whose characters that a file name cannot hold (path
// separators, reserved and control characters) become '_'. Empty when the
// arrival time cannot be converted to local time.
std::string propose_message_name(const MessageRecord& record);

// "message_list06_12_2001-02-07-41" for the moment `now` (local time). Empty
// when it cannot be converted.
std::string propose_list_name(int64_t now);

// `path` with `extension` appended unless it already occurs anywhere in it
// (case-sensitive: "notes.html.bak" keeps its name). Nothing when the result
// would not fit, with its NUL, into a path buffer of `buffer_size` bytes.
std::optional<std::string> path_with_extension(const std::string& path, const char* extension,
                                               std::size_t buffer_size);
