// Resolving a name with a name server set, under Wine: the server is asked
// first and its answer taken; a silent one costs one bounded wait, after
// which it is left out (Windows only; in the test run's own network
// namespace, the server a socket on the loopback address).
#include <winsock2.h>
#include <windows.h>

#include <gtest/gtest.h>

#include <atomic>
#include <thread>

#include "support/private_network_win.h"
#include "support/udp_socket_win.h"
#include "transport/name_service_packet.h"
#include "transport/name_service_win.h"
#include "transport/winsock_win.h"

namespace {

using namespace netbios;

// Under Wine a socket bound to 127.0.0.2 answered from 127.0.0.1: the server sits there.
constexpr uint32_t kServer = 0x7F000001;
constexpr uint32_t kOwner = 0x0AD50063;  // 10.213.0.99

// A name server on 127.0.0.1:137 that counts the queries it gets and, when
// `answering`, tells every asker that the name is kOwner's.
class FakeServer {
public:
    explicit FakeServer(bool answering)
        : answering_(answering), socket_(kNameServicePort, false, kServer) {
        if (socket_.bound()) thread_ = std::thread([this] { serve(); });
    }
    ~FakeServer() {
        stop_ = true;
        if (thread_.joinable()) thread_.join();
    }
    bool bound() const { return socket_.bound(); }
    int queries() const { return queries_; }

private:
    void serve() {
        while (!stop_) {
            sockaddr_in from{};
            const auto bytes = socket_.receive(50, &from);
            const auto query = bytes ? decode(bytes->data(), bytes->size()) : std::nullopt;
            if (!query || query->response || (query->flags & kBroadcastFlag)) continue;
            ++queries_;
            if (!answering_) continue;
            socket_.send_to(
                encode(name_response(*query, Rcode::ok, {{false, NodeType::h, kOwner}}, 300)),
                from);
        }
    }

    bool answering_;
    UdpSocket socket_;
    std::atomic<bool> stop_{false};
    std::atomic<int> queries_{0};
    std::thread thread_;
};

class NameServerResolve : public ::testing::Test {
protected:
    void SetUp() override {
        REQUIRE_PRIVATE_NETWORK();
        WSADATA data;
        ASSERT_EQ(WSAStartup(MAKEWORD(2, 2), &data), 0);
        ASSERT_TRUE(winsock().load());
    }
    void TearDown() override {
        set_name_server_address(std::nullopt);
        winsock().unload();
        WSACleanup();
    }
    // resolve_name's answer and how long it took.
    static std::pair<std::optional<uint32_t>, DWORD> timed_resolve(const char* name) {
        const DWORD start = GetTickCount();
        const auto address = resolve_name({name, kMessengerSuffix});
        return {address, GetTickCount() - start};
    }
};

TEST_F(NameServerResolve, AsksTheServerFirstAndLeavesOutASilentOne) {
    {
        FakeServer server(true);
        ASSERT_TRUE(server.bound()) << WSAGetLastError();
        set_name_server_address(kServer);
        const auto [address, ms] = timed_resolve("FARAWAY");
        EXPECT_EQ(address, kOwner);
        EXPECT_LT(ms, 1000u);
        EXPECT_EQ(server.queries(), 1);
    }
    FakeServer silent(false);
    ASSERT_TRUE(silent.bound()) << WSAGetLastError();
    const auto [nothing, ms] = timed_resolve("FARAWAY");
    EXPECT_FALSE(nothing);
    EXPECT_GE(ms, 3000u) << "two tries, 1 s and 2 s, then the segment";
    EXPECT_LT(ms, 5000u);
    EXPECT_EQ(silent.queries(), 2);
    // Gone now: the next query asks only the segment.
    const auto [again, quick] = timed_resolve("FARAWAY");
    EXPECT_FALSE(again);
    EXPECT_LT(quick, 1500u);
    EXPECT_EQ(silent.queries(), 2);
}

}  // namespace
