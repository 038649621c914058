// Reading and marking the main window's message rows for the commands
// (Windows only). Every function here expects g_message_list_lock held.
#pragma once

#include <windows.h>

#include <optional>
#include <vector>

#include "core/message.h"

struct MessageRow {
    int index = -1;
    int image = 0;  // read state: 0 unread, 1 read, 2 answered
    MessageRecord* record = nullptr;
};

// The row at the list's selection mark; nothing when there is none or the
// row cannot be read.
std::optional<MessageRow> selected_row(HWND list);

// Unread (0) becomes read (1): one unread message fewer, counts refreshed.
void mark_read(HWND list, MessageRow& row);

// The row that carries `record` becomes answered (2), counts refreshed;
// nothing when no row carries it.
void mark_answered(HWND list, const MessageRecord* record);

// Makes `row` the selected and focused row and the selection mark.
void select_row(HWND list, int row);

// Every row's record from the top (the newest); null for a row that cannot be
// read or carries none.
std::vector<const MessageRecord*> row_records(HWND list);
