// A UDP socket for tests of the NetBIOS path: sends to port 138 on this
// computer, receives what arrives on its own port; and the packet a peer
// sends a message in (Windows only, test support; link ws2_32 and
// qva_transport, and call WSAStartup first).
#pragma once

#include <winsock2.h>
#include <windows.h>

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "transport/netbios_datagram.h"

// A message datagram (datagram(from, to, text)) as computer `source` sends it
// to computer `destination`'s messenger name.
inline std::vector<uint8_t> messenger_packet(const std::string& source,
                                             const std::string& destination,
                                             const std::string& message) {
    netbios::MessengerPacket packet;
    packet.source = {source, netbios::kWorkstationSuffix};
    packet.destination = {destination, netbios::kMessengerSuffix};
    packet.data.assign(message.begin(), message.end());
    return netbios::encode_packet(packet);
}

class UdpSocket {
public:
    // Bound to `port` on `address`; `shared`: beside other holders of the
    // port (SO_REUSEADDR), as a name service beside another one. The bind's
    // error stays the last error.
    explicit UdpSocket(uint16_t port = 0, bool shared = false, uint32_t address = INADDR_ANY)
        : socket_(::socket(AF_INET, SOCK_DGRAM, IPPROTO_UDP)) {
        const BOOL yes = TRUE;
        if (shared) {
            setsockopt(socket_, SOL_SOCKET, SO_REUSEADDR, reinterpret_cast<const char*>(&yes),
                       sizeof yes);
        }
        sockaddr_in at{};
        at.sin_family = AF_INET;
        at.sin_port = htons(port);
        at.sin_addr.s_addr = htonl(address);
        bound_ = socket_ != INVALID_SOCKET &&
                 bind(socket_, reinterpret_cast<sockaddr*>(&at), sizeof at) == 0;
    }
    UdpSocket(const UdpSocket&) = delete;
    UdpSocket& operator=(const UdpSocket&) = delete;
    ~UdpSocket() {
        if (socket_ != INVALID_SOCKET) closesocket(socket_);
    }
    bool bound() const { return bound_; }

    bool send_to(const std::vector<uint8_t>& packet, const sockaddr_in& to) const {
        return sendto(socket_, reinterpret_cast<const char*>(packet.data()),
                      static_cast<int>(packet.size()), 0, reinterpret_cast<const sockaddr*>(&to),
                      sizeof to) == static_cast<int>(packet.size());
    }
    bool send_to_port_138(const std::vector<uint8_t>& packet) const {
        return send_to(packet, loopback(138));
    }
    // This computer's `port` on the loopback address.
    static sockaddr_in loopback(uint16_t port) {
        sockaddr_in to{};
        to.sin_family = AF_INET;
        to.sin_port = htons(port);
        to.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
        return to;
    }
    // The next packet within `timeout_ms`, or nothing; `from` is set to
    // where it came from.
    std::optional<std::vector<uint8_t>> receive(long timeout_ms,
                                                sockaddr_in* from = nullptr) const {
        fd_set readable;
        FD_ZERO(&readable);
        FD_SET(socket_, &readable);
        timeval wait{timeout_ms / 1000, (timeout_ms % 1000) * 1000};
        if (select(0, &readable, nullptr, nullptr, &wait) != 1) return std::nullopt;
        std::vector<uint8_t> packet(2048);
        sockaddr_in sender{};
        int sender_length = sizeof sender;
        const int n = recvfrom(socket_, reinterpret_cast<char*>(packet.data()),
                               static_cast<int>(packet.size()), 0,
                               reinterpret_cast<sockaddr*>(&sender), &sender_length);
        if (n <= 0) return std::nullopt;
        if (from) *from = sender;
        packet.resize(static_cast<size_t>(n));
        return packet;
    }

private:
    SOCKET socket_;
    bool bound_ = false;
};
