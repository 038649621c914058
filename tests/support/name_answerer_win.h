// Another computer's name service, as far as a test needs one: answers the
// broadcast name queries for one name with one address, from a thread of its
// own, on UDP port 137 shared with the program's name service (Windows only,
// test support; link ws2_32 and call WSAStartup first).
#pragma once

#include <winsock2.h>
#include <windows.h>

#include <atomic>
#include <cstdint>
#include <thread>
#include <utility>

#include "transport/name_service_packet.h"

class NameAnswerer {
public:
    NameAnswerer(netbios::Name name, uint32_t address)
        : name_(std::move(name)), address_(address), socket_(socket(AF_INET, SOCK_DGRAM, 0)) {
        const BOOL yes = TRUE;
        setsockopt(socket_, SOL_SOCKET, SO_REUSEADDR, reinterpret_cast<const char*>(&yes),
                   sizeof yes);
        sockaddr_in any{};
        any.sin_family = AF_INET;
        any.sin_port = htons(netbios::kNameServicePort);
        bound_ = bind(socket_, reinterpret_cast<sockaddr*>(&any), sizeof any) == 0;
        if (bound_) thread_ = std::thread([this] { answer_queries(); });
    }
    ~NameAnswerer() {
        stop_ = true;
        if (thread_.joinable()) thread_.join();
        closesocket(socket_);
    }
    NameAnswerer(const NameAnswerer&) = delete;
    NameAnswerer& operator=(const NameAnswerer&) = delete;

    bool bound() const { return bound_; }
    int answered() const { return answered_; }

private:
    void answer_queries() {
        while (!stop_) {
            fd_set readable;
            FD_ZERO(&readable);
            FD_SET(socket_, &readable);
            timeval wait{0, 100 * 1000};
            if (select(0, &readable, nullptr, nullptr, &wait) != 1) continue;
            uint8_t buffer[600];
            sockaddr_in from{};
            int from_length = sizeof from;
            const int n = recvfrom(socket_, reinterpret_cast<char*>(buffer), sizeof buffer, 0,
                                   reinterpret_cast<sockaddr*>(&from), &from_length);
            if (n <= 0) continue;
            const auto query = netbios::decode(buffer, static_cast<size_t>(n));
            if (!query || query->response || query->opcode != netbios::Opcode::query ||
                !query->question || query->question->type != netbios::kTypeNb ||
                !(query->question->name == name_)) {
                continue;
            }
            const auto wire = netbios::encode(netbios::name_response(
                *query, netbios::Rcode::ok, {{false, netbios::NodeType::b, address_}}, 300));
            sendto(socket_, reinterpret_cast<const char*>(wire.data()),
                   static_cast<int>(wire.size()), 0, reinterpret_cast<const sockaddr*>(&from),
                   from_length);
            ++answered_;
        }
    }

    netbios::Name name_;
    uint32_t address_;
    SOCKET socket_;
    bool bound_ = false;
    std::atomic<bool> stop_{false};
    std::atomic<int> answered_{0};
    std::thread thread_;
};
