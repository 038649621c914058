// Finding an icon's picture on the screen, for checks that only pixels can
// answer, such as which icon the notification area shows (Windows only,
// test support).
#pragma once

#include <windows.h>

// True when `icon`, drawn at size x size over the background colour found at
// `area`'s bottom-left pixel (the taskbar's), appears somewhere inside `area`
// exactly.
bool screen_shows_icon(HICON icon, int size, const RECT& area);

// The notification area: the bottom-right corner of the screen.
RECT tray_area();
