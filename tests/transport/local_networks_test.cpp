#include "transport/local_networks.h"

#include <gtest/gtest.h>

namespace netbios {
namespace {

TEST(LocalNetworks, OneNetworkPerBroadcastAddressAndPeersFindTheirs) {
    std::vector<LocalNetwork> networks;
    add_network(networks, 0x0A4D0001, 0xFFFFFF00);  // 10.77.0.1/24
    add_network(networks, 0x0A4D0002, 0xFFFFFF00);  // a second address there
    add_network(networks, 0x7F000001, 0xFF000000);  // loopback
    add_network(networks, 0, 0xFFFFFF00);           // no address yet
    add_network(networks, 0xC0A80105, 0xFF00FF00);  // not a mask
    add_network(networks, 0xC0A80105, 0xFFFF0000);  // 192.168.1.5/16
    ASSERT_EQ(networks.size(), 2u);
    EXPECT_EQ(networks[0].broadcast, 0x0A4D00FFu);
    EXPECT_EQ(networks[1].broadcast, 0xC0A8FFFFu);

    EXPECT_EQ(network_of_peer(networks, 0xC0A80909)->address, 0xC0A80105u);
    EXPECT_EQ(network_of_peer(networks, 0x0A4D0063)->address, 0x0A4D0001u);
    EXPECT_EQ(network_of_peer(networks, 0x08080808)->address, 0x0A4D0001u);
    EXPECT_EQ(network_of_peer({}, 0x08080808), nullptr);
}

}  // namespace
}  // namespace netbios
