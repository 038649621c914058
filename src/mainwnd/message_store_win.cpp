// The insert request and its handler (Windows only).
#include "mainwnd/message_store_win.h"

#include <commctrl.h>

#include <deque>
#include <new>
#include <optional>
#include <string>
#include <utility>

#include "core/process_state.h"
#include "core/request_tokens.h"
#include "incoming/auto_answer.h"
#include "journal/message_journal_win.h"
#include "settings/options.h"
#include "transport/transport.h"

Lock g_message_list_lock;
std::atomic<uint32_t> g_total_messages{0};
std::atomic<uint32_t> g_unread_messages{0};

namespace {

// Used on the user-interface thread only, like the handler.
AutoAnswer g_auto_answer;
std::atomic<AnswerSend> g_answer_send{transport_send};

// The records handed over while a command held the list, oldest first, and
// the list they are for. User-interface thread only.
std::deque<MessageRecord*> g_deferred;
HWND g_deferred_list = nullptr;
int g_list_commands = 0;
uint32_t g_last_serial = 0;

// Kept for the whole run (never destroyed): the receiver may still be
// inside a request when the program ends.
RequestTokens& insert_requests() {
    static auto* tokens = new RequestTokens;
    return *tokens;
}

// Sends the auto-answers one after the other on a thread of its own, so that
// an unreachable sender holds up neither the list nor the receiver. At most
// kWaitingLimit answers wait; more are dropped. Created on the first answer
// and never destroyed, so its thread never outlives it; the end of the
// process stops a send still running.
class AnswerSender {
public:
    static AnswerSender& instance() {
        static auto* sender = new AnswerSender;
        return *sender;
    }

    void queue(std::string to, std::string text) {
        {
            ScopedLock hold(lock_);
            if (waiting_.size() >= kWaitingLimit) return;
            waiting_.emplace_back(std::move(to), std::move(text));
        }
        SetEvent(wake_);
    }

private:
    static constexpr size_t kWaitingLimit = 32;

    AnswerSender()
        : wake_(CreateEventA(nullptr, FALSE, FALSE, nullptr)),
          thread_(CreateThread(nullptr, 0, run, this, 0, nullptr)) {}

    static DWORD WINAPI run(void* self) {
        auto& sender = *static_cast<AnswerSender*>(self);
        for (;;) {
            WaitForSingleObject(sender.wake_, INFINITE);
            while (std::optional<std::pair<std::string, std::string>> answer = sender.next()) {
                // The send counts Sent itself when it succeeds.
                g_answer_send.load()(g_sender_name, answer->first.c_str(), answer->second.c_str());
            }
        }
    }

    std::optional<std::pair<std::string, std::string>> next() {
        ScopedLock hold(lock_);
        if (waiting_.empty()) return std::nullopt;
        std::pair<std::string, std::string> answer = std::move(waiting_.front());
        waiting_.pop_front();
        return answer;
    }

    Lock lock_;
    std::deque<std::pair<std::string, std::string>> waiting_;
    HANDLE wake_;
    HANDLE thread_;
};

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

void queue_auto_answer(const MessageRecord& record) {
    try {
        const AutoAnswerSettings settings = read_auto_answer_settings();
        const std::optional<AutoAnswerReply> reply =
            g_auto_answer.answer_for(settings.aam, settings.aat, record, g_sender_name);
        if (reply) AnswerSender::instance().queue(reply->to, reply->text);
    } catch (const std::bad_alloc&) {
    }
}

// Inserts the record's row at the top, counts it and answers it. False when
// the list refused the row; the record is then not the list's.
bool list_record(HWND list, MessageRecord* record, const std::function<void()>& on_first_message) {
    if (!record->from) return false;
    {
        ScopedLock hold(g_message_list_lock);
        record->serial = ++g_last_serial;
        LVITEMA row{};
        row.mask = LVIF_TEXT | LVIF_IMAGE | LVIF_PARAM;
        row.pszText = record->from->data();
        row.iImage = 0;  // unread
        row.lParam = reinterpret_cast<LPARAM>(record);
        if (SendMessageA(list, LVM_INSERTITEMA, 0, reinterpret_cast<LPARAM>(&row)) == -1) {
            record->serial = 0;
            return false;
        }
        if (g_total_messages.fetch_add(1) + 1 == 1 && on_first_message) on_first_message();
        g_unread_messages.fetch_add(1);
        g_statistics.received.fetch_add(1);
        journal_row_listed(record);
    }
    // The options lock is taken after the list's is released.
    queue_auto_answer(*record);
    return true;
}

}  // namespace

void set_auto_answer_send(AnswerSend send) {
    g_answer_send = send ? send : transport_send;
}

LRESULT handle_insert_request(HWND list_view, WPARAM token,
                              const std::function<void()>& on_first_message) {
    auto* record = static_cast<MessageRecord*>(insert_requests().find(token));
    if (!record || !record->from) return 0;
    if (g_list_commands > 0 || !g_deferred.empty()) {
        try {
            g_deferred.push_back(record);
        } catch (const std::bad_alloc&) {
            return 0;
        }
        insert_requests().take(token);
        g_deferred_list = list_view;
        if (g_list_commands == 0) PostMessageA(GetParent(list_view), WM_LIST_DEFERRED, 0, 0);
        return 1;
    }
    if (!list_record(list_view, record, on_first_message)) return 0;
    insert_requests().take(token);
    return 1;
}

void list_deferred_messages(HWND list_view, const std::function<void()>& on_first_message) {
    if (g_list_commands > 0) return;  // the command's end posts again
    while (!g_deferred.empty()) {
        MessageRecord* record = g_deferred.front();
        g_deferred.pop_front();
        if (!list_record(list_view, record, on_first_message)) delete record;
    }
}

ListCommand::ListCommand() : hold_(g_message_list_lock) {
    ++g_list_commands;
}

ListCommand::~ListCommand() {
    if (--g_list_commands == 0 && !g_deferred.empty())
        PostMessageA(GetParent(g_deferred_list), WM_LIST_DEFERRED, 0, 0);
}

bool list_command_running() {
    return g_list_commands > 0;
}

int find_row(HWND list_view, uint32_t serial) {
    if (serial == 0) return -1;
    const int count = static_cast<int>(SendMessageA(list_view, LVM_GETITEMCOUNT, 0, 0));
    for (int index = 0; index < count; ++index) {
        LVITEMA item{};
        item.mask = LVIF_PARAM;
        item.iItem = index;
        if (!SendMessageA(list_view, LVM_GETITEMA, 0, reinterpret_cast<LPARAM>(&item))) continue;
        const auto* record = reinterpret_cast<const MessageRecord*>(item.lParam);
        if (record && record->serial == serial) return index;
    }
    return -1;
}

namespace {

constexpr UINT_PTR kRunRepaintTimer = 0x5151;
// User-interface thread only.
bool g_insert_run_open = false;
DWORD g_counts_shown = 0;

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

bool counts_due_in_run() {
    const DWORD now = GetTickCount();
    if (g_insert_run_open && g_unread_messages.load() > 1 &&
        now - g_counts_shown < kRunRepaintPeriodMs) {
        return false;
    }
    g_counts_shown = now;
    return true;
}

DialogStoreLink::DialogStoreLink(HWND dialog, PopUpHook pop_up, DialogOpenHook dialog_open)
    : dialog_(dialog), pop_up_(std::move(pop_up)), dialog_open_(std::move(dialog_open)) {}

int DialogStoreLink::insert(MessageRecord* record) {
    if (!record || !record->from) return 0;
    uintptr_t token = 0;
    try {
        token = insert_requests().issue(record);
    } catch (const std::bad_alloc&) {
        return 0;
    }
    if (more_waiting_ && !run_open_) {
        run_open_ = true;
        SendMessageA(dialog_, WM_INSERT_RUN_BEGIN, 0, 0);
    }
    SendMessageA(dialog_, WM_INSERT_MESSAGE, token, 0);
    if (!more_waiting_) end_run();
    // Whoever took the token over owns the record now, whatever was answered.
    return insert_requests().withdraw(token) ? 0 : 1;
}

void DialogStoreLink::end_run() {
    if (!run_open_) return;
    run_open_ = false;
    SendMessageA(dialog_, WM_INSERT_RUN_OVER, 0, 0);
}

void DialogStoreLink::run_over() {
    more_waiting_ = false;
    end_run();
}

void DialogStoreLink::pop_up() {
    if (pop_up_) pop_up_();
}
