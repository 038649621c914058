// Notifications from the message list and the network tree (Windows only).
#pragma once

#include <windows.h>

// Answers what the main dialog's procedure returns for the notification.
LRESULT handle_notification(HWND dialog, const NMHDR* header);
