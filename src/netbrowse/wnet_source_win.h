// The network source over the WNet enumeration (Windows only).
#pragma once

#include "netbrowse/network_source.h"

class WNetSource final : public NetworkSource {
public:
    std::unique_ptr<NetworkEnumeration> open(const NetResource* container) override;
};
