// Builders of the main window's controls: the list's columns and pictures,
// the two toolbars, the tree's pictures, the status bars and the tooltips
// (Windows only). Each builder stops quietly when a window or image list
// cannot be created; the program then runs without that control.
#pragma once

#include <windows.h>

void load_main_icons(HINSTANCE instance);
void create_tooltip(HWND dialog);
void set_up_message_list(HINSTANCE instance);
void create_message_toolbar(HINSTANCE instance, HWND dialog);
void create_network_toolbar(HINSTANCE instance, HWND dialog);
void set_up_network_tree(HINSTANCE instance);
void create_status_bars(HWND dialog);
void register_toolbar_tips();

// Loads icon `id` at size x size pixels (0: the system's icon size).
HICON load_icon(HINSTANCE instance, int id, int size, UINT flags = 0);

// Column widths of the message list for a client width: a third each, the
// last taking what the truncating divisions leave.
struct ColumnWidths {
    int from, to, time;
};
ColumnWidths message_list_columns(int client_width);

// Side of the toolbar pictures: two thirds of the band's height.
int toolbar_image_size(int toolbar_client_height);
