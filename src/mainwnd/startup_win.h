// What startup creates for the whole run (Windows only).
#pragma once

#include <windows.h>

// On Windows 95/98/ME (and on the program's own network path) the
// computer's Messenger mailslot, owned by this program; else invalid.
extern HANDLE g_mailslot;
