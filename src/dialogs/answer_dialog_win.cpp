// The Answer Message dialog (template 125) (Windows only).
#include "dialogs/answer_dialog_win.h"

#include <algorithm>
#include <new>
#include <optional>
#include <string>

#include "core/dialog_items_win.h"
#include "core/handles_win.h"
#include "core/process_state.h"
#include "dialogs/active_dialog_win.h"
#include "dialogs/centre_win.h"
#include "resources/resource.h"
#include "settings/options.h"

namespace {

// One opening of the dialog, reached through DWLP_USER.
struct AnswerDialog {
    const AnswerDialogInput& input;
    UniqueIcon icon;
    UniqueIcon quote_icon;  // the picture on the "M" button
    SendCounter counter;
    ActiveDialogMark active;
};

AnswerDialog* state_of(HWND dialog) {
    return reinterpret_cast<AnswerDialog*>(GetWindowLongPtrA(dialog, DWLP_USER));
}

// Icon 138 as large as the "M" button's face allows: in colour while the
// button can be used, in monochrome once it has been.
void show_quote_icon(HWND button, AnswerDialog& state, UINT colours) {
    RECT client{};
    GetClientRect(button, &client);
    const int size = std::min(client.right - 2, client.bottom - 2);
    UniqueIcon icon(static_cast<HICON>(LoadImageA(
        GetModuleHandleA(nullptr), MAKEINTRESOURCEA(IDI_QUOTE), IMAGE_ICON, size, size, colours)));
    if (!icon) return;
    SendMessageA(button, BM_SETIMAGE, IMAGE_ICON, reinterpret_cast<LPARAM>(icon.get()));
    state.quote_icon = std::move(icon);
}

// The quoted copy of `received` in front of `reply`: one ">" before the whole
// text (none when it already starts with one, so that answers to answers do
// not pile them up), then CR LF. The quote is cut short where the whole
// would exceed `limit` bytes; the reply typed so far stays whole.
std::string quoted_reply(const std::string& received, const std::string& reply, size_t limit) {
    std::string quote = (received.front() == '>' ? "" : ">") + received + "\r\n";
    const size_t room = limit > reply.size() ? limit - reply.size() : 0;
    if (quote.size() > room) {
        quote.resize(room);
        if (!quote.empty() && quote.back() == '\r') quote.pop_back();  // no half line end
    }
    return quote + reply;
}

void update_send_button(HWND dialog) {
    set_enabled(GetDlgItem(dialog, IDOK),
                GetWindowTextLengthA(GetDlgItem(dialog, IDC_ANSWER_REPLY)) > 0);
}

// "M": the quoted copy goes in front of the reply, once per opening.
void on_quote(HWND dialog, AnswerDialog& state) {
    HWND button = GetDlgItem(dialog, IDC_QUOTE);
    HWND reply = GetDlgItem(dialog, IDC_ANSWER_REPLY);
    // A disabled control cannot keep the focus; the reply is where it is wanted.
    if (GetFocus() == button) SetFocus(reply);
    EnableWindow(button, FALSE);
    show_quote_icon(button, state, LR_MONOCHROME);

    const std::optional<std::string> received =
        control_text(GetDlgItem(dialog, IDC_ANSWER_RECEIVED));
    const std::optional<std::string> typed = control_text(reply);
    if (received && typed && !received->empty()) {
        try {
            SetWindowTextA(reply, quoted_reply(*received, *typed, state.input.text_limit).c_str());
            // Typing goes on after what the reply already holds.
            const int end = GetWindowTextLengthA(reply);
            SendMessageA(reply, EM_SETSEL, end, end);
            SendMessageA(reply, EM_SCROLLCARET, 0, 0);
        } catch (const std::bad_alloc&) {
            // Out of memory leaves the reply as it was.
        }
    }
    update_send_button(dialog);
}

BOOL on_init(HWND dialog, AnswerDialog* state) {
    SetWindowLongPtrA(dialog, DWLP_USER, reinterpret_cast<LONG_PTR>(state));
    bool quote;
    {
        ScopedLock hold(g_options_lock);
        quote = g_options.mcopy != 0;
    }
    state->active.mark(dialog);
    limit_text(GetDlgItem(dialog, IDC_ANSWER_REPLY), state->input.text_limit);
    if (const MessageRecord* record = state->input.record) {
        SetDlgItemTextA(dialog, IDC_ANSWER_FROM, record->from ? record->from->c_str() : "");
        SetDlgItemTextA(dialog, IDC_ANSWER_RECEIVED, record->text ? record->text->c_str() : "");
        if (quote) on_quote(dialog, *state);
    }
    centre_on_parent(dialog);

    const int size = state->input.icon_size;
    state->icon.reset(static_cast<HICON>(LoadImageA(
        GetModuleHandleA(nullptr), MAKEINTRESOURCEA(IDI_ANSWER), IMAGE_ICON, size, size, 0)));
    SendMessageA(dialog, WM_SETICON, ICON_BIG, reinterpret_cast<LPARAM>(state->icon.get()));
    state->counter.create(dialog);
    show_quote_icon(GetDlgItem(dialog, IDC_QUOTE), *state, LR_LOADMAP3DCOLORS);

    SetFocus(GetDlgItem(dialog, IDC_ANSWER_REPLY));
    return FALSE;  // the focus is set
}

void close_dialog(HWND dialog, const AnswerDialog& state) {
    EndDialog(dialog, state.counter.count() != 0 ? 1 : 0);
}

void on_send(HWND dialog, AnswerDialog& state) {
    // The sender's whole name: one longer than a computer name is not one.
    const std::optional<std::string> to = control_text(GetDlgItem(dialog, IDC_ANSWER_FROM));
    // A reply goes to one computer, never to everybody.
    if (!recipient_accepted(dialog, to ? to->c_str() : nullptr, false)) return;
    std::optional<std::string> reply = control_text(GetDlgItem(dialog, IDC_ANSWER_REPLY));
    if (reply && reply->empty()) reply.reset();  // an empty reply is not sent
    if (send_message(dialog, state.input.send, to->c_str(), reply)) state.counter.add_one();
    if (!stays_open_after_send()) close_dialog(dialog, state);
}

BOOL on_command(HWND dialog, int id, int code) {
    AnswerDialog* state = state_of(dialog);
    if (!state) return FALSE;
    switch (id) {
        case IDOK:
            if (code != BN_CLICKED) return FALSE;
            on_send(dialog, *state);
            return TRUE;
        case IDCANCEL:
            if (code != BN_CLICKED) return FALSE;
            close_dialog(dialog, *state);
            return TRUE;
        case IDC_QUOTE:
            if (code != BN_CLICKED) return FALSE;
            on_quote(dialog, *state);
            return TRUE;
        case IDC_ANSWER_REPLY:
            if (code != EN_CHANGE) return FALSE;
            update_send_button(dialog);
            return TRUE;
        default:
            return FALSE;
    }
}

INT_PTR dispatch(HWND dialog, UINT message, WPARAM wparam, LPARAM lparam) {
    switch (message) {
        case WM_INITDIALOG:
            return on_init(dialog, reinterpret_cast<AnswerDialog*>(lparam));
        case WM_COMMAND:
            return on_command(dialog, LOWORD(wparam), HIWORD(wparam));
        default:
            return FALSE;
    }
}

}  // namespace

INT_PTR show_answer_dialog(HWND owner, const AnswerDialogInput& input) {
    AnswerDialog state{input, {}, {}, {}, {}};
    const INT_PTR result =
        DialogBoxParamA(GetModuleHandleA(nullptr), MAKEINTRESOURCEA(IDD_ANSWER), owner,
                        answer_dialog_proc, reinterpret_cast<LPARAM>(&state));
    return result == 1 ? 1 : 0;
}

INT_PTR CALLBACK answer_dialog_proc(HWND dialog, UINT message, WPARAM wparam, LPARAM lparam) {
    return guarded_dispatch(dispatch, dialog, message, wparam, lparam);
}
