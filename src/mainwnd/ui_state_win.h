// Keeping what the user sees in step with the program's state: the status
// line, the tray icon, which menu items and toolbar buttons are enabled or
// checked, and bringing the main window to the front (Windows only).
//
// Each works on the handles in g_main and does nothing while its menu or
// toolbar does not exist. All but the bring-to-front toggle (which the
// receiver thread calls too) run on the user-interface thread only.
#pragma once

#include <windows.h>
#include <shellapi.h>

#include <cstdint>

// The call that changes the tray icon: Shell_NotifyIconA, or a test's stand-in.
using TrayNotify = BOOL(WINAPI*)(DWORD action, PNOTIFYICONDATAA icon);
void set_tray_notify(TrayNotify notify);

void status_update(uint32_t total, uint32_t unread);
void tray_update(HWND dialog, uint32_t total, uint32_t unread);
// Shows the list's counts: the status line, the tray, and the message
// commands enabled exactly while there are rows. User-interface thread only.
void refresh_counts();

void message_toolbar_state(int enable);
void message_menu_state(int enable);
void mark_menu_state(int enable);
void show_network_menu_check(int on);
void tree_selection_state(int enable);
void scan_state(int enable);
void tray_menu_state(int enable);
void auto_answer_menu_check(int on);

void bring_to_front_toggle(HWND dialog, int minimised);

// A confirmation box (Yes/No, question icon) owned by `owner`, shown under a
// ModalScope. True only for Yes.
bool confirm(HWND owner, const char* question);

// Open for the whole life of each of the program's modal windows: the
// dialogs, the settings sheet, the confirmation and file boxes. While any is
// open the tray menu's commands are greyed and the main window stays
// disabled, also when an inner window re-enables its owner as it ends; the
// last one to close gives both back. User-interface thread only.
class ModalScope {
public:
    ModalScope();
    ~ModalScope();
    ModalScope(const ModalScope&) = delete;
    ModalScope& operator=(const ModalScope&) = delete;
};
bool modal_window_open();
// Brings the program's open modal window to the front (restoring the main
// window first when it is minimised).
void bring_modal_forward();
