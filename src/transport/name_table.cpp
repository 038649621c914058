// This computer's NetBIOS names: registration, answers and defence, driven by
// the caller's clock and packets (portable). Rules as in the header's sources.
#include "transport/name_table.h"

#include <algorithm>

namespace netbios {

NameServicePacket NameRequest::packet(uint32_t address) const {
    const NodeType node = server ? NodeType::h : NodeType::b;
    return name_request(opcode, name, {group, node, address}, opcode == Opcode::release ? 0 : ttl,
                        id, !server);
}

NameTable::NameTable(std::string_view computer, std::string_view workgroup, uint16_t first_id)
    : next_id_(first_id) {
    const std::string host = canonical_name(computer);
    if (!host.empty()) {
        names_.push_back({{host, kWorkstationSuffix}});
        names_.push_back({{host, kMessengerSuffix}});
    }
    const std::string group = canonical_name(workgroup);
    if (!group.empty()) {
        OwnName own{{group, kWorkstationSuffix}};
        own.group = true;
        names_.push_back(own);
    }
}

bool NameTable::is_local(uint32_t address) const {
    return std::find(local_.begin(), local_.end(), address) != local_.end();
}

void NameTable::restart(OwnName& own, bool via_server, uint64_t now_ms) {
    own.id = next_id_++;
    own.sent = 0;
    own.next_ms = now_ms;
    own.via_server = via_server;
}

void NameTable::start(uint64_t now_ms) {
    for (OwnName& own : names_) {
        own.state = NameState::registering;
        own.refreshing = false;
        own.ttl = kDefaultTtl;
        restart(own, server_.has_value(), now_ms);
    }
}

NameRequest NameTable::request_for(const OwnName& own, Opcode opcode) const {
    NameRequest request;
    request.opcode = opcode;
    request.name = own.name;
    request.group = own.group;
    request.id = own.id;
    request.ttl = kDefaultTtl;
    if (own.via_server) request.server = server_;
    return request;
}

std::vector<NameRequest> NameTable::due(uint64_t now_ms) {
    std::vector<NameRequest> requests;
    for (OwnName& own : names_) {
        if (now_ms < own.next_ms) continue;
        if (own.state == NameState::registering) {
            if (own.via_server && !server_) restart(own, false, now_ms);  // the server went
            const int tries = own.via_server ? kServerTries : kBroadcastTries;
            if (own.sent >= tries && own.via_server) {
                // The server does not answer: register by broadcast instead.
                server_silent_ = true;
                restart(own, false, now_ms);
            } else if (own.sent >= tries) {
                own.state = NameState::registered;  // nobody objected
                continue;
            }
            requests.push_back(request_for(own, Opcode::registration));
            ++own.sent;
            own.next_ms =
                now_ms + (own.via_server ? kServerRetryMs << (own.sent - 1) : kBroadcastRetryMs);
        } else if (own.state == NameState::registered && own.via_server && server_) {
            if (!own.refreshing) {
                own.refreshing = true;
                restart(own, true, now_ms);
            }
            if (own.sent >= kServerTries) {
                // Unanswered: the name stays ours; ask again a while later.
                server_silent_ = true;
                own.refreshing = false;
                own.next_ms = now_ms + uint64_t{kMinServerTtl} * 1000;
                continue;
            }
            requests.push_back(request_for(own, Opcode::refresh));
            ++own.sent;
            own.next_ms = now_ms + (kServerRetryMs << (own.sent - 1));
        }
    }
    return requests;
}

std::optional<uint64_t> NameTable::next_due() const {
    std::optional<uint64_t> next;
    for (const OwnName& own : names_) {
        const bool waiting = own.state == NameState::registering ||
                             (own.state == NameState::registered && own.via_server && server_);
        if (waiting && (!next || own.next_ms < *next)) next = own.next_ms;
    }
    return next;
}

bool NameTable::settled() const {
    return std::none_of(names_.begin(), names_.end(),
                        [](const OwnName& own) { return own.state == NameState::registering; });
}

const OwnName* NameTable::owned(const Name& name) const {
    for (const OwnName& own : names_) {
        if (own.state == NameState::registered && same_name(own.name, name)) return &own;
    }
    return nullptr;
}

NodeStatus NameTable::node_status() const {
    NodeStatus status;
    status.unit_id = unit_id_;
    for (const OwnName& own : names_) {
        if (own.state != NameState::registered && own.state != NameState::conflict) continue;
        uint16_t flags = own.state == NameState::registered ? kNameActive : kNameConflict;
        if (own.group) flags |= kNameGroup;
        if (own.via_server) flags |= static_cast<uint16_t>(NodeType::h) << 13;
        status.names.push_back({own.name, flags});
    }
    return status;
}

NameReaction NameTable::receive(const NameServicePacket& packet, uint32_t from,
                                uint32_t local_address, uint64_t now_ms) {
    NameReaction reaction;
    const Name* subject = subject_name(packet);
    if (!subject) return reaction;

    if (!packet.response) {
        if (packet.opcode == Opcode::query && packet.question) {
            const Question& q = *packet.question;
            if (q.type == kTypeNbstat && (q.name.name == "*" || owned(q.name))) {
                reaction.reply = node_status_response(packet, node_status());
            } else if (q.type == kTypeNb) {
                // B nodes answer only for names they own; silence says "not here".
                if (const OwnName* own = owned(q.name)) {
                    const NodeType node = own->via_server ? NodeType::h : NodeType::b;
                    reaction.reply = name_response(packet, Rcode::ok,
                                                   {{own->group, node, local_address}}, own->ttl);
                }
            }
        } else if (packet.opcode == Opcode::registration && is_local(from)) {
            for (const OwnName& own : names_) {
                if (same_name(own.name, *subject) && own.id != packet.id)
                    reaction.local_name_service = true;
            }
        } else if (packet.opcode == Opcode::registration) {
            // A unique name is defended against any registration; a group
            // name only against a unique one (RFC 1002 §5.1.1.5).
            const OwnName* own = owned(*subject);
            bool wants_group = false;
            if (packet.additional) {
                const auto nb = decode_nb_data(packet.additional->data);
                wants_group = nb && !nb->empty() && nb->front().group;
            }
            if (own && (!own->group || !wants_group)) {
                reaction.reply = name_response(packet, Rcode::active,
                                               {{own->group, NodeType::b, local_address}}, 0);
            }
        }
        return reaction;
    }

    if (is_local(from)) return reaction;
    for (OwnName& own : names_) {
        if (!same_name(own.name, *subject)) continue;
        // A name conflict demand takes a name we hold, whatever the request.
        const bool demand = packet.rcode == Rcode::conflict && own.state == NameState::registered;
        const bool pending = own.id == packet.id && (own.state == NameState::registering ||
                                                     (own.refreshing && own.via_server));
        if (!demand && !pending) continue;
        if (!demand && packet.opcode == Opcode::wack) {
            const uint32_t wait = packet.answer ? packet.answer->ttl : 0;
            own.next_ms = now_ms + uint64_t{std::min(wait, kMaxWaitSeconds)} * 1000;
            own.sent = std::max(own.sent, 1);
        } else if (!demand && packet.rcode == Rcode::ok) {
            // A server's acceptance; end nodes only ever object.
            if (!own.via_server || !server_ || from != *server_) continue;
            own.state = NameState::registered;
            own.refreshing = false;
            own.ttl = std::max(packet.answer ? packet.answer->ttl : kDefaultTtl, kMinServerTtl);
            own.next_ms = now_ms + uint64_t{own.ttl} * 1000 / 2;
        } else if (packet.opcode == Opcode::registration || packet.opcode == Opcode::refresh ||
                   packet.opcode == Opcode::refresh_alt) {
            own.state = NameState::conflict;
            own.refreshing = false;
            own.owner = from;
            own.refused_by_server = own.via_server && server_ && from == *server_;
            reaction.conflict = NameConflict{own.name, from};
        }
        break;
    }
    return reaction;
}

std::vector<NameRequest> NameTable::release() {
    std::vector<NameRequest> requests;
    for (OwnName& own : names_) {
        if (own.state == NameState::registered)
            requests.push_back(request_for(own, Opcode::release));
        if (own.state != NameState::conflict) own.state = NameState::released;
    }
    return requests;
}

}  // namespace netbios
