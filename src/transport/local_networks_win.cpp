#include "transport/local_networks_win.h"

#include <winsock2.h>
#include <windows.h>
#include <iphlpapi.h>

#include "core/ipv4_text.h"
#include "transport/winsock_win.h"

std::vector<netbios::LocalNetwork> query_local_networks() {
    std::vector<netbios::LocalNetwork> networks;
    UniqueModule iphlpapi(LoadLibraryA("iphlpapi.dll"));
    decltype(&::GetAdaptersInfo) get_adapters_info = nullptr;
    resolve(iphlpapi.get(), "GetAdaptersInfo", get_adapters_info);
    if (!get_adapters_info) {
        networks.push_back({0, 0, 0xFFFFFFFF});
        return networks;
    }
    std::vector<unsigned char> buffer(16 * 1024);
    ULONG size = static_cast<ULONG>(buffer.size());
    DWORD result = get_adapters_info(reinterpret_cast<IP_ADAPTER_INFO*>(buffer.data()), &size);
    if (result == ERROR_BUFFER_OVERFLOW) {
        buffer.resize(size);
        result = get_adapters_info(reinterpret_cast<IP_ADAPTER_INFO*>(buffer.data()), &size);
    }
    if (result != NO_ERROR) return networks;
    for (auto* adapter = reinterpret_cast<IP_ADAPTER_INFO*>(buffer.data()); adapter;
         adapter = adapter->Next) {
        for (IP_ADDR_STRING* ip = &adapter->IpAddressList; ip; ip = ip->Next) {
            const auto address = parse_ipv4(ip->IpAddress.String);
            const auto mask = parse_ipv4(ip->IpMask.String);
            if (address && mask) netbios::add_network(networks, *address, *mask);
        }
    }
    return networks;
}
