// NetBIOS name service packets (UDP port 137): queries, registrations,
// refreshes, releases, their responses and node status (portable).
//
// Followed: RFC 1002 §4.2 (packet layouts), RFC 1001 §§15–17 (what each one
// means to a B node and to a name server), [MS-NBTE] §2.2 (Windows' refresh
// opcode 9). Every count and length on the wire is checked before use; names
// may be compression pointers (netbios_name.h).
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <optional>
#include <vector>

#include "transport/netbios_name.h"

namespace netbios {

inline constexpr uint16_t kNameServicePort = 137;

enum class Opcode : uint8_t {
    query = 0,  // also node status, by the question type
    registration = 5,
    release = 6,
    wack = 7,  // wait for acknowledgement, from a name server
    refresh = 8,
    refresh_alt = 9,  // what Windows sends for a refresh
    multihomed_registration = 15,
};

enum class Rcode : uint8_t {
    ok = 0,
    format_error = 1,
    server_error = 2,
    name_error = 3,  // no such name
    unsupported = 4,
    refused = 5,
    active = 6,    // the name is owned by another node
    conflict = 7,  // name conflict demand
};

// NM_FLAGS, the 7 bits between OPCODE and RCODE.
inline constexpr uint8_t kAuthoritative = 0x40;
inline constexpr uint8_t kTruncated = 0x20;
inline constexpr uint8_t kRecursionDesired = 0x10;
inline constexpr uint8_t kRecursionAvailable = 0x08;
inline constexpr uint8_t kBroadcastFlag = 0x01;

inline constexpr uint16_t kTypeNb = 0x0020;
inline constexpr uint16_t kTypeNbstat = 0x0021;
inline constexpr uint16_t kClassIn = 0x0001;

enum class NodeType : uint8_t { b = 0, p = 1, m = 2, h = 3 };

struct Question {
    Name name;
    uint16_t type = kTypeNb;
    bool operator==(const Question&) const = default;
};

struct ResourceRecord {
    Name name;
    uint16_t type = kTypeNb;
    uint32_t ttl = 0;           // seconds
    std::vector<uint8_t> data;  // RDATA, at most 65,535 bytes
    bool operator==(const ResourceRecord&) const = default;
};

// One packet. The protocol never puts more than one entry in a section, and
// the decoder refuses packets that do.
struct NameServicePacket {
    uint16_t id = 0;  // NAME_TRN_ID: a response carries its request's
    bool response = false;
    Opcode opcode = Opcode::query;
    uint8_t flags = 0;  // NM_FLAGS
    Rcode rcode = Rcode::ok;
    std::optional<Question> question;
    std::optional<ResourceRecord> answer;
    std::optional<ResourceRecord> authority;
    std::optional<ResourceRecord> additional;
    bool operator==(const NameServicePacket&) const = default;
};

// The UDP payload; empty when a name is empty or RDATA is too long. A
// record's name equal to the question's is written as a pointer to it.
std::vector<uint8_t> encode(const NameServicePacket& packet);
// Header, names, types, class IN, lengths: all checked against the bytes
// given. Trailing bytes are ignored.
std::optional<NameServicePacket> decode(const void* bytes, size_t length);

// NB RDATA: per address, NB_FLAGS (group bit, owner node type) and IPv4.
struct NbAddress {
    bool group = false;
    NodeType node = NodeType::b;
    uint32_t address = 0;  // host byte order
    bool operator==(const NbAddress&) const = default;
};
std::vector<uint8_t> encode_nb_data(const std::vector<NbAddress>& addresses);
// Nothing when the length is not a multiple of 6.
std::optional<std::vector<NbAddress>> decode_nb_data(const std::vector<uint8_t>& data);

// NODE STATUS RDATA: the node's names with their NAME_FLAGS, then statistics
// of which only the unit id (the adapter's address, zeros accepted) matters.
inline constexpr uint16_t kNameGroup = 0x8000;
inline constexpr uint16_t kNameDeregistering = 0x1000;
inline constexpr uint16_t kNameConflict = 0x0800;
inline constexpr uint16_t kNameActive = 0x0400;
inline constexpr uint16_t kNamePermanent = 0x0200;
struct NodeStatusName {
    Name name;
    uint16_t flags = kNameActive;  // group bit, node type in bits 13-14, state bits
    bool operator==(const NodeStatusName&) const = default;
};
struct NodeStatus {
    std::vector<NodeStatusName> names;  // at most 255
    std::array<uint8_t, 6> unit_id{};
    bool operator==(const NodeStatus&) const = default;
};
std::vector<uint8_t> encode_node_status(const NodeStatus& status);
// Nothing when the names run past the data; a short statistics block is
// accepted (its missing unit id bytes read as zero).
std::optional<NodeStatus> decode_node_status(const std::vector<uint8_t>& data);

// Requests. `broadcast` sets the B flag (a B node's broadcast); without it
// the request goes to a name server or, for node status, to one node.
NameServicePacket name_query(const Name& name, uint16_t id, bool broadcast);
NameServicePacket node_status_query(uint16_t id, const Name& name = {"*", 0x00});
// Registration, refresh (Opcode::refresh) and release: the name in the
// question, and an additional record (pointing at it) with the owner's
// address and the time to live asked for.
NameServicePacket name_request(Opcode opcode, const Name& name, NbAddress owner, uint32_t ttl,
                               uint16_t id, bool broadcast);

// A response to `request` (query, registration, refresh or release) naming
// the question's (or the additional record's) name: RCODE and, unless empty,
// the addresses. Authoritative; RD copied.
NameServicePacket name_response(const NameServicePacket& request, Rcode rcode,
                                const std::vector<NbAddress>& addresses, uint32_t ttl);
// A name server's "wait": the requester waits `ttl` seconds more for the answer.
NameServicePacket wait_response(const NameServicePacket& request, uint32_t ttl);
NameServicePacket node_status_response(const NameServicePacket& request, const NodeStatus& status);

// The name a request is about: the question's, else the first record's.
const Name* subject_name(const NameServicePacket& packet);

// The addresses of a positive query response to the query `id` for `name`;
// empty for anything else (a negative response, another id or name).
std::vector<NbAddress> resolved_addresses(const NameServicePacket& response, uint16_t id,
                                          const Name& name);

}  // namespace netbios
