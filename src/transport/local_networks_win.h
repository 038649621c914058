// This computer's IPv4 networks, from the IP helper (Windows only).
#pragma once

#include <vector>

#include "transport/local_networks.h"

// Every local IPv4 network but loopback, one per broadcast address. Without
// the IP helper (Windows 95), one network whose broadcast is the limited
// broadcast address, which reaches the local network.
std::vector<netbios::LocalNetwork> query_local_networks();
