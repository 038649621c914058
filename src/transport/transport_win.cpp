// Transport send on Windows: the mailslot on Windows 95/98/ME (Windows only).
#include "transport/transport.h"

#include "transport/mailslot_win.h"

int transport_send(const char* from, const char* to, const char* text) {
    return mailslot_send(from, to, text);
}
