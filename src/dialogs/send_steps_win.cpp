// What the Send and Answer dialogs share (Windows only).
#include "dialogs/send_steps_win.h"

#include <commctrl.h>

#include <cstdio>
#include <new>

#include "core/handles_win.h"
#include "core/process_state.h"
#include "core/program_name.h"
#include "core/send_rules.h"
#include "settings/options.h"

void SendCounter::create(HWND dialog) {
    // The bar places itself along the dialog's bottom edge.
    bar_ = CreateWindowExA(0, STATUSCLASSNAMEA, "", WS_CHILD | WS_VISIBLE, 0, 0, 0, 0, dialog,
                           nullptr, GetModuleHandleA(nullptr), nullptr);
    count_ = 0;
    show();
}

void SendCounter::add_one() {
    ++count_;
    show();
}

void SendCounter::show() const {
    if (!bar_) return;
    char text[32];
    std::snprintf(text, sizeof text, "Sent times: %d", count_);
    SendMessageA(bar_, SB_SETTEXTA, 0, reinterpret_cast<LPARAM>(text));
}

bool recipient_accepted(HWND dialog, const char* to, bool everyone) {
    if (to && (everyone ? is_valid_recipient(to) : is_valid_computer_name(to))) return true;
    MessageBoxA(dialog, "The recipient is not a valid computer name !", kProgramTitle,
                MB_OK | MB_ICONERROR);
    return false;
}

bool send_message(HWND dialog, SendFunction send, const char* to,
                  const std::optional<std::string>& text) {
    bool sent;
    {
        WaitCursor wait;
        sent = text && send(g_sender_name, to, text->c_str()) != 0;
    }
    if (!sent) MessageBoxA(dialog, "Error sending message !", kProgramTitle, MB_OK | MB_ICONERROR);
    return sent;
}

void limit_text(HWND edit, size_t limit) {
    // 0 would mean the control's largest size.
    SendMessageA(edit, EM_LIMITTEXT, limit > 0 ? limit : 1, 0);
}

bool stays_open_after_send() {
    ScopedLock hold(g_options_lock);
    return g_options.dcsd != 0;
}
