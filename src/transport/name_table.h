// This computer's NetBIOS names: COMPUTER<00> and COMPUTER<03> (unique) and
// WORKGROUP<00> (group), their registration, what they answer and their
// defence (portable). No sockets and no clock of its own: the caller hands in
// the time and the packets and sends what comes back, so every decision can
// be replayed in a test.
//
// Followed: RFC 1001 §15.2 and RFC 1002 §5.1.1 (B node: three broadcast
// registrations 250 ms apart, then the name is ours; a negative response
// means another node owns it; answer queries and node status for names we
// own; a unique name is defended against registrations from other nodes),
// §5.1.2 (with a name server: unicast registration, WACK, refresh at half
// the time to live).
#pragma once

#include <cstdint>
#include <optional>
#include <string_view>
#include <utility>
#include <vector>

#include "transport/name_service_packet.h"

namespace netbios {

enum class NameState {
    registering,  // requests going out, no objection yet
    registered,   // ours: answered and defended
    conflict,     // another node owns it; left alone
    released,     // given up at exit
};

struct OwnName {
    Name name;
    bool group = false;
    NameState state = NameState::registering;
    uint32_t owner = 0;  // conflict: the address that objected
    // Conflict: the name server refused the name. It names no owner: its
    // answer carries only the address that asked.
    bool refused_by_server = false;
    uint32_t ttl = 0;  // seconds the registration holds
    // Progress of the outstanding request (registration or refresh).
    uint16_t id = 0;
    int sent = 0;
    uint64_t next_ms = 0;     // when the next request or decision is due
    bool via_server = false;  // registered with (or asking) the name server
    bool refreshing = false;
};

// A request to send: broadcast to every local network, or to the name server.
struct NameRequest {
    Opcode opcode = Opcode::registration;  // registration, refresh or release
    Name name;
    bool group = false;
    uint16_t id = 0;
    uint32_t ttl = 0;
    std::optional<uint32_t> server;  // unicast to it; else broadcast
    // The packet, naming `address` (this computer's on the network it leaves by).
    NameServicePacket packet(uint32_t address) const;
};

struct NameConflict {
    Name name;
    uint32_t owner = 0;  // who objected
};

struct NameReaction {
    std::optional<NameServicePacket> reply;  // to the packet's sender
    std::optional<NameConflict> conflict;    // a name of ours just found taken
    // Another name service on this computer registers its names: one of this
    // computer's addresses, a transaction that is not ours.
    bool local_name_service = false;
};

class NameTable {
public:
    static constexpr int kBroadcastTries = 3;
    static constexpr uint64_t kBroadcastRetryMs = 250;
    static constexpr int kServerTries = 3;
    static constexpr uint64_t kServerRetryMs = 1500;  // doubled for each further try
    // What a registration asks for and a positive answer carries, in seconds.
    static constexpr uint32_t kDefaultTtl = 300000;
    // A server's wait (WACK) and time to live, bounded so a peer cannot park
    // a name for days or have it refreshed every few milliseconds.
    static constexpr uint32_t kMaxWaitSeconds = 120;
    static constexpr uint32_t kMinServerTtl = 60;

    NameTable(std::string_view computer, std::string_view workgroup, uint16_t first_id = 1);

    // With a server, registration and refresh go to it; names it accepted are
    // released to it. Takes effect for requests started afterwards.
    void set_name_server(std::optional<uint32_t> server) { server_ = server; }
    std::optional<uint32_t> name_server() const { return server_; }
    // This computer's addresses: registrations and objections from them are
    // its own (or a name service sharing the computer) and never a conflict.
    void set_local_addresses(std::vector<uint32_t> addresses) { local_ = std::move(addresses); }
    void set_unit_id(const std::array<uint8_t, 6>& unit_id) { unit_id_ = unit_id; }

    // Begins registering every name.
    void start(uint64_t now_ms);
    // The requests due at `now_ms`; moves names whose registration ended.
    std::vector<NameRequest> due(uint64_t now_ms);
    // When due() has something to do next; nothing when no name is waiting.
    std::optional<uint64_t> next_due() const;
    // Whether no name is registering any more.
    bool settled() const;
    // True once each time the name server left a registration or refresh
    // unanswered through all its tries (registration then goes on by broadcast).
    bool take_server_silence() { return std::exchange(server_silent_, false); }

    // What to answer to `packet` from `from`, which arrived on the network
    // where this computer's address is `local_address`.
    NameReaction receive(const NameServicePacket& packet, uint32_t from, uint32_t local_address,
                         uint64_t now_ms);

    // The release requests for the names that are ours; all become released.
    std::vector<NameRequest> release();

    const std::vector<OwnName>& names() const { return names_; }
    // A registered name of ours equal to `name`, or null.
    const OwnName* owned(const Name& name) const;
    NodeStatus node_status() const;

private:
    bool is_local(uint32_t address) const;
    NameRequest request_for(const OwnName& own, Opcode opcode) const;
    void restart(OwnName& own, bool via_server, uint64_t now_ms);

    std::vector<OwnName> names_;
    std::optional<uint32_t> server_;
    bool server_silent_ = false;
    std::vector<uint32_t> local_;
    std::array<uint8_t, 6> unit_id_{};
    uint16_t next_id_;
};

}  // namespace netbios
