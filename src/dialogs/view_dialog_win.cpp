// The View Message dialog (template 122) (Windows only).
#include "dialogs/view_dialog_win.h"

#include <optional>
#include <string>

#include "core/process_state.h"
#include "core/time_text.h"
#include "core/win_handles.h"
#include "dialogs/centre_win.h"
#include "dialogs/save_as_win.h"
#include "export/file_names.h"
#include "export/message_files.h"
#include "resources/resource.h"
#include "settings/options.h"

namespace {

// The message on view, from initialisation until the dialog ends. Only one
// View dialog can be open: it is modal over the main window.
const MessageRecord* g_viewed_message = nullptr;
// Icon 120 at the size the opener asked for; the dialog shows it while open.
UniqueIcon g_view_icon;

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

BOOL on_init(HWND dialog, const ViewDialogInput* input) {
    g_viewed_message = input ? input->record : nullptr;
    {
        ScopedLock hold(g_options_lock);
        g_active_dialog = dialog;
    }
    if (g_viewed_message) show_header_lines(dialog, *g_viewed_message);
    centre_on_parent(dialog);

    const int size = input ? input->icon_size : 0;
    g_view_icon.reset(static_cast<HICON>(LoadImageA(
        GetModuleHandleA(nullptr), MAKEINTRESOURCEA(IDI_VIEW), IMAGE_ICON, size, size, 0)));
    SendMessageA(dialog, WM_SETICON, ICON_BIG, reinterpret_cast<LPARAM>(g_view_icon.get()));
    return TRUE;  // the focus goes to the first tab stop, the Exit button
}

void on_save(HWND dialog) {
    if (!g_viewed_message) return;
    const MessageRecord& record = *g_viewed_message;
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
    g_viewed_message = nullptr;
    EndDialog(dialog, 0);
}

INT_PTR dispatch(HWND dialog, UINT message, WPARAM wparam, LPARAM lparam) {
    switch (message) {
        case WM_INITDIALOG:
            return on_init(dialog, reinterpret_cast<const ViewDialogInput*>(lparam));
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
    DialogBoxParamA(GetModuleHandleA(nullptr), MAKEINTRESOURCEA(IDD_VIEW), owner, view_dialog_proc,
                    reinterpret_cast<LPARAM>(&input));
    g_view_icon.reset();
    return 0;
}

INT_PTR CALLBACK view_dialog_proc(HWND dialog, UINT message, WPARAM wparam, LPARAM lparam) {
    try {
        return dispatch(dialog, message, wparam, lparam);
    } catch (...) {
        return TRUE;  // no exception leaves the dialog procedure
    }
}
