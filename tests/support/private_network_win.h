// Whether code that can send on the NetBIOS path may run here (Windows only,
// test support; link iphlpapi). Tests put packets only on loopback or on the
// networks of the namespace their harness made: tools/wine-session and
// tools/lan-test name those in QVA_TEST_NETWORKS, or say in QVA_NETNS_SKIPPED
// why they could make none.
#pragma once

#include <windows.h>
#include <iphlpapi.h>

#include <cstdint>
#include <cstdlib>
#include <sstream>
#include <string>
#include <vector>

struct PrivateNetwork {
    bool allowed = false;
    bool skip = false;  // no namespace could be made: skip, do not fail
    std::string reason;
};

namespace private_network_detail {

struct Subnet {
    uint32_t address = 0, mask = 0;  // host byte order
};

inline std::vector<Subnet> test_subnets() {
    std::vector<Subnet> subnets;
    const char* list = std::getenv("QVA_TEST_NETWORKS");
    std::istringstream in(list ? list : "");
    std::string item;
    while (std::getline(in, item, ',')) {
        unsigned a, b, c, d, bits;
        if (std::sscanf(item.c_str(), "%u.%u.%u.%u/%u", &a, &b, &c, &d, &bits) != 5 || bits > 32) {
            continue;
        }
        const uint32_t mask = bits == 0 ? 0 : ~uint32_t{0} << (32 - bits);
        subnets.push_back({((a << 24) | (b << 16) | (c << 8) | d) & mask, mask});
    }
    return subnets;
}

inline std::string dotted(uint32_t address) {
    return std::to_string(address >> 24) + "." + std::to_string((address >> 16) & 255) + "." +
           std::to_string((address >> 8) & 255) + "." + std::to_string(address & 255);
}

}  // namespace private_network_detail

inline PrivateNetwork check_private_network() {
    using namespace private_network_detail;
    if (const char* why = std::getenv("QVA_NETNS_SKIPPED"); why && *why) return {false, true, why};

    ULONG size = 0;
    std::vector<unsigned char> buffer;
    DWORD result = ERROR_INSUFFICIENT_BUFFER;
    for (int tries = 0; tries < 3 && result == ERROR_INSUFFICIENT_BUFFER; ++tries) {
        buffer.resize(size ? size : sizeof(MIB_IPADDRTABLE));
        size = static_cast<ULONG>(buffer.size());
        result = GetIpAddrTable(reinterpret_cast<MIB_IPADDRTABLE*>(buffer.data()), &size, FALSE);
    }
    if (result != NO_ERROR) return {false, false, "cannot list the network interfaces"};

    const std::vector<Subnet> subnets = test_subnets();
    const auto* table = reinterpret_cast<const MIB_IPADDRTABLE*>(buffer.data());
    for (DWORD i = 0; i < table->dwNumEntries; ++i) {
        const auto* bytes = reinterpret_cast<const unsigned char*>(&table->table[i].dwAddr);
        const uint32_t address =
            (uint32_t{bytes[0]} << 24) | (bytes[1] << 16) | (bytes[2] << 8) | bytes[3];
        if (address == 0 || address >> 24 == 127) continue;
        bool inside = false;
        for (const Subnet& subnet : subnets)
            inside |= (address & subnet.mask) == subnet.address;
        if (!inside)
            return {false, false, "a real network interface is present (" + dotted(address) + ")"};
    }
    return {true, false, ""};
}

// In a test's SetUp or body: skips without a namespace, fails loudly on a
// real network.
#define REQUIRE_PRIVATE_NETWORK()                                          \
    do {                                                                   \
        const PrivateNetwork network_ = check_private_network();           \
        if (network_.skip) GTEST_SKIP() << network_.reason;                \
        ASSERT_TRUE(network_.allowed)                                      \
            << "refusing to run on the NetBIOS path: " << network_.reason; \
    } while (0)
