// The program's own network path against real UDP port 138 under Wine: what
// the listener hands to the receiver, the bytes a send puts on the network,
// a flood past the queue, a local writer holding the mailslot, and a port
// that another program holds (Windows only; the port needs root on Linux,
// which the test runs have).
#include "transport/netbios_path_win.h"

#include <winsock2.h>
#include <windows.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <optional>
#include <string>
#include <vector>

#include "core/process_state.h"
#include "support/mailslot_helpers_win.h"
#include "support/name_answerer_win.h"
#include "support/netbios_test_win.h"
#include "support/udp_socket_win.h"
#include "transport/browse_announcement.h"
#include "transport/local_networks_win.h"
#include "transport/netbios_datagram.h"

namespace {

using namespace netbios;

const char kMessengerSlot[] = "\\\\.\\mailslot\\messngr";
const char kComputer[] = "QVAHOST";

std::vector<uint8_t> packet_to(const Name& destination, std::string_view data,
                               const char* source = "PC9") {
    MessengerPacket p;
    p.type = destination.name == "*" ? DatagramType::broadcast : DatagramType::direct_unique;
    p.source = {source, kWorkstationSuffix};
    p.destination = destination;
    p.data.assign(data.begin(), data.end());
    return encode_packet(p);
}

// Everything the path has handed to the receiver so far, oldest first.
std::vector<std::string> take_received() {
    std::vector<std::string> all;
    bool more = false;
    while (auto d = netbios_received()->pop(more))
        all.emplace_back(d->begin(), d->end());
    return all;
}

// Datagrams handed to the receiver until `last` has come or 5 s have passed;
// each wait ends on the arrival event.
std::vector<std::string> read_until(const std::string& last) {
    std::vector<std::string> all;
    const DWORD start = GetTickCount();
    while (GetTickCount() - start < 5000) {
        for (std::string& d : take_received())
            all.push_back(std::move(d));
        if (!all.empty() && all.back() == last) break;
        WaitForSingleObject(netbios_arrival_event(), 500);
    }
    return all;
}

class NetbiosPathTest : public NetbiosTest {
protected:
    void SetUp() override {
        NetbiosTest::SetUp();
        if (!set_up()) return;
        slot_.reset(create_test_mailslot(kMessengerSlot));
        ASSERT_TRUE(slot_) << GetLastError();
        take_received();
    }
    void TearDown() override {
        NetbiosTest::TearDown();
        EXPECT_FALSE(netbios_path_active());
    }
    HANDLE slot() const { return slot_.get(); }

    UniqueFile slot_;
};

TEST_F(NetbiosPathTest, ForwardsPacketsForThisComputerItsWorkgroupAndEveryoneAlone) {
    const NetbiosStart start = start_netbios_path(kComputer);
    if (start.port == PortState::denied) GTEST_SKIP() << "UDP port 138 needs root here";
    ASSERT_EQ(start.port, PortState::bound) << start.problem;
    EXPECT_EQ(start.problem, "");
    ASSERT_TRUE(netbios_path_active());
    const std::string workgroup = netbios_workgroup();
    ASSERT_FALSE(workgroup.empty());

    UdpSocket peer;
    ASSERT_TRUE(peer.bound());
    auto send = [&](const std::vector<uint8_t>& packet) {
        ASSERT_TRUE(peer.send_to_port_138(packet));
    };
    const std::string to_messenger = datagram("PC9", kComputer, "one");
    auto truncated = packet_to({kComputer, kMessengerSuffix}, datagram("PC9", kComputer, "cut"));
    truncated.resize(truncated.size() - 1);
    send(packet_to({kComputer, kMessengerSuffix}, to_messenger));
    send(packet_to({"OTHERPC", kMessengerSuffix}, datagram("PC9", "OTHERPC", "not here")));
    send(truncated);
    send({0x10, 0x02, 0xFF});
    send(
        packet_to({kComputer, kMessengerSuffix}, datagram(kComputer, kComputer, "own"), kComputer));
    send(packet_to({"qvahost", kWorkstationSuffix}, datagram("PC9", "qvahost", "two")));
    send(packet_to({workgroup, kWorkstationSuffix}, datagram("PC9", "*", "three")));
    const std::string last = datagram("PC9", "*", "four");
    send(packet_to({"*", 0}, last));

    EXPECT_EQ(read_until(last),
              (std::vector<std::string>{to_messenger, datagram("PC9", "qvahost", "two"),
                                        datagram("PC9", "*", "three"), last}));
    EXPECT_TRUE(mailslot_empty(slot())) << "the mailslot is for local writers only";
}

TEST_F(NetbiosPathTest, HearsAnnouncementsIntoTheBrowseListAndAnnouncesThisComputerUntilItEnds) {
    const NetbiosStart start = start_netbios_path(kComputer);
    if (start.port == PortState::denied) GTEST_SKIP() << "UDP port 138 needs root here";
    ASSERT_EQ(start.port, PortState::bound) << start.problem;
    auto announcement = [](const Name& to, browse::Opcode opcode, const char* name) {
        MessengerPacket p;
        p.type = DatagramType::direct_group;
        p.source = {"PC7", kWorkstationSuffix};
        p.destination = to;
        p.data = browse::build_announcement({opcode, 0, 60000, name, 6, 1, 1, ""});
        return encode_packet(p, browse::kBrowseMailslot);
    };
    UdpSocket peer;
    ASSERT_TRUE(peer.send_to_port_138(announcement({"LAB", browse::kMasterBrowserSuffix},
                                                   browse::Opcode::host_announcement, "PC7")));
    ASSERT_TRUE(peer.send_to_port_138(
        announcement({"LAB", kMessengerSuffix}, browse::Opcode::host_announcement, "NOTHERE")));
    ASSERT_TRUE(peer.send_to_port_138(announcement({browse::kMsBrowseName, browse::kMsBrowseSuffix},
                                                   browse::Opcode::domain_announcement, "OFFICE")));
    const HeardNetwork expected{
        {"LAB", {"PC7"}}, {"OFFICE", {}}, {netbios_workgroup(), {kComputer}}};
    HeardNetwork heard;
    for (int i = 0; i < 50 && heard != expected; ++i, Sleep(100))
        heard = netbios_browse_list().snapshot(browse_clock_ms());
    EXPECT_EQ(heard, expected) << "this computer announces itself at start";

    stop_netbios_path();
    EXPECT_EQ(netbios_browse_list().snapshot(browse_clock_ms()),
              (HeardNetwork{{"LAB", {"PC7"}}, {"OFFICE", {}}}))
        << "its last announcement, of server type 0, takes it off at once";
}

// A local writer that holds the mailslot open cannot shut the network out;
// a flood past the queue drops the newest, counts them and keeps the order;
// sends to this computer meanwhile still go through.
TEST_F(NetbiosPathTest, AFloodPastTheQueueDropsTheNewestAndCountsThemWhileLocalSendsGoThrough) {
    const NetbiosStart start = start_netbios_path(kComputer);
    if (start.port == PortState::denied) GTEST_SKIP() << "UDP port 138 needs root here";
    ASSERT_EQ(start.port, PortState::bound) << start.problem;
    MailslotWriter holder(kMessengerSlot);
    ASSERT_TRUE(holder.valid()) << GetLastError();

    UdpSocket peer;
    const uint32_t dropped_before = netbios_dropped();
    const size_t flood = kReceivedQueueCapacity + 500;
    std::vector<std::string> sent;
    for (size_t i = 0; i < flood; ++i) {
        sent.push_back(datagram("PC9", kComputer, "flood " + std::to_string(i)));
        ASSERT_TRUE(peer.send_to_port_138(packet_to({kComputer, kMessengerSuffix}, sent.back())));
        if (i % 20 == 0) Sleep(1);  // the test's sends would outrun any listener
    }
    const auto accounted = [&] {
        return netbios_received()->size() + (netbios_dropped() - dropped_before);
    };
    for (const DWORD begin = GetTickCount(); accounted() < flood && GetTickCount() - begin < 10000;)
        Sleep(20);
    ASSERT_EQ(accounted(), flood) << "every packet listed or counted as dropped";
    EXPECT_EQ(netbios_dropped() - dropped_before, flood - kReceivedQueueCapacity);
    ASSERT_EQ(netbios_send(kComputer, kComputer, "to myself"), 1) << "the full queue keeps room";

    sent.resize(kReceivedQueueCapacity);  // the oldest are kept, in order
    sent.push_back(datagram(kComputer, kComputer, "to myself"));
    EXPECT_EQ(take_received(), sent);
    EXPECT_TRUE(mailslot_empty(slot()));
}

TEST_F(NetbiosPathTest, WithThePortTakenStartsAndSendsTheDocumentedPacketToTheNetwork) {
    UdpSocket network(kDatagramPort);
    if (!network.bound() && WSAGetLastError() == WSAEACCES) {
        GTEST_SKIP() << "UDP port 138 needs root here";
    }
    ASSERT_TRUE(network.bound()) << WSAGetLastError();

    // The answer rests on the failed bind's own error, not on one left over.
    SetLastError(0xDEADBEEF);
    const NetbiosStart start = start_netbios_path(kComputer);
    EXPECT_EQ(start.port, PortState::in_use);
    EXPECT_NE(start.problem.find("UDP port 138 is in use by another program"), std::string::npos)
        << start.problem;
    ASSERT_TRUE(netbios_path_active());

    // e acute is 0xE9 in the ANSI code page and 0x82 in the OEM one; only the
    // text is converted.
    // Nobody answers for PC2: no computer can take the message.
    const uint32_t sent = g_statistics.sent.load();
    EXPECT_EQ(netbios_send(kComputer, "pc2", "Hi \xE9"), 0);
    EXPECT_EQ(g_statistics.sent.load(), sent) << "nothing counted sent";
    EXPECT_FALSE(network.receive(500)) << "nothing sent for a name nobody answers for";

    // PC2 answers at this computer's address, where no session takes PC2<03>:
    // the message goes straight there as a datagram.
    NameAnswerer pc2({"PC2", kMessengerSuffix}, query_local_networks().front().address);
    ASSERT_TRUE(pc2.bound()) << WSAGetLastError();
    ASSERT_EQ(netbios_send(kComputer, "pc2", "Hi \xE9"), 1);
    EXPECT_EQ(g_statistics.sent.load(), sent + 1);
    sockaddr_in from{};
    const auto wire = network.receive(3000, &from);
    const uint16_t from_port = ntohs(from.sin_port);
    ASSERT_TRUE(wire) << "nothing arrived on the local network's broadcast address";
    const std::string expected_data = datagram(kComputer, "pc2", "Hi \x82");
    ASSERT_GE(wire->size(), 169u + expected_data.size());
    EXPECT_EQ((*wire)[0], 0x10);
    EXPECT_EQ((*wire)[1], 0x02);
    EXPECT_EQ(std::memcmp(wire->data() + 82, "\xFFSMB\x25", 5), 0);
    EXPECT_EQ(std::memcmp(wire->data() + 151, "\\MAILSLOT\\MESSNGR", 18), 0);
    EXPECT_EQ(std::string(wire->begin() + 169, wire->end()), expected_data);
    const auto packet = decode_packet(wire->data(), wire->size());
    ASSERT_TRUE(packet);
    EXPECT_EQ(packet->source, (Name{"QVAHOST", kWorkstationSuffix}));
    EXPECT_EQ(packet->destination, (Name{"PC2", kMessengerSuffix}));
    EXPECT_NE(packet->source_ip, 0u);
    EXPECT_EQ(packet->source_port, from_port) << "the port it really left from";
    EXPECT_TRUE(mailslot_empty(slot())) << "a message for another computer stays off this one";

    // Everyone: the workgroup's group name on the network, and this computer too.
    ASSERT_EQ(netbios_send(kComputer, "*", "all"), 1);
    const auto group = network.receive(3000);
    ASSERT_TRUE(group);
    const auto group_packet = decode_packet(group->data(), group->size());
    ASSERT_TRUE(group_packet);
    EXPECT_EQ(group_packet->type, DatagramType::direct_group);
    EXPECT_EQ(group_packet->destination, (Name{netbios_workgroup(), kWorkstationSuffix}));
    EXPECT_EQ(take_received(), std::vector<std::string>{datagram(kComputer, "*", "all")});
}

TEST_F(NetbiosPathTest, RefusesDatagramsOverTheWireLimitAndCountsNothing) {
    UdpSocket network(kDatagramPort);
    if (!network.bound() && WSAGetLastError() == WSAEACCES) {
        GTEST_SKIP() << "UDP port 138 needs root here";
    }
    start_netbios_path(kComputer);
    const uint32_t sent = g_statistics.sent.load();
    // Sender, "*", text and three NULs: 11 bytes beside the text.
    EXPECT_EQ(netbios_send(kComputer, "*", std::string(kMaxMessageBytes - 11, 'x').c_str()), 1);
    EXPECT_EQ(netbios_send(kComputer, "*", std::string(kMaxMessageBytes - 10, 'x').c_str()), 0);
    EXPECT_EQ(netbios_send(kComputer, kComputer, std::string(1000, 'x').c_str()), 0);
    EXPECT_EQ(netbios_send(nullptr, "*", "x"), 0);
    EXPECT_EQ(g_statistics.sent.load(), sent + 1);
    EXPECT_EQ(take_received().size(), 1u) << "only the one that fits arrives";
}

}  // namespace
