// Message record and the Messenger mailslot datagram codec (portable).
#include "core/message.h"

#include <cstring>
#include <new>

#include "core/codepage.h"

namespace {

// A copy that cannot be allocated leaves the field absent, as a missing NUL does.
std::optional<std::string> copy_of(const char* s, size_t length) {
    if (!s) return std::nullopt;
    try {
        return std::string(s, length);
    } catch (const std::bad_alloc&) {
        return std::nullopt;
    }
}

}  // namespace

MessagePtr new_record(const char* from, const char* to, const char* text, int64_t arrived) {
    MessagePtr record(new (std::nothrow) MessageRecord);
    if (!record) return nullptr;
    record->from = copy_of(from, from ? std::strlen(from) : 0);
    record->to = copy_of(to, to ? std::strlen(to) : 0);
    record->text = copy_of(text, text ? std::strlen(text) : 0);
    record->arrived = arrived;
    return record;
}

MessagePtr parse_datagram(const void* bytes, size_t length, int64_t arrived) {
    if (!bytes) return nullptr;
    const char* data = static_cast<const char*>(bytes);

    // A field is taken only when its NUL lies inside the bytes received.
    std::optional<std::string> fields[3];
    size_t field = 0;
    size_t start = 0;
    for (size_t i = 0; i < length && field < 3; ++i) {
        if (data[i] != '\0') continue;
        fields[field++] = copy_of(data + start, i - start);
        start = i + 1;
    }

    MessagePtr record(new (std::nothrow) MessageRecord);
    if (!record) return nullptr;
    record->from = std::move(fields[0]);
    record->to = std::move(fields[1]);
    record->text = std::move(fields[2]);
    record->arrived = arrived;
    return record;
}

std::vector<char> build_datagram(const char* from, const char* to, const char* text) {
    if (!from || !to || !text) return {};
    const size_t from_len = std::strlen(from);
    const size_t to_len = std::strlen(to);
    const size_t text_len = std::strlen(text);
    try {
        std::vector<char> datagram(from_len + to_len + text_len + 3, '\0');
        char* out = datagram.data();
        std::memcpy(out, from, from_len);
        std::memcpy(out + from_len + 1, to, to_len);
        char* text_out = out + from_len + to_len + 2;
        std::memcpy(text_out, text, text_len);
        ansi_to_oem(text_out);  // names travel unconverted; the text's NUL follows it
        return datagram;
    } catch (const std::bad_alloc&) {
        return {};
    }
}
