// The main window: a modeless dialog (template 101) holding the message list
// and the network tree (Windows only).
#pragma once

#include <windows.h>

INT_PTR CALLBACK main_dialog_proc(HWND dialog, UINT message, WPARAM wparam, LPARAM lparam);

// The main dialog's timer that polls the network scan thread.
constexpr UINT_PTR kScanPollTimer = 1;
