// The main dialog's procedure: initialisation, minimise to tray, the scan
// poll, the tray icon's mouse actions and the routing of commands and
// notifications (Windows only).
#include "mainwnd/main_dialog_win.h"

#include <commctrl.h>
#include <shellapi.h>

#include <cstdio>
#include <memory>

#include "core/dialog_items_win.h"
#include "core/process_state.h"
#include "core/running_copy_win.h"
#include "dialogs/active_dialog_win.h"
#include "incoming/incoming.h"
#include "mainwnd/commands_win.h"
#include "mainwnd/controls_win.h"
#include "mainwnd/kept_messages_win.h"
#include "mainwnd/main_window_win.h"
#include "mainwnd/message_store_win.h"
#include "mainwnd/network_scan_win.h"
#include "mainwnd/notifications_win.h"
#include "mainwnd/startup_win.h"
#include "mainwnd/ui_state_win.h"
#include "resources/resource.h"
#include "settings/options.h"
#include "transport/receiver_win.h"

MainWindow g_main;
HANDLE g_mailslot = INVALID_HANDLE_VALUE;

namespace {

// The receiver thread's way to the message list; lives as long as the
// process (the program ends without destroying it, see WinMain).
std::unique_ptr<DialogStoreLink> g_store_link;

void add_tray_icon(HWND dialog) {
    NOTIFYICONDATAA tray{};
    tray.cbSize = NOTIFYICONDATAA_V1_SIZE;
    tray.hWnd = dialog;
    tray.uID = 0;
    tray.uFlags = NIF_MESSAGE | NIF_ICON | NIF_TIP;
    tray.uCallbackMessage = WM_TRAY_CALLBACK;
    tray.hIcon = g_main.icons.tray.get();
    std::snprintf(tray.szTip, sizeof tray.szTip, "Total message(s) %u, unread message(s) %u", 0u,
                  0u);
    Shell_NotifyIconA(NIM_ADD, &tray);
    tray_update(dialog, 0, 0);
}

void move_to_saved_position(HWND dialog) {
    RECT rect{};
    GetWindowRect(dialog, &rect);
    int x, y;
    {
        ScopedLock hold(g_options_lock);
        x = g_options.x_pos;
        y = g_options.y_pos;
    }
    MoveWindow(dialog, x, y, rect.right - rect.left, rect.bottom - rect.top, TRUE);
}

void start_receiver(HWND dialog) {
    g_store_link = std::make_unique<DialogStoreLink>(
        dialog, [] { bring_to_front_toggle(g_main.dialog, 1); },
        [] { return active_dialog() != nullptr; });
    set_receiver_store(g_store_link.get());
    g_main.receiver_thread.reset(start_receiver_thread(g_mailslot));
}

BOOL on_init(HWND dialog) {
    HINSTANCE instance = GetModuleHandleA(nullptr);
    g_main.dialog = dialog;
    g_main.list = GetDlgItem(dialog, IDC_MESSAGE_LIST);
    g_main.tree = GetDlgItem(dialog, IDC_NETWORK_TREE);
    SendMessageA(g_main.list, LVM_SETEXTENDEDLISTVIEWSTYLE, 0,
                 LVS_EX_FULLROWSELECT | LVS_EX_HEADERDRAGDROP | LVS_EX_TWOCLICKACTIVATE);
    load_main_icons(instance);
    create_tooltip(dialog);
    set_up_message_list(instance);
    create_message_toolbar(instance, dialog);
    create_network_toolbar(instance, dialog);
    set_up_network_tree(instance);

    g_total_messages = 0;
    g_unread_messages = 0;
    g_main.recipient[0] = '\0';

    create_status_bars(dialog);
    status_update(0, 0);
    add_tray_icon(dialog);

    // The window's size is fixed.
    HMENU system_menu = GetSystemMenu(dialog, FALSE);
    EnableMenuItem(system_menu, SC_MAXIMIZE, MF_BYCOMMAND | MF_GRAYED | MF_DISABLED);
    EnableMenuItem(system_menu, SC_SIZE, MF_BYCOMMAND | MF_GRAYED | MF_DISABLED);

    g_main.main_menu = GetMenu(dialog);
    SendMessageA(dialog, WM_SETICON, ICON_BIG, reinterpret_cast<LPARAM>(g_main.icons.unread));
    SendMessageA(dialog, WM_SETICON, ICON_SMALL,
                 reinterpret_cast<LPARAM>(g_main.icons.unread_small.get()));

    int shown, aam;
    {
        ScopedLock hold(g_options_lock);
        shown = g_options.shown;
        aam = g_options.aam;
    }
    message_toolbar_state(0);
    message_menu_state(0);
    show_network_menu_check(shown);

    move_to_saved_position(dialog);
    if (!shown) SendMessageA(dialog, WM_COMMAND, MAKEWPARAM(IDM_SHOW_NETWORK, 0), 0);
    register_toolbar_tips();

    set_stop_flag(0);
    restore_kept_messages(g_main.list);
    start_receiver(dialog);

    scan_state(0);
    if (!g_main.scan_thread) {
        scan_state(1);
        g_main.scan_finished = 1;
    } else {
        g_main.scan_finished = 0;
    }
    g_main.timer_id = SetTimer(dialog, kScanPollTimer, 1000, nullptr);
    tree_selection_state(0);
    g_main.tray_menu.reset(LoadMenuA(instance, MAKEINTRESOURCEA(IDM_TRAY)));
    auto_answer_menu_check(aam);
    mark_main_window(dialog);  // copies started later find this one
    return TRUE;
}

void on_size(HWND dialog, WPARAM kind) {
    if (kind != SIZE_MINIMIZED) return;
    bool tray_only;
    {
        ScopedLock hold(g_options_lock);
        tray_only = g_options.tray_only != 0;
    }
    if (tray_only) ShowWindow(dialog, SW_HIDE);
}

void on_timer(WPARAM id) {
    if (id != kScanPollTimer) return;
    if (g_main.scan_finished) {
        follow_announcements();
        return;
    }
    DWORD code = 0;
    if (GetExitCodeThread(g_main.scan_thread.get(), &code) && code != STILL_ACTIVE) {
        scan_state(1);
        g_main.scan_finished = 1;
    }
}

void on_tray(HWND dialog, LPARAM mouse) {
    switch (mouse) {
        case WM_LBUTTONDOWN:
        case WM_LBUTTONDBLCLK:
            // Over an open dialog the click shows that dialog, never hides it.
            if (modal_window_open())
                bring_modal_forward();
            else
                bring_to_front_toggle(dialog, IsIconic(dialog));
            break;
        case WM_RBUTTONDOWN:
        case WM_RBUTTONDBLCLK: {
            HMENU menu = g_main.tray_menu ? GetSubMenu(g_main.tray_menu.get(), 0) : nullptr;
            if (!menu) break;
            POINT at{};
            GetCursorPos(&at);
            // The owner must be in front, or the menu would not close when
            // the user clicks elsewhere.
            SetForegroundWindow(dialog);
            TrackPopupMenu(menu, TPM_CENTERALIGN | TPM_VCENTERALIGN, at.x, at.y, 0, dialog,
                           nullptr);
            PostMessageA(dialog, WM_NULL, 0, 0);
            break;
        }
        default:
            break;
    }
}

INT_PTR dispatch(HWND dialog, UINT message, WPARAM wparam, LPARAM lparam) {
    switch (message) {
        case WM_INITDIALOG:
            return on_init(dialog);
        case WM_SIZE:
            on_size(dialog, wparam);
            return FALSE;
        case WM_TIMER:
            on_timer(wparam);
            return FALSE;
        case WM_COMMAND:
            handle_command(dialog, LOWORD(wparam), reinterpret_cast<HWND>(lparam), HIWORD(wparam));
            return FALSE;
        case WM_NOTIFY: {
            const LRESULT result = handle_notification(dialog, reinterpret_cast<NMHDR*>(lparam));
            SetWindowLongPtrA(dialog, DWLP_MSGRESULT, result);
            return result != 0;
        }
        case WM_TRAY_CALLBACK:
            on_tray(dialog, lparam);
            return FALSE;
        case WM_INSERT_MESSAGE: {
            const LRESULT inserted = handle_insert_request(g_main.list, wparam, nullptr);
            // Inside a command the row waits, and the command shows the counts;
            // within a run of inserts they mostly wait for the run's end.
            if (!list_command_running() && counts_due_in_run()) refresh_counts();
            SetWindowLongPtrA(dialog, DWLP_MSGRESULT, inserted);
            return TRUE;
        }
        case WM_LIST_DEFERRED:
            list_deferred_messages(g_main.list, nullptr);
            if (!list_command_running()) refresh_counts();
            return TRUE;
        case WM_INSERT_RUN_BEGIN:
            begin_insert_run(g_main.list);
            return TRUE;
        case WM_INSERT_RUN_OVER:
            end_insert_run(g_main.list);
            if (!list_command_running()) refresh_counts();
            return TRUE;
        case WM_NETWORK_STEP:
            run_network_step(wparam);
            return TRUE;
        case WM_DESTROY:
            unmark_main_window(dialog);
            return FALSE;
        default:
            return FALSE;
    }
}

}  // namespace

INT_PTR CALLBACK main_dialog_proc(HWND dialog, UINT message, WPARAM wparam, LPARAM lparam) {
    return guarded_dispatch(dispatch, dialog, message, wparam, lparam);
}
