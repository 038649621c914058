// The main window's rows and the message journal (Windows only).
#include "mainwnd/kept_messages_win.h"

#include <commctrl.h>

#include <utility>
#include <vector>

#include "journal/message_journal_win.h"
#include "mainwnd/message_rows_win.h"
#include "mainwnd/message_store_win.h"
#include "mainwnd/ui_state_win.h"
#include "settings/options.h"

void restore_kept_messages(HWND list) {
    std::vector<JournalMessage> kept = journal_take_kept();
    if (kept.empty()) return;

    ScopedLock hold(g_message_list_lock);
    // Counted up front, so that no row is taken for the first message ever
    // listed; rows are added at the end, newest first, which is cheap.
    g_total_messages = static_cast<uint32_t>(kept.size());
    uint32_t unread = 0;
    // Nor is each row selected as it comes (the row insertion's handler does
    // that for new messages): only the newest is, at the end.
    int32_t mlrm;
    {
        ScopedLock options(g_options_lock);
        mlrm = std::exchange(g_options.mlrm, 0);
    }
    SendMessageA(list, WM_SETREDRAW, FALSE, 0);
    SendMessageA(list, LVM_SETITEMCOUNT, kept.size(), 0);
    int index = 0;
    for (auto it = kept.rbegin(); it != kept.rend(); ++it) {
        JournalMessage& message = *it;
        if (!message.from) continue;
        MessagePtr record = new_record(
            message.from->c_str(), message.to ? message.to->c_str() : nullptr,
            message.text ? message.text->c_str() : nullptr, static_cast<int32_t>(message.arrived));
        if (!record) break;
        record->listed = 1;
        LVITEMA row{};
        row.mask = LVIF_TEXT | LVIF_IMAGE | LVIF_PARAM;
        row.iItem = index;
        row.pszText = record->from->data();
        row.iImage = message.state;
        row.lParam = reinterpret_cast<LPARAM>(record.get());
        if (SendMessageA(list, LVM_INSERTITEMA, 0, reinterpret_cast<LPARAM>(&row)) == -1) break;
        journal_row_restored(record.get(), message.id);
        record.release();  // the row owns it now
        if (message.state == 0) ++unread;
        ++index;
    }
    {
        ScopedLock options(g_options_lock);
        g_options.mlrm = mlrm;
    }
    SendMessageA(list, WM_SETREDRAW, TRUE, 0);
    g_total_messages = static_cast<uint32_t>(index);
    g_unread_messages = unread;
    if (index > 0) {
        select_row(list, 0);
        message_toolbar_state(1);
        message_menu_state(1);
    }
    refresh_counts();
}

void follow_keep_messages_option(HWND list) {
    bool keep;
    {
        ScopedLock hold(g_options_lock);
        keep = g_options.keepmsgs != 0;
    }
    std::vector<JournalRow> rows;
    if (keep) {
        ScopedLock hold(g_message_list_lock);
        const int count = static_cast<int>(SendMessageA(list, LVM_GETITEMCOUNT, 0, 0));
        for (int index = count - 1; index >= 0; --index) {
            LVITEMA item{};
            item.mask = LVIF_IMAGE | LVIF_PARAM;
            item.iItem = index;
            if (!SendMessageA(list, LVM_GETITEMA, 0, reinterpret_cast<LPARAM>(&item))) continue;
            rows.push_back({reinterpret_cast<const MessageRecord*>(item.lParam), item.iImage});
        }
    }
    journal_keep_changed(keep, rows);
}
