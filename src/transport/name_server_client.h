// This computer as an H node beside a name server (portable): finding a
// computer's address by asking the name server first and broadcasting
// second, and the watch that tells whether the name server answers at all.
// No sockets and no clock of its own: the caller hands in the time and the
// packets and sends what comes back, so every decision can be replayed.
//
// Followed: RFC 1001 §15 (a node with a name server asks it first; a node
// of both kinds broadcasts when the server has no answer), RFC 1002 §4.2
// (query request and responses; retransmissions keep their NAME_TRN_ID) and
// §6 (broadcast: 3 tries 250 ms apart). The RFC's unicast wait (3 tries of
// 5 s) is shortened to 1 s and 2 s so that a send waits seconds, not a
// quarter of a minute, for a server that does not answer.
#pragma once

#include <cstdint>
#include <optional>
#include <vector>

#include "transport/name_service_packet.h"

namespace netbios {

// Whether the name server answers. One exchange that stays unanswered after
// all its tries makes it gone, and is told once; while it is gone it is
// asked again only now and then (30 s, doubling up to 10 minutes), and its
// next answer brings it back.
class NameServerWatch {
public:
    static constexpr uint64_t kFirstProbeMs = 30'000;
    static constexpr uint64_t kMaxProbeMs = 600'000;

    enum class Change { none, gone, back };

    Change answered(uint64_t now_ms);
    Change unanswered(uint64_t now_ms);
    // Whether to ask it now: it answers, or it is gone and a probe is due.
    bool worth_asking(uint64_t now_ms) const;
    bool gone() const { return gone_; }

private:
    bool gone_ = false;
    uint64_t next_probe_ms_ = 0;
    uint64_t probe_delay_ms_ = kFirstProbeMs;
};

// One query for a name: to the server (tries 1 s, then 2 s apart), then by
// broadcast (3 tries 250 ms apart). A positive answer with a usable address
// ends it; the server's negative answer, or a positive one without a usable
// address, goes on to the broadcast at once. At most 3.75 s in all.
class NameResolution {
public:
    static constexpr int kServerTries = 2;
    static constexpr uint64_t kServerFirstWaitMs = 1000;  // doubled for each further try
    static constexpr int kBroadcastTries = 3;
    static constexpr uint64_t kBroadcastWaitMs = 250;

    enum class ServerOutcome { not_asked, answered, silent };

    // `server`: ask it first; nothing: broadcast only. The server's queries
    // carry `id`, the broadcast ones `id + 1`.
    NameResolution(const Name& name, std::optional<uint32_t> server, uint16_t id, uint64_t now_ms);

    struct Query {
        NameServicePacket packet;
        std::optional<uint32_t> server;  // unicast to it; else broadcast
    };
    // The query due at `now_ms`, if any; a step whose wait is over moves on.
    std::optional<Query> due(uint64_t now_ms);
    // When due() has something to do next; nothing once done.
    std::optional<uint64_t> next_due() const;
    // A packet from `from`: only a response to one of this query's ids, for
    // its name, counts; during the server's turn only from the server.
    void receive(const NameServicePacket& packet, uint32_t from, uint64_t now_ms);

    bool done() const { return phase_ == Phase::done; }
    // The addresses found (none: nobody has the name).
    const std::vector<uint32_t>& addresses() const { return addresses_; }
    ServerOutcome server_outcome() const { return outcome_; }

private:
    enum class Phase { server, broadcast, done };
    void begin_broadcast(uint64_t now_ms);

    Name name_;
    std::optional<uint32_t> server_;
    uint16_t server_id_;
    uint16_t broadcast_id_;
    Phase phase_;
    int sent_ = 0;
    uint64_t next_ms_;
    std::vector<uint32_t> addresses_;
    ServerOutcome outcome_ = ServerOutcome::not_asked;
};

// The addresses of `found` a message can be sent to: not 0.0.0.0, not a
// broadcast, not multicast (a name server answers a group name with
// 0.0.0.0).
std::vector<uint32_t> usable_addresses(const std::vector<NbAddress>& found);

}  // namespace netbios
