// Finding a copy of the program that already runs (Windows only). The mark is
// a window property: other processes can read it, and only this program sets it.
#include "core/running_copy_win.h"

#include <cstring>

#include "core/program_name.h"

namespace {

constexpr char kDialogClass[] = "#32770";
constexpr char kMark[] = "Quorvanta Messenger main window";

bool is_main_window(HWND window) {
    char text[sizeof kProgramTitle + 1] = {};
    if (GetWindowTextA(window, text, sizeof text) != sizeof kProgramTitle - 1 ||
        std::strcmp(text, kProgramTitle) != 0) {
        return false;
    }
    char class_name[sizeof kDialogClass + 1] = {};
    GetClassNameA(window, class_name, sizeof class_name);
    return std::strcmp(class_name, kDialogClass) == 0 && GetPropA(window, kMark) != nullptr;
}

BOOL CALLBACK find_marked(HWND window, LPARAM found) {
    if (!is_main_window(window)) return TRUE;
    *reinterpret_cast<HWND*>(found) = window;
    return FALSE;
}

}  // namespace

void mark_main_window(HWND window) {
    SetPropA(window, kMark, reinterpret_cast<HANDLE>(1));
}

void unmark_main_window(HWND window) {
    RemovePropA(window, kMark);
}

HWND find_running_copy() {
    HWND found = nullptr;
    EnumWindows(find_marked, reinterpret_cast<LPARAM>(&found));
    return found;
}

bool activate_running_copy() {
    HWND running = find_running_copy();
    if (!running) return false;
    if (IsIconic(running)) ShowWindow(running, SW_RESTORE);
    SetForegroundWindow(running);
    return true;
}
