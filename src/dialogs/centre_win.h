// Placing the Send, Answer and View dialogs over the main window (Windows only).
#pragma once

#include <windows.h>

// The rectangle that centres `dialog` on `parent`'s window rectangle, both in
// screen coordinates. The dialog keeps its size, except that an odd width or
// height loses one pixel.
RECT centred_on_parent(HWND parent, HWND dialog);
RECT centred_rect(const RECT& parent, const RECT& dialog);

// Moves `dialog` to centred_on_parent(GetParent(dialog), dialog).
void centre_on_parent(HWND dialog);
