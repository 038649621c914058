// Message record and the Messenger mailslot datagram codec (portable).
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <vector>

// One received message. A field is absent (nullopt) when the datagram ended
// before its terminating NUL; absent is distinct from an empty string.
struct MessageRecord {
    std::optional<std::string> from;
    std::optional<std::string> to;
    std::optional<std::string> text;  // from the wire OEM until incoming processing accepts it,
                                      // then ANSI; popup texts are ANSI throughout
    int64_t arrived = 0;              // seconds since 1970-01-01 UTC
    int32_t listed = 0;
    // The message list's number for the record's row: unique for the run,
    // never reused, 0 until listed. Commands and dialogs find rows by it.
    uint32_t serial = 0;
};

using MessagePtr = std::unique_ptr<MessageRecord>;

// Copies each given string; a null argument leaves its field absent.
// Returns null only when the record itself cannot be allocated.
MessagePtr new_record(const char* from, const char* to, const char* text, int64_t arrived);

// Splits sender, recipient and text at their NULs, reading exactly `length`
// bytes. Null only for a null buffer. The text stays in the OEM code page.
MessagePtr parse_datagram(const void* bytes, size_t length, int64_t arrived);

// sender NUL recipient NUL text NUL, with only the text converted from ANSI to
// OEM. Empty when an argument is missing or memory runs out.
std::vector<char> build_datagram(const char* from, const char* to, const char* text);
