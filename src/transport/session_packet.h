// NetBIOS session service packets on TCP port 139: the 4-byte header, the
// session request with its called and calling names, the responses, retarget
// and keep-alive (portable).
//
// Followed: RFC 1002 §4.3.1 (header: TYPE, FLAGS whose low bit extends LENGTH
// to 17 bits), §4.3.2 (request: called then calling name, first-level
// encoded), §4.3.4 (negative response and its error codes), §4.3.5
// (retarget: IP address and port). Names are taken without a scope.
#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <vector>

#include "transport/netbios_datagram.h"

namespace netbios {

inline constexpr uint16_t kSessionPort = 139;
inline constexpr size_t kSessionHeaderBytes = 4;
// LENGTH with the extension bit: 17 bits.
inline constexpr size_t kMaxSessionLength = 0x1FFFF;

enum class SessionType : uint8_t {
    message = 0x00,
    request = 0x81,
    positive_response = 0x82,
    negative_response = 0x83,
    retarget = 0x84,
    keep_alive = 0x85,
};

// The byte that follows a negative response's header.
enum class SessionError : uint8_t {
    not_listening_on_called_name = 0x80,
    not_listening_for_calling_name = 0x81,
    called_name_not_present = 0x82,
    insufficient_resources = 0x83,
    unspecified = 0x8F,
};

struct SessionHeader {
    uint8_t type = 0;
    size_t length = 0;  // bytes that follow the header
};

// Nothing when fewer than 4 bytes are given or a reserved FLAGS bit is set.
// The type is returned as it is; the caller decides what it accepts.
std::optional<SessionHeader> decode_session_header(const uint8_t* bytes, size_t length);

// Header and payload; empty when the payload exceeds kMaxSessionLength.
std::vector<uint8_t> encode_session_packet(SessionType type, const uint8_t* payload, size_t length);

struct SessionRequest {
    Name called;
    Name calling;
    bool operator==(const SessionRequest&) const = default;
};
std::vector<uint8_t> encode_session_request(const SessionRequest& request);
// From the payload after the header: exactly two scope-free encoded names.
std::optional<SessionRequest> decode_session_request(const uint8_t* payload, size_t length);

std::vector<uint8_t> encode_negative_response(SessionError error);

struct Retarget {
    uint32_t address = 0;  // host byte order
    uint16_t port = 0;
};
std::optional<Retarget> decode_retarget(const uint8_t* payload, size_t length);

}  // namespace netbios
