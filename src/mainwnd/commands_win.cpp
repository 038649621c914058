// The main window's command handlers (Windows only).
#include "mainwnd/commands_win.h"

#include <commctrl.h>
#include <shellapi.h>

#include <algorithm>
#include <cstring>
#include <optional>
#include <string>
#include <vector>

#include "core/handles_win.h"
#include "core/process_state.h"
#include "core/time_text.h"
#include "dialogs/about_dialog_win.h"
#include "dialogs/answer_dialog_win.h"
#include "dialogs/save_as_win.h"
#include "dialogs/send_dialog_win.h"
#include "dialogs/view_dialog_win.h"
#include "export/file_names.h"
#include "export/message_files.h"
#include "journal/message_journal_win.h"
#include "mainwnd/kept_messages_win.h"
#include "mainwnd/main_dialog_win.h"
#include "mainwnd/main_window_win.h"
#include "mainwnd/message_rows_win.h"
#include "mainwnd/message_store_win.h"
#include "mainwnd/network_scan_win.h"
#include "mainwnd/settings_sheet_win.h"
#include "mainwnd/ui_state_win.h"
#include "mainwnd/waits_win.h"
#include "resources/resource.h"
#include "settings/options.h"

namespace {

// How long Exit waits for the receiver thread to see the stop flag.
constexpr DWORD kReceiverJoinTimeoutMs = 3000;

// Where the window stands when neither minimised nor hidden in the tray: a
// minimised window's own rectangle lies at -32000. The placement's normal
// position is in work-area coordinates, which start where the taskbar ends.
POINT normal_position(HWND dialog) {
    RECT rect{};
    GetWindowRect(dialog, &rect);
    WINDOWPLACEMENT placement{};
    placement.length = sizeof placement;
    if (IsIconic(dialog) && GetWindowPlacement(dialog, &placement)) {
        RECT work{};
        SystemParametersInfoA(SPI_GETWORKAREA, 0, &work, 0);
        rect = placement.rcNormalPosition;
        OffsetRect(&rect, work.left, work.top);
    }
    return {rect.left, rect.top};
}

void on_exit(HWND dialog) {
    bool ask;
    {
        ScopedLock hold(g_options_lock);
        ask = g_options.cone != 0;
    }
    if (ask && !confirm(dialog, "Do you really want to exit Quorvanta Messenger ?")) return;

    set_stop_flag(1);
    g_main.tray_menu.reset();
    if (g_main.tooltip) {
        DestroyWindow(g_main.tooltip);
        g_main.tooltip = nullptr;
    }

    NOTIFYICONDATAA tray{};
    tray.cbSize = NOTIFYICONDATAA_V1_SIZE;
    tray.hWnd = dialog;
    tray.uID = 0;
    tray.uFlags = NIF_MESSAGE;
    tray.uCallbackMessage = WM_TRAY_CALLBACK;
    Shell_NotifyIconA(NIM_DELETE, &tray);

    const POINT position = normal_position(dialog);
    {
        ScopedLock hold(g_options_lock);
        g_options.x_pos = position.x;
        g_options.y_pos = position.y;
    }

    // The receiver may be inside its insert request to this very window:
    // keep handling sent messages so that it can finish and see the flag.
    if (g_main.receiver_thread) {
        wait_handling_sent_messages(g_main.receiver_thread.get(), kReceiverJoinTimeoutMs);
        g_main.receiver_thread.reset();
    }
    if (g_main.timer_id) {
        KillTimer(dialog, g_main.timer_id);
        g_main.timer_id = 0;
    }
    PostQuitMessage(0);
}

// Shows or hides the network pane by widening or narrowing the window; the
// tree and its toolbar stay where they are and are simply cut off.
void on_show_network(HWND dialog) {
    if (!g_main.list || !g_main.message_toolbar) return;
    TBBUTTONINFOA button{};
    button.cbSize = sizeof button;
    button.dwMask = TBIF_STATE;
    if (SendMessageA(g_main.message_toolbar, TB_GETBUTTONINFOA, IDM_SHOW_NETWORK,
                     reinterpret_cast<LPARAM>(&button)) == -1) {
        return;
    }
    RECT window{}, list{};
    GetWindowRect(dialog, &window);
    GetWindowRect(g_main.list, &list);
    const int margin = list.left - window.left;

    const bool shown = (button.fsState & TBSTATE_CHECKED) != 0;
    int right;
    if (shown) {
        button.fsState &= ~TBSTATE_CHECKED;
        right = list.right + margin;
    } else {
        RECT tree{};
        GetWindowRect(g_main.tree, &tree);
        button.fsState |= TBSTATE_CHECKED;
        right = tree.right + margin;
    }
    SendMessageA(g_main.message_toolbar, TB_SETBUTTONINFOA, IDM_SHOW_NETWORK,
                 reinterpret_cast<LPARAM>(&button));
    MoveWindow(dialog, window.left, window.top, right - window.left, window.bottom - window.top,
               TRUE);
    show_network_menu_check(shown ? 0 : 1);
    ScopedLock hold(g_options_lock);
    g_options.shown = shown ? 0 : 1;
}

// The side of the message toolbar's pictures, at which the dialogs show
// their icons; 0 when the toolbar has no pictures.
int toolbar_icon_size() {
    auto images =
        reinterpret_cast<HIMAGELIST>(SendMessageA(g_main.message_toolbar, TB_GETIMAGELIST, 0, 0));
    int width = 0, height = 0;
    if (!images || !ImageList_GetIconSize(images, &width, &height)) return 0;
    return width;
}

// View shows its own copy of the message: nothing done to the list while
// it is open can reach what it shows and saves.
void on_view(HWND dialog) {
    std::optional<MessageRecord> shown;
    {
        ListCommand hold;
        std::optional<MessageRow> row = selected_row(g_main.list);
        if (!row || !row->record) return;
        mark_read(g_main.list, *row);
        shown = *row->record;
    }
    refresh_counts();
    ModalScope modal;
    show_view_dialog(dialog, {&*shown, toolbar_icon_size()});
}

// The network toolbar's button offers "Broadcast to all" and the tree's
// selected name; the menu, the message toolbar and a double-click on the
// tree (which fills the recipient buffer first) do not offer broadcast.
void on_new(HWND dialog, HWND control) {
    const int show_broadcast = control && control == g_main.network_toolbar;
    if (show_broadcast) read_selected_tree_name(g_main.tree, g_main.recipient);
    {
        ModalScope modal;
        show_send_dialog(dialog, {g_main.recipient, show_broadcast, toolbar_icon_size()});
    }
    g_main.recipient[0] = '\0';
}

// Marks the selected message read, opens the Answer dialog on a copy of it
// and marks its row answered when a reply went out, finding the row again
// by the message's number: messages that arrived meanwhile moved it.
void on_answer(HWND dialog) {
    std::optional<MessageRecord> chosen;
    int image = 0;
    {
        ListCommand hold;
        std::optional<MessageRow> row = selected_row(g_main.list);
        if (!row || !row->record) return;
        mark_read(g_main.list, *row);
        chosen = *row->record;
        image = row->image;
    }
    refresh_counts();
    INT_PTR answered;
    {
        ModalScope modal;
        answered = show_answer_dialog(dialog, {&*chosen, toolbar_icon_size()});
    }
    if (!answered || image == 2) return;
    {
        ListCommand hold;
        mark_answered(g_main.list, chosen->serial);
    }
    refresh_counts();
}

void on_about(HWND dialog) {
    ModalScope modal;
    show_about_dialog(dialog);
}

// Deletes the row and its record; the row that takes its place (or the new
// last row) becomes the selection.
void delete_row(HWND list, int index) {
    LVITEMA item{};
    item.mask = LVIF_IMAGE | LVIF_PARAM;
    item.iItem = index;
    if (!SendMessageA(list, LVM_GETITEMA, 0, reinterpret_cast<LPARAM>(&item))) return;
    const int count = static_cast<int>(SendMessageA(list, LVM_GETITEMCOUNT, 0, 0));
    journal_row_deleted(reinterpret_cast<const MessageRecord*>(item.lParam));
    delete reinterpret_cast<MessageRecord*>(item.lParam);
    if (item.iImage == 0) --g_unread_messages;
    SendMessageA(list, LVM_DELETEITEM, index, 0);
    if (--g_total_messages > 0) select_row(list, index == count - 1 ? index - 1 : index);
}

bool confirmation_wanted(bool all) {
    ScopedLock hold(g_options_lock);
    return g_options.cond != 0 || (all && g_options.conda != 0);
}

// The message deleted is the one selected when the command began, whatever
// arrives while the question is shown; nothing when it is gone meanwhile.
void on_delete(HWND dialog) {
    uint32_t chosen = 0;
    {
        ListCommand hold;
        const std::optional<MessageRow> row = selected_row(g_main.list);
        if (!row || !row->record) return;
        chosen = row->record->serial;
    }
    if (confirmation_wanted(false) && !confirm(dialog, "Do you really want to delete message ?"))
        return;
    {
        ListCommand hold;
        const int index = find_row(g_main.list, chosen);
        if (index < 0) return;
        delete_row(g_main.list, index);
    }
    refresh_counts();
}

// Deletes the messages listed when the command began; those that arrived
// while the question was shown stay.
void delete_listed(HWND list, std::vector<uint32_t> chosen) {
    const int count = static_cast<int>(SendMessageA(list, LVM_GETITEMCOUNT, 0, 0));
    if (static_cast<size_t>(count) == chosen.size()) {
        // Rows are only ever added meanwhile: the same rows, all of them.
        journal_all_deleted();
        for (const MessageRecord* record : row_records(list))
            delete record;
        SendMessageA(list, LVM_DELETEALLITEMS, 0, 0);
        g_total_messages = 0;
        g_unread_messages = 0;
        return;
    }
    std::sort(chosen.begin(), chosen.end());
    for (int index = count - 1; index >= 0; --index) {
        LVITEMA item{};
        item.mask = LVIF_IMAGE | LVIF_PARAM;
        item.iItem = index;
        if (!SendMessageA(list, LVM_GETITEMA, 0, reinterpret_cast<LPARAM>(&item))) continue;
        const auto* record = reinterpret_cast<const MessageRecord*>(item.lParam);
        if (!record || !std::binary_search(chosen.begin(), chosen.end(), record->serial)) continue;
        journal_row_deleted(record);
        delete record;
        if (item.iImage == 0) --g_unread_messages;
        --g_total_messages;
        SendMessageA(list, LVM_DELETEITEM, index, 0);
    }
}

void on_delete_all(HWND dialog) {
    std::vector<uint32_t> chosen;
    {
        ListCommand hold;
        for (const MessageRecord* record : row_records(g_main.list))
            if (record) chosen.push_back(record->serial);
    }
    if (chosen.empty()) return;
    if (confirmation_wanted(true) &&
        !confirm(dialog, "Do you really want to delete all messages ?")) {
        return;
    }
    WaitCursor wait;
    {
        ListCommand hold;
        delete_listed(g_main.list, std::move(chosen));
    }
    refresh_counts();
}

void on_mark_read() {
    {
        ListCommand hold;
        if (std::optional<MessageRow> row = selected_row(g_main.list)) mark_read(g_main.list, *row);
    }
    refresh_counts();
}

void on_mark_all_read() {
    {
        ListCommand hold;
        const int count = static_cast<int>(SendMessageA(g_main.list, LVM_GETITEMCOUNT, 0, 0));
        if (count <= 0) return;
        for (int index = 0; index < count; ++index) {
            LVITEMA item{};
            item.mask = LVIF_IMAGE;
            item.iItem = index;
            if (!SendMessageA(g_main.list, LVM_GETITEMA, 0, reinterpret_cast<LPARAM>(&item)))
                continue;
            if (item.iImage != 0) continue;
            item.iImage = 1;
            SendMessageA(g_main.list, LVM_SETITEMA, 0, reinterpret_cast<LPARAM>(&item));
        }
        g_unread_messages = 0;
        journal_all_read();
    }
    refresh_counts();
}

void on_auto_answer_mode() {
    int on;
    {
        ScopedLock hold(g_options_lock);
        g_options.aam = g_options.aam == 0 ? 1 : 0;
        on = g_options.aam;
    }
    auto_answer_menu_check(on);
}

// The whole list as one HTML page, newest message first.
void on_save_list_html(HWND dialog) {
    ModalScope modal;
    const std::string proposed = propose_list_name(now_seconds());
    if (proposed.empty()) return;
    const std::optional<SaveChoice> choice = ask_save_path(dialog, "Save Message(s) List Dialog...",
                                                           "HTML Files (*.*)\0*.html\0", proposed);
    if (!choice) return;
    save_with_extension(dialog, choice->path, ".html", [](const char* path) {
        // The page is built while the rows hold still; the file is written
        // after the lock is released.
        std::string page;
        {
            ListCommand hold;
            page = list_html(row_records(g_main.list));
        }
        return write_export(path, page);
    });
}

// Commands that neither open a window nor touch the list.
bool runs_over_modal_window(int command) {
    return command == IDM_SHOW_NETWORK || command == IDM_RESCAN || command == IDM_AUTO_ANSWER;
}

}  // namespace

void handle_command(HWND dialog, int command, HWND control, int notification) {
    // Over an open dialog or box (the tray's menu, a command posted by
    // another window) nothing opens a second one or changes the list under
    // it: the open one comes forward instead.
    if (modal_window_open() && !runs_over_modal_window(command)) {
        bring_modal_forward();
        return;
    }
    switch (command) {
        case IDCANCEL:
            ShowWindow(dialog, SW_MINIMIZE);
            break;
        case IDM_NEW:
            on_new(dialog, control);
            break;
        case IDM_ANSWER:
            on_answer(dialog);
            break;
        case IDM_ABOUT:
            on_about(dialog);
            break;
        case IDM_DELETE:
            on_delete(dialog);
            break;
        case IDM_DELETE_ALL:
            on_delete_all(dialog);
            break;
        case IDM_VIEW:
            on_view(dialog);
            break;
        case IDM_MARK_READ:
            on_mark_read();
            break;
        case IDM_MARK_ALL_READ:
            on_mark_all_read();
            break;
        case IDM_AUTO_ANSWER:
            on_auto_answer_mode();
            break;
        case IDM_SAVE_HTML:
            if (notification == 0) on_save_list_html(dialog);
            break;
        case IDM_SETTINGS:
            open_settings_sheet(dialog);
            follow_keep_messages_option(g_main.list);
            break;
        case IDM_SHOW_NETWORK:
            on_show_network(dialog);
            break;
        case IDM_RESCAN:
            start_network_scan();
            break;
        case IDM_EXIT:
            on_exit(dialog);
            break;
        default:
            break;
    }
}
