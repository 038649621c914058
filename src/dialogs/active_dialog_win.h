// The program's open Send, View or Answer dialog (Windows only). While one is
// open new messages do not bring the main window forward.
#pragma once

#include <windows.h>

// The open dialog, or null. Any thread may ask.
HWND active_dialog();

// Held by one opening of a dialog for as long as the opening lasts: its
// dialog is the active one from mark() (at WM_INITDIALOG) until the holder
// ends, after the dialog has closed.
class ActiveDialogMark {
public:
    ActiveDialogMark() = default;
    ~ActiveDialogMark();
    ActiveDialogMark(const ActiveDialogMark&) = delete;
    ActiveDialogMark& operator=(const ActiveDialogMark&) = delete;

    void mark(HWND dialog);

private:
    bool marked_ = false;
};
