// Notifications from the message list and the network tree (Windows only).
#include "mainwnd/notifications_win.h"

#include <commctrl.h>

#include "core/message.h"
#include "core/time_text.h"
#include "mainwnd/main_window_win.h"
#include "mainwnd/message_store_win.h"
#include "mainwnd/ui_state_win.h"
#include "mainwnd/waits_win.h"
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

void select_row(HWND list, int row) {
    LVITEMA state{};
    state.stateMask = static_cast<UINT>(-1);
    state.state = LVIS_SELECTED | LVIS_FOCUSED;
    SendMessageA(list, LVM_SETITEMSTATE, row, reinterpret_cast<LPARAM>(&state));
    SendMessageA(list, LVM_SETSELECTIONMARK, 0, row);
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

// Opens the Send dialog addressed to the double-clicked workgroup or computer,
// its name cut to the 15 characters a name may have.
void on_tree_double_click(HWND dialog, HWND tree) {
    bool read = false;
    {
        NetworkLockHold hold;
        const auto selected =
            reinterpret_cast<HTREEITEM>(SendMessageA(tree, TVM_GETNEXTITEM, TVGN_CARET, 0));
        if (selected) {
            TVITEMA item{};
            item.mask = TVIF_TEXT | TVIF_HANDLE;
            item.hItem = selected;
            item.pszText = g_main.recipient;
            item.cchTextMax = sizeof g_main.recipient;
            read = SendMessageA(tree, TVM_GETITEMA, 0, reinterpret_cast<LPARAM>(&item)) != 0;
            g_main.recipient[sizeof g_main.recipient - 1] = '\0';
        }
    }
    if (read) SendMessageA(dialog, WM_COMMAND, MAKEWPARAM(IDM_NEW, 0), 0);
}

}  // namespace

LRESULT handle_notification(HWND dialog, const NMHDR* header) {
    if (!header) return 0;
    switch (header->code) {
        case LVN_INSERTITEM:
            on_row_inserted(reinterpret_cast<const NMLISTVIEW*>(header));
            return 0;
        case NM_DBLCLK:
            if (header->idFrom != IDC_NETWORK_TREE) return 0;
            on_tree_double_click(dialog, header->hwndFrom);
            return 1;
        case TVN_SELCHANGEDA:
            tree_selection_state(
                SendMessageA(header->hwndFrom, TVM_GETNEXTITEM, TVGN_CARET, 0) != 0 ? 1 : 0);
            return 0;
        default:
            return 0;
    }
}
