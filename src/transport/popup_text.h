// The text of a Messenger service popup parsed into a message record (portable).
#pragma once

#include <cstddef>
#include <cstdint>

#include "core/message.h"

// The service writes a header line whose third word is the sender and whose
// fifth word is the recipient ("Message from ALPHA to BETA on <date> <time>"),
// an empty line, then the message text; lines end with CR LF. `length` counts
// the text's terminating NUL. Null when the sender, the recipient or the text
// cannot be found. Everything stays ANSI, as read from the popup: the
// receiver hands the record on without an OEM-to-ANSI conversion.
MessagePtr parse_popup_text(const char* text, size_t length, int64_t arrived);
