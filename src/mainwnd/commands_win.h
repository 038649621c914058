// The main window's commands: menu items, toolbar buttons, the tray menu and
// the commands the list and tree notifications send (Windows only).
#pragma once

#include <windows.h>

void handle_command(HWND dialog, int command, HWND control, int notification);
