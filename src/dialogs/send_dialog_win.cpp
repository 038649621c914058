// The Send Message dialog (template 121) (Windows only).
#include "dialogs/send_dialog_win.h"

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
struct SendDialog {
    const SendDialogInput& input;
    UniqueIcon icon;
    SendCounter counter;
    ActiveDialogMark active;
};

SendDialog* state_of(HWND dialog) {
    return reinterpret_cast<SendDialog*>(GetWindowLongPtrA(dialog, DWLP_USER));
}

HWND recipient_field(HWND dialog) {
    return GetDlgItem(dialog, IDC_SEND_RECIPIENT);
}

bool has_preset(const SendDialog& state) {
    return state.input.preset && *state.input.preset;
}

BOOL on_init(HWND dialog, SendDialog* state) {
    SetWindowLongPtrA(dialog, DWLP_USER, reinterpret_cast<LONG_PTR>(state));
    state->active.mark(dialog);
    centre_on_parent(dialog);
    EnableWindow(GetDlgItem(dialog, IDOK), FALSE);

    const int size = state->input.icon_size;
    state->icon.reset(static_cast<HICON>(LoadImageA(
        GetModuleHandleA(nullptr), MAKEINTRESOURCEA(IDI_NEW), IMAGE_ICON, size, size, 0)));
    SendMessageA(dialog, WM_SETICON, ICON_BIG, reinterpret_cast<LPARAM>(state->icon.get()));

    HWND recipient = recipient_field(dialog);
    if (has_preset(*state)) {
        SetWindowTextA(recipient, state->input.preset);
        EnableWindow(recipient, FALSE);
    }
    for (const std::string& name : g_options.usrcombo)
        SendMessageA(recipient, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(name.c_str()));
    ShowWindow(GetDlgItem(dialog, IDC_BROADCAST), state->input.show_broadcast ? SW_SHOW : SW_HIDE);
    limit_text(GetDlgItem(dialog, IDC_SEND_TEXT), state->input.text_limit);
    state->counter.create(dialog);
    return TRUE;  // Send is disabled, so the focus goes to Cancel
}

// Send is usable exactly when both the message and the recipient hold text.
void update_send_button(HWND dialog, LRESULT recipient_length) {
    const int message_length = GetWindowTextLengthA(GetDlgItem(dialog, IDC_SEND_TEXT));
    set_enabled(GetDlgItem(dialog, IDOK), message_length > 0 && recipient_length > 0);
}

void on_recipient_chosen(HWND dialog) {
    HWND recipient = recipient_field(dialog);
    const LRESULT chosen = SendMessageA(recipient, CB_GETCURSEL, 0, 0);
    if (chosen == CB_ERR) return;
    const LRESULT length = SendMessageA(recipient, CB_GETLBTEXTLEN, chosen, 0);
    if (length == CB_ERR) return;
    update_send_button(dialog, length);
}

// The name just sent to becomes the first of the list. The field shows it,
// unless the field holds a preset recipient: that one never changes.
void put_first_in_history(HWND recipient, const char* name, const char* preset) {
    const LRESULT found = SendMessageA(recipient, CB_FINDSTRINGEXACT, static_cast<WPARAM>(-1),
                                       reinterpret_cast<LPARAM>(name));
    if (found == 0) return;
    if (found != CB_ERR) SendMessageA(recipient, CB_DELETESTRING, found, 0);
    SendMessageA(recipient, CB_INSERTSTRING, 0, reinterpret_cast<LPARAM>(name));
    if (found != CB_ERR) SetWindowTextA(recipient, preset ? preset : name);
}

// The dialog's list becomes the recipients' history; empty or unreadable
// items are left out.
void store_history(HWND recipient) {
    StringList& history = g_options.usrcombo;
    history.free_all();
    const LRESULT count = SendMessageA(recipient, CB_GETCOUNT, 0, 0);
    for (LRESULT index = 0; index < count; ++index) {
        const LRESULT length = SendMessageA(recipient, CB_GETLBTEXTLEN, index, 0);
        if (length == CB_ERR || length == 0) continue;
        std::string name(static_cast<size_t>(length) + 1, '\0');
        const LRESULT copied =
            SendMessageA(recipient, CB_GETLBTEXT, index, reinterpret_cast<LPARAM>(name.data()));
        if (copied == CB_ERR || copied == 0) continue;
        name.resize(static_cast<size_t>(copied));
        history.append_copy(name);
    }
}

void close_dialog(HWND dialog) {
    EndDialog(dialog, 0);
}

void on_send(HWND dialog, SendDialog& state) {
    // Computer and workgroup names have at most 15 characters.
    const std::string to =
        checked(dialog, IDC_BROADCAST) ? "*" : item_text(dialog, IDC_SEND_RECIPIENT).substr(0, 15);
    if (!recipient_accepted(dialog, to.c_str(), true)) return;  // open for a better name
    if (send_message(dialog, state.input.send, to.c_str(),
                     control_text(GetDlgItem(dialog, IDC_SEND_TEXT)))) {
        put_first_in_history(recipient_field(dialog), to.c_str(),
                             has_preset(state) ? state.input.preset : nullptr);
        state.counter.add_one();
    }
    if (!stays_open_after_send()) close_dialog(dialog);
}

BOOL on_command(HWND dialog, int id, int code) {
    SendDialog* state = state_of(dialog);
    if (!state) return FALSE;
    switch (id) {
        case IDOK:
            if (code != BN_CLICKED) return FALSE;
            on_send(dialog, *state);
            return TRUE;
        case IDCANCEL:
            if (code != BN_CLICKED) return FALSE;
            close_dialog(dialog);
            return TRUE;
        case IDC_SEND_TEXT:
            if (code != EN_CHANGE) return FALSE;
            update_send_button(dialog, GetWindowTextLengthA(recipient_field(dialog)));
            return TRUE;
        case IDC_SEND_RECIPIENT:
            if (code == CBN_EDITCHANGE) {
                update_send_button(dialog, GetWindowTextLengthA(recipient_field(dialog)));
            } else if (code == CBN_SELCHANGE) {
                on_recipient_chosen(dialog);
            } else {
                return FALSE;
            }
            return TRUE;
        default:
            return FALSE;
    }
}

INT_PTR dispatch(HWND dialog, UINT message, WPARAM wparam, LPARAM lparam) {
    switch (message) {
        case WM_INITDIALOG:
            return on_init(dialog, reinterpret_cast<SendDialog*>(lparam));
        case WM_COMMAND:
            return on_command(dialog, LOWORD(wparam), HIWORD(wparam));
        case WM_DESTROY:
            // Also when the program ends while the dialog is open.
            store_history(recipient_field(dialog));
            return FALSE;
        default:
            return FALSE;
    }
}

}  // namespace

INT_PTR show_send_dialog(HWND owner, const SendDialogInput& input) {
    SendDialog state{input, {}, {}, {}};
    DialogBoxParamA(GetModuleHandleA(nullptr), MAKEINTRESOURCEA(IDD_SEND), owner, send_dialog_proc,
                    reinterpret_cast<LPARAM>(&state));
    return 0;
}

INT_PTR CALLBACK send_dialog_proc(HWND dialog, UINT message, WPARAM wparam, LPARAM lparam) {
    return guarded_dispatch(dispatch, dialog, message, wparam, lparam);
}
