// The About dialog (template 131): the program's name and version and the
// Sent, Received and Ignored statistics (Windows only).
#pragma once

#include <windows.h>

// Runs the dialog modally over `owner`; always 0. While it is open the
// Received and Ignored lines follow their counters twice a second.
INT_PTR show_about_dialog(HWND owner);

INT_PTR CALLBACK about_dialog_proc(HWND dialog, UINT message, WPARAM wparam, LPARAM lparam);
