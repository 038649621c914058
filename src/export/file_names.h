// Proposed names of exported files and the extension rule of the save
// dialogs (portable).
#pragma once

#include <cstddef>
#include <ctime>
#include <optional>
#include <string>

#include "core/message.h"

// "msg06_12_02-07-41_from_ALPHA": day, month and time of the arrival (local
// time) and the sender, unchanged even where a file name cannot hold a
// character (the user corrects it in the save dialog). Empty when the arrival
// time cannot be converted to local time.
std::string propose_message_name(const MessageRecord& record);

// "message_list06_12_2001-02-07-41" for the moment `now` (local time). Empty
// when it cannot be converted.
std::string propose_list_name(std::time_t now);

// `path` with `extension` appended unless it already occurs anywhere in it
// (case-sensitive: "notes.html.bak" keeps its name). Nothing when the result
// would not fit, with its NUL, into a path buffer of `buffer_size` bytes.
std::optional<std::string> path_with_extension(const std::string& path, const char* extension,
                                               std::size_t buffer_size);
