// NetBIOS name service packets: encoding and checking (portable). Offsets and
// field orders are RFC 1002 §4.2.1 (header, question, resource record),
// §4.2.2–4.2.18 (each packet) and §4.2.18 (node status RDATA).
#include "transport/name_service_packet.h"
#include "transport/wire_bytes.h"

#include <algorithm>
#include <cstring>

namespace netbios {

namespace {

using wire::be16;
using wire::be32;
using wire::put_be16;
using wire::put_be32;

constexpr size_t kHeaderBytes = 12;
constexpr uint8_t kPointerToQuestion[] = {0xC0, static_cast<uint8_t>(kHeaderBytes)};
constexpr size_t kStatisticsBytes = 46;
constexpr size_t kNodeStatusNameBytes = 18;

void put_record(std::vector<uint8_t>& out, const ResourceRecord& record,
                const std::optional<Question>& question) {
    if (question && same_name(question->name, record.name)) {
        out.insert(out.end(), std::begin(kPointerToQuestion), std::end(kPointerToQuestion));
    } else {
        const auto name = encode_name(record.name);
        out.insert(out.end(), name.begin(), name.end());
    }
    put_be16(out, record.type);
    put_be16(out, kClassIn);
    put_be32(out, record.ttl);
    put_be16(out, static_cast<uint16_t>(record.data.size()));
    out.insert(out.end(), record.data.begin(), record.data.end());
}

// Reads one section entry of at most one allowed; false when it is malformed.
bool read_record(const uint8_t* p, size_t length, size_t& at, std::optional<ResourceRecord>& out) {
    ResourceRecord record;
    auto name = decode_message_name(p, length, at, at);
    if (!name || length - at < 10) return false;
    record.name = std::move(*name);
    record.type = be16(p + at);
    if (be16(p + at + 2) != kClassIn) return false;
    record.ttl = be32(p + at + 4);
    const size_t data_length = be16(p + at + 8);
    at += 10;
    if (data_length > length - at) return false;
    record.data.assign(p + at, p + at + data_length);
    at += data_length;
    out = std::move(record);
    return true;
}

NameServicePacket response_to(const NameServicePacket& request, Rcode rcode) {
    NameServicePacket response;
    response.id = request.id;
    response.response = true;
    response.opcode = request.opcode;
    response.flags = static_cast<uint8_t>(kAuthoritative | (request.flags & kRecursionDesired));
    response.rcode = rcode;
    return response;
}

}  // namespace

std::vector<uint8_t> encode(const NameServicePacket& packet) {
    const ResourceRecord* records[] = {packet.answer ? &*packet.answer : nullptr,
                                       packet.authority ? &*packet.authority : nullptr,
                                       packet.additional ? &*packet.additional : nullptr};
    if (packet.question && packet.question->name.name.empty()) return {};
    for (const ResourceRecord* record : records) {
        if (record && (record->name.name.empty() || record->data.size() > 0xFFFF)) return {};
    }
    std::vector<uint8_t> out;
    put_be16(out, packet.id);
    put_be16(out, static_cast<uint16_t>((packet.response ? 0x8000 : 0) |
                                        (static_cast<unsigned>(packet.opcode) & 0x0F) << 11 |
                                        (packet.flags & 0x7F) << 4 |
                                        (static_cast<unsigned>(packet.rcode) & 0x0F)));
    put_be16(out, packet.question ? 1 : 0);
    for (const ResourceRecord* record : records)
        put_be16(out, record ? 1 : 0);
    if (packet.question) {
        const auto name = encode_name(packet.question->name);
        out.insert(out.end(), name.begin(), name.end());
        put_be16(out, packet.question->type);
        put_be16(out, kClassIn);
    }
    for (const ResourceRecord* record : records) {
        if (record) put_record(out, *record, packet.question);
    }
    return out;
}

std::optional<NameServicePacket> decode(const void* bytes, size_t length) {
    if (!bytes || length < kHeaderBytes) return std::nullopt;
    const auto* p = static_cast<const uint8_t*>(bytes);
    NameServicePacket packet;
    packet.id = be16(p);
    const uint16_t word = be16(p + 2);
    packet.response = word & 0x8000;
    packet.opcode = static_cast<Opcode>(word >> 11 & 0x0F);
    packet.flags = static_cast<uint8_t>(word >> 4 & 0x7F);
    packet.rcode = static_cast<Rcode>(word & 0x0F);
    const uint16_t counts[4] = {be16(p + 4), be16(p + 6), be16(p + 8), be16(p + 10)};
    for (uint16_t count : counts) {
        if (count > 1) return std::nullopt;
    }
    size_t at = kHeaderBytes;
    if (counts[0]) {
        auto name = decode_message_name(p, length, at, at);
        if (!name || length - at < 4 || be16(p + at + 2) != kClassIn) return std::nullopt;
        packet.question = Question{std::move(*name), be16(p + at)};
        at += 4;
    }
    if ((counts[1] && !read_record(p, length, at, packet.answer)) ||
        (counts[2] && !read_record(p, length, at, packet.authority)) ||
        (counts[3] && !read_record(p, length, at, packet.additional))) {
        return std::nullopt;
    }
    return packet;
}

std::vector<uint8_t> encode_nb_data(const std::vector<NbAddress>& addresses) {
    std::vector<uint8_t> out;
    for (const NbAddress& a : addresses) {
        put_be16(out, static_cast<uint16_t>((a.group ? 0x8000 : 0) |
                                            (static_cast<unsigned>(a.node) & 3) << 13));
        put_be32(out, a.address);
    }
    return out;
}

std::optional<std::vector<NbAddress>> decode_nb_data(const std::vector<uint8_t>& data) {
    if (data.size() % 6 != 0) return std::nullopt;
    std::vector<NbAddress> addresses;
    for (size_t at = 0; at < data.size(); at += 6) {
        const uint16_t flags = be16(&data[at]);
        addresses.push_back(
            {(flags & 0x8000) != 0, static_cast<NodeType>(flags >> 13 & 3), be32(&data[at + 2])});
    }
    return addresses;
}

std::vector<uint8_t> encode_node_status(const NodeStatus& status) {
    std::vector<uint8_t> out;
    const size_t count = std::min<size_t>(status.names.size(), 255);
    out.push_back(static_cast<uint8_t>(count));
    for (size_t i = 0; i < count; ++i) {
        const auto padded = padded_name(status.names[i].name);
        out.insert(out.end(), padded.begin(), padded.end());
        put_be16(out, status.names[i].flags);
    }
    out.insert(out.end(), status.unit_id.begin(), status.unit_id.end());
    out.resize(out.size() + kStatisticsBytes - status.unit_id.size(), 0);
    return out;
}

std::optional<NodeStatus> decode_node_status(const std::vector<uint8_t>& data) {
    if (data.empty()) return std::nullopt;
    const size_t count = data[0];
    const size_t names_end = 1 + count * kNodeStatusNameBytes;
    if (names_end > data.size()) return std::nullopt;
    NodeStatus status;
    for (size_t at = 1; at < names_end; at += kNodeStatusNameBytes)
        status.names.push_back({unpadded_name(&data[at]), be16(&data[at + 16])});
    for (size_t i = 0; i < status.unit_id.size() && names_end + i < data.size(); ++i)
        status.unit_id[i] = data[names_end + i];
    return status;
}

NameServicePacket name_query(const Name& name, uint16_t id, bool broadcast) {
    NameServicePacket q;
    q.id = id;
    q.opcode = Opcode::query;
    q.flags = static_cast<uint8_t>(kRecursionDesired | (broadcast ? kBroadcastFlag : 0));
    q.question = Question{name, kTypeNb};
    return q;
}

NameServicePacket node_status_query(uint16_t id, const Name& name) {
    NameServicePacket q;
    q.id = id;
    q.opcode = Opcode::query;
    q.question = Question{name, kTypeNbstat};
    return q;
}

NameServicePacket name_request(Opcode opcode, const Name& name, NbAddress owner, uint32_t ttl,
                               uint16_t id, bool broadcast) {
    NameServicePacket r;
    r.id = id;
    r.opcode = opcode;
    // A release asks nothing of a server's recursion (RFC 1002 §4.2.9).
    const uint8_t recursion = opcode == Opcode::release ? 0 : kRecursionDesired;
    r.flags = static_cast<uint8_t>(recursion | (broadcast ? kBroadcastFlag : 0));
    r.question = Question{name, kTypeNb};
    r.additional = ResourceRecord{name, kTypeNb, ttl, encode_nb_data({owner})};
    return r;
}

const Name* subject_name(const NameServicePacket& packet) {
    if (packet.question) return &packet.question->name;
    for (const auto* record : {&packet.answer, &packet.additional, &packet.authority}) {
        if (*record) return &(*record)->name;
    }
    return nullptr;
}

NameServicePacket name_response(const NameServicePacket& request, Rcode rcode,
                                const std::vector<NbAddress>& addresses, uint32_t ttl) {
    NameServicePacket response = response_to(request, rcode);
    const Name* name = subject_name(request);
    response.answer =
        ResourceRecord{name ? *name : Name{}, kTypeNb, ttl, encode_nb_data(addresses)};
    return response;
}

NameServicePacket wait_response(const NameServicePacket& request, uint32_t ttl) {
    NameServicePacket response = response_to(request, Rcode::ok);
    response.opcode = Opcode::wack;
    response.flags = kAuthoritative;
    const Name* name = subject_name(request);
    // RDATA: the request's header word from OPCODE to RCODE.
    const uint16_t word = static_cast<uint16_t>(static_cast<unsigned>(request.opcode) << 11 |
                                                (request.flags & 0x7F) << 4);
    response.answer = ResourceRecord{name ? *name : Name{},
                                     kTypeNb,
                                     ttl,
                                     {static_cast<uint8_t>(word >> 8), static_cast<uint8_t>(word)}};
    return response;
}

NameServicePacket node_status_response(const NameServicePacket& request, const NodeStatus& status) {
    NameServicePacket response = response_to(request, Rcode::ok);
    response.flags = kAuthoritative;
    const Name* name = subject_name(request);
    response.answer =
        ResourceRecord{name ? *name : Name{"*", 0}, kTypeNbstat, 0, encode_node_status(status)};
    return response;
}

std::vector<NbAddress> resolved_addresses(const NameServicePacket& response, uint16_t id,
                                          const Name& name) {
    if (!response.response || response.opcode != Opcode::query || response.rcode != Rcode::ok ||
        response.id != id || !response.answer || response.answer->type != kTypeNb ||
        !same_name(response.answer->name, name)) {
        return {};
    }
    auto addresses = decode_nb_data(response.answer->data);
    return addresses ? std::move(*addresses) : std::vector<NbAddress>{};
}

}  // namespace netbios
