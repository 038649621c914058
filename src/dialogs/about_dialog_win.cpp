// The About dialog (template 131) (Windows only).
#include "dialogs/about_dialog_win.h"

#include <cstdint>
#include <cstdio>

#include "core/dialog_items_win.h"
#include "core/process_state.h"
#include "resources/resource.h"

namespace {

constexpr UINT_PTR kRefreshTimer = 22;
constexpr UINT kRefreshPeriodMs = 500;

void show_count(HWND dialog, int id, const char* format, uint32_t count) {
    HWND line = GetDlgItem(dialog, id);
    if (!line) return;
    char text[48];
    std::snprintf(text, sizeof text, format, static_cast<unsigned>(count));
    SendMessageA(line, WM_SETTEXT, 0, reinterpret_cast<LPARAM>(text));
}

// Sent stays as it was at opening; the other two are refreshed while open.
void show_received_and_ignored(HWND dialog) {
    show_count(dialog, IDC_STAT_RECEIVED, "Received: %u", g_statistics.received.load());
    show_count(dialog, IDC_STAT_IGNORED, "Ignored: %u", g_statistics.ignored.load());
}

BOOL on_init(HWND dialog) {
    show_count(dialog, IDC_STAT_SENT, "Sent: %u", g_statistics.sent.load());
    show_received_and_ignored(dialog);
    SetTimer(dialog, kRefreshTimer, kRefreshPeriodMs, nullptr);
    return TRUE;  // the focus goes to OK
}

INT_PTR dispatch(HWND dialog, UINT message, WPARAM wparam, LPARAM) {
    switch (message) {
        case WM_INITDIALOG:
            return on_init(dialog);
        case WM_TIMER:
            if (wparam != kRefreshTimer) return FALSE;
            show_received_and_ignored(dialog);
            return TRUE;
        case WM_COMMAND:
            if (LOWORD(wparam) != IDCANCEL) return FALSE;
            KillTimer(dialog, kRefreshTimer);
            EndDialog(dialog, 0);
            return TRUE;
        default:
            return FALSE;
    }
}

}  // namespace

INT_PTR show_about_dialog(HWND owner) {
    DialogBoxParamA(GetModuleHandleA(nullptr), MAKEINTRESOURCEA(IDD_ABOUT), owner,
                    about_dialog_proc, 0);
    return 0;
}

INT_PTR CALLBACK about_dialog_proc(HWND dialog, UINT message, WPARAM wparam, LPARAM lparam) {
    return guarded_dispatch(dispatch, dialog, message, wparam, lparam);
}
