// Status line, tray icon and menu state of the main window (Windows only).
#include "mainwnd/ui_state_win.h"

#include <commctrl.h>
#include <shellapi.h>

#include <initializer_list>
#include <iterator>

#include <cstdio>

#include "core/process_state.h"
#include "core/program_name.h"
#include "mainwnd/main_window_win.h"
#include "mainwnd/message_store_win.h"
#include "resources/resource.h"
#include "settings/options.h"
#include "transport/netbios_path_win.h"

namespace {

// Submenu positions in the main menu, and item positions in "&Message".
constexpr int kMessageMenu = 0;
constexpr UINT kMessageItemsByPosition[] = {1, 2, 3, 4, 8, 9};
constexpr UINT kMarkItemsByPosition[] = {6, 7};

// Toolbar pictures: enabled and greyed twin of each switchable button.
struct ButtonPictures {
    int command;
    int enabled;
    int greyed;
};
constexpr ButtonPictures kMessageButtons[] = {
    {IDM_VIEW, 1, 6}, {IDM_ANSWER, 2, 7}, {IDM_DELETE, 3, 8}, {IDM_DELETE_ALL, 4, 9}};
constexpr ButtonPictures kTreeSelectionButton{IDM_NEW, 0, 3};
constexpr ButtonPictures kRescanButton{IDM_RESCAN, 1, 2};

// Shows the button's own picture for the state rather than the control's
// generic disabled look, then enables or disables it.
void set_button(HWND toolbar, const ButtonPictures& button, int enable, DWORD mask) {
    TBBUTTONINFOA info{};
    info.cbSize = sizeof info;
    info.dwMask = mask;
    info.idCommand = button.command;
    info.iImage = enable ? button.enabled : button.greyed;
    SendMessageA(toolbar, TB_SETBUTTONINFOA, button.command, reinterpret_cast<LPARAM>(&info));
    SendMessageA(toolbar, TB_ENABLEBUTTON, button.command, MAKELONG(enable ? TRUE : FALSE, 0));
}

void enable_by_position(HMENU menu, const UINT* positions, size_t count, int enable) {
    const UINT flags = MF_BYPOSITION | (enable ? MF_ENABLED : (MF_GRAYED | MF_DISABLED));
    for (size_t i = 0; i < count; ++i)
        EnableMenuItem(menu, positions[i], flags);
}

HMENU message_menu() {
    return g_main.main_menu ? GetSubMenu(g_main.main_menu, kMessageMenu) : nullptr;
}

TrayNotify g_tray_notify = Shell_NotifyIconA;

}  // namespace

void set_tray_notify(TrayNotify notify) {
    g_tray_notify = notify ? notify : Shell_NotifyIconA;
}

void status_update(uint32_t total, uint32_t unread) {
    char text[96];
    // Messages from the network that arrived faster than they could be listed.
    const uint32_t dropped = netbios_dropped();
    if (dropped == 0)
        std::snprintf(text, sizeof text, "Message(s): %u", total);
    else
        std::snprintf(text, sizeof text, "Message(s): %u (%u lost in a network flood)", total,
                      dropped);
    SendMessageA(g_main.status_bar, SB_SETTEXTA, 0, reinterpret_cast<LPARAM>(text));
    std::snprintf(text, sizeof text, "Unread message(s): %u", unread);
    SendMessageA(g_main.status_bar, SB_SETTEXTA, 1, reinterpret_cast<LPARAM>(text));
    if (unread == 0) mark_menu_state(0);
}

void tray_update(HWND dialog, uint32_t total, uint32_t unread) {
    // A fresh record for every call, so calls from two threads cannot mix tips.
    NOTIFYICONDATAA tray{};
    tray.cbSize = NOTIFYICONDATAA_V1_SIZE;
    tray.hWnd = dialog;
    tray.uID = 0;
    tray.uFlags = NIF_TIP;
    std::snprintf(tray.szTip, sizeof tray.szTip, "Message(s) %u, unread message(s) %u", total,
                  unread);
    if (unread == 0) {
        tray.uFlags |= NIF_ICON;
        tray.hIcon = g_main.icons.tray.get();
    } else if (unread == 1) {
        tray.uFlags |= NIF_ICON;
        tray.hIcon = g_main.icons.tray_unread.get();
        mark_menu_state(1);
    }
    g_tray_notify(NIM_MODIFY, &tray);
}

void refresh_counts() {
    const uint32_t total = g_total_messages.load();
    const uint32_t unread = g_unread_messages.load();
    const bool has_rows = total > 0;
    const bool shown = g_main.message_toolbar &&
                       SendMessageA(g_main.message_toolbar, TB_ISBUTTONENABLED, IDM_VIEW, 0) != 0;
    if (has_rows != shown) {
        message_toolbar_state(has_rows ? 1 : 0);
        message_menu_state(has_rows ? 1 : 0);
    }
    status_update(total, unread);
    tray_update(g_main.dialog, total, unread);
}

void message_toolbar_state(int enable) {
    if (!g_main.message_toolbar) return;
    for (const ButtonPictures& button : kMessageButtons) {
        set_button(g_main.message_toolbar, button, enable, TBIF_IMAGE | TBIF_COMMAND);
    }
}

void message_menu_state(int enable) {
    HMENU menu = message_menu();
    if (!menu) return;
    enable_by_position(menu, kMessageItemsByPosition, std::size(kMessageItemsByPosition), enable);
    mark_menu_state(enable);
}

void mark_menu_state(int enable) {
    HMENU menu = message_menu();
    if (!menu) return;
    enable_by_position(menu, kMarkItemsByPosition, std::size(kMarkItemsByPosition), enable);
}

void show_network_menu_check(int on) {
    if (!g_main.main_menu) return;
    CheckMenuItem(g_main.main_menu, IDM_SHOW_NETWORK,
                  MF_BYCOMMAND | (on ? MF_CHECKED : MF_UNCHECKED));
}

void tree_selection_state(int enable) {
    if (g_main.network_toolbar)
        set_button(g_main.network_toolbar, kTreeSelectionButton, enable, TBIF_IMAGE);
}

void scan_state(int enable) {
    if (g_main.main_menu) {
        EnableMenuItem(g_main.main_menu, IDM_RESCAN,
                       MF_BYCOMMAND | (enable ? MF_ENABLED : (MF_GRAYED | MF_DISABLED)));
    }
    if (g_main.network_toolbar)
        set_button(g_main.network_toolbar, kRescanButton, enable, TBIF_IMAGE);
}

void tray_menu_state(int enable) {
    if (!g_main.tray_menu) return;
    for (UINT command : {IDM_SETTINGS, IDM_ABOUT, IDM_EXIT}) {
        EnableMenuItem(g_main.tray_menu.get(), command,
                       MF_BYCOMMAND | (enable ? MF_ENABLED : MF_GRAYED));
    }
}

void auto_answer_menu_check(int on) {
    if (!g_main.main_menu) return;
    bool has_text;
    {
        ScopedLock hold(g_options_lock);
        has_text = g_options.aat.has_value();
    }
    const UINT check = (on == 1 && has_text) ? MF_CHECKED : MF_UNCHECKED;
    CheckMenuItem(g_main.main_menu, IDM_AUTO_ANSWER, MF_BYCOMMAND | check);
}

void bring_to_front_toggle(HWND dialog, int minimised) {
    if (minimised) {
        SetForegroundWindow(dialog);
        ShowWindow(dialog, SW_RESTORE);
    } else if (GetActiveWindow()) {
        ShowWindow(dialog, SW_MINIMIZE);
    } else {
        SetForegroundWindow(dialog);
    }
}

namespace {
int g_modal_windows = 0;
}  // namespace

ModalScope::ModalScope() {
    if (g_modal_windows++ == 0) tray_menu_state(0);
}

ModalScope::~ModalScope() {
    if (--g_modal_windows > 0) {
        if (g_main.dialog) EnableWindow(g_main.dialog, FALSE);
        return;
    }
    tray_menu_state(1);
    if (g_main.dialog) EnableWindow(g_main.dialog, TRUE);
}

bool modal_window_open() {
    return g_modal_windows > 0;
}

void bring_modal_forward() {
    if (!g_main.dialog) return;
    if (IsIconic(g_main.dialog)) ShowWindow(g_main.dialog, SW_RESTORE);
    SetForegroundWindow(GetLastActivePopup(g_main.dialog));
}

bool confirm(HWND owner, const char* question) {
    ModalScope modal;
    return MessageBoxA(owner, question, kProgramTitle, MB_YESNO | MB_ICONQUESTION) == IDYES;
}
