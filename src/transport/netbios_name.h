// NetBIOS names and their first-level encoding, shared by the datagram, name
// and session services (portable).
//
// Followed: RFC 1001 §14.1 (first-level encoding), RFC 1002 §4.1 (labels and
// compressed names in name service packets).
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace netbios {

inline constexpr uint8_t kWorkstationSuffix = 0x00;  // computers and workgroups
inline constexpr uint8_t kMessengerSuffix = 0x03;    // where messages go

// The bytes of an encoded name without a scope: 0x20, 32 characters, 0x00.
inline constexpr size_t kEncodedNameBytes = 34;

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
// Whether two names are the same name: canonical forms and suffixes equal.
bool same_name(const Name& a, const Name& b);

// The 16 bytes a name stands for: canonical, padded to 15, then the suffix.
std::array<uint8_t, 16> padded_name(const Name& name);
// The inverse: padding (spaces, or NULs for "*") removed from the 15 bytes.
Name unpadded_name(const uint8_t* padded16);

// 0x20, 32 characters 'A'..'P' (two per byte of the padded name and suffix), 0x00.
std::array<uint8_t, kEncodedNameBytes> encode_name(const Name& name);
// Requires exactly that shape; the name comes back without its padding.
std::optional<Name> decode_name(const uint8_t* encoded, size_t length);

// A name at `offset` of a whole name service message, where it may be a
// compression pointer (two bytes 0xC0 | offset) or end in one. Pointers must
// lead backwards and are followed a few times at most, so no message loops.
// Names with a scope (labels after the first) are not this program's and are
// refused. `next` is set to the offset just after the name in the message.
std::optional<Name> decode_message_name(const uint8_t* message, size_t length, size_t offset,
                                        size_t& next);

}  // namespace netbios
