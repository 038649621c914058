#include "transport/winsock_win.h"

#include <cstring>

#include "transport/wire_bytes.h"

bool Winsock::load() {
    if (started) return true;
    module.reset(LoadLibraryA("ws2_32.dll"));
    HMODULE m = module.get();
    resolve(m, "WSAStartup", startup);
    resolve(m, "WSACleanup", cleanup);
    resolve(m, "WSAGetLastError", last_error);
    resolve(m, "socket", open);
    resolve(m, "closesocket", close);
    resolve(m, "bind", bind);
    resolve(m, "setsockopt", set_option);
    resolve(m, "getsockname", local_name);
    resolve(m, "select", select);
    resolve(m, "ioctlsocket", control);
    resolve(m, "recvfrom", receive_from);
    resolve(m, "sendto", send_to);
    resolve(m, "listen", listen);
    resolve(m, "accept", accept);
    resolve(m, "connect", connect);
    resolve(m, "recv", receive);
    resolve(m, "send", send);
    resolve(m, "shutdown", shut_down);
    if (!(startup && cleanup && last_error && open && close && bind && set_option && local_name &&
          select && control && receive_from && send_to && listen && accept && connect && receive &&
          send && shut_down)) {
        return false;
    }
    WSADATA data;
    started = startup(MAKEWORD(2, 2), &data) == 0;
    return started;
}

void Winsock::unload() {
    if (started) cleanup();
    started = false;
}

SOCKET Winsock::broadcast_socket() const {
    SOCKET s = open(AF_INET, SOCK_DGRAM, IPPROTO_UDP);
    if (s == INVALID_SOCKET) return s;
    const BOOL yes = TRUE;
    set_option(s, SOL_SOCKET, SO_BROADCAST, reinterpret_cast<const char*>(&yes), sizeof yes);
    return s;
}

Winsock& winsock() {
    // Never destroyed: sockets in other objects may outlive any order of
    // static destruction.
    static Winsock* const instance = new Winsock;
    return *instance;
}

sockaddr_in ipv4_address(uint32_t address, uint16_t port) {
    sockaddr_in a{};
    a.sin_family = AF_INET;
    a.sin_port = static_cast<u_short>((port >> 8) | (port << 8));  // network order
    const uint8_t bytes[4] = {static_cast<uint8_t>(address >> 24),
                              static_cast<uint8_t>(address >> 16),
                              static_cast<uint8_t>(address >> 8), static_cast<uint8_t>(address)};
    std::memcpy(&a.sin_addr, bytes, 4);
    return a;
}

uint32_t ipv4_of(const sockaddr_in& address) {
    uint8_t bytes[4];
    std::memcpy(bytes, &address.sin_addr, 4);
    return wire::be32(bytes);
}

uint16_t port_of(const sockaddr_in& address) {
    const auto p = static_cast<uint16_t>(address.sin_port);
    return static_cast<uint16_t>((p >> 8) | (p << 8));
}
