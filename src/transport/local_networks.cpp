#include "transport/local_networks.h"

#include <charconv>
#include <cstdio>

namespace netbios {

std::optional<uint32_t> parse_ipv4(std::string_view text) {
    uint32_t address = 0;
    const char* p = text.data();
    const char* const end = text.data() + text.size();
    for (int part = 0; part < 4; ++part) {
        if (part > 0) {
            if (p == end || *p != '.') return std::nullopt;
            ++p;
        }
        // Digits only: from_chars alone would take a sign. No leading zero:
        // some readers take "010" as octal.
        if (p == end || *p < '0' || *p > '9') return std::nullopt;
        if (*p == '0' && p + 1 != end && p[1] >= '0' && p[1] <= '9') return std::nullopt;
        unsigned value = 0;
        const auto [next, error] = std::from_chars(p, end, value);
        if (error != std::errc() || value > 255 || next - p > 3) return std::nullopt;
        address = address << 8 | value;
        p = next;
    }
    if (p != end) return std::nullopt;
    return address;
}

std::string ipv4_text(uint32_t address) {
    char text[16];
    std::snprintf(text, sizeof text, "%u.%u.%u.%u", address >> 24, address >> 16 & 0xFF,
                  address >> 8 & 0xFF, address & 0xFF);
    return text;
}

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
