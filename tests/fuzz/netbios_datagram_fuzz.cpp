// Fuzz target for the NetBIOS mailslot packets. Odd first byte: the rest is
// decoded as a packet; it never reads past the bytes, an accepted packet's
// data lies inside them, and encoding what was decoded decodes to the same
// fields. Even first byte: the rest makes a packet (names and data) that must
// round-trip, and that is then decoded again with one byte changed, so the
// deep checks see near-valid packets from the start.
#include <algorithm>
#include <cstdint>
#include <cstdlib>
#include <string>

#include "transport/netbios_datagram.h"

namespace {

using netbios::MessengerPacket;

MessengerPacket canonical(MessengerPacket p) {
    p.source.name = netbios::canonical_name(p.source.name);
    p.destination.name = netbios::canonical_name(p.destination.name);
    return p;
}

void check_decoded(const uint8_t* data, size_t size) {
    const auto packet = netbios::decode_packet(data, size);
    if (!packet) return;
    if (packet->data.empty() || packet->data.size() > netbios::kMaxUserData ||
        std::search(data, data + size, packet->data.begin(), packet->data.end(),
                    [](uint8_t a, char b) { return a == static_cast<uint8_t>(b); }) ==
            data + size) {
        std::abort();
    }
    // Received but never sent: longer data, and names of nothing but padding.
    if (packet->data.size() > netbios::kMaxMessageBytes || packet->source.name.empty() ||
        packet->destination.name.empty()) {
        return;
    }
    const auto again = netbios::encode_packet(*packet);
    const auto decoded = netbios::decode_packet(again.data(), again.size());
    // The wire keeps no case, so names compare in their canonical form.
    if (!decoded || canonical(*decoded) != canonical(*packet)) std::abort();
}

void check_built(const uint8_t* data, size_t size) {
    if (size < 8) return;
    MessengerPacket p;
    p.type = static_cast<netbios::DatagramType>(0x10 + data[0] % 3);
    p.id = static_cast<uint16_t>(data[1] << 8 | data[2]);
    const size_t change_at = static_cast<size_t>(data[3] << 8 | data[4]);
    const uint8_t change_to = data[5];
    const size_t source_length = 1 + data[6] % 15, destination_length = 1 + data[7] % 15;
    data += 8;
    size -= 8;
    if (size < source_length + destination_length + 1) return;
    // Names without padding characters at their end, as a sender has them.
    auto name = [](const uint8_t* from, size_t length) {
        std::string n(reinterpret_cast<const char*>(from), length);
        std::replace(n.begin(), n.end(), '\0', 'x');
        std::replace(n.begin(), n.end(), ' ', 'x');
        return n;
    };
    p.source = {name(data, source_length), data[0]};
    p.destination = {name(data + source_length, destination_length), data[1]};
    const size_t used = source_length + destination_length;
    p.data.assign(data + used, data + std::min(size, used + netbios::kMaxMessageBytes));

    auto wire = netbios::encode_packet(p);
    const auto decoded = netbios::decode_packet(wire.data(), wire.size());
    if (!decoded || canonical(*decoded) != canonical(p)) std::abort();
    wire[change_at % wire.size()] = change_to;
    check_decoded(wire.data(), wire.size());
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (size == 0) return 0;
    if (data[0] & 1) {
        check_decoded(data + 1, size - 1);
    } else {
        check_built(data + 1, size - 1);
    }
    return 0;
}
