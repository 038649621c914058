// The program's open dialog (Windows only).
#include "dialogs/active_dialog_win.h"

#include <atomic>

namespace {
// Written on the user-interface thread, read by the receiver thread.
std::atomic<HWND> g_active_dialog{nullptr};
}  // namespace

HWND active_dialog() {
    return g_active_dialog.load();
}

void ActiveDialogMark::mark(HWND dialog) {
    g_active_dialog.store(dialog);
    marked_ = true;
}

ActiveDialogMark::~ActiveDialogMark() {
    if (marked_) g_active_dialog.store(nullptr);
}
