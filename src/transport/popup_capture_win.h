// The receiver on NT: captures the Messenger service's popups, reads and
// closes them (Windows only).
#pragma once

#include <windows.h>

#include <functional>

#include "core/message.h"

// Polls for the service's popups every 50 ms until the stop flag is set. Each
// popup read is closed and its parsed record, null when the text did not
// parse, is passed to `deliver` on this thread. Every request to a popup is
// bounded: one whose thread does not answer within half a second is passed
// over for ten seconds, so the stop flag is always seen within a second.
void run_popup_capture(const std::function<void(MessagePtr)>& deliver);

// The receiver thread on NT. Like the mailslot reader it hands its records to
// incoming processing for receiver_store(); its argument is not used. The
// duplicate memory lives and dies with the thread. Ends with 0.
DWORD WINAPI popup_capture_thread(void* unused);
