// Notifications from the message list and the network tree (Windows only).
#include "mainwnd/notifications_win.h"

#include <commctrl.h>

#include "core/message.h"
#include "core/time_text.h"
#include "mainwnd/main_window_win.h"
#include "mainwnd/message_rows_win.h"
#include "mainwnd/message_store_win.h"
#include "mainwnd/network_scan_win.h"
#include "mainwnd/ui_state_win.h"
#include "resources/resource.h"
#include "settings/options.h"

namespace {

void set_cell(HWND list, int row, int column, const char* text) {
    LVITEMA cell{};
    cell.mask = LVIF_TEXT;
    cell.iItem = row;
    cell.iSubItem = column;
    cell.pszText = const_cast<char*>(text);
    SendMessageA(list, LVM_SETITEMA, 0, reinterpret_cast<LPARAM>(&cell));
}

// Runs inside the insert request, which holds the message-list lock, while
// the total still counts the rows before this one.
void on_row_inserted(const NMLISTVIEW* inserted) {
    const int row = inserted->iItem;
    if (row == -1) return;
    HWND list = inserted->hdr.hwndFrom;

    LVITEMA item{};
    item.mask = LVIF_PARAM;
    item.iItem = row;
    if (!SendMessageA(list, LVM_GETITEMA, 0, reinterpret_cast<LPARAM>(&item))) return;
    const auto* record = reinterpret_cast<const MessageRecord*>(item.lParam);
    if (!record) return;

    if (record->to) set_cell(list, row, 1, record->to->c_str());
    if (const auto time = clock_text(record->arrived)) set_cell(list, row, 2, time->c_str());
    // Only this thread writes mlrm, so no lock is needed to read it.
    if (g_options.mlrm || g_total_messages.load() == 0) select_row(list, row);
}

void send_command(HWND dialog, int command) {
    SendMessageA(dialog, WM_COMMAND, MAKEWPARAM(command, 0), 0);
}

// What a double-click on the list does, as the user chose it.
int double_click_command() {
    ScopedLock hold(g_options_lock);
    switch (g_options.defact) {
        case 1:
            return IDM_ANSWER;
        case 2:
            return IDM_DELETE;
        default:
            return IDM_VIEW;
    }
}

}  // namespace

LRESULT handle_notification(HWND dialog, const NMHDR* header) {
    if (!header) return 0;
    switch (header->code) {
        case LVN_INSERTITEM:
            on_row_inserted(reinterpret_cast<const NMLISTVIEW*>(header));
            return 0;
        case LVN_KEYDOWN:
            if (reinterpret_cast<const NMLVKEYDOWN*>(header)->wVKey == VK_DELETE) {
                send_command(dialog, IDM_DELETE);
            }
            return 0;
        case NM_DBLCLK:
            if (header->idFrom == IDC_MESSAGE_LIST) {
                send_command(dialog, double_click_command());
                return 1;
            }
            if (header->idFrom == IDC_NETWORK_TREE) {
                // New opens the Send dialog addressed to that name.
                if (read_selected_tree_name(header->hwndFrom, g_main.recipient)) {
                    send_command(dialog, IDM_NEW);
                }
                return 1;
            }
            return 0;
        case TVN_SELCHANGEDA:
            tree_selection_state(
                SendMessageA(header->hwndFrom, TVM_GETNEXTITEM, TVGN_CARET, 0) != 0 ? 1 : 0);
            return 0;
        default:
            return 0;
    }
}
