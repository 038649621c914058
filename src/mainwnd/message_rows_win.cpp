// Reading and marking the main window's message rows (Windows only).
#include "mainwnd/message_rows_win.h"

#include <commctrl.h>

#include "journal/message_journal_win.h"
#include "mainwnd/message_store_win.h"

std::optional<MessageRow> selected_row(HWND list) {
    const int index = static_cast<int>(SendMessageA(list, LVM_GETSELECTIONMARK, 0, 0));
    if (index < 0) return std::nullopt;
    LVITEMA item{};
    item.mask = LVIF_IMAGE | LVIF_PARAM;
    item.iItem = index;
    if (!SendMessageA(list, LVM_GETITEMA, 0, reinterpret_cast<LPARAM>(&item))) return std::nullopt;
    return MessageRow{index, item.iImage, reinterpret_cast<MessageRecord*>(item.lParam)};
}

void mark_read(HWND list, MessageRow& row) {
    if (row.image != 0) return;
    LVITEMA item{};
    item.mask = LVIF_IMAGE;
    item.iItem = row.index;
    item.iImage = 1;
    SendMessageA(list, LVM_SETITEMA, 0, reinterpret_cast<LPARAM>(&item));
    row.image = 1;
    journal_read_state(row.record, 1);
    --g_unread_messages;
}

void mark_answered(HWND list, uint32_t serial) {
    const int index = find_row(list, serial);
    if (index < 0) return;
    LVITEMA item{};
    item.mask = LVIF_IMAGE;
    item.iItem = index;
    item.iImage = 2;
    SendMessageA(list, LVM_SETITEMA, 0, reinterpret_cast<LPARAM>(&item));
    LVITEMA param{};
    param.mask = LVIF_PARAM;
    param.iItem = index;
    if (SendMessageA(list, LVM_GETITEMA, 0, reinterpret_cast<LPARAM>(&param)))
        journal_read_state(reinterpret_cast<const MessageRecord*>(param.lParam), 2);
}

void select_row(HWND list, int row) {
    LVITEMA state{};
    state.stateMask = static_cast<UINT>(-1);
    state.state = LVIS_SELECTED | LVIS_FOCUSED;
    SendMessageA(list, LVM_SETITEMSTATE, row, reinterpret_cast<LPARAM>(&state));
    SendMessageA(list, LVM_SETSELECTIONMARK, 0, row);
}

std::vector<const MessageRecord*> row_records(HWND list) {
    const int count = static_cast<int>(SendMessageA(list, LVM_GETITEMCOUNT, 0, 0));
    std::vector<const MessageRecord*> records;
    records.reserve(count > 0 ? count : 0);
    for (int index = 0; index < count; ++index) {
        LVITEMA item{};
        item.mask = LVIF_PARAM;
        item.iItem = index;
        const bool read = SendMessageA(list, LVM_GETITEMA, 0, reinterpret_cast<LPARAM>(&item));
        records.push_back(read ? reinterpret_cast<const MessageRecord*>(item.lParam) : nullptr);
    }
    return records;
}
