// Fuzz target: any popup text parses without reading past its length, and a
// record always holds a sender and a recipient copied unchanged from the text
// (neither can hold a space: spaces delimit them) and a text.
#include <algorithm>
#include <cstdint>
#include <cstdlib>
#include <string_view>

#include "transport/popup_text.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const char* text = reinterpret_cast<const char*>(data);
    MessagePtr record = parse_popup_text(text, size, 0);
    if (!record) return 0;

    if (!record->from || !record->to || !record->text) std::abort();
    const std::string_view input(text, size);
    if (input.find('\n') == std::string_view::npos) std::abort();
    for (const std::string& name : {*record->from, *record->to}) {
        if (name.find(' ') != std::string::npos) std::abort();
        if (input.find(name) == std::string_view::npos) std::abort();
    }
    // The text begins at least three bytes after the first line feed.
    if (record->text->size() + input.find('\n') + 3 > size) std::abort();
    return 0;
}
