// Fuzz target for the NetBIOS name service: any bytes decoded as a packet
// (compressed names included) never read past them; what decodes encodes to
// bytes that decode to the same packet; and a name table that owns its names
// answers it with a packet that encodes and decodes too; a name server's
// answer, whatever it holds, leaves the table's registration and a query's
// waits bounded.
#include <cstdint>
#include <cstdlib>

#include "transport/name_server_client.h"
#include "transport/name_service_packet.h"
#include "transport/name_table.h"

namespace {

using namespace netbios;

// The wire keeps no case, so names compare in their canonical form.
NameServicePacket canonical(NameServicePacket p) {
    if (p.question) p.question->name.name = canonical_name(p.question->name.name);
    for (auto* record : {&p.answer, &p.authority, &p.additional}) {
        if (*record) (*record)->name.name = canonical_name((*record)->name.name);
    }
    return p;
}

void check_round_trip(const NameServicePacket& packet) {
    const auto bytes = encode(packet);
    if (bytes.empty()) return;  // a name of nothing but padding: never sent
    const auto again = decode(bytes.data(), bytes.size());
    if (!again || canonical(*again) != canonical(packet)) std::abort();
}

NameTable& table() {
    static NameTable* t = [] {
        auto* made = new NameTable("PC1", "WORKGROUP");
        made->set_local_addresses({0x0A4D0001});
        made->start(0);
        for (uint64_t now = 0; now <= 1000; now += 250)
            made->due(now);
        return made;
    }();
    return *t;
}

constexpr uint32_t kServer = 0x0A4D0014;

// A table registering with the server, its first requests sent.
NameTable& registering_table() {
    static NameTable* t = [] {
        auto* made = new NameTable("PC1", "WORKGROUP", 0x100);
        made->set_name_server(kServer);
        made->set_local_addresses({0x0A4D0001});
        made->start(0);
        made->due(0);
        return made;
    }();
    return *t;
}

// Whatever the server answers, nothing waits longer than its bounds.
void check_server_answer(const NameServicePacket& packet) {
    NameTable copy = registering_table();
    copy.receive(packet, kServer, 0x0A4D0001, 100);
    for (const OwnName& own : copy.names()) {
        if (own.state == NameState::registering &&
            own.next_ms > 100 + 1000ull * NameTable::kMaxWaitSeconds) {
            std::abort();
        }
    }
    NameResolution query({"PC2", kMessengerSuffix}, kServer, packet.id, 0);
    query.due(0);
    query.receive(packet, kServer, 10);
    for (const uint32_t address : query.addresses()) {
        if (address == 0 || address >= 0xE0000000u) std::abort();
    }
    const auto query_next = query.next_due();
    if (query_next && *query_next > 3750) std::abort();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const auto packet = decode(data, size);
    if (!packet) return 0;
    check_round_trip(*packet);
    if (packet->answer) {
        decode_nb_data(packet->answer->data);
        if (const auto status = decode_node_status(packet->answer->data)) {
            if (encode_node_status(*status).size() < 1 + 18 * status->names.size()) std::abort();
        }
    }
    // Any packet may come from the network; a conflict it causes stays.
    NameTable copy = table();
    const auto reaction = copy.receive(*packet, 0x0A4D0002, 0x0A4D0001, 2000);
    if (reaction.reply) {
        const auto bytes = encode(*reaction.reply);
        if (bytes.empty() || !decode(bytes.data(), bytes.size())) std::abort();
    }
    check_server_answer(*packet);
    return 0;
}
