// The Messenger mailslot on the wire: a NetBIOS datagram (UDP port 138) that
// carries an SMB transaction writing to \MAILSLOT\MESSNGR (portable).
//
// Followed: RFC 1001 §14.1 (first-level name encoding) and RFC 1002 §4.4
// (datagram header), [MS-MAIL] §2.2 (the mailslot write transaction) and
// [MS-MSRP] §3.1.1 (messenger names end in 0x03). A receiver takes the data
// at DataOffset and never assumes it follows the mailslot name.
#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "core/send_rules.h"
#include "transport/netbios_name.h"

namespace netbios {

inline constexpr uint16_t kDatagramPort = 138;
// The longest message datagram (sender, recipient, text, NULs) sent. With the
// SMB part in front it stays inside the 512 bytes of NetBIOS user data.
inline constexpr size_t kMaxMessageBytes = kMaxDatagramBytes;
// RFC 1002: a datagram's user data (here the SMB message) is at most 512 bytes.
inline constexpr size_t kMaxUserData = 512;
// Header, two encoded names and the largest user data.
inline constexpr size_t kMaxPacketBytes = 14 + 2 * 34 + kMaxUserData;

enum class DatagramType : uint8_t {
    direct_unique = 0x10,
    direct_group = 0x11,
    broadcast = 0x12,
};

// One mailslot write to \MAILSLOT\MESSNGR, as much of it as a receiver uses.
struct MessengerPacket {
    DatagramType type = DatagramType::direct_unique;
    uint16_t id = 0;
    uint32_t source_ip = 0;  // host byte order
    uint16_t source_port = kDatagramPort;
    Name source;
    Name destination;
    std::vector<char> data;  // the message datagram
    bool operator==(const MessengerPacket&) const = default;
};

// The whole UDP payload; empty when the data is empty or longer than
// kMaxMessageBytes, or a name is empty.
std::vector<uint8_t> encode_packet(const MessengerPacket& packet);

// Every check a receiver makes: known type, not fragmented, both names
// well-formed, lengths consistent and inside the bytes given, user data at
// most kMaxUserData, an SMB mailslot write (transaction, 17 words, setup 3,
// opcode 1) to \MAILSLOT\MESSNGR (any case), data present and in bounds.
std::optional<MessengerPacket> decode_packet(const void* bytes, size_t length);

// Whom a message goes to: a computer's messenger name as a unique datagram,
// or, for "*", the workgroup's name as a group datagram.
struct Addressing {
    DatagramType type;
    Name destination;
};
Addressing address_message(std::string_view to, std::string_view workgroup);

// Whether a packet for `destination` is this computer's: its name or its
// workgroup (suffix 0x00 or 0x03 each), or the broadcast name.
bool addressed_here(const Name& destination, std::string_view computer, std::string_view workgroup);

}  // namespace netbios
