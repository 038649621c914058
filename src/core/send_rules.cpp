// Recipient names and text lengths the program sends (portable).
#include "core/send_rules.h"

#include <algorithm>

bool is_valid_computer_name(std::string_view name) {
    if (name.empty() || name.size() > kMaxComputerNameBytes) return false;
    return std::none_of(name.begin(), name.end(), [](char c) {
        const auto byte = static_cast<unsigned char>(c);
        return byte < 0x20 || byte == 0x7F || c == '\\' || c == '/' || c == ':' || c == '*';
    });
}

bool is_valid_recipient(std::string_view name) {
    return name == "*" || is_valid_computer_name(name);
}

size_t max_text_length(SendWay way, size_t sender_bytes) {
    if (way == SendWay::messenger_service) return kMaxServiceTextChars;
    const size_t around_text = sender_bytes + kMaxComputerNameBytes + 3;  // names, three NULs
    return around_text < kMaxDatagramBytes ? kMaxDatagramBytes - around_text : 0;
}
