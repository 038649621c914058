// NetBIOS names: canonical form, padding, first-level encoding and compressed
// names in name service messages (portable).
#include "transport/netbios_name.h"
#include "transport/wire_bytes.h"

#include <algorithm>
#include <cstring>

namespace netbios {

namespace {

constexpr size_t kMaxPointerJumps = 4;

using wire::ascii_upper;

// The 32 characters of a first-level encoded name.
std::optional<Name> decode_label(const uint8_t* chars) {
    uint8_t plain[16];
    for (size_t i = 0; i < 16; ++i) {
        const uint8_t high = chars[2 * i];
        const uint8_t low = chars[2 * i + 1];
        if (high < 'A' || high > 'P' || low < 'A' || low > 'P') return std::nullopt;
        plain[i] = static_cast<uint8_t>((high - 'A') << 4 | (low - 'A'));
    }
    return unpadded_name(plain);
}

}  // namespace

std::string canonical_name(std::string_view name) {
    std::string out(name.substr(0, 15));
    std::transform(out.begin(), out.end(), out.begin(), ascii_upper);
    return out;
}

bool same_name(const Name& a, const Name& b) {
    return a.suffix == b.suffix && canonical_name(a.name) == canonical_name(b.name);
}

std::array<uint8_t, 16> padded_name(const Name& name) {
    const std::string canonical = canonical_name(name.name);
    std::array<uint8_t, 16> plain;
    plain.fill(canonical == "*" ? '\0' : ' ');
    std::memcpy(plain.data(), canonical.data(), canonical.size());
    plain[15] = name.suffix;
    return plain;
}

Name unpadded_name(const uint8_t* padded16) {
    size_t end = 15;
    // Spaces pad ordinary names, NULs the broadcast name.
    while (end > 0 && (padded16[end - 1] == ' ' || padded16[end - 1] == '\0'))
        --end;
    return Name{std::string(reinterpret_cast<const char*>(padded16), end), padded16[15]};
}

std::array<uint8_t, kEncodedNameBytes> encode_name(const Name& name) {
    const auto plain = padded_name(name);
    std::array<uint8_t, kEncodedNameBytes> encoded{};
    encoded[0] = 0x20;
    for (size_t i = 0; i < 16; ++i) {
        encoded[1 + 2 * i] = static_cast<uint8_t>('A' + (plain[i] >> 4));
        encoded[2 + 2 * i] = static_cast<uint8_t>('A' + (plain[i] & 0x0F));
    }
    encoded[33] = 0x00;  // no scope
    return encoded;
}

std::optional<Name> decode_name(const uint8_t* encoded, size_t length) {
    if (!encoded || length < kEncodedNameBytes || encoded[0] != 0x20 || encoded[33] != 0x00) {
        return std::nullopt;
    }
    return decode_label(encoded + 1);
}

std::optional<Name> decode_message_name(const uint8_t* message, size_t length, size_t offset,
                                        size_t& next) {
    if (!message) return std::nullopt;
    std::optional<Name> name;
    std::optional<size_t> end;  // where the name ends in the message itself
    size_t at = offset;
    for (size_t jumps = 0;;) {
        if (at >= length) return std::nullopt;
        const uint8_t byte = message[at];
        if ((byte & 0xC0) == 0xC0) {
            if (at + 1 >= length || ++jumps > kMaxPointerJumps) return std::nullopt;
            const size_t target = static_cast<size_t>(byte & 0x3F) << 8 | message[at + 1];
            if (!end) end = at + 2;
            // Only backwards, so that following pointers always ends.
            if (target >= at) return std::nullopt;
            at = target;
            continue;
        }
        if (byte & 0xC0) return std::nullopt;  // reserved label types
        if (byte == 0) {
            if (!name) return std::nullopt;
            if (!end) end = at + 1;
            next = *end;
            return name;
        }
        // The first label is the encoded name; another one would be a scope.
        if (name || byte != 0x20 || at + 1 + 0x20 > length) return std::nullopt;
        name = decode_label(message + at + 1);
        if (!name) return std::nullopt;
        at += 1 + 0x20;
    }
}

}  // namespace netbios
