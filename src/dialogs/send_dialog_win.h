// The Send Message dialog (template 121): one message to a user, a computer,
// a workgroup or everybody, with the history of recipients (Windows only).
#pragma once

#include <windows.h>

#include "dialogs/send_steps_win.h"
#include "transport/transport.h"

// What the opener hands over.
struct SendDialogInput {
    // A name from the network tree that the user cannot change; null or empty
    // lets the user choose.
    const char* preset = nullptr;
    int show_broadcast = 0;  // show "Broadcast to all"
    int icon_size = 0;       // side of the dialog's icon in pixels; 0: as stored
    SendFunction send = transport_send;
    // The longest message text the way of sending carries.
    size_t text_limit = transport_text_limit();
};

// Runs the dialog modally over `owner`; always 0. Sets the active-dialog
// handle while it opens; the opener clears it afterwards. The recipients'
// history (option usrcombo) is replaced by the dialog's list when it closes,
// however it closes (also when the program ends under it).
INT_PTR show_send_dialog(HWND owner, const SendDialogInput& input);

INT_PTR CALLBACK send_dialog_proc(HWND dialog, UINT message, WPARAM wparam, LPARAM lparam);
