// The main window's rows and the message journal: the kept messages listed
// again at start, and the journal following the "Keep messages after exit"
// option (Windows only).
#pragma once

#include <windows.h>

// Lists the messages the journal kept, newest at the top, with their read
// state, and sets the counts, the status bar and the tray to match. Runs on
// the user-interface thread before the receiver starts.
void restore_kept_messages(HWND list);

// After the settings sheet: starts or deletes the journal when the option
// changed.
void follow_keep_messages_option(HWND list);
