// Screenshots for people to look at: a window or the whole screen saved as a
// PNG file (Windows only, test support).
#pragma once

#include <windows.h>

#include <string>

// Captures `window`'s rectangle on the screen (the whole screen for null) and
// writes it to `path` as a PNG. False when the capture or the write fails.
bool save_screenshot(HWND window, const std::string& path);
