// NetBIOS datagrams carrying the Messenger mailslot write: names, the exact
// bytes of a packet, round trips and what a receiver rejects (portable).
#include "transport/netbios_datagram.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

using namespace netbios;

std::string encoded(const Name& name) {
    const auto bytes = encode_name(name);
    return std::string(bytes.begin(), bytes.end());
}

std::vector<char> chars(std::string_view s) {
    return {s.begin(), s.end()};
}
std::vector<uint8_t> bytes(std::string_view s) {
    return {s.begin(), s.end()};
}

MessengerPacket pc1_to_pc2(std::string_view data = std::string_view("PC1\0PC2\0Hi\0", 11)) {
    MessengerPacket p;
    p.type = DatagramType::direct_unique;
    p.id = 0x8001;
    p.source_ip = 0xC0A8010A;  // 192.168.1.10
    p.source = {"PC1", kWorkstationSuffix};
    p.destination = {"PC2", kMessengerSuffix};
    p.data = chars(data);
    return p;
}

void set_be16(std::vector<uint8_t>& p, size_t at, uint16_t v) {
    p[at] = static_cast<uint8_t>(v >> 8);
    p[at + 1] = static_cast<uint8_t>(v);
}
void set_le16(std::vector<uint8_t>& p, size_t at, uint16_t v) {
    p[at] = static_cast<uint8_t>(v);
    p[at + 1] = static_cast<uint8_t>(v >> 8);
}

// Offsets in the packet: DGM_LENGTH, and the transaction words counted from the packet's start.
constexpr size_t kDgmLength = 10;
constexpr size_t kTotalDataCount = 117, kDataCount = 137, kDataOffset = 139, kByteCount = 149;
constexpr size_t kMailslotName = 151, kData = 169;

TEST(NetbiosName, EncodesPaddedUpperCasedNamesWithTheirSuffix) {
    const std::string wrap_start("\x20", 1), wrap_end("\0", 1);
    EXPECT_EQ(encoded({"PC1", 0x00}), wrap_start + "FAEDDBCACACACACACACACACACACACAAA" + wrap_end);
    EXPECT_EQ(encoded({"pc2", 0x03}), wrap_start + "FAEDDCCACACACACACACACACACACACAAD" + wrap_end);
    EXPECT_EQ(encoded({"WORKGROUP", 0x00}),
              wrap_start + "FHEPFCELEHFCEPFFFACACACACACACAAA" + wrap_end);
    // The broadcast name is padded with NULs; longer names are cut to 15 bytes.
    EXPECT_EQ(encoded({"*", 0x00}), wrap_start + "CK" + std::string(30, 'A') + wrap_end);
    EXPECT_EQ(encoded({"ABCDEFGHIJKLMNOPQ", 0x03}), encoded({"ABCDEFGHIJKLMNO", 0x03}));
}

TEST(NetbiosName, DecodesWhatItEncodesAndRejectsAnythingElse) {
    for (const Name& name : {Name{"PC1", 0x00}, Name{"*", 0x00}, Name{"A B", 0x03},
                             Name{"FIFTEEN-LETTERS", 0x1D}, Name{"\xE9T\xE9", 0x20}}) {
        const auto wire = encode_name(name);
        EXPECT_EQ(decode_name(wire.data(), wire.size()), name) << name.name;
    }
    const auto good = encode_name({"PC1", 0x00});
    auto broken = [&](size_t at, uint8_t value) {
        auto copy = good;
        copy[at] = value;
        return decode_name(copy.data(), copy.size());
    };
    EXPECT_FALSE(broken(0, 0x1F)) << "length byte";
    EXPECT_FALSE(broken(5, 'Q')) << "character past P";
    EXPECT_FALSE(broken(32, '@')) << "character before A";
    EXPECT_FALSE(broken(33, 0x03)) << "scope instead of the terminator";
    EXPECT_FALSE(decode_name(good.data(), 33)) << "truncated";
    EXPECT_FALSE(decode_name(nullptr, 34));
}

TEST(NetbiosPacket, DirectPacketIsByteForByteTheDocumentedOne) {
    std::string expected("\x10\x02\x80\x01\xC0\xA8\x01\x0A\x00\x8A\x00\xA6\x00\x00", 14);
    expected += encoded({"PC1", 0x00}) + encoded({"PC2", 0x03});
    expected += std::string("\xFFSMB\x25", 5) + std::string(27, '\0');
    // Total counts, maxima, flags, time-out, parameter count and offset.
    expected += std::string("\x11\x00\x00\x0B\x00", 5) + std::string(18, '\0');
    expected += std::string("\x0B\x00\x57\x00\x03\x00\x01\x00\x01\x00\x02\x00\x1D\x00", 14);
    expected += std::string("\\MAILSLOT\\MESSNGR\0PC1\0PC2\0Hi\0", 29);
    EXPECT_EQ(encode_packet(pc1_to_pc2()), bytes(expected));
}

TEST(NetbiosPacket, RoundTripsEveryField) {
    MessengerPacket group = pc1_to_pc2(std::string_view("PC1\0*\0Hi\0", 9));
    group.type = DatagramType::direct_group;
    group.destination = {"WORKGROUP", kWorkstationSuffix};
    group.id = 7;
    group.source_port = 50000;
    MessengerPacket broadcast = pc1_to_pc2(std::string(kMaxMessageBytes, 'x'));
    broadcast.type = DatagramType::broadcast;
    broadcast.destination = {"*", 0};
    broadcast.source_ip = 0xFFFFFFFE;
    broadcast.id = 0xFFFF;
    for (const MessengerPacket& packet : {pc1_to_pc2(), group, broadcast}) {
        const auto wire = encode_packet(packet);
        ASSERT_FALSE(wire.empty());
        EXPECT_EQ(decode_packet(wire.data(), wire.size()), packet);
    }
}

TEST(NetbiosPacket, RefusesToEncodeEmptyOrOverlongMessages) {
    EXPECT_TRUE(encode_packet(pc1_to_pc2("")).empty());
    EXPECT_TRUE(encode_packet(pc1_to_pc2(std::string(kMaxMessageBytes + 1, 'x'))).empty());
    MessengerPacket nameless = pc1_to_pc2();
    nameless.destination.name.clear();
    EXPECT_TRUE(encode_packet(nameless).empty());
}

TEST(NetbiosPacket, TakesTheDataAtItsOffsetAsOtherSendersPadIt) {
    // Three bytes of padding between the name and the data, lower-case name,
    // a time-out and bytes after the datagram's end, as other systems send.
    auto wire = encode_packet(pc1_to_pc2());
    wire.insert(wire.begin() + kData, {0xAA, 0xBB, 0xCC});
    wire[kMailslotName + 1] = 'm';
    set_be16(wire, kDgmLength, static_cast<uint16_t>(wire.size() - 14));
    set_le16(wire, kDataOffset, 87 + 3);
    set_le16(wire, kByteCount, 29 + 3);
    set_le16(wire, 127, 1000);
    wire.push_back(0xEE);
    const auto packet = decode_packet(wire.data(), wire.size());
    ASSERT_TRUE(packet);
    EXPECT_EQ(packet->data, pc1_to_pc2().data);
}

TEST(NetbiosPacket, RejectsEveryTruncation) {
    const auto wire = encode_packet(pc1_to_pc2());
    for (size_t length = 0; length < wire.size(); ++length) {
        EXPECT_FALSE(decode_packet(wire.data(), length)) << length;
    }
    EXPECT_FALSE(decode_packet(nullptr, wire.size()));
}

TEST(NetbiosPacket, RejectsUserDataOverTheDatagramLimit) {
    // 87 bytes of SMB before the data: 425 bytes of data are 512 in all, 426 one too many.
    auto grown = [](size_t extra) {
        auto wire = encode_packet(pc1_to_pc2(std::string(kMaxMessageBytes, 'x')));
        wire.insert(wire.end(), extra, 'y');
        const auto count = static_cast<uint16_t>(kMaxMessageBytes + extra);
        set_be16(wire, kDgmLength, static_cast<uint16_t>(wire.size() - 14));
        set_le16(wire, kTotalDataCount, count);
        set_le16(wire, kDataCount, count);
        set_le16(wire, kByteCount, static_cast<uint16_t>(18 + count));
        return wire;
    };
    const auto at_limit = grown(1);
    EXPECT_TRUE(decode_packet(at_limit.data(), at_limit.size()));
    const auto over = grown(2);
    EXPECT_FALSE(decode_packet(over.data(), over.size()));
}

TEST(NetbiosPacket, RejectsWrongTypesFragmentsAndWhatIsNoMessengerWrite) {
    const auto good = encode_packet(pc1_to_pc2());
    struct Case {
        const char* name;
        size_t at;
        std::vector<uint8_t> value;
    };
    const Case cases[] = {
        {"type below direct unique", 0, {0x0F}},
        {"error datagram", 0, {0x13}},
        {"query request", 0, {0x14}},
        {"more fragments follow", 1, {0x03}},
        {"not the first fragment", 1, {0x00}},
        {"packet offset", 12, {0x00, 0x10}},
        {"length past the end", 10, {0x00, 0xA7}},
        {"length inside the SMB header", 10, {0x00, 0x60}},
        {"source name", 14, {0x21}},
        {"destination name", 50, {'Z'}},
        {"no SMB magic", 82, {0xFE}},
        {"other SMB command", 86, {0x32}},
        {"other word count", 114, {14}},
        {"other setup count", 141, {2}},
        {"mailslot read, not write", 143, {2, 0}},
        {"no data", kDataCount, {0, 0}},
        {"more data to come", kTotalDataCount, {0x0C, 0}},
        {"data past the end", kDataCount, {0x0C, 0}},
        {"data offset inside the name", kDataOffset, {0x50, 0}},
        {"data offset past the end", kDataOffset, {0xFF, 0}},
        {"other mailslot", kMailslotName + 10, {'B'}},
        {"mailslot name not terminated", kMailslotName + 17, {'X'}},
        {"mailslot name outside the byte count", kByteCount, {0x05, 0}},
    };
    for (const Case& c : cases) {
        auto wire = good;
        std::copy(c.value.begin(), c.value.end(), wire.begin() + static_cast<long>(c.at));
        EXPECT_FALSE(decode_packet(wire.data(), wire.size())) << c.name;
    }
}

TEST(NetbiosPacket, WritesToOtherMailslotsPassOnlyWhenTheCallerTakesTheirName) {
    MessengerPacket p = pc1_to_pc2(std::string_view("\x02\0PC1\0", 6));
    p.destination = {"WORKGROUP", 0x00};
    const auto wire = encode_packet(p, "\\MAILSLOT\\Browse");
    EXPECT_FALSE(decode_packet(wire.data(), wire.size())) << "not a message";
    std::string slot;
    EXPECT_EQ(decode_packet(wire.data(), wire.size(), &slot), p);
    EXPECT_EQ(slot, "\\MAILSLOT\\BROWSE");
}

TEST(NetbiosAddress, MessagesGoToTheMessengerNameOrTheWorkgroup) {
    const Addressing direct = address_message("pc2", "WORKGROUP");
    EXPECT_EQ(direct.type, DatagramType::direct_unique);
    EXPECT_EQ(direct.destination, (Name{"pc2", kMessengerSuffix}));
    const Addressing all = address_message("*", "OFFICE");
    EXPECT_EQ(all.type, DatagramType::direct_group);
    EXPECT_EQ(all.destination, (Name{"OFFICE", kWorkstationSuffix}));
}

TEST(NetbiosAddress, AcceptsThisComputerItsWorkgroupAndTheBroadcastName) {
    const struct {
        Name destination;
        bool here;
    } cases[] = {
        {{"PC2", 0x03}, true},        {{"pc2", 0x00}, true},    {{"PC2", 0x20}, false},
        {{"OFFICE", 0x00}, true},     {{"office", 0x03}, true}, {{"OFFICE", 0x20}, false},
        {{"*", 0x00}, true},          {{"*", 0x03}, false},     {{"PC3", 0x03}, false},
        {{"WORKGROUP", 0x00}, false}, {{"", 0x00}, false},      {{"PC2XXXXXXXXXXXX", 0x03}, false},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(addressed_here(c.destination, "PC2", "OFFICE"), c.here)
            << c.destination.name << "<" << int(c.destination.suffix) << ">";
    }
    EXPECT_FALSE(addressed_here({"", 0x00}, "", ""));
}

}  // namespace
