// The Answer Message dialog (template 125): a reply to the sender of one
// received message, optionally with a quoted copy of it (Windows only).
#pragma once

#include <windows.h>

#include "core/message.h"
#include "dialogs/send_steps_win.h"
#include "transport/transport.h"

// What the opener hands over. The record is read only while the dialog opens.
struct AnswerDialogInput {
    const MessageRecord* record = nullptr;
    int icon_size = 0;  // side of the dialog's icon in pixels; 0: as stored
    SendFunction send = transport_send;
    // The longest reply the way of sending carries.
    size_t text_limit = transport_text_limit();
};

// Runs the dialog modally over `owner`: 1 when at least one reply went out,
// else 0. Sets the active-dialog handle while it opens; the opener clears it
// afterwards.
INT_PTR show_answer_dialog(HWND owner, const AnswerDialogInput& input);

INT_PTR CALLBACK answer_dialog_proc(HWND dialog, UINT message, WPARAM wparam, LPARAM lparam);
