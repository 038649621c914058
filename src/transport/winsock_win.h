// Winsock for the program's own network path (Windows only). It is loaded at
// run time, so that the program still starts where there is no Winsock 2
// (Windows 95 without its update) and this path is never taken.
#pragma once

#include <winsock2.h>
#include <windows.h>

#include <cstdint>

#include "core/win_handles.h"

// The Winsock functions the network path uses, typed as the system declares them.
struct Winsock {
    UniqueModule module;
    decltype(&::WSAStartup) startup = nullptr;
    decltype(&::WSACleanup) cleanup = nullptr;
    decltype(&::WSAGetLastError) last_error = nullptr;
    decltype(&::socket) open = nullptr;
    decltype(&::closesocket) close = nullptr;
    decltype(&::bind) bind = nullptr;
    decltype(&::setsockopt) set_option = nullptr;
    decltype(&::getsockname) local_name = nullptr;
    decltype(&::select) select = nullptr;
    decltype(&::ioctlsocket) control = nullptr;
    decltype(&::recvfrom) receive_from = nullptr;
    decltype(&::sendto) send_to = nullptr;
    decltype(&::listen) listen = nullptr;
    decltype(&::accept) accept = nullptr;
    decltype(&::connect) connect = nullptr;
    decltype(&::recv) receive = nullptr;
    decltype(&::send) send = nullptr;
    decltype(&::shutdown) shut_down = nullptr;
    bool started = false;  // WSAStartup succeeded

    // Loads ws2_32 and starts it; false when either fails.
    bool load();
    // Ends what load() started.
    void unload();

    // A UDP socket that may send to broadcast addresses, or INVALID_SOCKET.
    SOCKET broadcast_socket() const;
};

// The process's Winsock, loaded by the NetBIOS path at its start.
Winsock& winsock();

namespace win_traits {
struct Socket {
    using type = SOCKET;
    static SOCKET invalid() { return INVALID_SOCKET; }
    static void close(SOCKET s) { winsock().close(s); }
};
}  // namespace win_traits

// A socket of the process's Winsock, closed when its owner goes.
using UniqueSocket = UniqueWin<win_traits::Socket>;

// `address` and `port` in host order, as a Winsock address.
sockaddr_in ipv4_address(uint32_t address, uint16_t port);
// The address and port of a Winsock address, in host order.
uint32_t ipv4_of(const sockaddr_in& address);
uint16_t port_of(const sockaddr_in& address);

// Loads a function of `module` by name into `function`; null without the module or the name.
template <class Function>
void resolve(HMODULE module, const char* name, Function& function) {
    function =
        module ? reinterpret_cast<Function>(reinterpret_cast<void*>(GetProcAddress(module, name)))
               : nullptr;
}
