// The main window's handles and process-wide window state (Windows only).
// Everything here belongs to the user-interface thread; other threads reach
// the controls only through window messages.
#pragma once

#include <windows.h>

// Icons kept for the whole run; the toolbars' and lists' pictures live in
// their image lists.
struct MainIcons {
    HICON unread = nullptr;        // 110: the window's icon
    HICON unread_small = nullptr;  // 110 drawn at the small icon size
    HICON tray = nullptr;          // 127
    HICON tray_unread = nullptr;   // 126
};

struct MainWindow {
    HWND dialog = nullptr;
    HWND list = nullptr;  // control 1000, the message list
    HWND tree = nullptr;  // control 1001, the network tree
    HWND message_toolbar = nullptr;
    HWND network_toolbar = nullptr;
    HWND status_bar = nullptr;          // two parts along the bottom edge
    HWND network_status_bar = nullptr;  // under the tree
    HWND tooltip = nullptr;
    HMENU main_menu = nullptr;
    HMENU tray_menu = nullptr;
    MainIcons icons;

    HANDLE receiver_thread = nullptr;
    UINT_PTR timer_id = 0;
    HANDLE scan_thread = nullptr;
    int scan_finished = 1;  // 1 while no network scan runs

    // The name New opens the Send dialog with: filled from the tree by a
    // double-click or the network toolbar's button, emptied after the dialog.
    char recipient[16] = {};
};

extern MainWindow g_main;
