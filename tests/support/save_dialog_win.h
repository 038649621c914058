// Finding the windows of a process, and driving the common Save As dialog as
// a user would: reading the proposed name, picking a file type, typing a name
// and pressing Save or Cancel. Works on windows of this process or of another
// (Windows only, test support).
#pragma once

#include <windows.h>

#include <string>
#include <vector>

#include "support/controls_win.h"
#include "support/polling_win.h"

// Controls of the explorer-style save dialog.
constexpr int kSaveFileTypes = 0x470;  // cmb1, the list of file types
constexpr int kSaveFileName = 0x47C;   // cmb13, the file name box

struct ProcessWindows {
    DWORD pid;
    std::vector<HWND> windows;
};

inline BOOL CALLBACK collect_process_window(HWND window, LPARAM param) {
    auto* wanted = reinterpret_cast<ProcessWindows*>(param);
    DWORD pid = 0;
    GetWindowThreadProcessId(window, &pid);
    if (pid == wanted->pid && IsWindowVisible(window)) wanted->windows.push_back(window);
    return TRUE;
}

// The visible top-level windows of process `pid`.
inline std::vector<HWND> process_windows(DWORD pid) {
    ProcessWindows found{pid, {}};
    EnumWindows(collect_process_window, reinterpret_cast<LPARAM>(&found));
    return found.windows;
}

// A visible top-level window of `pid` with exactly this title; null if none.
inline HWND window_titled(DWORD pid, const std::string& title) {
    for (HWND window : process_windows(pid))
        if (window_text(window) == title) return window;
    return nullptr;
}

// Waits until a window titled `title` shows, for at most `timeout_ms`.
inline HWND wait_for_window(DWORD pid, const std::string& title, DWORD timeout_ms = 5000) {
    HWND window = nullptr;
    wait_until([&] { return (window = window_titled(pid, title)) != nullptr; }, timeout_ms);
    return window;
}

// Waits until `window` is gone.
inline bool wait_gone(HWND window, DWORD timeout_ms = 5000) {
    return wait_until([&] { return !IsWindow(window); }, timeout_ms);
}

// The text of a message box.
inline std::string box_text(HWND box) {
    return window_text(GetDlgItem(box, 0xFFFF));
}

// Waits for a message box of `pid` whose text holds `part`; null if none
// shows within `timeout_ms`.
inline HWND wait_for_box_saying(DWORD pid, const std::string& part, DWORD timeout_ms = 5000) {
    HWND box = nullptr;
    wait_until(
        [&] {
            for (HWND window : process_windows(pid)) {
                if (HWND text = GetDlgItem(window, 0xFFFF);
                    text && window_text(text).find(part) != std::string::npos) {
                    box = window;
                    return true;
                }
            }
            return false;
        },
        timeout_ms);
    return box;
}

// Answers the question whether an existing file is to be replaced: IDYES or
// IDNO. False when no such question showed.
inline bool answer_replace_question(DWORD pid, int answer) {
    HWND box = wait_for_box_saying(pid, "already exists");
    if (!box) return false;
    PostMessageA(box, WM_COMMAND, MAKEWPARAM(answer, BN_CLICKED), 0);
    return wait_gone(box);
}

inline std::string save_dialog_name(HWND save_dialog) {
    return window_text(GetDlgItem(save_dialog, kSaveFileName));
}

// Picks file type `filter` (1 for the first) as a click in the list would:
// the selection changes, then the choice is confirmed (Wine's dialog reads
// the type on the confirmation).
inline void choose_file_type(HWND save_dialog, int filter) {
    HWND types = GetDlgItem(save_dialog, kSaveFileTypes);
    SendMessageA(types, CB_SETCURSEL, filter - 1, 0);
    for (WORD code : {CBN_SELCHANGE, CBN_SELENDOK}) {
        SendMessageA(save_dialog, WM_COMMAND, MAKEWPARAM(kSaveFileTypes, code),
                     reinterpret_cast<LPARAM>(types));
    }
}

// Types `path` as the file name and presses Save.
inline void save_as(HWND save_dialog, const std::string& path) {
    SendMessageA(GetDlgItem(save_dialog, kSaveFileName), WM_SETTEXT, 0,
                 reinterpret_cast<LPARAM>(path.c_str()));
    PostMessageA(save_dialog, WM_COMMAND, MAKEWPARAM(IDOK, BN_CLICKED), 0);
}

inline void cancel_save(HWND save_dialog) {
    PostMessageA(save_dialog, WM_COMMAND, MAKEWPARAM(IDCANCEL, BN_CLICKED), 0);
}
