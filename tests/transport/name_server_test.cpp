// This computer beside a name server, against answers built byte by byte as
// RFC 1002 §4.2 lays them out and as Samba's nmbd sends them (portable).
#include <gtest/gtest.h>

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "transport/name_server_client.h"
#include "transport/name_service_packet.h"
#include "transport/name_table.h"

namespace netbios {
namespace {

constexpr uint32_t kServer = 0x0A4D0001;  // 10.77.0.1
constexpr uint32_t kPc2 = 0x0A4D0102;     // 10.77.1.2
constexpr uint32_t kOther = 0x0A4D0003;

// Header flags as the wire carries them: R, OPCODE, AA, RD, RA, RCODE.
constexpr uint16_t kPositiveQuery = 0x8580;
constexpr uint16_t kNegativeQuery = 0x8583;  // RCODE 3: no such name
constexpr uint16_t kPositiveRegistration = 0xAD80;
constexpr uint16_t kNegativeRegistration = 0xAD86;  // RCODE 6: owned by another node
constexpr uint16_t kWack = 0xBC00;
constexpr uint32_t kHere = 0x0A4D0002;

void put16(std::vector<uint8_t>& out, uint16_t v) {
    out.push_back(static_cast<uint8_t>(v >> 8));
    out.push_back(static_cast<uint8_t>(v));
}
void put32(std::vector<uint8_t>& out, uint32_t v) {
    put16(out, static_cast<uint16_t>(v >> 16));
    put16(out, static_cast<uint16_t>(v));
}

// The first-level encoding, written out here rather than taken from the codec.
void put_name(std::vector<uint8_t>& out, const std::string& name, uint8_t suffix) {
    std::string padded = name;
    padded.resize(15, ' ');
    padded += static_cast<char>(suffix);
    out.push_back(0x20);
    for (const unsigned char c : padded) {
        out.push_back(static_cast<uint8_t>('A' + (c >> 4)));
        out.push_back(static_cast<uint8_t>('A' + (c & 0x0F)));
    }
    out.push_back(0x00);
}

// NB RDATA: one entry of NB_FLAGS and address.
std::vector<uint8_t> nb(uint16_t flags, uint32_t address) {
    std::vector<uint8_t> out;
    put16(out, flags);
    put32(out, address);
    return out;
}

// A response with one answer record: the name, NB, IN, TTL, RDATA.
std::vector<uint8_t> response(uint16_t id, uint16_t flags, const std::string& name, uint8_t suffix,
                              uint32_t ttl, const std::vector<uint8_t>& rdata) {
    std::vector<uint8_t> out;
    put16(out, id);
    put16(out, flags);
    for (const uint16_t count : {0, 1, 0, 0})
        put16(out, count);
    put_name(out, name, suffix);
    put16(out, 0x0020);
    put16(out, 0x0001);
    put32(out, ttl);
    put16(out, static_cast<uint16_t>(rdata.size()));
    out.insert(out.end(), rdata.begin(), rdata.end());
    return out;
}

NameServicePacket decoded(const std::vector<uint8_t>& bytes) {
    std::optional<NameServicePacket> packet = decode(bytes.data(), bytes.size());
    EXPECT_TRUE(packet.has_value());
    return packet.value_or(NameServicePacket{});
}

const Name kPc2Messenger{"PC2", kMessengerSuffix};

// The first query: where it goes and its header as sent.
TEST(NameResolution, AsksTheServerFirstAndTakesItsAnswer) {
    NameResolution query(kPc2Messenger, kServer, 0x4711, 0);
    const std::optional<NameResolution::Query> first = query.due(0);
    ASSERT_TRUE(first.has_value());
    EXPECT_EQ(first->server, kServer);
    const std::vector<uint8_t> bytes = encode(first->packet);
    ASSERT_GE(bytes.size(), 12u);
    EXPECT_EQ(bytes[0] << 8 | bytes[1], 0x4711);
    EXPECT_EQ(bytes[2] << 8 | bytes[3], 0x0100) << "a query, RD set, B clear";
    EXPECT_FALSE(query.due(999).has_value());

    query.receive(decoded(response(0x4711, kPositiveQuery, "PC2", 3, 259200, nb(0x6000, kPc2))),
                  kServer, 500);
    EXPECT_TRUE(query.done());
    EXPECT_EQ(query.addresses(), std::vector<uint32_t>{kPc2});
    EXPECT_EQ(query.server_outcome(), NameResolution::ServerOutcome::answered);
}

// What must not end the server's turn: answers to other queries, from other
// hosts, about other names, cut short.
TEST(NameResolution, IgnoresAnswersThatAreNotTheServersToThisQuery) {
    NameResolution query(kPc2Messenger, kServer, 0x100, 0);
    ASSERT_TRUE(query.due(0).has_value());
    const std::vector<uint8_t> good =
        response(0x100, kPositiveQuery, "PC2", 3, 300, nb(0x6000, kPc2));
    query.receive(decoded(response(0x101, kPositiveQuery, "PC2", 3, 300, nb(0x6000, kPc2))),
                  kServer, 10);
    query.receive(decoded(good), kOther, 10);
    query.receive(decoded(response(0x100, kPositiveQuery, "PC3", 3, 300, nb(0x6000, kPc2))),
                  kServer, 10);
    for (const size_t cut : {size_t{11}, size_t{40}, good.size() - 1})
        EXPECT_FALSE(decode(good.data(), cut).has_value()) << "cut at " << cut;
    EXPECT_FALSE(query.done());
    EXPECT_EQ(query.server_outcome(), NameResolution::ServerOutcome::not_asked);
}

// Unanswered, the server is asked twice (1 s, then 2 s), then the segment
// three times 250 ms apart: nothing after 3.75 s. The broadcast query has
// its own id and the B flag.
TEST(NameResolution, SilentServerFallsBackToBroadcastWithinItsBound) {
    NameResolution query(kPc2Messenger, kServer, 0x200, 0);
    std::vector<std::pair<uint64_t, bool>> sent;  // when, to the server
    for (uint64_t now = 0; now <= 5000 && !query.done(); now += 50) {
        if (auto q = query.due(now)) {
            sent.emplace_back(now, q->server.has_value());
            const std::vector<uint8_t> bytes = encode(q->packet);
            EXPECT_EQ(bytes[0] << 8 | bytes[1], q->server ? 0x200 : 0x201);
            EXPECT_EQ(bytes[2] << 8 | bytes[3], q->server ? 0x0100 : 0x0110);
        }
    }
    const std::vector<std::pair<uint64_t, bool>> expected = {
        {0, true}, {1000, true}, {3000, false}, {3250, false}, {3500, false}};
    EXPECT_EQ(sent, expected);
    EXPECT_TRUE(query.done());
    EXPECT_TRUE(query.addresses().empty());
    EXPECT_EQ(query.server_outcome(), NameResolution::ServerOutcome::silent);
}

// The server's "no such name", and its answer for a group (nmbd answers
// WORKGROUP<00> with one group entry of 0.0.0.0), send the query to the
// segment at once; the owner's answer there ends it.
TEST(NameResolution, ServerWithoutAnAddressHandsOverToTheBroadcast) {
    const std::vector<uint8_t> answers[] = {
        response(0x300, kNegativeQuery, "PC2", 3, 0, {}),
        response(0x300, kPositiveQuery, "PC2", 3, 259194, nb(0xE000, 0)),
    };
    for (const std::vector<uint8_t>& answer : answers) {
        NameResolution query(kPc2Messenger, kServer, 0x300, 0);
        ASSERT_TRUE(query.due(0).has_value());
        query.receive(decoded(answer), kServer, 40);
        EXPECT_EQ(query.server_outcome(), NameResolution::ServerOutcome::answered);
        const std::optional<NameResolution::Query> next = query.due(40);
        ASSERT_TRUE(next.has_value());
        EXPECT_FALSE(next->server.has_value()) << "broadcast";
        query.receive(decoded(response(0x301, kNegativeQuery, "PC2", 3, 0, {})), kOther, 50);
        EXPECT_FALSE(query.done()) << "a negative answer on the segment counts for nothing";
        query.receive(decoded(response(0x301, kPositiveQuery, "PC2", 3, 0, nb(0x0000, kOther))),
                      kOther, 60);
        EXPECT_TRUE(query.done());
        EXPECT_EQ(query.addresses(), std::vector<uint32_t>{kOther});
    }
}

TEST(NameResolution, WithoutAServerOnlyBroadcastsAndTakesALateServerAnswer) {
    NameResolution plain(kPc2Messenger, std::nullopt, 0x400, 0);
    const std::optional<NameResolution::Query> q = plain.due(0);
    ASSERT_TRUE(q.has_value());
    EXPECT_FALSE(q->server.has_value());
    EXPECT_EQ(plain.server_outcome(), NameResolution::ServerOutcome::not_asked);

    NameResolution late(kPc2Messenger, kServer, 0x500, 0);
    for (const uint64_t now : {0, 1000, 3000})
        ASSERT_TRUE(late.due(now).has_value());
    late.receive(decoded(response(0x500, kPositiveQuery, "PC2", 3, 300, nb(0x6000, kPc2))), kServer,
                 3100);
    EXPECT_TRUE(late.done());
    EXPECT_EQ(late.addresses(), std::vector<uint32_t>{kPc2});
    EXPECT_EQ(late.server_outcome(), NameResolution::ServerOutcome::answered);
}

TEST(NameServerWatch, SaysGoneOnceProbesLessOftenAndSaysBack) {
    using Change = NameServerWatch::Change;
    NameServerWatch watch;
    EXPECT_TRUE(watch.worth_asking(0));
    EXPECT_EQ(watch.answered(0), Change::none);
    EXPECT_EQ(watch.unanswered(1000), Change::gone);
    EXPECT_FALSE(watch.worth_asking(1000 + NameServerWatch::kFirstProbeMs - 1));
    EXPECT_TRUE(watch.worth_asking(1000 + NameServerWatch::kFirstProbeMs));
    uint64_t now = 1000;
    uint64_t delay = NameServerWatch::kFirstProbeMs;
    for (int probe = 0; probe < 8; ++probe) {
        now += delay;
        EXPECT_EQ(watch.unanswered(now), Change::none) << "said once";
        delay = std::min(delay * 2, NameServerWatch::kMaxProbeMs);
        EXPECT_FALSE(watch.worth_asking(now + delay - 1));
        EXPECT_TRUE(watch.worth_asking(now + delay));
    }
    EXPECT_EQ(delay, NameServerWatch::kMaxProbeMs);
    EXPECT_EQ(watch.answered(now), Change::back);
    EXPECT_TRUE(watch.worth_asking(now));
    EXPECT_EQ(watch.unanswered(now + 1), Change::gone);
}

// Registration of PC1<00> with the server: what each answer does. Anything
// that is not the server's answer to this request leaves the name waiting
// for its second try, 1.5 s on.
TEST(NameTableWithServer, TakesOnlyTheServersAnswerToTheRequest) {
    struct Case {
        const char* what;
        uint16_t flags;
        uint32_t ttl;
        std::vector<uint8_t> rdata;
        int id_offset;
        size_t cut;  // 0: whole
        uint32_t from;
        NameState state;
        bool conflict;
        uint64_t next_ms;
    };
    const Case cases[] = {
        // nmbd grants 259,200 s: refreshed at half of it.
        {"positive", kPositiveRegistration, 259200, nb(0x6000, kHere), 0, 0, kServer,
         NameState::registered, false, 100 + 259200ull * 500},
        {"negative", kNegativeRegistration, 0, nb(0x6000, kOther), 0, 0, kServer,
         NameState::conflict, true, 0},
        {"wait", kWack, 10, {0x29, 0x00}, 0, 0, kServer, NameState::registering, false, 10100},
        {"wait too long",
         kWack,
         86400,
         {0x29, 0x00},
         0,
         0,
         kServer,
         NameState::registering,
         false,
         100 + 1000ull * NameTable::kMaxWaitSeconds},
        {"truncated", kPositiveRegistration, 300, nb(0x6000, kHere), 0, 60, kServer,
         NameState::registering, false, 1500},
        {"wrong id", kPositiveRegistration, 300, nb(0x6000, kHere), 1, 0, kServer,
         NameState::registering, false, 1500},
        {"not the server", kPositiveRegistration, 300, nb(0x6000, kHere), 0, 0, kOther,
         NameState::registering, false, 1500},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        NameTable table("PC1", "");
        table.set_name_server(kServer);
        table.set_local_addresses({kHere});
        table.start(0);
        const std::vector<NameRequest> sent = table.due(0);
        ASSERT_EQ(sent.size(), 2u);
        std::vector<uint8_t> bytes = response(static_cast<uint16_t>(sent[0].id + c.id_offset),
                                              c.flags, "PC1", 0x00, c.ttl, c.rdata);
        if (c.cut) bytes.resize(c.cut);
        const std::optional<NameServicePacket> packet = decode(bytes.data(), bytes.size());
        ASSERT_EQ(packet.has_value(), c.cut == 0);
        bool conflict = false;
        if (packet) conflict = table.receive(*packet, c.from, kHere, 100).conflict.has_value();
        EXPECT_EQ(table.names()[0].state, c.state);
        EXPECT_EQ(conflict, c.conflict);
        EXPECT_EQ(table.names()[0].refused_by_server, c.conflict) << "only the server answers";
        if (c.state != NameState::conflict) {
            EXPECT_EQ(table.names()[0].next_ms, c.next_ms);
        }
        if (c.state == NameState::registered) {
            const std::vector<NameRequest> releases = table.release();
            ASSERT_EQ(releases.size(), 1u);
            EXPECT_EQ(releases[0].server, kServer) << "released to the server";
        }
    }
}

// Unanswered, the server is asked 1.5 s, then 3 s apart; then the names are
// registered by broadcast, and the silence is reported once.
TEST(NameTableWithServer, SilentServerBacksOffThenBroadcastsAndIsReportedOnce) {
    NameTable table("PC1", "");
    table.set_name_server(kServer);
    table.start(0);
    std::vector<std::pair<uint64_t, bool>> sent;  // PC1<00>'s requests: when, to the server
    int silences = 0;
    for (uint64_t now = 0; now <= 12000; now += 50) {
        for (const NameRequest& r : table.due(now))
            if (r.name.suffix == 0x00) sent.emplace_back(now, r.server.has_value());
        silences += table.take_server_silence();
    }
    const std::vector<std::pair<uint64_t, bool>> expected = {
        {0, true}, {1500, true}, {4500, true}, {10500, false}, {10750, false}, {11000, false}};
    EXPECT_EQ(sent, expected);
    EXPECT_EQ(silences, 1) << "both names fell back at the same moment";
    EXPECT_TRUE(table.settled());
}

}  // namespace
}  // namespace netbios
