// The View Message dialog (template 122) (Windows only).
#include "dialogs/view_dialog_win.h"

#include <optional>
#include <string>
#include <utility>

#include "core/dialog_items_win.h"
#include "core/handles_win.h"
#include "core/process_state.h"
#include "core/time_text.h"
#include "dialogs/active_dialog_win.h"
#include "dialogs/centre_win.h"
#include "dialogs/save_as_win.h"
#include "export/file_names.h"
#include "export/message_files.h"
#include "resources/resource.h"
#include "settings/options.h"

namespace {

// One opening of the dialog, reached through DWLP_USER: its own copy of the
// message, so that nothing done to the message list can reach it.
struct ViewDialog {
    std::optional<MessageRecord> message;
    int icon_size = 0;
    UniqueIcon icon;  // icon 120 at the size the opener asked for
    ActiveDialogMark active;
};

ViewDialog* state_of(HWND dialog) {
    return reinterpret_cast<ViewDialog*>(GetWindowLongPtrA(dialog, DWLP_USER));
}

constexpr char kSaveFilters[] = "HTML Files (*.*)\0*.html\0Text Files (*.txt)\0*.txt\0";
constexpr DWORD kTextFilter = 2;

void show_header_lines(HWND dialog, const MessageRecord& record) {
    // A missing field keeps the template's text ("From: UNKNOWN" and so on).
    if (record.from) SetDlgItemTextA(dialog, IDC_VIEW_FROM, ("From: " + *record.from).c_str());
    if (record.to) SetDlgItemTextA(dialog, IDC_VIEW_TO, ("To: " + *record.to).c_str());
    if (const std::optional<std::string> clock = clock_text(record.arrived))
        SetDlgItemTextA(dialog, IDC_VIEW_TIME, ("Time: " + *clock).c_str());
    if (record.text) SetDlgItemTextA(dialog, IDC_VIEW_TEXT, record.text->c_str());
}

BOOL on_init(HWND dialog, ViewDialog* state) {
    SetWindowLongPtrA(dialog, DWLP_USER, reinterpret_cast<LONG_PTR>(state));
    if (state) state->active.mark(dialog);
    if (state && state->message) show_header_lines(dialog, *state->message);
    centre_on_parent(dialog);

    const int size = state ? state->icon_size : 0;
    UniqueIcon icon(static_cast<HICON>(LoadImageA(
        GetModuleHandleA(nullptr), MAKEINTRESOURCEA(IDI_VIEW), IMAGE_ICON, size, size, 0)));
    SendMessageA(dialog, WM_SETICON, ICON_BIG, reinterpret_cast<LPARAM>(icon.get()));
    if (state) state->icon = std::move(icon);
    return TRUE;  // the focus goes to the first tab stop, the Exit button
}

void on_save(HWND dialog) {
    const ViewDialog* state = state_of(dialog);
    if (!state || !state->message) return;
    const MessageRecord& record = *state->message;
    const std::string proposed = propose_message_name(record);
    if (proposed.empty()) return;
    const std::optional<SaveChoice> choice =
        ask_save_path(dialog, "Save Message Dialog...", kSaveFilters, proposed);
    if (!choice) return;
    if (choice->filter == kTextFilter) {
        save_with_extension(dialog, choice->path, ".txt",
                            [&](const char* path) { return write_message_text(&record, path); });
    } else {
        save_with_extension(dialog, choice->path, ".html",
                            [&](const char* path) { return write_message_html(&record, path); });
    }
}

void on_exit(HWND dialog) {
    EndDialog(dialog, 0);
}

INT_PTR dispatch(HWND dialog, UINT message, WPARAM wparam, LPARAM lparam) {
    switch (message) {
        case WM_INITDIALOG:
            return on_init(dialog, reinterpret_cast<ViewDialog*>(lparam));
        case WM_COMMAND:
            if (HIWORD(wparam) != BN_CLICKED) return FALSE;
            if (LOWORD(wparam) == IDCANCEL) {
                on_exit(dialog);
                return TRUE;
            }
            if (LOWORD(wparam) == IDC_VIEW_SAVE) {
                on_save(dialog);
                return TRUE;
            }
            return FALSE;
        default:
            return FALSE;
    }
}

}  // namespace

INT_PTR show_view_dialog(HWND owner, const ViewDialogInput& input) {
    ViewDialog state;
    if (input.record) state.message = *input.record;
    state.icon_size = input.icon_size;
    DialogBoxParamA(GetModuleHandleA(nullptr), MAKEINTRESOURCEA(IDD_VIEW), owner, view_dialog_proc,
                    reinterpret_cast<LPARAM>(&state));
    return 0;
}

INT_PTR CALLBACK view_dialog_proc(HWND dialog, UINT message, WPARAM wparam, LPARAM lparam) {
    return guarded_dispatch(dispatch, dialog, message, wparam, lparam);
}
