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

#include "core/ipv4_text.h"
#include "support/netbios_test_win.h"
#include "support/udp_socket_win.h"
#include "transport/local_networks.h"
#include "transport/name_service_packet.h"
#include "transport/netbios_path_win.h"

namespace {

using namespace netbios;

const char kComputer[] = "QVAHOST";

// Name service packets arriving at `socket` within `ms`.
std::vector<NameServicePacket> packets_within(const UdpSocket& socket, DWORD ms) {
    std::vector<NameServicePacket> packets;
    for (const DWORD start = GetTickCount(); GetTickCount() - start < ms;) {
        if (const auto bytes = socket.receive(50))
            if (auto p = decode(bytes->data(), bytes->size())) packets.push_back(*p);
    }
    return packets;
}

int count_releases(const UdpSocket& holder) {
    int count = 0;
    for (const NameServicePacket& p : packets_within(holder, 300))
        count += p.opcode == Opcode::release && !p.response;
    return count;
}

uint32_t test_network_address() {
    // tools/wine-session gives its namespace 10.213.0.1/24.
    return *parse_ipv4("10.213.0.1");
}

std::optional<NameServicePacket> ask(const NameServicePacket& question) {
    const UdpSocket asker;
    asker.send_to(encode(question), UdpSocket::loopback(kNameServicePort));
    const auto bytes = asker.receive(2000);
    return bytes ? decode(bytes->data(), bytes->size()) : std::nullopt;
}

using NameServiceTest = NetbiosTest;

TEST_F(NameServiceTest, RegistersAnswersAndResolvesBesideASharingNameServiceAndLeavesItTheNames) {
    const UdpSocket other(kNameServicePort, true);
    if (!other.bound() && WSAGetLastError() == WSAEACCES) GTEST_SKIP() << "UDP 137 needs root here";
    ASSERT_TRUE(other.bound()) << WSAGetLastError();

    const NetbiosStart start = start_netbios_path(kComputer);
    EXPECT_EQ(start.name_port, PortState::shared);
    EXPECT_NE(start.problem.find("UDP port 137 is shared with another program"), std::string::npos)
        << start.problem;
    ASSERT_TRUE(name_service_settled(2000));

    // The holder hears the broadcast registrations: three of each name.
    const auto registrations = packets_within(other, 300);
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
    const UdpSocket later(kNameServicePort, true);
    ASSERT_TRUE(later.bound());
    ASSERT_TRUE(name_service_settled(2000));
    stop_netbios_path();
    EXPECT_EQ(count_releases(later), 3);
}

}  // namespace
