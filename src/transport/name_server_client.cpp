// This computer as an H node beside a name server: the server's watch and
// one name's query, driven by the caller's clock and packets (portable).
#include "transport/name_server_client.h"

#include <algorithm>

namespace netbios {

NameServerWatch::Change NameServerWatch::answered(uint64_t) {
    if (!gone_) return Change::none;
    gone_ = false;
    probe_delay_ms_ = kFirstProbeMs;
    return Change::back;
}

NameServerWatch::Change NameServerWatch::unanswered(uint64_t now_ms) {
    if (gone_) {
        probe_delay_ms_ = std::min(probe_delay_ms_ * 2, kMaxProbeMs);
        next_probe_ms_ = now_ms + probe_delay_ms_;
        return Change::none;
    }
    gone_ = true;
    probe_delay_ms_ = kFirstProbeMs;
    next_probe_ms_ = now_ms + probe_delay_ms_;
    return Change::gone;
}

bool NameServerWatch::worth_asking(uint64_t now_ms) const {
    return !gone_ || now_ms >= next_probe_ms_;
}

std::vector<uint32_t> usable_addresses(const std::vector<NbAddress>& found) {
    std::vector<uint32_t> usable;
    for (const NbAddress& entry : found) {
        const uint32_t a = entry.address;
        if (a == 0 || a == 0xFFFFFFFFu || a >= 0xE0000000u) continue;
        if (std::find(usable.begin(), usable.end(), a) == usable.end()) usable.push_back(a);
    }
    return usable;
}

NameResolution::NameResolution(const Name& name, std::optional<uint32_t> server, uint16_t id,
                               uint64_t now_ms)
    : name_(name),
      server_(server),
      server_id_(id),
      broadcast_id_(static_cast<uint16_t>(id + 1)),
      phase_(server ? Phase::server : Phase::broadcast),
      next_ms_(now_ms) {}

void NameResolution::begin_broadcast(uint64_t now_ms) {
    phase_ = Phase::broadcast;
    sent_ = 0;
    next_ms_ = now_ms;
}

std::optional<NameResolution::Query> NameResolution::due(uint64_t now_ms) {
    if (phase_ == Phase::done || now_ms < next_ms_) return std::nullopt;
    if (phase_ == Phase::server) {
        if (sent_ < kServerTries) {
            next_ms_ = now_ms + (kServerFirstWaitMs << sent_);
            ++sent_;
            return Query{name_query(name_, server_id_, false), server_};
        }
        outcome_ = ServerOutcome::silent;
        begin_broadcast(now_ms);
    }
    if (sent_ < kBroadcastTries) {
        next_ms_ = now_ms + kBroadcastWaitMs;
        ++sent_;
        return Query{name_query(name_, broadcast_id_, true), std::nullopt};
    }
    phase_ = Phase::done;  // nobody has the name
    return std::nullopt;
}

std::optional<uint64_t> NameResolution::next_due() const {
    if (phase_ == Phase::done) return std::nullopt;
    return next_ms_;
}

void NameResolution::receive(const NameServicePacket& packet, uint32_t from, uint64_t now_ms) {
    if (phase_ == Phase::done || !packet.response || packet.opcode != Opcode::query) return;
    // The server's answer also counts when it comes late, after the broadcast began.
    if (server_ && from == *server_ && packet.id == server_id_ && sent_ > 0 &&
        (phase_ == Phase::server || outcome_ == ServerOutcome::silent)) {
        const Name* subject = subject_name(packet);
        if (!subject || !same_name(*subject, name_)) return;
        outcome_ = ServerOutcome::answered;
        addresses_ = usable_addresses(resolved_addresses(packet, server_id_, name_));
        if (!addresses_.empty()) {
            phase_ = Phase::done;
        } else if (phase_ == Phase::server) {
            begin_broadcast(now_ms);  // the server does not know it: ask the segment
        }
        return;
    }
    if (phase_ != Phase::broadcast || packet.id != broadcast_id_) return;
    // On the segment only the owner answers; a negative answer is nobody's to give.
    addresses_ = usable_addresses(resolved_addresses(packet, broadcast_id_, name_));
    if (!addresses_.empty()) phase_ = Phase::done;
}

}  // namespace netbios
