// The main window's handles and process-wide window state (Windows only).
// Everything here belongs to the user-interface thread; other threads reach
// the controls only through window messages.
#pragma once

#include <windows.h>
#include <commctrl.h>

#include "core/handles_win.h"

using UniqueImageList = UniqueWin<win_traits::NullIsEmpty<HIMAGELIST, ImageList_Destroy>>;

// Icons kept for the whole run; the toolbars' and lists' pictures live in
// their image lists.
struct MainIcons {
    HICON unread = nullptr;   // 110: the window's icon, shared by the system (LoadIcon)
    UniqueIcon unread_small;  // 110 drawn at the small icon size
    UniqueIcon tray;          // 127
    UniqueIcon tray_unread;   // 126
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
    HMENU main_menu = nullptr;  // the dialog's own menu, destroyed with it
    UniqueMenu tray_menu;       // destroyed at Exit
    MainIcons icons;
    // The pictures of the toolbars and the tree, which those controls do not
    // destroy; the message list destroys its own with itself.
    UniqueImageList message_toolbar_images;
    UniqueImageList network_toolbar_images;
    UniqueImageList tree_images;

    UniqueHandle receiver_thread;  // waited for and closed at Exit
    UINT_PTR timer_id = 0;
    UniqueHandle scan_thread;
    int scan_finished = 1;  // 1 while no network scan runs

    // The name New opens the Send dialog with: filled from the tree by a
    // double-click or the network toolbar's button, emptied after the dialog.
    char recipient[16] = {};
};

extern MainWindow g_main;
