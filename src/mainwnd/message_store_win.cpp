// The insert request and its handler (Windows only).
#include "mainwnd/message_store_win.h"

#include <commctrl.h>

#include <new>
#include <optional>
#include <string>
#include <utility>

#include "core/auto_answer.h"
#include "core/process_state.h"
#include "journal/message_journal_win.h"
#include "settings/options.h"
#include "transport/transport.h"

Lock g_message_list_lock;
std::atomic<uint32_t> g_total_messages{0};
std::atomic<uint32_t> g_unread_messages{0};

namespace {

// Used on the user-interface thread only, like the handler.
AutoAnswer g_auto_answer;

struct AutoAnswerSettings {
    int32_t aam = 0;
    std::optional<std::string> aat;
};

AutoAnswerSettings read_auto_answer_settings() {
    AutoAnswerSettings settings;
    ScopedLock hold(g_options_lock);
    settings.aam = g_options.aam;
    try {
        settings.aat = g_options.aat;
    } catch (const std::bad_alloc&) {
        settings.aat.reset();  // no copy, no answer
    }
    return settings;
}

// The answer's result is not reported: the send counts Sent itself.
void send_auto_answer(const AutoAnswerSettings& settings, const MessageRecord& record) {
    try {
        const std::optional<AutoAnswerReply> reply =
            g_auto_answer.answer_for(settings.aam, settings.aat, record, g_sender_name);
        if (reply) transport_send(g_sender_name, reply->to.c_str(), reply->text.c_str());
    } catch (const std::bad_alloc&) {
    }
}

}  // namespace

LRESULT handle_insert_request(HWND list_view, LPARAM item,
                              const std::function<void()>& on_first_message) {
    const auto* row = reinterpret_cast<const LVITEMA*>(item);
    if (!row) return 0;
    const AutoAnswerSettings settings = read_auto_answer_settings();

    ScopedLock hold(g_message_list_lock);
    if (SendMessageA(list_view, LVM_INSERTITEMA, 0, item) == -1) return 0;

    if (g_total_messages.fetch_add(1) + 1 == 1 && on_first_message) on_first_message();
    g_unread_messages.fetch_add(1);
    g_statistics.received.fetch_add(1);

    const auto* record = reinterpret_cast<const MessageRecord*>(row->lParam);
    journal_row_listed(record);
    if (record) send_auto_answer(settings, *record);
    return 1;
}

DialogStoreLink::DialogStoreLink(HWND dialog, CountsHook counts_changed, PopUpHook pop_up)
    : dialog_(dialog), counts_changed_(std::move(counts_changed)), pop_up_(std::move(pop_up)) {}

int DialogStoreLink::insert(MessageRecord* record) {
    if (!record || !record->from) return 0;
    LVITEMA row = {};
    row.mask = LVIF_TEXT | LVIF_IMAGE | LVIF_PARAM;
    row.iItem = 0;
    row.iSubItem = 0;
    row.pszText = record->from->data();
    row.iImage = 0;  // unread
    row.lParam = reinterpret_cast<LPARAM>(record);
    return SendMessageA(dialog_, kInsertRequestMessage, 0, reinterpret_cast<LPARAM>(&row)) == 1 ? 1
                                                                                                : 0;
}

void DialogStoreLink::counts_changed() {
    if (counts_changed_) counts_changed_(g_total_messages.load(), g_unread_messages.load());
}

void DialogStoreLink::pop_up() {
    if (pop_up_) pop_up_();
}
