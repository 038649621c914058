// The text of a Messenger service popup parsed into a message record (portable).
#include "transport/popup_text.h"

#include <optional>
#include <string>

#include "core/codepage.h"

MessagePtr parse_popup_text(const char* text, size_t length, int64_t arrived) {
    if (!text || length == 0) return nullptr;

    // The walk ends fields by writing NULs over spaces, so it works on a copy.
    // The extra NUL ends every field inside the copy even when the caller's
    // buffer lacks its own.
    std::string work(text, length);
    work.push_back('\0');

    // Every space counts: the second and the fourth start the sender and the
    // recipient, the third and the fifth end them. Later spaces change nothing.
    std::optional<size_t> from;
    std::optional<size_t> to;
    std::optional<size_t> body;
    int spaces = -1;
    bool line_feed_seen = false;
    for (size_t i = 0; i < length; ++i) {
        if (work[i] == ' ') {
            const bool next_inside = i + 1 < length;
            if (spaces == 0 && next_inside) from = i + 1;
            if (spaces == 2 && next_inside) to = i + 1;
            if (spaces == 1 || spaces == 3) work[i] = '\0';
            if (spaces < 4) ++spaces;
        } else if (work[i] == '\n' && !line_feed_seen) {
            // The text follows the CR LF of the empty line after the header.
            line_feed_seen = true;
            if (i + 3 < length) body = i + 3;
        }
    }
    if (!from || !to || !body) return nullptr;

    std::string oem_text(work.c_str() + *body);
    ansi_to_oem(oem_text.data());
    return new_record(work.c_str() + *from, work.c_str() + *to, oem_text.c_str(), arrived);
}
