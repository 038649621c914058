// The network scan thread of Rescan Network and its way to the tree (Windows
// only).
//
// The tree view and the network status bar belong to the user-interface
// thread, so the scan thread does its tree steps there: it sends each group
// of steps to the main dialog as WM_NETWORK_STEP, holding the network lock
// meanwhile. The user-interface thread only ever waits for that lock while
// handling sent messages (NetworkLockHold), so it always runs the step the
// lock holder is waiting for.
#pragma once

#include <windows.h>

// The thread procedure: scans the network into the tree view `tree_view`.
// Its exit code is 0 after a completed scan and -1 when the whole network
// could not be enumerated.
DWORD WINAPI scan_network(LPVOID tree_view);

// Rescan Network: disables the network-scan commands and starts the thread;
// the main dialog's timer notices its end. On the program's own network path
// it first asks the workgroup's computers to announce themselves.
void start_network_scan();

// The main dialog's timer, while no scan runs: within the answer window of
// the last Rescan's request, scans again when the browse list has changed.
void follow_announcements();

// Runs one group of the scan's tree steps; the main dialog's handler of
// WM_NETWORK_STEP, whose wParam is the scan thread's token for the group.
// Any other value runs nothing.
void run_network_step(WPARAM token);

// The caption of the tree's selected item, cut to the 15 characters of a
// computer name, read under the network lock. False, with `name` empty, when
// nothing is selected or the item cannot be read.
bool read_selected_tree_name(HWND tree, char (&name)[16]);
