// Fuzz target for the local networks' address arithmetic: an address that
// parses prints back as the same text, and any address with any mask gives a
// network that contains it, or none.
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <string_view>
#include <vector>

#include "core/ipv4_text.h"
#include "transport/local_networks.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const std::string_view text(reinterpret_cast<const char*>(data), size);
    if (const auto address = parse_ipv4(text); address && ipv4_text(*address) != text) std::abort();
    if (size >= 8) {
        uint32_t address, mask;
        std::memcpy(&address, data, 4);
        std::memcpy(&mask, data + 4, 4);
        std::vector<netbios::LocalNetwork> networks;
        netbios::add_network(networks, address, mask);
        if (!networks.empty()) {
            const auto* network = netbios::network_of_peer(networks, address);
            if (network != &networks.front() || (network->broadcast & mask) != (address & mask))
                std::abort();
        }
    }
    return 0;
}
