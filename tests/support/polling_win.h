// Waiting for a condition in tests: polls it while handling this thread's
// messages, so that windows the test thread owns stay responsive (Windows
// only, test support).
#pragma once

#include <windows.h>

#include <algorithm>
#include <functional>

// Polls `condition` until it holds (true) or `timeout_ms` have passed; then
// it is asked once more. Posted and sent messages of this thread are handled
// meanwhile (a popup of the test that the program reads, say).
inline bool wait_until(const std::function<bool()>& condition, DWORD timeout_ms = 5000) {
    const DWORD start = GetTickCount();
    for (;;) {
        MSG msg;
        while (PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) {
            TranslateMessage(&msg);
            DispatchMessageW(&msg);
        }
        if (condition()) return true;
        const DWORD elapsed = GetTickCount() - start;
        if (elapsed >= timeout_ms) return condition();
        MsgWaitForMultipleObjects(0, nullptr, FALSE, std::min<DWORD>(timeout_ms - elapsed, 10),
                                  QS_ALLINPUT);
    }
}

// Handles this thread's messages for `ms` milliseconds.
inline void pump_for(DWORD ms) {
    wait_until([] { return false; }, ms);
}
