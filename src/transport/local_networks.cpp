#include "transport/local_networks.h"

namespace netbios {

void add_network(std::vector<LocalNetwork>& networks, uint32_t address, uint32_t mask) {
    if (address == 0 || address >> 24 == 127) return;
    // A mask is a run of ones from the top: its complement plus one is a power of two.
    const uint32_t host_bits = ~mask;
    if ((host_bits & (host_bits + 1)) != 0) return;
    const uint32_t broadcast = address | host_bits;
    for (const LocalNetwork& known : networks)
        if (known.broadcast == broadcast) return;
    networks.push_back({address, mask, broadcast});
}

const LocalNetwork* network_of_peer(const std::vector<LocalNetwork>& networks, uint32_t peer) {
    for (const LocalNetwork& network : networks)
        if ((network.address & network.mask) == (peer & network.mask)) return &network;
    return networks.empty() ? nullptr : &networks.front();
}

}  // namespace netbios
