// The text of a Messenger service popup parsed into a message record (portable).
#pragma once

#include <cstddef>
#include <cstdint>

#include "core/message.h"

// The service writes a header line whose third word is the sender and whose
// fifth word is the recipient ("Message from ALPHA to BETA on <date> <time>"),
// an empty line, then the message text; lines end with CR LF. `length` counts
// the text's terminating NUL. Null when the sender, the recipient or the text
// cannot be found. The text comes back in the OEM code page, as a datagram's
// does; the names stay ANSI.
MessagePtr parse_popup_text(const char* text, size_t length, int64_t arrived);
