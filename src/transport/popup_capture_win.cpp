// The capture loop that reads and closes the Messenger service's popups (Windows only).
#include "transport/popup_capture_win.h"

#include <new>
#include <optional>
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
// The longest a popup's thread may take to answer one request. One that does
// not answer in time is passed over for kPassOverMs, so a hung popup costs
// the capture one such wait now and then and never stops it.
constexpr UINT kAnswerTimeoutMs = 500;
constexpr DWORD kPassOverMs = 10000;

// Popups whose thread did not answer, with the time they were given up on.
struct PassedOver {
    HWND popup;
    DWORD since;
};
using PassedOverList = std::vector<PassedOver>;

bool passed_over(const PassedOverList& list, HWND popup) {
    for (const PassedOver& entry : list)
        if (entry.popup == popup) return true;
    return false;
}

void forget_old_entries(PassedOverList& list) {
    const DWORD now = GetTickCount();
    std::erase_if(list, [now](const PassedOver& entry) {
        return !IsWindow(entry.popup) || now - entry.since >= kPassOverMs;
    });
}

// The first popup of either title, the English one first, that is not passed over.
HWND find_popup(const PassedOverList& list) {
    for (const wchar_t* title : {kEnglishPopupTitle, kRussianPopupTitle}) {
        for (HWND popup = FindWindowExW(nullptr, nullptr, nullptr, title); popup;
             popup = FindWindowExW(nullptr, popup, nullptr, title)) {
            if (!passed_over(list, popup)) return popup;
        }
    }
    return nullptr;
}

// A bounded request; false when the window's thread did not answer in time
// (or is known to be hung).
bool ask(HWND window, UINT message, WPARAM wparam, LPARAM lparam, LRESULT* result, bool wide) {
    DWORD_PTR answer = 0;
    const LRESULT done = wide ? SendMessageTimeoutW(window, message, wparam, lparam,
                                                    SMTO_ABORTIFHUNG, kAnswerTimeoutMs, &answer)
                              : SendMessageTimeoutA(window, message, wparam, lparam,
                                                    SMTO_ABORTIFHUNG, kAnswerTimeoutMs, &answer);
    if (result) *result = static_cast<LRESULT>(answer);
    return done != 0;
}

bool close_popup(HWND popup) {
    return ask(popup, WM_COMMAND, IDCANCEL, 0, nullptr, true);
}

// The text control's text, ANSI, with its NUL; empty while the control has
// none yet (or no memory is left), so the popup is looked at again next time;
// nothing when the control's thread did not answer. The service's popups
// belong to another process, where the system copies the text, so a late
// answer never writes into this one's buffer.
std::optional<std::vector<char>> read_text(HWND text_control) {
    LRESULT length = 0;
    if (!ask(text_control, WM_GETTEXTLENGTH, 0, 0, &length, false)) return std::nullopt;
    if (length <= 0) return std::vector<char>{};
    std::vector<char> buffer;
    try {
        buffer.assign(static_cast<size_t>(length) + 1, '\0');
    } catch (const std::bad_alloc&) {
        return {};
    }
    // The length asked for may exceed what is copied (an ANSI request to a
    // Unicode window); only the copied characters and their NUL are parsed.
    LRESULT copied = 0;
    if (!ask(text_control, WM_GETTEXT, buffer.size(), reinterpret_cast<LPARAM>(buffer.data()),
             &copied, false)) {
        return std::nullopt;
    }
    buffer.resize(static_cast<size_t>(copied > 0 ? copied : 0) + 1);
    return buffer;
}

// Handles the popup on top, if any. `last_handled` is the popup most recently
// read and closed: still being there means it did not close, and it is not
// read a second time.
void capture_cycle(HWND& last_handled, PassedOverList& hung,
                   const std::function<void(MessagePtr)>& deliver) {
    forget_old_entries(hung);
    HWND popup = find_popup(hung);
    if (!popup) {
        last_handled = nullptr;
        return;
    }
    const auto give_up = [&] { hung.push_back({popup, GetTickCount()}); };
    HWND text_control = FindWindowExW(popup, nullptr, kTextControlClass, nullptr);
    if (!text_control || popup == last_handled) {
        last_handled = popup;
        if (!close_popup(popup)) give_up();
        return;
    }
    const std::optional<std::vector<char>> text = read_text(text_control);
    if (!text) {
        give_up();
        return;
    }
    if (text->empty()) return;
    const int64_t arrived = now_seconds();
    MessagePtr record = parse_popup_text(text->data(), text->size(), arrived);
    last_handled = popup;
    if (!close_popup(popup)) give_up();
    deliver(std::move(record));
}

}  // namespace

void run_popup_capture(const std::function<void(MessagePtr)>& deliver) {
    HWND last_handled = nullptr;
    PassedOverList hung;
    for (;;) {
        capture_cycle(last_handled, hung, deliver);
        if (stop_requested()) return;
        Sleep(kPollMilliseconds);
    }
}
