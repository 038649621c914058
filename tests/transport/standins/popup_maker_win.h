// Popups like the ones the Messenger service shows, made by the test process
// on its own thread (Windows-only test code). The thread that owns them must
// handle messages (wait_until does) while another thread reads or closes them.
#pragma once

#include <windows.h>

#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "support/polling_win.h"

// The titles the service gives its popups, each with a trailing space.
inline constexpr wchar_t kEnglishTitle[] = L"Messenger Service ";
inline constexpr wchar_t kRussianTitle[] =
    L"\u0421\u043B\u0443\u0436\u0431\u0430 \u0441\u043E\u043E\u0431\u0449\u0435\u043D\u0438\u0439 ";

// The service's layout: a header line naming sender and recipient, an empty
// line, then the message text, lines ending in CR LF.
std::wstring popup_text(const std::wstring& from, const std::wstring& to, const std::wstring& text);

class PopupMaker {
public:
    PopupMaker();
    ~PopupMaker();  // destroys the popups still open
    PopupMaker(const PopupMaker&) = delete;
    PopupMaker& operator=(const PopupMaker&) = delete;

    // A popup holding a "Static" child with `text`, or no child at all when
    // `text` is absent. It closes on WM_COMMAND IDCANCEL, except for the first
    // `ignored_closes` of them.
    HWND show(const wchar_t* title, const std::optional<std::wstring>& text,
              int ignored_closes = 0);
    void set_text(HWND popup, const std::wstring& text);
    // How often the popup was asked to close, also after it closed.
    int close_requests(HWND popup) const;

private:
    struct Popup {
        HWND window = nullptr;
        int ignored_closes = 0;
        int close_requests = 0;
    };
    static LRESULT CALLBACK window_proc(HWND window, UINT message, WPARAM wparam, LPARAM lparam);
    const Popup* find(HWND popup) const;

    std::vector<std::unique_ptr<Popup>> popups_;
};
