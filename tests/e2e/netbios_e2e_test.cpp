// The real program under Wine in an NT version without a Messenger service:
// it takes its own network path, lists a message that arrives on UDP port 138,
// and with the port taken still starts, says so once and sends its
// auto-answer to the network (Windows only, end to end).
#include <winsock2.h>
#include <windows.h>

#include <gtest/gtest.h>

#include <cstdio>

#include "support/name_answerer_win.h"
#include "support/network_load_win.h"
#include "support/png_win.h"
#include "support/private_network_win.h"
#include "support/program_test_win.h"
#include "support/udp_socket_win.h"
#include "transport/local_networks_win.h"
#include "transport/netbios_datagram.h"
#include "transport/standins/installed_service_win.h"

namespace {

using namespace netbios;

const char kPortTaken[] = "UDP port 138 is in use by another program";

class NetbiosProgramTest : public ProgramTest {
protected:
    void SetUp() override {
        REQUIRE_PRIVATE_NETWORK();
        WSADATA data;
        ASSERT_EQ(WSAStartup(MAKEWORD(2, 2), &data), 0);
        remove_messenger_service();
        ProgramTest::SetUp();
    }
    void TearDown() override { WSACleanup(); }

    const std::string computer_ = computer_name();
};

TEST_F(NetbiosProgramTest, ListsAMessageThatArrivesOnUdpPort138) {
    start_program();
    if (HWND box = program_.find_dialog_with_text("UDP port 138")) {
        if (program_.find_dialog_with_text("may not use")) GTEST_SKIP() << "port 138 needs root";
        FAIL() << window_text(box);
    }

    UdpSocket peer;
    ASSERT_TRUE(peer.send_to_port_138(
        messenger_packet("PC9", computer_, datagram("PC9", computer_, "Hello over UDP"))));
    ASSERT_TRUE(wait_until([&] { return program_.rows().size() == 1; }))
        << "the packet did not reach the list";
    EXPECT_EQ(program_.rows()[0].from, "PC9");
    EXPECT_EQ(program_.rows()[0].to, computer_);
    exit_program();
}

// 1,000 packets a second for 10 s, with sends to this computer meanwhile and
// another process holding the mailslot open: every packet listed in order
// (or, past the queue, counted as dropped), every send through and listed.
TEST_F(NetbiosProgramTest, UnderLoadListsEveryMessageInOrderAndSendsToItselfAllSucceed) {
    start_program();
    if (program_.find_dialog_with_text("may not use")) GTEST_SKIP() << "port 138 needs root";
    constexpr int kRate = 1000, kSeconds = 10, kSends = 100;
    const NetworkLoad load = run_network_load(program_, kRate, kSeconds, kSends);
    std::printf("%s\n", describe(load, kRate, kSeconds).c_str());
    ASSERT_EQ(load.problem, "");
    EXPECT_TRUE(load.mailslot_held);
    EXPECT_EQ(load.packets, kRate * kSeconds);
    EXPECT_EQ(load.listed + load.dropped, load.packets) << "nothing lost without being counted";
    EXPECT_GT(load.listed, 0) << "a local writer holding the mailslot shut the network out";
    EXPECT_TRUE(load.in_order);
    EXPECT_EQ(load.sends_ok, kSends);
    EXPECT_EQ(load.sends_listed, kSends);
    exit_program();
}

TEST_F(NetbiosProgramTest, WithThePortTakenSaysSoOnceAndStillWorks) {
    UdpSocket network(kDatagramPort);
    if (!network.bound() && WSAGetLastError() == WSAEACCES) GTEST_SKIP() << "port 138 needs root";
    ASSERT_TRUE(network.bound()) << WSAGetLastError();
    store_dword("aam", 1);
    store_string("aat", "Back at five");

    ASSERT_TRUE(program_.start());
    HWND box = wait_for_dialog(kPortTaken);
    ASSERT_NE(box, nullptr) << "no message box about the port";
    EXPECT_EQ(window_text(box), "Quorvanta Messenger");
    save_screenshot(box, artifact_path("netbios-port-taken.png"));
    press(box, IDOK);
    ASSERT_TRUE(wait_gone(box));
    ASSERT_TRUE(program_.wait_ready()) << "the main window did not become ready";

    // A message on this computer arrives and is answered over the network:
    // PC9 answers for its name at this computer's address, where no session
    // takes PC9<03>, so the answer goes there as a datagram.
    NameAnswerer pc9({"PC9", kMessengerSuffix}, query_local_networks().front().address);
    ASSERT_TRUE(pc9.bound()) << WSAGetLastError();
    ASSERT_TRUE(write_datagram(datagram("PC9", computer_, "Are you there?")));
    ASSERT_TRUE(wait_until([&] { return program_.rows().size() == 1; }));
    const auto wire = network.receive(5000);
    ASSERT_TRUE(wire) << "the auto-answer did not reach the network";
    const auto answer = decode_packet(wire->data(), wire->size());
    ASSERT_TRUE(answer);
    EXPECT_EQ(answer->source, (Name{computer_, kWorkstationSuffix}));
    EXPECT_EQ(answer->destination, (Name{"PC9", kMessengerSuffix}));
    const std::string expected = datagram(computer_, "PC9", "Back at five");
    EXPECT_EQ(std::string(answer->data.begin(), answer->data.end()), expected);

    EXPECT_EQ(program_.find_dialog_with_text(kPortTaken), nullptr) << "said once only";
    exit_program();
}

}  // namespace
