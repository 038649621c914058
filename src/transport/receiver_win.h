// Starting the one receiver thread of this platform (Windows only).
#pragma once

#include <windows.h>

// On NT the capture of the Messenger service's popups; otherwise the reader
// of `mailslot`. The thread hands its records to receiver_store(). Answers
// the thread's handle, or null when it cannot be started.
HANDLE start_receiver_thread(HANDLE mailslot);
