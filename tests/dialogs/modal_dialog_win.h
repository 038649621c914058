// Runs one of the program's modal dialogs on its own thread over a stand-in
// main window, as the main window would open it, so that the test thread can
// type, click and read like a user; and a transport whose sends the test
// records and answers (Windows only, test support).
#pragma once

#include <windows.h>
#include <commctrl.h>

#include <gtest/gtest.h>

#include <atomic>
#include <deque>
#include <functional>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "support/save_dialog_win.h"

struct SentMessage {
    std::string from, to, text;
};

// A transport that records every send; each answers the next queued result,
// 1 when none is queued. The dialog's thread sends, the test's thread reads.
class FakeTransport {
public:
    static void reset(std::deque<int> results = {}) {
        std::lock_guard<std::mutex> hold(mutex_);
        sent_.clear();
        results_ = std::move(results);
    }
    static size_t count() {
        std::lock_guard<std::mutex> hold(mutex_);
        return sent_.size();
    }
    static SentMessage at(size_t index) {
        std::lock_guard<std::mutex> hold(mutex_);
        return sent_.at(index);
    }
    static int send(const char* from, const char* to, const char* text) {
        std::lock_guard<std::mutex> hold(mutex_);
        sent_.push_back({from, to, text});
        if (results_.empty()) return 1;
        const int result = results_.front();
        results_.pop_front();
        return result;
    }

private:
    static inline std::mutex mutex_;
    static inline std::vector<SentMessage> sent_;
    static inline std::deque<int> results_;
};

class ModalDialog {
public:
    ~ModalDialog() {
        if (thread_.joinable()) {
            PostMessageA(window_, WM_COMMAND, MAKEWPARAM(IDCANCEL, BN_CLICKED), 0);
            thread_.join();
        }
    }

    // Starts `run` (which opens the dialog over the given owner and answers
    // its result) and waits for the window titled `title`.
    HWND open(const char* title, std::function<INT_PTR(HWND owner)> run) {
        INITCOMMONCONTROLSEX controls{sizeof controls, ICC_BAR_CLASSES};
        InitCommonControlsEx(&controls);
        thread_ = std::thread([this, run] {
            owner_ = CreateWindowExA(0, "STATIC", "Owner", WS_OVERLAPPED | WS_CAPTION | WS_VISIBLE,
                                     100, 60, 640, 480, nullptr, nullptr, nullptr, nullptr);
            result_ = run(owner_);
            DestroyWindow(owner_);
        });
        window_ = wait_for_window(GetCurrentProcessId(), title);
        return window_;
    }

    // The dialog's result once it has ended; -1 when it is still open.
    INT_PTR wait_closed(DWORD timeout_ms = 3000) {
        if (!wait_gone(window_, timeout_ms)) return -1;
        thread_.join();
        return result_;
    }

    HWND window() const { return window_; }
    HWND owner() const { return owner_; }
    HWND item(int id) const { return GetDlgItem(window_, id); }
    std::string text(int id) const { return window_text(item(id)); }
    bool enabled(int id) const { return IsWindowEnabled(item(id)) != 0; }

    // The text of the dialog's status bar.
    std::string status() const {
        HWND bar = FindWindowExA(window_, nullptr, STATUSCLASSNAMEA, nullptr);
        char text[64] = {};
        if (bar) SendMessageA(bar, SB_GETTEXTA, 0, reinterpret_cast<LPARAM>(text));
        return text;
    }

    // The control with the keyboard focus. A thread has a focus only while
    // its window is active, and tests running beside this one may take the
    // foreground: the dialog is brought back first.
    HWND focus() const {
        GUITHREADINFO gui{};
        gui.cbSize = sizeof gui;
        wait_until(
            [&] {
                if (GetForegroundWindow() != window_) SetForegroundWindow(window_);
                GetGUIThreadInfo(GetWindowThreadProcessId(window_, nullptr), &gui);
                return gui.hwndFocus != nullptr;
            },
            2000);
        return gui.hwndFocus;
    }

    // A click on `button`; posted, since it may open a message box.
    void click(int id) const { ::click(window_, id); }

    // The message box of this process captioned "Quorvanta Messenger".
    static HWND message_box(DWORD timeout_ms = 3000) {
        return wait_for_window(GetCurrentProcessId(), "Quorvanta Messenger", timeout_ms);
    }
    static void press_ok(HWND box) {
        press(box, IDOK);
        wait_gone(box);
    }
    // Waits for the message box, closes it with OK and gives its text; a
    // failure and "" when none shows.
    static std::string answer_message_box() {
        HWND box = message_box();
        EXPECT_NE(box, nullptr) << "no message box";
        if (!box) return {};
        const std::string text = box_text(box);
        press_ok(box);
        return text;
    }

private:
    std::thread thread_;
    std::atomic<HWND> owner_ = nullptr;
    HWND window_ = nullptr;
    std::atomic<INT_PTR> result_ = -1;
};
