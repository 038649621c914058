// Finding a copy of the program that already runs, by its main window
// (Windows only).
#pragma once

#include <windows.h>

// Marks `window` as this program's main window, for copies started later.
void mark_main_window(HWND window);
// Takes the mark off again, before the window is destroyed.
void unmark_main_window(HWND window);

// The main window of a running copy: a dialog titled "Quorvanta Messenger"
// that carries the mark. Other windows with that title (a folder window of
// that name, a message box of the program) are not one. Null when none.
HWND find_running_copy();

// Restores a running copy's main window and brings it to the front; false
// when no copy runs.
bool activate_running_copy();
