// Transport send on Windows: the mailslot on Windows 95/98/ME, the Messenger
// service on NT, NetBIOS datagrams on NT without that service (Windows only).
#include "transport/transport.h"

#include <cstring>

#include "core/process_state.h"
#include "core/send_rules.h"
#include "transport/mailslot_win.h"
#include "transport/messenger_service_win.h"
#include "transport/netbios_path_win.h"

int transport_send(const char* from, const char* to, const char* text) {
    if (!to || !is_valid_recipient(to)) return 0;
    if (g_platform_flag) return network_send(from, to, text);
    return netbios_path_active() ? netbios_send(from, to, text) : mailslot_send(from, to, text);
}

size_t transport_text_limit() {
    const SendWay way = g_platform_flag ? SendWay::messenger_service : SendWay::datagram;
    return max_text_length(way, std::strlen(g_sender_name));
}
