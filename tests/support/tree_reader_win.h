// Reads and drives the program's network tree and toolbar from another
// process (Windows only, test support).
#pragma once

#include <windows.h>
#include <commctrl.h>

#include <string>
#include <vector>

// The tree as lines: "NAME" at the top, "  NAME" below, "    NAME" deeper.
std::vector<std::string> tree_lines(HANDLE process, HWND tree);
// The n-th top-level item, or null.
HTREEITEM tree_item(HWND tree, int n);
// Double-clicks an item where it is shown; false when it has no place.
bool double_click_item(HANDLE process, HWND tree, HTREEITEM item);
// Adds a top-level item named `caption` and selects it, as a scan and a
// click would; false when it could not be added.
bool add_and_select_item(HANDLE process, HWND tree, const std::string& caption);

// The toolbar holding Rescan Network, and the status bar under the tree.
HWND network_toolbar(HWND main);
HWND network_status_bar(HWND main);
// The text of a status bar's first part.
std::string status_bar_text(HANDLE process, HWND bar);
// Whether the program beside this test has dialog template `id`.
bool program_has_dialog(int id);
