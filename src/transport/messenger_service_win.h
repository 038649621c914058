// Working beside the system's Messenger service on NT: start it, stop it, send
// through it (Windows only).
#pragma once

#include "transport/messenger_service.h"

// On NT only, once at startup before any window exists: brings an earlier
// copy of the program to the front (answering 1), or makes sure the Messenger
// service runs, starting it when it is stopped, and loads the send function
// (answering 0). A negative code names what failed, and 2 that the system has
// no Messenger service or a disabled one; nothing stays loaded then.
int prepare_messenger_service();

// Once at exit: unloads what prepare_messenger_service() loaded and stops the
// service again when that started it. Failures are ignored.
void release_messenger_service();

// Sends `text` from `from` to `to` ("*" for the whole workgroup), all ANSI,
// through the service. A rejected recipient is tried once more as the
// broadcast name of its workgroup ("to" with "*" appended). Answers 1 and
// counts Sent on success, 0 on failure or when an argument is missing.
int network_send(const char* from, const char* to, const char* text);
