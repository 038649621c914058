// Starting the one receiver thread of this platform (Windows only).
#include "transport/receiver_win.h"

#include "core/process_state.h"
#include "transport/mailslot_win.h"
#include "transport/popup_capture_win.h"

HANDLE start_receiver_thread(HANDLE mailslot) {
    LPTHREAD_START_ROUTINE entry =
        g_platform_flag ? popup_capture_thread : mailslot_receiver_thread;
    return CreateThread(nullptr, 0, entry, mailslot, 0, nullptr);
}
