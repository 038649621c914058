// The program's message journal: opened at start when the user keeps
// messages, told of every listed row and every change to one, flushed and
// compacted by a thread of its own (Windows only). Every function but the
// thread's runs on the user-interface thread and does nothing while the
// journal is not open.
#pragma once

#include <string>
#include <vector>

#include "core/message.h"
#include "journal/journal_format.h"

// Opens the journal when `keep`, else deletes it. What to tell the user once,
// empty when nothing.
std::string journal_start(bool keep);
// Flushes, finishes a pending compaction and stops the journal's thread.
void journal_stop();
bool journal_open();

// The kept messages, oldest first, for the rows of the main window; once.
std::vector<JournalMessage> journal_take_kept();
// The row made from a kept message carries `record`.
void journal_row_restored(const MessageRecord* record, uint64_t id);

void journal_row_listed(const MessageRecord* record);
void journal_read_state(const MessageRecord* record, int image);
void journal_all_read();
void journal_row_deleted(const MessageRecord* record);
void journal_all_deleted();

struct JournalRow {
    const MessageRecord* record;
    int image;
};
// The option was turned on during the run: a new journal holds the rows
// listed now (oldest first). Turned off: the journal is deleted.
void journal_keep_changed(bool keep, const std::vector<JournalRow>& rows_oldest_first);
