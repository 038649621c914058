// The Messenger mailslot on the wire: encoding and checking NetBIOS datagrams
// that carry an SMB mailslot write (portable). Layout as in the header's sources;
// the field offsets below are RFC 1002 §4.4.1 and [MS-MAIL] §2.2.1.
#include "transport/netbios_datagram.h"
#include "transport/wire_bytes.h"

#include <algorithm>
#include <cstring>

namespace netbios {

namespace {

constexpr size_t kHeaderBytes = 14;  // up to and with PACKET_OFFSET
constexpr size_t kNameBytes = kEncodedNameBytes;
constexpr size_t kSmbStart = kHeaderBytes + 2 * kNameBytes;  // 82

// The SMB message, offsets counted from its 0xFF.
constexpr size_t kSmbCommand = 4;
constexpr size_t kSmbWordCount = 32;
constexpr size_t kSmbWords = 33;
constexpr uint8_t kTransaction = 0x25;
constexpr uint8_t kTransactionWords = 17;
constexpr size_t kSmbByteCount = kSmbWords + 2 * kTransactionWords;  // 67
constexpr size_t kSmbBytes = kSmbByteCount + 2;                      // 69, the mailslot name
// Words of the transaction request (index into the 17).
constexpr size_t kTotalDataCount = 1;
constexpr size_t kDataCount = 11;
constexpr size_t kDataOffset = 12;
constexpr size_t kSetupCount = 13;  // low byte; the high byte is reserved
constexpr size_t kSetupOpcode = 14;
constexpr size_t kSetupPriority = 15;
constexpr size_t kSetupClass = 16;
constexpr uint16_t kMailslotWrite = 1;
constexpr uint16_t kUnreliableClass = 2;

using wire::ascii_upper;
using wire::be16;
using wire::be32;
using wire::equal_ignoring_ascii_case;
using wire::le16;
using wire::put_be16;
using wire::put_le16;

constexpr uint8_t kFlagMore = 0x01;
constexpr uint8_t kFlagFirst = 0x02;

}  // namespace

std::vector<uint8_t> encode_packet(const MessengerPacket& packet, std::string_view mailslot) {
    if (packet.data.empty() || packet.data.size() > kMaxMessageBytes ||
        packet.source.name.empty() || packet.destination.name.empty() || mailslot.empty() ||
        mailslot.size() > 64) {
        return {};
    }
    const auto data_count = static_cast<uint16_t>(packet.data.size());
    const auto name_bytes = static_cast<uint16_t>(mailslot.size() + 1);  // with its NUL
    const uint16_t data_offset = kSmbBytes + name_bytes;
    const size_t smb_length = data_offset + packet.data.size();

    std::vector<uint8_t> out;
    out.reserve(kSmbStart + smb_length);
    out.push_back(static_cast<uint8_t>(packet.type));
    out.push_back(kFlagFirst);  // one whole datagram from a B node
    put_be16(out, packet.id);
    put_be16(out, static_cast<uint16_t>(packet.source_ip >> 16));
    put_be16(out, static_cast<uint16_t>(packet.source_ip));
    put_be16(out, packet.source_port);
    put_be16(out, static_cast<uint16_t>(2 * kNameBytes + smb_length));
    put_be16(out, 0);  // PACKET_OFFSET
    for (const Name* name : {&packet.source, &packet.destination}) {
        const auto encoded = encode_name(*name);
        out.insert(out.end(), encoded.begin(), encoded.end());
    }

    const uint8_t magic[] = {0xFF, 'S', 'M', 'B', kTransaction};
    out.insert(out.end(), std::begin(magic), std::end(magic));
    out.resize(kSmbStart + kSmbWordCount, 0);  // status, flags, ids: all 0
    out.push_back(kTransactionWords);
    uint16_t words[kTransactionWords] = {};
    words[kTotalDataCount] = data_count;
    words[kDataCount] = data_count;
    words[kDataOffset] = data_offset;
    words[kSetupCount] = 3;
    words[kSetupOpcode] = kMailslotWrite;
    words[kSetupPriority] = 1;
    words[kSetupClass] = kUnreliableClass;
    for (uint16_t word : words)
        put_le16(out, word);
    put_le16(out, static_cast<uint16_t>(name_bytes + packet.data.size()));
    out.insert(out.end(), mailslot.begin(), mailslot.end());
    out.push_back('\0');
    out.insert(out.end(), packet.data.begin(), packet.data.end());
    return out;
}

std::optional<MessengerPacket> decode_packet(const void* bytes, size_t length,
                                             std::string* mailslot) {
    if (!bytes || length < kSmbStart + kSmbBytes) return std::nullopt;
    const auto* p = static_cast<const uint8_t*>(bytes);

    MessengerPacket packet;
    if (p[0] < 0x10 || p[0] > 0x12) return std::nullopt;
    packet.type = static_cast<DatagramType>(p[0]);
    // Receivers do not reassemble: only a first packet with no more to come.
    if ((p[1] & kFlagMore) || !(p[1] & kFlagFirst) || be16(p + 12) != 0) return std::nullopt;
    packet.id = be16(p + 2);
    packet.source_ip = be32(p + 4);
    packet.source_port = be16(p + 8);

    // DGM_LENGTH counts what follows the header; trailing bytes are ignored.
    const size_t datagram_length = be16(p + 10);
    if (datagram_length > length - kHeaderBytes) return std::nullopt;
    if (datagram_length < 2 * kNameBytes + kSmbBytes) return std::nullopt;
    const size_t smb_length = datagram_length - 2 * kNameBytes;
    if (smb_length > kMaxUserData) return std::nullopt;

    auto source = decode_name(p + kHeaderBytes, kNameBytes);
    auto destination = decode_name(p + kHeaderBytes + kNameBytes, kNameBytes);
    if (!source || !destination) return std::nullopt;
    packet.source = std::move(*source);
    packet.destination = std::move(*destination);

    const uint8_t* smb = p + kSmbStart;
    if (std::memcmp(smb, "\xFFSMB", 4) != 0 || smb[kSmbCommand] != kTransaction ||
        smb[kSmbWordCount] != kTransactionWords) {
        return std::nullopt;
    }
    auto word = [smb](size_t index) { return le16(smb + kSmbWords + 2 * index); };
    if ((word(kSetupCount) & 0xFF) != 3 || word(kSetupOpcode) != kMailslotWrite) {
        return std::nullopt;
    }

    // The mailslot name: NUL-terminated inside the byte block and the message.
    const size_t byte_end = std::min(smb_length, kSmbBytes + le16(smb + kSmbByteCount));
    const auto* name = reinterpret_cast<const char*>(smb + kSmbBytes);
    const void* nul = std::memchr(name, 0, byte_end - kSmbBytes);
    if (!nul) return std::nullopt;
    const std::string_view slot(name, static_cast<const char*>(nul) - name);
    if (!mailslot && !equal_ignoring_ascii_case(slot, kMessengerMailslot)) return std::nullopt;

    // One whole write: all of its data in this message, after the name.
    const size_t data_count = word(kDataCount);
    const size_t data_offset = word(kDataOffset);
    if (data_count == 0 || word(kTotalDataCount) > data_count) return std::nullopt;
    if (data_offset < kSmbBytes + slot.size() + 1 || data_offset + data_count > smb_length) {
        return std::nullopt;
    }
    const auto* data = reinterpret_cast<const char*>(smb + data_offset);
    packet.data.assign(data, data + data_count);
    if (mailslot) {
        mailslot->assign(slot);
        std::transform(mailslot->begin(), mailslot->end(), mailslot->begin(), ascii_upper);
    }
    return packet;
}

Addressing address_message(std::string_view to, std::string_view workgroup) {
    if (to == "*")
        return {DatagramType::direct_group, {std::string(workgroup), kWorkstationSuffix}};
    return {DatagramType::direct_unique, {std::string(to), kMessengerSuffix}};
}

bool addressed_here(const Name& destination, std::string_view computer,
                    std::string_view workgroup) {
    const std::string name = canonical_name(destination.name);
    if (name.empty()) return false;
    if (name == "*") return destination.suffix == kWorkstationSuffix;
    if (destination.suffix != kWorkstationSuffix && destination.suffix != kMessengerSuffix)
        return false;
    return (!computer.empty() && name == canonical_name(computer)) ||
           (!workgroup.empty() && name == canonical_name(workgroup));
}

}  // namespace netbios
