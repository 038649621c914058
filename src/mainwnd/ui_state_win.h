// Keeping what the user sees in step with the program's state: the status
// line, the tray icon, which menu items and toolbar buttons are enabled or
// checked, and bringing the main window to the front (Windows only).
//
// Each works on the handles in g_main and does nothing while its menu or
// toolbar does not exist. The status and tray updates and the bring-to-front
// toggle are also called from the receiver thread; they take no lock.
#pragma once

#include <windows.h>

#include <cstdint>

void status_update(uint32_t total, uint32_t unread);
void tray_update(HWND dialog, uint32_t total, uint32_t unread);
void refresh_counts();  // status and tray update with the current counters

void message_toolbar_state(int enable);
void message_menu_state(int enable);
void mark_menu_state(int enable);
void show_network_menu_check(int on);
void tree_selection_state(int enable);
void scan_state(int enable);
void tray_menu_state(int enable);
void auto_answer_menu_check(int on);

void bring_to_front_toggle(HWND dialog, int minimised);

// A confirmation box (Yes/No, question icon) owned by `owner`, with the tray
// menu greyed while it is shown. True only for Yes.
bool confirm(HWND owner, const char* question);

// Greys the tray menu's items for its lifetime: the tray cannot offer
// Options, About and Exit behind a modal window of the program.
class TrayMenuGreyed {
public:
    TrayMenuGreyed() { tray_menu_state(0); }
    ~TrayMenuGreyed() { tray_menu_state(1); }
    TrayMenuGreyed(const TrayMenuGreyed&) = delete;
    TrayMenuGreyed& operator=(const TrayMenuGreyed&) = delete;
};
