// NetBIOS name service: packets against their RFC 1002 layout byte by byte,
// hostile input, and this computer's name table driven by a test clock
// (portable).
#include "transport/name_service_packet.h"
#include "transport/name_table.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

using namespace netbios;

constexpr uint32_t kHere = 0x0A4D0001;   // 10.77.0.1, this computer
constexpr uint32_t kOther = 0x0A4D0002;  // 10.77.0.2

// "a1 b2 ..." and names spelled out as in the RFC: {PC1<00>} is its 34 bytes.
std::vector<uint8_t> wire(const std::string& text) {
    std::vector<uint8_t> out;
    for (size_t i = 0; i < text.size();) {
        if (text[i] == ' ') {
            ++i;
        } else if (text[i] == '{') {
            const size_t close = text.find('}', i);
            const std::string spec = text.substr(i + 1, close - i - 1);
            const size_t lt = spec.find('<');
            const Name name{spec.substr(0, lt),
                            static_cast<uint8_t>(std::stoul(spec.substr(lt + 1, 2), nullptr, 16))};
            const auto encoded = encode_name(name);
            out.insert(out.end(), encoded.begin(), encoded.end());
            i = close + 1;
        } else {
            out.push_back(static_cast<uint8_t>(std::stoul(text.substr(i, 2), nullptr, 16)));
            i += 2;
        }
    }
    return out;
}

std::optional<NameServicePacket> decoded(const std::vector<uint8_t>& bytes) {
    return decode(bytes.data(), bytes.size());
}

TEST(NameServicePacket, RequestsHaveTheRfcLayout) {
    struct Case {
        const char* what;
        NameServicePacket packet;
        std::string bytes;
    } cases[] = {
        {"broadcast name query", name_query({"PC1", 0x03}, 0x1234, true),
         "1234 0110 0001 0000 0000 0000 {PC1<03>} 0020 0001"},
        {"node status query", node_status_query(7),
         "0007 0000 0001 0000 0000 0000 {*<00>} 0021 0001"},
        {"broadcast registration, the record pointing at the question",
         name_request(Opcode::registration, {"PC1", 0x00}, {false, NodeType::b, kHere}, 300000, 2,
                      true),
         "0002 2910 0001 0000 0000 0001 {PC1<00>} 0020 0001 c00c 0020 0001 000493e0 0006 0000 "
         "0a4d0001"},
        {"group release to a server",
         name_request(Opcode::release, {"WORKGROUP", 0x00}, {true, NodeType::h, kHere}, 0, 3,
                      false),
         "0003 3000 0001 0000 0000 0001 {WORKGROUP<00>} 0020 0001 c00c 0020 0001 00000000 0006 "
         "e000 0a4d0001"},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(encode(c.packet), wire(c.bytes)) << c.what;
        EXPECT_EQ(decoded(wire(c.bytes)), c.packet) << c.what;
    }
}

TEST(NameServicePacket, ResponsesHaveTheRfcLayout) {
    const NameServicePacket query = name_query({"PC1", 0x03}, 0x1234, true);
    EXPECT_EQ(encode(name_response(query, Rcode::ok, {{false, NodeType::b, kHere}}, 300000)),
              wire("1234 8500 0000 0001 0000 0000 {PC1<03>} 0020 0001 000493e0 0006 0000 "
                   "0a4d0001"));
    const NameServicePacket registration = name_request(
        Opcode::registration, {"PC1", 0x00}, {false, NodeType::b, kOther}, 300000, 9, true);
    EXPECT_EQ(
        encode(name_response(registration, Rcode::active, {{false, NodeType::b, kHere}}, 0)),
        wire("0009 ad06 0000 0001 0000 0000 {PC1<00>} 0020 0001 00000000 0006 0000 0a4d0001"));
    EXPECT_EQ(encode(wait_response(registration, 40)),
              wire("0009 bc00 0000 0001 0000 0000 {PC1<00>} 0020 0001 00000028 0002 2910"));

    NodeStatus status;
    status.names = {{{"PC1", 0x00}, kNameActive}, {{"WORKGROUP", 0x00}, kNameGroup | kNameActive}};
    status.unit_id = {1, 2, 3, 4, 5, 6};
    const auto bytes = encode(node_status_response(node_status_query(7), status));
    const std::string names =
        "02 "
        "50433120202020202020202020202000 0400 "
        "574f524b47524f555020202020202000 8400 010203040506";
    EXPECT_EQ(bytes, [&] {
        auto w = wire("0007 8400 0000 0001 0000 0000 {*<00>} 0021 0001 00000000 0053 " + names);
        w.resize(w.size() + 40, 0);  // the rest of the statistics
        return w;
    }());
    const auto back = decoded(bytes);
    ASSERT_TRUE(back && back->answer);
    EXPECT_EQ(decode_node_status(back->answer->data), status);
}

TEST(NameServicePacket, ResolvesOnlyTheMatchingPositiveAnswer) {
    // As a peer may send it: the answer's name a pointer to a question it kept.
    const auto answer = decoded(
        wire("4321 8580 0001 0001 0000 0000 {PC2<03>} 0020 0001 c00c 0020 0001 00000000 000c "
             "0000 0a4d0002 8000 0a4d0003"));
    ASSERT_TRUE(answer);
    const std::vector<NbAddress> both = {{false, NodeType::b, kOther},
                                         {true, NodeType::b, 0x0A4D0003}};
    EXPECT_EQ(resolved_addresses(*answer, 0x4321, {"pc2", 0x03}), both);
    EXPECT_TRUE(resolved_addresses(*answer, 0x4322, {"PC2", 0x03}).empty()) << "another id";
    EXPECT_TRUE(resolved_addresses(*answer, 0x4321, {"PC2", 0x00}).empty()) << "another name";
    auto negative = *answer;
    negative.rcode = Rcode::name_error;
    EXPECT_TRUE(resolved_addresses(negative, 0x4321, {"PC2", 0x03}).empty());
}

TEST(NameServicePacket, RefusesHostileInput) {
    const auto good = wire(
        "0002 2910 0001 0000 0000 0001 {PC1<00>} 0020 0001 c00c 0020 0001 "
        "000493e0 0006 0000 0a4d0001");
    for (size_t length = 0; length < good.size(); ++length)
        EXPECT_FALSE(decode(good.data(), length)) << "cut at " << length;
    EXPECT_FALSE(decode(nullptr, 0));

    const char* hostile[] = {
        "0001 0000 0002 0000 0000 0000 {PC1<00>} 0020 0001 {PC1<00>} 0020 0001",  // two questions
        "0001 0000 0001 0000 0000 0000 {PC1<00>} 0020 0003",                      // class not IN
        "0001 0000 0001 0000 0000 0000 c00c 0020 0001",                // points at itself
        "0001 0000 0001 0000 0000 0000 c00e 0020 0001 00",             // points forwards
        "0001 8000 0000 0001 0000 0000 c00c 0020 0001 00000000 0000",  // to a pointer: itself
        "0001 0000 0001 0000 0000 0000 20 41414141414141414141414141414141"
        "41414141414141414141414141414141 03 414243 00 0020 0001",  // a scope
        "0001 0000 0001 0000 0000 0000 40 00 0020 0001",            // reserved label type
        "0001 8000 0000 0001 0000 0000 {PC1<00>} 0020 0001 00000000 0007 0000 0a4d0001",  // RDATA
    };
    for (const char* h : hostile)
        EXPECT_FALSE(decoded(wire(h))) << h;

    // A chain of pointers back to the question's name, kept in the answer's
    // RDATA (at offset 62): followed a few times, no more.
    auto chain = [](int links) {
        auto w = wire("0001 8000 0001 0001 0000 0001 {PC1<00>} 0020 0001 c00c 0020 0001 00000000");
        w.push_back(0);
        w.push_back(static_cast<uint8_t>(2 * links));
        for (int i = 0; i < links; ++i) {
            w.push_back(0xC0);
            w.push_back(static_cast<uint8_t>(i == 0 ? 12 : 62 + 2 * (i - 1)));
        }
        const auto additional = wire("c0 00 0020 0001 00000000 0000");
        w.insert(w.end(), additional.begin(), additional.end());
        w[w.size() - 11] = static_cast<uint8_t>(62 + 2 * (links - 1));
        return w;
    };
    EXPECT_TRUE(decoded(chain(3)));
    EXPECT_FALSE(decoded(chain(4)));
    EXPECT_FALSE(decode_nb_data({1, 2, 3}));
    EXPECT_FALSE(decode_node_status({3, 'A'})) << "names past the data";
}

// --- the name table ----------------------------------------------------

struct Sent {
    uint64_t at;
    Opcode opcode;
    std::string name;  // "PC1<00>"
    bool to_server;
};

std::string text(const Name& n) {
    char suffix[8];
    std::snprintf(suffix, sizeof suffix, "<%02x>", n.suffix);
    return n.name + suffix;
}

// Runs the table's clock from `from` to `to` in 10 ms steps and lists what it sends.
std::vector<Sent> run(NameTable& table, uint64_t from, uint64_t to) {
    std::vector<Sent> sent;
    for (uint64_t now = from; now <= to; now += 10) {
        for (const NameRequest& r : table.due(now))
            sent.push_back({now, r.opcode, text(r.name), r.server.has_value()});
    }
    return sent;
}

NameServicePacket from_other(Opcode opcode, const Name& name, bool group) {
    return name_request(opcode, name, {group, NodeType::b, kOther}, 300000, 77, true);
}

TEST(NameTable, RegistersByBroadcastThreeTimes250MsApartThenOwnsTheNames) {
    NameTable table("pc1", "workgroup");
    table.start(1000);
    const auto sent = run(table, 1000, 2000);
    ASSERT_EQ(sent.size(), 9u);
    for (size_t i = 0; i < sent.size(); ++i) {
        EXPECT_EQ(sent[i].at, 1000 + 250 * (i / 3));
        EXPECT_EQ(sent[i].opcode, Opcode::registration);
        EXPECT_FALSE(sent[i].to_server);
    }
    EXPECT_EQ(sent[0].name + sent[1].name + sent[2].name, "PC1<00>PC1<03>WORKGROUP<00>");
    EXPECT_TRUE(table.settled());
    EXPECT_FALSE(table.next_due());
    // The packet of a request names the address of the network it leaves by.
    const auto packet =
        NameRequest{Opcode::registration, {"PC1", 0}, false, 5, 300000, {}}.packet(kHere);
    EXPECT_EQ(decode_nb_data(packet.additional->data)->front().address, kHere);
    EXPECT_TRUE(packet.flags & kBroadcastFlag);
}

TEST(NameTable, ANegativeResponseLosesOneNameOnce) {
    NameTable table("PC1", "WORKGROUP");
    table.set_local_addresses({kHere});
    table.start(0);
    const auto first = table.due(0);
    const NameServicePacket objection =
        name_response(first[1].packet(kHere), Rcode::active, {{false, NodeType::b, kOther}}, 0);
    // From this computer (a name service sharing it): not a conflict.
    EXPECT_FALSE(table.receive(objection, kHere, kHere, 100).conflict);
    const auto reaction = table.receive(objection, kOther, kHere, 100);
    ASSERT_TRUE(reaction.conflict);
    EXPECT_EQ(text(reaction.conflict->name), "PC1<03>");
    EXPECT_EQ(reaction.conflict->owner, kOther);
    EXPECT_FALSE(table.receive(objection, kOther, kHere, 120).conflict) << "said once";
    auto stale = objection;
    stale.id = static_cast<uint16_t>(objection.id + 1);
    EXPECT_FALSE(table.receive(stale, kOther, kHere, 120).conflict) << "another transaction";

    run(table, 10, 1000);
    EXPECT_EQ(table.names()[1].state, NameState::conflict);
    EXPECT_FALSE(table.owned({"PC1", 0x03}));
    EXPECT_TRUE(table.owned({"PC1", 0x00}));
    const NodeStatus status = table.node_status();
    ASSERT_EQ(status.names.size(), 3u);
    EXPECT_EQ(status.names[1].flags, kNameConflict);
    // Release: only the names that are ours, and nothing is answered afterwards.
    const auto releases = table.release();
    ASSERT_EQ(releases.size(), 2u);
    EXPECT_EQ(releases[0].opcode, Opcode::release);
    EXPECT_FALSE(table.receive(name_query({"PC1", 0}, 1, true), kOther, kHere, 2000).reply);
}

TEST(NameTable, AnswersQueriesAndDefendsItsNames) {
    NameTable table("PC1", "WORKGROUP");
    table.set_local_addresses({kHere});
    EXPECT_FALSE(table.receive(name_query({"PC1", 3}, 1, true), kOther, kHere, 0).reply)
        << "not before registering";
    table.start(0);
    EXPECT_FALSE(table.receive(name_query({"PC1", 3}, 1, true), kOther, kHere, 10).reply)
        << "not while registering";
    run(table, 0, 1000);

    struct Case {
        NameServicePacket request;
        uint32_t from;
        bool answered;
        Rcode rcode;
        bool group;
    } cases[] = {
        {name_query({"pc1", 0x03}, 1, true), kOther, true, Rcode::ok, false},
        {name_query({"PC1", 0x00}, 1, false), kOther, true, Rcode::ok, false},
        {name_query({"WORKGROUP", 0x00}, 1, true), kOther, true, Rcode::ok, true},
        {name_query({"PC1", 0x20}, 1, true), kOther, false, {}, false},
        {name_query({"PC2", 0x03}, 1, true), kOther, false, {}, false},
        {name_query({"PC1", 0x03}, 1, true), kHere, true, Rcode::ok, false},  // its own resolve
        {from_other(Opcode::registration, {"PC1", 0x03}, false), kOther, true, Rcode::active,
         false},
        {from_other(Opcode::registration, {"PC1", 0x00}, true), kOther, true, Rcode::active, false},
        {from_other(Opcode::registration, {"WORKGROUP", 0}, false), kOther, true, Rcode::active,
         true},
        {from_other(Opcode::registration, {"WORKGROUP", 0}, true), kOther, false, {}, false},
        {from_other(Opcode::registration, {"PC1", 0x03}, false), kHere, false, {}, false},
        {from_other(Opcode::release, {"PC1", 0x03}, false), kOther, false, {}, false},
    };
    for (const Case& c : cases) {
        const std::string what = text(*subject_name(c.request)) + " opcode " +
                                 std::to_string(static_cast<int>(c.request.opcode));
        const auto reply = table.receive(c.request, c.from, kHere, 2000).reply;
        ASSERT_EQ(reply.has_value(), c.answered) << what;
        if (!reply) continue;
        EXPECT_EQ(reply->id, c.request.id) << what;
        EXPECT_EQ(reply->rcode, c.rcode) << what;
        const auto nb = decode_nb_data(reply->answer->data);
        ASSERT_TRUE(nb && nb->size() == 1) << what;
        EXPECT_EQ(nb->front().address, kHere) << what;
        EXPECT_EQ(nb->front().group, c.group) << what;
    }
    // Another name service on this computer: its own transaction, not ours.
    EXPECT_TRUE(
        table.receive(from_other(Opcode::registration, {"PC1", 0x00}, false), kHere, kHere, 2000)
            .local_name_service);
    const auto own_again =
        NameRequest{Opcode::registration, {"PC1", 0}, false, table.names()[0].id, 300000, {}}
            .packet(kHere);
    EXPECT_FALSE(table.receive(own_again, kHere, kHere, 2000).local_name_service);

    const auto status = table.receive(node_status_query(5), kOther, kHere, 2000).reply;
    ASSERT_TRUE(status);
    const auto names = decode_node_status(status->answer->data);
    ASSERT_TRUE(names);
    ASSERT_EQ(names->names.size(), 3u);
    EXPECT_EQ(names->names[2].flags, kNameGroup | kNameActive);
}

TEST(NameTable, WithAServerRegistersRefreshesAndFallsBackToBroadcast) {
    constexpr uint32_t kServer = 0x0A4D00FE;
    NameTable table("PC1", "");
    table.set_name_server(kServer);
    table.start(0);
    auto sent = table.due(0);
    ASSERT_EQ(sent.size(), 2u);
    EXPECT_EQ(sent[0].server, kServer);
    EXPECT_FALSE(sent[0].packet(kHere).flags & kBroadcastFlag);

    // PC1<00>: wait, then accepted for 600 s, refreshed at half of it.
    const auto request = sent[0].packet(kHere);
    table.receive(wait_response(request, 30), kServer, kHere, 100);
    // Meanwhile PC1<03>, unanswered: two more tries to the server, then three broadcasts.
    EXPECT_EQ(run(table, 100, 29000).size(), 5u) << "PC1<00> is not asked again while it waits";
    table.receive(name_response(request, Rcode::ok, {}, 600), kOther, kHere, 29000);
    EXPECT_NE(table.names()[0].state, NameState::registered) << "accepted only by the server";
    table.receive(name_response(request, Rcode::ok, {}, 600), kServer, kHere, 29000);
    EXPECT_EQ(table.names()[0].state, NameState::registered);

    // PC1<03> heard nothing: three tries to the server, then by broadcast.
    EXPECT_EQ(table.names()[1].state, NameState::registered);
    EXPECT_FALSE(table.names()[1].via_server);

    const auto refresh = run(table, 29010, 29000 + 300000);
    ASSERT_FALSE(refresh.empty());
    EXPECT_EQ(refresh[0].at, 29000u + 300000);
    EXPECT_EQ(refresh[0].opcode, Opcode::refresh);
    EXPECT_TRUE(refresh[0].to_server);
}

}  // namespace
