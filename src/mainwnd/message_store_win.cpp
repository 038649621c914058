// The insert request and its handler (Windows only).
#include "mainwnd/message_store_win.h"

#include <commctrl.h>

#include <new>
#include <optional>
#include <string>
#include <utility>

#include "core/auto_answer.h"
#include "core/process_state.h"
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
    if (record) send_auto_answer(settings, *record);
    return 1;
}

namespace {

constexpr UINT_PTR kRunRepaintTimer = 0x5151;
// User-interface thread only.
bool g_insert_run_open = false;

void set_redraw(HWND list_view, bool on) {
    SendMessageA(list_view, WM_SETREDRAW, on ? TRUE : FALSE, 0);
    if (on) InvalidateRect(list_view, nullptr, TRUE);
}

// A long run still shows its progress.
void CALLBACK repaint_during_run(HWND list_view, UINT, UINT_PTR, DWORD) {
    if (!g_insert_run_open) return;
    set_redraw(list_view, true);
    UpdateWindow(list_view);
    set_redraw(list_view, false);
}

}  // namespace

void begin_insert_run(HWND list_view) {
    if (g_insert_run_open) return;
    g_insert_run_open = true;
    set_redraw(list_view, false);
    SetTimer(list_view, kRunRepaintTimer, kRunRepaintPeriodMs, repaint_during_run);
}

void end_insert_run(HWND list_view) {
    if (!g_insert_run_open) return;
    g_insert_run_open = false;
    KillTimer(list_view, kRunRepaintTimer);
    set_redraw(list_view, true);
}

bool insert_run_open() {
    return g_insert_run_open;
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
    if (more_waiting_ && !run_open_) {
        run_open_ = true;
        SendMessageA(dialog_, kRunBeginMessage, 0, 0);
    }
    const bool inserted =
        SendMessageA(dialog_, kInsertRequestMessage, 0, reinterpret_cast<LPARAM>(&row)) == 1;
    if (!more_waiting_) end_run();
    return inserted ? 1 : 0;
}

void DialogStoreLink::end_run() {
    if (!run_open_) return;
    run_open_ = false;
    SendMessageA(dialog_, kRunOverMessage, 0, 0);
}

void DialogStoreLink::run_over() {
    more_waiting_ = false;
    if (counts_pending_) counts_changed();
    end_run();
}

void DialogStoreLink::counts_changed() {
    const uint32_t unread = g_unread_messages.load();
    // Within a run the status line and tray tip wait for its end, unless the
    // tray's picture changes now (first unread, or none left) or they have
    // waited a repaint period.
    if (more_waiting_ && unread > 1 && GetTickCount() - counts_shown_ < kRunRepaintPeriodMs) {
        counts_pending_ = true;
        return;
    }
    counts_pending_ = false;
    counts_shown_ = GetTickCount();
    if (counts_changed_) counts_changed_(g_total_messages.load(), unread);
}

void DialogStoreLink::pop_up() {
    if (pop_up_) pop_up_();
}
