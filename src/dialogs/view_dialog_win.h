// The View Message dialog (template 122): one received message shown whole,
// read-only, and saved as an HTML page or a text file (Windows only).
#pragma once

#include <windows.h>

#include "core/message.h"

// What the opener hands over. The dialog shows and saves its own copy of the
// record, taken as it opens.
struct ViewDialogInput {
    const MessageRecord* record = nullptr;
    int icon_size = 0;  // side of the dialog's icon in pixels; 0: as stored
};

// Runs the dialog modally over `owner`; always 0. Sets the active-dialog
// handle while it opens; the opener clears it afterwards.
INT_PTR show_view_dialog(HWND owner, const ViewDialogInput& input);

INT_PTR CALLBACK view_dialog_proc(HWND dialog, UINT message, WPARAM wparam, LPARAM lparam);
