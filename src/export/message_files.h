// The exported files: one message as an HTML page or as plain text, and the
// whole message list as one HTML page (portable).
//
// Every file is byte-identical on every platform: each LF written, those
// inside a message text included, is stored as CR LF, so a text holding CR LF
// is stored with CR CR LF. Names and texts are escaped in the HTML pages,
// because anyone on the network can send a message; the text file keeps them
// byte for byte. An absent sender or text is written as an empty one.
#pragma once

#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <string_view>

#include "core/message.h"

// The arrival's date ("2001.12.06") and time ("02:07:41") in local time.
struct ArrivalTexts {
    std::string date;
    std::string clock;
};
// Nothing when the time cannot be converted; its line is then left out.
using ArrivalConverter = std::optional<ArrivalTexts> (*)(int64_t arrived);
std::optional<ArrivalTexts> local_arrival_texts(int64_t arrived);

// File contents with LF line ends, before the CR LF expansion.
std::string message_html(const MessageRecord& record,
                         ArrivalConverter convert = local_arrival_texts);
std::string message_text(const MessageRecord& record,
                         ArrivalConverter convert = local_arrival_texts);
// The rows' records from the top (the newest); null entries are skipped. An
// empty list still gives a complete page.
std::string list_html(std::span<const MessageRecord* const> records,
                      ArrivalConverter convert = local_arrival_texts);

// Every LF becomes CR LF.
std::string with_crlf(std::string_view content);
// Replaces the file at `path` with `content`, LF expanded. False when the file
// cannot be created or a write fails; the file is closed on every path.
bool write_export(const char* path, std::string_view content);

// False when an argument is missing or the file cannot be written.
bool write_message_html(const MessageRecord* record, const char* path);
bool write_message_text(const MessageRecord* record, const char* path);
bool write_list_html(const char* path, std::span<const MessageRecord* const> records);
