// Transport send on Windows: the mailslot on Windows 95/98/ME, the Messenger
// service on NT (Windows only).
#include "transport/transport.h"

#include "core/process_state.h"
#include "transport/mailslot_win.h"
#include "transport/messenger_service_win.h"

int transport_send(const char* from, const char* to, const char* text) {
    return g_platform_flag ? network_send(from, to, text) : mailslot_send(from, to, text);
}
