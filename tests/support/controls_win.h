// Reading and typing into windows of this process or of another, as a user
// would (Windows only, test support).
#pragma once

#include <windows.h>

#include <string>

// A window's text. Of another process's control it is asked for (WM_GETTEXT
// is copied across processes; GetWindowText does not ask); another process's
// top-level window gives its caption without waiting on its thread.
inline std::string window_text(HWND window) {
    char text[2048] = {};
    if (!window) return text;
    DWORD pid = 0;
    GetWindowThreadProcessId(window, &pid);
    if (pid != GetCurrentProcessId() && !(GetWindowLongA(window, GWL_STYLE) & WS_CHILD)) {
        GetWindowTextA(window, text, sizeof text);
        return text;
    }
    DWORD_PTR copied = 0;
    SendMessageTimeoutA(window, WM_GETTEXT, sizeof text, reinterpret_cast<LPARAM>(text),
                        SMTO_ABORTIFHUNG, 2000, &copied);
    return text;
}

// Types `text` into `edit` key by key (WM_CHAR), "\r" for Enter.
inline void type_text(HWND edit, const std::string& text) {
    for (char c : text)
        SendMessageA(edit, WM_CHAR, static_cast<unsigned char>(c), 1);
}

// Selects everything in `edit` and deletes it, as with the keyboard.
inline void erase_text(HWND edit) {
    SendMessageA(edit, EM_SETSEL, 0, -1);
    SendMessageA(edit, WM_CHAR, VK_BACK, 1);
}

// The edit control inside a combo box (the Send dialog's recipient).
inline HWND combo_edit(HWND combo) {
    return FindWindowExA(combo, nullptr, "Edit", nullptr);
}

// A click on a dialog's button, posted since it may open a modal window.
inline void click(HWND dialog, int id) {
    PostMessageA(GetDlgItem(dialog, id), BM_CLICK, 0, 0);
}

// A dialog or message box closed with `button` as if pressed.
inline void press(HWND dialog, int button) {
    PostMessageA(dialog, WM_COMMAND, MAKEWPARAM(button, BN_CLICKED), 0);
}
