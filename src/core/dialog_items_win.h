// The small helpers every dialog of the program uses: its items' check
// marks, enabled state and text, and the one guard around a dialog
// procedure (Windows only).
#pragma once

#include <windows.h>

#include <optional>
#include <string>

bool checked(HWND dialog, int id);
void check(HWND dialog, int id, bool on);

// Enables or disables `control`, touching it only when its state differs.
void set_enabled(HWND control, bool enabled);
void enable(HWND dialog, int id, bool on);
bool enabled(HWND dialog, int id);

// The control's whole text; nothing when it cannot be read (or no memory is
// left for it).
std::optional<std::string> control_text(HWND control);
// The item's whole text; empty when it cannot be read.
std::string item_text(HWND dialog, int id);
bool has_text(HWND dialog, int id);

// What a dialog procedure does with one message, exceptions and all.
using DialogDispatch = INT_PTR (*)(HWND dialog, UINT message, WPARAM wparam, LPARAM lparam);
// Runs `dispatch` so that no exception leaves the procedure: one that would
// is taken as the message handled (TRUE).
INT_PTR guarded_dispatch(DialogDispatch dispatch, HWND dialog, UINT message, WPARAM wparam,
                         LPARAM lparam) noexcept;
