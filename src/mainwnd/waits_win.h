// Waits on the user-interface thread that keep handling the messages other
// threads send to its windows (Windows only). A plain wait there would block
// a thread that is inside SendMessage to one of those windows while the UI
// thread waits for that same thread — both would stop for good.
#pragma once

#include <windows.h>

// WaitForSingleObject that dispatches sent (not posted) messages while it
// waits. Answers what the wait ended with: WAIT_OBJECT_0, WAIT_ABANDONED,
// WAIT_TIMEOUT or WAIT_FAILED.
DWORD wait_handling_sent_messages(HANDLE object, DWORD timeout_ms);

// The network lock: a mutex that the scan thread holds while it changes the
// tree, one step at a time. Created unowned at startup and closed at exit.
extern HANDLE g_network_lock;

// Holds the network lock on the user-interface thread for its lifetime.
class NetworkLockHold {
public:
    NetworkLockHold();
    ~NetworkLockHold();
    NetworkLockHold(const NetworkLockHold&) = delete;
    NetworkLockHold& operator=(const NetworkLockHold&) = delete;

private:
    bool held_ = false;
};
