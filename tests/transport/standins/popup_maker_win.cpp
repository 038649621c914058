// Popups like the ones the Messenger service shows (Windows-only test code).
#include "transport/standins/popup_maker_win.h"

namespace {

constexpr wchar_t kPopupClass[] = L"QvaPopupStandin";

void register_popup_class(WNDPROC procedure) {
    WNDCLASSW cls{};
    cls.lpfnWndProc = procedure;
    cls.hInstance = GetModuleHandleW(nullptr);
    cls.lpszClassName = kPopupClass;
    RegisterClassW(&cls);  // fails harmlessly when a previous maker registered it
}

}  // namespace

std::wstring popup_text(const std::wstring& from, const std::wstring& to,
                        const std::wstring& text) {
    return L"Message from " + from + L" to " + to + L" on 06.12.2001 02:27:41\r\n\r\n" + text;
}

PopupMaker::PopupMaker() {
    register_popup_class(window_proc);
}

PopupMaker::~PopupMaker() {
    for (const auto& popup : popups_) {
        if (IsWindow(popup->window)) DestroyWindow(popup->window);
    }
}

HWND PopupMaker::show(const wchar_t* title, const std::optional<std::wstring>& text,
                      int ignored_closes) {
    // Hidden: FindWindowW finds hidden windows all the same, and Wine without a
    // window manager takes seconds to take a visible window down.
    auto popup = std::make_unique<Popup>();
    popup->ignored_closes = ignored_closes;
    // Titled only once its text is in place: a popup found by its title
    // before it has its text control is closed unread, by design.
    HWND window = CreateWindowExW(0, kPopupClass, L"", WS_POPUP | WS_CAPTION, 10, 10, 300, 120,
                                  nullptr, nullptr, GetModuleHandleW(nullptr), nullptr);
    if (!window) return nullptr;
    popup->window = window;
    SetWindowLongPtrW(window, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(popup.get()));
    if (text) {
        CreateWindowExW(0, L"Static", text->c_str(), WS_CHILD | WS_VISIBLE, 5, 5, 280, 80, window,
                        nullptr, GetModuleHandleW(nullptr), nullptr);
    }
    SetWindowTextW(window, title);
    popups_.push_back(std::move(popup));
    return window;
}

void PopupMaker::set_text(HWND popup, const std::wstring& text) {
    SetWindowTextW(FindWindowExW(popup, nullptr, L"Static", nullptr), text.c_str());
}

int PopupMaker::close_requests(HWND popup) const {
    const Popup* p = find(popup);
    return p ? p->close_requests : -1;
}

const PopupMaker::Popup* PopupMaker::find(HWND popup) const {
    for (const auto& p : popups_) {
        if (p->window == popup) return p.get();
    }
    return nullptr;
}

LRESULT CALLBACK PopupMaker::window_proc(HWND window, UINT message, WPARAM wparam, LPARAM lparam) {
    auto* popup = reinterpret_cast<Popup*>(GetWindowLongPtrW(window, GWLP_USERDATA));
    if (popup && message == WM_COMMAND && LOWORD(wparam) == IDCANCEL) {
        ++popup->close_requests;
        if (popup->ignored_closes > 0) {
            --popup->ignored_closes;
        } else {
            DestroyWindow(window);
        }
        return 0;
    }
    return DefWindowProcW(window, message, wparam, lparam);
}
