// Moving string lists to and from list boxes and combo boxes (Windows only).
#pragma once

#include <windows.h>

#include "core/string_list.h"

// Read: empties the list, then takes the box's non-empty items in order.
// Fill: adds the list's strings to the box without clearing it first.
// A null window or list does nothing.
void read_from_combo_box(HWND combo, StringList* list);
void fill_combo_box(HWND combo, const StringList* list);
void read_from_list_box(HWND list_box, StringList* list);
void fill_list_box(HWND list_box, const StringList* list);
