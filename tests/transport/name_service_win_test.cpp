// The name service on UDP port 137 under Wine: the names it registers and
// releases as another name service sharing the port hears them, its answers
// to a name query, a registration of its name and a node status, the
// resolution of a name (Windows only; in the test run's own network
// namespace). tools/lan-test shows the ports shared with Samba's nmbd.
#include "transport/name_service_win.h"

#include <winsock2.h>
#include <windows.h>

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "support/netbios_test_win.h"
#include "support/udp_socket_win.h"
#include "transport/local_networks.h"
#include "transport/name_service_packet.h"
#include "transport/netbios_path_win.h"

namespace {

using namespace netbios;

const char kComputer[] = "QVAHOST";

// A socket on `port` that another name service would hold: shared, or alone.
struct Holder {
    SOCKET s = INVALID_SOCKET;
    Holder(uint16_t port, bool shared) {
        s = socket(AF_INET, SOCK_DGRAM, IPPROTO_UDP);
        const BOOL yes = TRUE;
        if (shared) setsockopt(s, SOL_SOCKET, SO_REUSEADDR, reinterpret_cast<const char*>(&yes), 4);
        sockaddr_in any{};
        any.sin_family = AF_INET;
        any.sin_port = htons(port);
        bound = bind(s, reinterpret_cast<sockaddr*>(&any), sizeof any) == 0;
    }
    ~Holder() { closesocket(s); }
    // Name service packets arriving within `ms`.
    std::vector<NameServicePacket> receive(DWORD ms) const {
        std::vector<NameServicePacket> packets;
        for (const DWORD start = GetTickCount(); GetTickCount() - start < ms;) {
            fd_set readable;
            FD_ZERO(&readable);
            FD_SET(s, &readable);
            timeval wait{0, 50 * 1000};
            if (select(0, &readable, nullptr, nullptr, &wait) != 1) continue;
            char buffer[1500];
            const int n = recv(s, buffer, sizeof buffer, 0);
            if (n <= 0) continue;
            if (auto p = decode(buffer, static_cast<size_t>(n))) packets.push_back(*p);
        }
        return packets;
    }
    bool bound = false;
};

int count_releases(const Holder& holder) {
    int count = 0;
    for (const NameServicePacket& p : holder.receive(300))
        count += p.opcode == Opcode::release && !p.response;
    return count;
}

uint32_t test_network_address() {
    // tools/wine-session gives its namespace 10.213.0.1/24.
    return *parse_ipv4("10.213.0.1");
}

std::optional<NameServicePacket> ask(const NameServicePacket& question) {
    const auto bytes = encode(question);
    sockaddr_in to{};
    to.sin_family = AF_INET;
    to.sin_port = htons(kNameServicePort);
    to.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    SOCKET s = socket(AF_INET, SOCK_DGRAM, IPPROTO_UDP);
    sendto(s, reinterpret_cast<const char*>(bytes.data()), static_cast<int>(bytes.size()), 0,
           reinterpret_cast<sockaddr*>(&to), sizeof to);
    std::optional<NameServicePacket> answer;
    fd_set readable;
    FD_ZERO(&readable);
    FD_SET(s, &readable);
    timeval wait{2, 0};
    char buffer[1500];
    if (select(0, &readable, nullptr, nullptr, &wait) == 1) {
        const int n = recv(s, buffer, sizeof buffer, 0);
        if (n > 0) answer = decode(buffer, static_cast<size_t>(n));
    }
    closesocket(s);
    return answer;
}

using NameServiceTest = NetbiosTest;

TEST_F(NameServiceTest, RegistersAnswersAndResolvesBesideASharingNameServiceAndLeavesItTheNames) {
    Holder other(kNameServicePort, true);
    if (!other.bound && WSAGetLastError() == WSAEACCES) GTEST_SKIP() << "UDP 137 needs root here";
    ASSERT_TRUE(other.bound) << WSAGetLastError();

    const NetbiosStart start = start_netbios_path(kComputer);
    EXPECT_EQ(start.name_port, PortState::shared);
    EXPECT_NE(start.problem.find("UDP port 137 is shared with another program"), std::string::npos)
        << start.problem;
    ASSERT_TRUE(name_service_settled(2000));

    // The holder hears the broadcast registrations: three of each name.
    const auto registrations = other.receive(300);
    int count = 0;
    for (const NameServicePacket& p : registrations) {
        ASSERT_TRUE(p.question && p.additional);
        EXPECT_EQ(p.opcode, Opcode::registration);
        EXPECT_TRUE(p.flags & kBroadcastFlag);
        EXPECT_EQ(decode_nb_data(p.additional->data)->front().address, test_network_address());
        ++count;
    }
    EXPECT_EQ(count, 9);
    for (const OwnName& own : name_service_names())
        EXPECT_EQ(own.state, NameState::registered) << own.name.name;

    const auto answer = ask(name_query({"qvahost", kMessengerSuffix}, 0x5151, true));
    ASSERT_TRUE(answer);
    const auto addresses = resolved_addresses(*answer, 0x5151, {kComputer, kMessengerSuffix});
    ASSERT_EQ(addresses.size(), 1u);
    EXPECT_EQ(addresses[0].address, test_network_address());

    // Loopback is none of the local networks: a registration from there is
    // another computer's, refused for a unique name of ours.
    const auto refusal = ask(name_request(Opcode::registration, {kComputer, kMessengerSuffix},
                                          {false, NodeType::b, 0x0A0A0A0A}, 300000, 0x5353, true));
    ASSERT_TRUE(refusal);
    EXPECT_TRUE(refusal->response);
    EXPECT_EQ(refusal->id, 0x5353);
    EXPECT_EQ(refusal->rcode, Rcode::active);

    const auto status = ask(node_status_query(0x5252));
    ASSERT_TRUE(status && status->answer);
    const auto names = decode_node_status(status->answer->data);
    ASSERT_TRUE(names);
    ASSERT_EQ(names->names.size(), 3u);
    EXPECT_EQ(names->names[1].name, (Name{kComputer, kMessengerSuffix}));
    EXPECT_EQ(names->names[2].flags, kNameGroup | kNameActive);

    // By a broadcast query, answered here by this computer itself; nobody
    // answers for a name no computer has, and that takes three tries.
    EXPECT_EQ(resolve_messenger_name("qvahost"), test_network_address());
    const DWORD begin = GetTickCount();
    EXPECT_FALSE(resolve_messenger_name("NOBODY"));
    const DWORD took = GetTickCount() - begin;
    EXPECT_GE(took, 700u);
    EXPECT_LT(took, 1500u);

    // The names stay this computer's while the other name service runs.
    stop_netbios_path();
    EXPECT_EQ(count_releases(other), 0);
}

TEST_F(NameServiceTest, ReleasesItsNamesAtExit) {
    const NetbiosStart start = start_netbios_path(kComputer);
    if (start.name_port == PortState::denied) GTEST_SKIP() << "UDP 137 needs root here";
    ASSERT_EQ(start.name_port, PortState::bound) << start.problem;
    Holder later(kNameServicePort, true);
    ASSERT_TRUE(later.bound);
    ASSERT_TRUE(name_service_settled(2000));
    stop_netbios_path();
    EXPECT_EQ(count_releases(later), 3);
}

}  // namespace
