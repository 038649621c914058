// The settings sheet: a modal property sheet whose four pages (Ignore, Popup,
// Messages, Miscellaneous) edit the options record (Windows only).
#pragma once

#include <windows.h>
#include <commctrl.h>

#include <cstdint>
#include <string_view>

// Runs the sheet modally over `owner` (the main dialog), starting on the page
// that showed when it last closed (option start_p), and returns when it
// closes. The tray menu is greyed meanwhile. OK stores the options of every
// page shown; the Ignore page's lists are stored whenever that page is
// notified, so also on Cancel.
void open_settings_sheet(HWND owner);

inline constexpr int kSettingsPageCount = 4;

// What the sheet is opened with: its pages and the header that points to
// them, in their first-version sizes, which the common controls of Windows
// 95, 98 and NT 4 require. The sheet steps through the pages by their size.
struct SettingsSheetSetup {
    PROPSHEETPAGEA_V1 pages[kSettingsPageCount];
    PROPSHEETHEADERA header;
};
// Fills `setup` for a sheet over `owner` that opens on `start_page`.
void describe_settings_sheet(HWND owner, int start_page, SettingsSheetSetup& setup);

// The duplicate count typed on the Messages page: its first 19 characters,
// leading white space and a sign skipped, then the leading digits. No digits
// give 0; a number beyond the 32-bit range stops at 2147483647 and a negative
// one at 0, since a count is never negative.
int32_t parse_duplicate_count(std::string_view text);
