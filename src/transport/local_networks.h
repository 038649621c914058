// This computer's IPv4 networks as the NetBIOS path sees them: its address on
// each, the mask and the broadcast address. Portable: the system's adapter
// list is read by local_networks_win.
#pragma once

#include <cstdint>
#include <vector>

namespace netbios {

struct LocalNetwork {
    uint32_t address = 0;  // host order
    uint32_t mask = 0;
    uint32_t broadcast = 0;
};

// Adds the network of `address` and `mask` unless it is unusable (no address,
// loopback, a mask that is not a run of leading ones) or its broadcast
// address is listed already (two addresses on one network: one broadcast).
void add_network(std::vector<LocalNetwork>& networks, uint32_t address, uint32_t mask);

// The network a peer's address belongs to, so that an answer names the
// address the peer can reach; the first network when it is on none.
const LocalNetwork* network_of_peer(const std::vector<LocalNetwork>& networks, uint32_t peer);

}  // namespace netbios
