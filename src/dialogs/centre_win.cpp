// Placing the Send, Answer and View dialogs over the main window (Windows only).
#include "dialogs/centre_win.h"

RECT centred_rect(const RECT& parent, const RECT& dialog) {
    const LONG cx = (parent.left + parent.right) / 2;
    const LONG cy = (parent.top + parent.bottom) / 2;
    const LONG half_width = (dialog.right - dialog.left) / 2;
    const LONG half_height = (dialog.bottom - dialog.top) / 2;
    return {cx - half_width, cy - half_height, cx + half_width, cy + half_height};
}

RECT centred_on_parent(HWND parent, HWND dialog) {
    RECT p{}, d{};
    GetWindowRect(parent, &p);
    GetWindowRect(dialog, &d);
    return centred_rect(p, d);
}

void centre_on_parent(HWND dialog) {
    const RECT r = centred_on_parent(GetParent(dialog), dialog);
    MoveWindow(dialog, r.left, r.top, r.right - r.left, r.bottom - r.top, TRUE);
}
