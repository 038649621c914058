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

#include "support/udp_socket_win.h"
#include "transport/name_service_packet.h"

class NameAnswerer {
public:
    NameAnswerer(netbios::Name name, uint32_t address)
        : name_(std::move(name)), address_(address), socket_(netbios::kNameServicePort, true) {
        if (socket_.bound()) thread_ = std::thread([this] { answer_queries(); });
    }
    ~NameAnswerer() {
        stop_ = true;
        if (thread_.joinable()) thread_.join();
    }
    NameAnswerer(const NameAnswerer&) = delete;
    NameAnswerer& operator=(const NameAnswerer&) = delete;

    bool bound() const { return socket_.bound(); }
    int answered() const { return answered_; }

private:
    void answer_queries() {
        while (!stop_) {
            sockaddr_in from{};
            const auto bytes = socket_.receive(100, &from);
            const auto query = bytes ? netbios::decode(bytes->data(), bytes->size()) : std::nullopt;
            if (!query || query->response || query->opcode != netbios::Opcode::query ||
                !query->question || query->question->type != netbios::kTypeNb ||
                !(query->question->name == name_)) {
                continue;
            }
            socket_.send_to(
                netbios::encode(netbios::name_response(
                    *query, netbios::Rcode::ok, {{false, netbios::NodeType::b, address_}}, 300)),
                from);
            ++answered_;
        }
    }

    netbios::Name name_;
    uint32_t address_;
    UdpSocket socket_;
    std::atomic<bool> stop_{false};
    std::atomic<int> answered_{0};
    std::thread thread_;
};
