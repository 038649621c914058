// The capture loop that reads and closes the Messenger service's popups (Windows only).
#include "transport/popup_capture_win.h"

#include <new>
#include <vector>

#include "core/process_state.h"
#include "core/time_text.h"
#include "transport/popup_text.h"

namespace {

// The service titles its popups in the system's language; each title ends in a space.
constexpr wchar_t kEnglishPopupTitle[] = L"Messenger Service ";
constexpr wchar_t kRussianPopupTitle[] =
    L"\u0421\u043B\u0443\u0436\u0431\u0430 \u0441\u043E\u043E\u0431\u0449\u0435\u043D\u0438\u0439 ";
constexpr wchar_t kTextControlClass[] = L"Static";
constexpr DWORD kPollMilliseconds = 50;

HWND find_popup() {
    HWND popup = FindWindowW(nullptr, kEnglishPopupTitle);
    return popup ? popup : FindWindowW(nullptr, kRussianPopupTitle);
}

void close_popup(HWND popup) {
    SendMessageW(popup, WM_COMMAND, IDCANCEL, 0);
}

// The text control's text, ANSI, with its NUL; empty while the control has
// none yet (or no memory is left), so the popup is looked at again next time.
std::vector<char> read_text(HWND text_control) {
    const LRESULT length = SendMessageA(text_control, WM_GETTEXTLENGTH, 0, 0);
    if (length <= 0) return {};
    std::vector<char> buffer;
    try {
        buffer.assign(static_cast<size_t>(length) + 1, '\0');
    } catch (const std::bad_alloc&) {
        return {};
    }
    // The length asked for may exceed what is copied (an ANSI request to a
    // Unicode window); only the copied characters and their NUL are parsed.
    const LRESULT copied = SendMessageA(text_control, WM_GETTEXT, buffer.size(),
                                        reinterpret_cast<LPARAM>(buffer.data()));
    buffer.resize(static_cast<size_t>(copied > 0 ? copied : 0) + 1);
    return buffer;
}

// Handles the popup on top, if any. `last_handled` is the popup most recently
// read and closed: still being there means it did not close, and it is not
// read a second time.
void capture_cycle(HWND& last_handled, const std::function<void(MessagePtr)>& deliver) {
    HWND popup = find_popup();
    if (!popup) {
        last_handled = nullptr;
        return;
    }
    HWND text_control = FindWindowExW(popup, nullptr, kTextControlClass, nullptr);
    if (!text_control || popup == last_handled) {
        last_handled = popup;
        close_popup(popup);
        return;
    }
    const std::vector<char> text = read_text(text_control);
    if (text.empty()) return;
    const int64_t arrived = now_seconds();
    MessagePtr record = parse_popup_text(text.data(), text.size(), arrived);
    last_handled = popup;
    close_popup(popup);
    deliver(std::move(record));
}

}  // namespace

void run_popup_capture(const std::function<void(MessagePtr)>& deliver) {
    HWND last_handled = nullptr;
    for (;;) {
        capture_cycle(last_handled, deliver);
        if (stop_requested()) return;
        Sleep(kPollMilliseconds);
    }
}
