// The dialogs' item helpers and procedure guard (Windows only).
#include "core/dialog_items_win.h"

#include <new>

bool checked(HWND dialog, int id) {
    return IsDlgButtonChecked(dialog, id) == BST_CHECKED;
}

void check(HWND dialog, int id, bool on) {
    CheckDlgButton(dialog, id, on ? BST_CHECKED : BST_UNCHECKED);
}

void set_enabled(HWND control, bool enabled) {
    if ((IsWindowEnabled(control) != 0) != enabled) EnableWindow(control, enabled);
}

void enable(HWND dialog, int id, bool on) {
    set_enabled(GetDlgItem(dialog, id), on);
}

bool enabled(HWND dialog, int id) {
    return IsWindowEnabled(GetDlgItem(dialog, id)) != FALSE;
}

std::optional<std::string> control_text(HWND control) try {
    const int length = GetWindowTextLengthA(control);
    if (length <= 0) return std::string();
    std::string text(static_cast<size_t>(length) + 1, '\0');
    const int read = GetWindowTextA(control, text.data(), length + 1);
    if (read <= 0) return std::nullopt;
    text.resize(static_cast<size_t>(read));
    return text;
} catch (const std::bad_alloc&) {
    return std::nullopt;
}

std::string item_text(HWND dialog, int id) {
    return control_text(GetDlgItem(dialog, id)).value_or(std::string());
}

bool has_text(HWND dialog, int id) {
    return GetWindowTextLengthA(GetDlgItem(dialog, id)) > 0;
}

INT_PTR guarded_dispatch(DialogDispatch dispatch, HWND dialog, UINT message, WPARAM wparam,
                         LPARAM lparam) noexcept {
    try {
        return dispatch(dialog, message, wparam, lparam);
    } catch (...) {
        return TRUE;
    }
}
