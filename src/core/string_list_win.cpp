// Moving string lists to and from list boxes and combo boxes (Windows only).
#include "core/string_list_win.h"

#include <string>

namespace {

// The combo box and list box messages that the two directions need.
struct BoxMessages {
    UINT get_count, get_text_len, get_text, add_string;
};

constexpr BoxMessages kComboBox{CB_GETCOUNT, CB_GETLBTEXTLEN, CB_GETLBTEXT, CB_ADDSTRING};
constexpr BoxMessages kListBox{LB_GETCOUNT, LB_GETTEXTLEN, LB_GETTEXT, LB_ADDSTRING};

void read_box(HWND box, StringList* list, const BoxMessages& msg) {
    if (!box || !list) return;
    list->free_all();
    const LRESULT count = SendMessageA(box, msg.get_count, 0, 0);
    for (LRESULT i = 0; i < count; ++i) {
        const LRESULT length = SendMessageA(box, msg.get_text_len, i, 0);
        if (length <= 0) continue;  // -1 is an error; empty items never enter a list
        std::string text(static_cast<size_t>(length) + 1, '\0');
        const LRESULT got =
            SendMessageA(box, msg.get_text, i, reinterpret_cast<LPARAM>(text.data()));
        if (got < 0) continue;
        text.resize(std::char_traits<char>::length(text.c_str()));
        list->append_copy(std::string_view(text));
    }
}

void fill_box(HWND box, const StringList* list, const BoxMessages& msg) {
    if (!box || !list) return;
    for (const std::string& s : *list) {
        SendMessageA(box, msg.add_string, 0, reinterpret_cast<LPARAM>(s.c_str()));
    }
}

}  // namespace

void read_from_combo_box(HWND combo, StringList* list) {
    read_box(combo, list, kComboBox);
}
void fill_combo_box(HWND combo, const StringList* list) {
    fill_box(combo, list, kComboBox);
}
void read_from_list_box(HWND list_box, StringList* list) {
    read_box(list_box, list, kListBox);
}
void fill_list_box(HWND list_box, const StringList* list) {
    fill_box(list_box, list, kListBox);
}
