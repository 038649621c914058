// The Messenger mailslot on the wire: a NetBIOS datagram (UDP port 138) that
// carries an SMB transaction writing to \MAILSLOT\MESSNGR (portable).
//
// Followed: RFC 1001 §14.1 (first-level name encoding) and RFC 1002 §4.4
// (datagram header), [MS-MAIL] §2.2 (the mailslot write transaction) and
// [MS-MSRP] §3.1.1 (messenger names end in 0x03). A receiver takes the data
// at DataOffset and never assumes it follows the mailslot name.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "core/send_rules.h"

namespace netbios {

inline constexpr uint16_t kDatagramPort = 138;
// The longest message datagram (sender, recipient, text, NULs) sent. With the
// SMB part in front it stays inside the 512 bytes of NetBIOS user data.
inline constexpr size_t kMaxMessageBytes = kMaxDatagramBytes;
// RFC 1002: a datagram's user data (here the SMB message) is at most 512 bytes.
inline constexpr size_t kMaxUserData = 512;
// Header, two encoded names and the largest user data.
inline constexpr size_t kMaxPacketBytes = 14 + 2 * 34 + kMaxUserData;

inline constexpr uint8_t kWorkstationSuffix = 0x00;  // computers and workgroups
inline constexpr uint8_t kMessengerSuffix = 0x03;    // where messages go

enum class DatagramType : uint8_t {
    direct_unique = 0x10,
    direct_group = 0x11,
    broadcast = 0x12,
};

// A NetBIOS name without its padding: at most 15 bytes, then the suffix byte.
// The broadcast name is "*" (on the wire padded with NULs, not spaces).
struct Name {
    std::string name;
    uint8_t suffix = kWorkstationSuffix;
    bool operator==(const Name&) const = default;
};

// Upper-cased (ASCII letters only; callers hand in OEM names), cut to 15
// bytes: the form in which two names compare.
std::string canonical_name(std::string_view name);

// 0x20, 32 characters 'A'..'P' (two per byte of the padded name and suffix), 0x00.
std::array<uint8_t, 34> encode_name(const Name& name);
// Requires exactly that shape; the name comes back without its padding.
std::optional<Name> decode_name(const uint8_t* encoded, size_t length);

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

inline constexpr char kMessengerMailslot[] = "\\MAILSLOT\\MESSNGR";

// The whole UDP payload, a write to `mailslot`; empty when the data is empty
// or longer than kMaxMessageBytes, or a name is empty.
std::vector<uint8_t> encode_packet(const MessengerPacket& packet,
                                   std::string_view mailslot = kMessengerMailslot);

// Every check a receiver makes: known type, not fragmented, both names
// well-formed, lengths consistent and inside the bytes given, user data at
// most kMaxUserData, an SMB mailslot write (transaction, 17 words, setup 3,
// opcode 1) to \MAILSLOT\MESSNGR (any case), data present and in bounds.
// With `mailslot`, a write to any mailslot passes and its name is stored there.
std::optional<MessengerPacket> decode_packet(const void* bytes, size_t length,
                                             std::string* mailslot = nullptr);

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
