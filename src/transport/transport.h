// Sending a message to one computer, or to the whole workgroup with "*", by
// the transport of this Windows family (portable declaration).
#pragma once

#include <cstddef>

// 1 when the message was sent (and Sent counted), 0 when not. All three are
// ANSI strings; `from` is this computer's name.
// A recipient that is not a valid computer name (nor "*") is never sent to.
int transport_send(const char* from, const char* to, const char* text);

// The longest text, in bytes, that the active way of sending carries from
// this computer.
size_t transport_text_limit();
