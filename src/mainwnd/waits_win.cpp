// Waits on the user-interface thread that keep handling sent messages
// (Windows only).
#include "mainwnd/waits_win.h"

HANDLE g_network_lock = nullptr;

DWORD wait_handling_sent_messages(HANDLE object, DWORD timeout_ms) {
    const DWORD start = GetTickCount();
    for (;;) {
        DWORD left = INFINITE;
        if (timeout_ms != INFINITE) {
            const DWORD spent = GetTickCount() - start;
            left = spent >= timeout_ms ? 0 : timeout_ms - spent;
        }
        const DWORD result = MsgWaitForMultipleObjects(1, &object, FALSE, left, QS_SENDMESSAGE);
        if (result != WAIT_OBJECT_0 + 1) return result;
        // Dispatches the messages sent by other threads; posted ones stay queued.
        MSG msg;
        PeekMessageA(&msg, nullptr, 0, 0, PM_NOREMOVE | PM_QS_SENDMESSAGE);
    }
}

NetworkLockHold::NetworkLockHold() {
    if (!g_network_lock) return;
    const DWORD result = wait_handling_sent_messages(g_network_lock, INFINITE);
    held_ = result == WAIT_OBJECT_0 || result == WAIT_ABANDONED;
}

NetworkLockHold::~NetworkLockHold() {
    if (held_) ReleaseMutex(g_network_lock);
}
