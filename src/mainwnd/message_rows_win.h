// Reading and marking the main window's message rows for the commands
// (Windows only). Every function here expects a ListCommand held; the
// caller shows the changed counts after it (refresh_counts).
#pragma once

#include <windows.h>

#include <cstdint>
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

// Unread (0) becomes read (1): one unread message fewer.
void mark_read(HWND list, MessageRow& row);

// The row of the message numbered `serial` becomes answered (2); nothing
// when that message is no longer listed.
void mark_answered(HWND list, uint32_t serial);

// Makes `row` the selected and focused row and the selection mark.
void select_row(HWND list, int row);

// Every row's record from the top (the newest); null for a row that cannot be
// read or carries none.
std::vector<const MessageRecord*> row_records(HWND list);
