// NetBIOS session service packets: encoding and checking (portable). Layouts
// as RFC 1002 §4.3 gives them; every length is checked against the bytes given.
#include "transport/session_packet.h"

#include <algorithm>

#include "transport/wire_bytes.h"

namespace netbios {

namespace {

constexpr size_t kNameBytes = 34;
constexpr uint8_t kLengthExtension = 0x01;

}  // namespace

std::optional<SessionHeader> decode_session_header(const uint8_t* bytes, size_t length) {
    if (!bytes || length < kSessionHeaderBytes) return std::nullopt;
    if (bytes[1] & ~kLengthExtension) return std::nullopt;
    SessionHeader header;
    header.type = bytes[0];
    header.length = static_cast<size_t>(bytes[1] & kLengthExtension) << 16 | wire::be16(bytes + 2);
    return header;
}

std::vector<uint8_t> encode_session_packet(SessionType type, const uint8_t* payload,
                                           size_t length) {
    if (length > kMaxSessionLength || (length && !payload)) return {};
    std::vector<uint8_t> out;
    out.reserve(kSessionHeaderBytes + length);
    out.push_back(static_cast<uint8_t>(type));
    out.push_back(static_cast<uint8_t>(length >> 16));
    out.push_back(static_cast<uint8_t>(length >> 8));
    out.push_back(static_cast<uint8_t>(length));
    if (length) out.insert(out.end(), payload, payload + length);
    return out;
}

std::vector<uint8_t> encode_session_request(const SessionRequest& request) {
    uint8_t names[2 * kNameBytes];
    const auto called = encode_name(request.called);
    const auto calling = encode_name(request.calling);
    std::copy(called.begin(), called.end(), names);
    std::copy(calling.begin(), calling.end(), names + kNameBytes);
    return encode_session_packet(SessionType::request, names, sizeof names);
}

std::optional<SessionRequest> decode_session_request(const uint8_t* payload, size_t length) {
    if (!payload || length != 2 * kNameBytes) return std::nullopt;
    auto called = decode_name(payload, kNameBytes);
    auto calling = decode_name(payload + kNameBytes, kNameBytes);
    if (!called || !calling) return std::nullopt;
    return SessionRequest{std::move(*called), std::move(*calling)};
}

std::vector<uint8_t> encode_negative_response(SessionError error) {
    const uint8_t code = static_cast<uint8_t>(error);
    return encode_session_packet(SessionType::negative_response, &code, 1);
}

std::optional<Retarget> decode_retarget(const uint8_t* payload, size_t length) {
    if (!payload || length != 6) return std::nullopt;
    Retarget r;
    r.address = wire::be32(payload);
    r.port = wire::be16(payload + 4);
    return r;
}

}  // namespace netbios
