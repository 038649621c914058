// String list searches (portable).
#include "core/string_list.h"

void StringList::append_copy(const char* s) {
    if (s) append_copy(std::string_view(s));
}

const std::string* StringList::find_exact(const char* s) const {
    return s ? find_exact(std::string_view(s)) : nullptr;
}

const std::string* StringList::find_exact(std::string_view s) const {
    for (const std::string& item : items_) {
        if (item == s) return &item;
    }
    return nullptr;
}

int StringList::contains_any(const char* text) const {
    return text ? contains_any(std::string_view(text)) : 0;
}

int StringList::contains_any(std::string_view text) const {
    for (const std::string& item : items_) {
        if (text.find(item) != std::string_view::npos) return 1;
    }
    return 0;
}
