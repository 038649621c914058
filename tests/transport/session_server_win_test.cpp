// Session messages on real TCP port 139 under Wine: a send by session to the
// path's own listener, the limit on sessions, hostile peers that must hold up
// nothing, and a port another program holds (Windows only; the port needs
// root on Linux, which the test runs have).
#include "transport/session_server_win.h"

#include <winsock2.h>
#include <windows.h>

#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

#include "support/mailslot_helpers_win.h"
#include "support/netbios_test_win.h"
#include "support/udp_socket_win.h"
#include "transport/netbios_datagram.h"
#include "transport/netbios_path_win.h"
#include "transport/session_packet.h"
#include "transport/smb_message.h"

namespace {

const char kComputer[] = "QVAHOST";
constexpr uint32_t kLoopback = 0x7F000001;

// A plain TCP client of this computer's port 139.
struct Client {
    SOCKET s = socket(AF_INET, SOCK_STREAM, IPPROTO_TCP);
    Client() {
        sockaddr_in to{};
        to.sin_family = AF_INET;
        to.sin_port = htons(139);
        to.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
        connected = connect(s, reinterpret_cast<sockaddr*>(&to), sizeof to) == 0;
    }
    ~Client() { closesocket(s); }
    void send_bytes(const std::vector<uint8_t>& b) const {
        send(s, reinterpret_cast<const char*>(b.data()), static_cast<int>(b.size()), 0);
    }
    // What arrives within `timeout_ms` until the peer closes.
    std::vector<uint8_t> read_all(long timeout_ms) const {
        std::vector<uint8_t> all;
        for (;;) {
            fd_set readable;
            FD_ZERO(&readable);
            FD_SET(s, &readable);
            timeval wait{timeout_ms / 1000, (timeout_ms % 1000) * 1000};
            uint8_t buffer[256];
            if (select(0, &readable, nullptr, nullptr, &wait) != 1) return all;
            const int n = recv(s, reinterpret_cast<char*>(buffer), sizeof buffer, 0);
            if (n <= 0) return all;
            all.insert(all.end(), buffer, buffer + n);
        }
    }
    bool connected = false;
};

std::vector<std::string> read_until(const std::string& last) {
    std::vector<std::string> all;
    bool more = false;
    const DWORD start = GetTickCount();
    while (GetTickCount() - start < 5000 && (all.empty() || all.back() != last)) {
        while (auto d = netbios_received()->pop(more))
            all.emplace_back(d->begin(), d->end());
        WaitForSingleObject(netbios_arrival_event(), 200);
    }
    return all;
}

class SessionServerTest : public NetbiosTest {
protected:
    // Starts the path; false (and the test skipped) where port 139 needs root.
    bool start() {
        const NetbiosStart start = start_netbios_path(kComputer);
        if (start.port == PortState::denied) return false;
        EXPECT_EQ(start.problem, "");
        return true;
    }
};

TEST_F(SessionServerTest, SendBySessionIsDeliveredWholeAndOtherNamesAreRefused) {
    if (!start()) GTEST_SKIP() << "ports below 1024 need root here";
    std::string long_text;
    for (int i = 0; long_text.size() < 600; ++i)
        long_text += "Zeile \x84\x94\x81\xE1 " + std::to_string(i) + "\r\n";
    EXPECT_TRUE(send_by_session(kLoopback, "PC9", kComputer, "short"));
    EXPECT_FALSE(send_by_session(kLoopback, "PC9", "OTHERPC", "not here"));
    EXPECT_TRUE(send_by_session(kLoopback, "PC9", "qvahost", long_text));
    const std::string last = datagram("PC9", "qvahost", long_text);
    EXPECT_EQ(read_until(last),
              (std::vector<std::string>{datagram("PC9", kComputer, "short"), last}));
}

// Eight peers that hold their sessions idle, half-sent or in error fill the
// listener; a ninth is refused. With one of them gone a send gets through
// at once, and so does a datagram meanwhile.
TEST_F(SessionServerTest, HostilePeersHoldUpNeitherOtherSessionsNorDatagrams) {
    if (!start()) GTEST_SKIP() << "ports below 1024 need root here";
    const auto request = netbios::encode_session_request(
        {{kComputer, netbios::kMessengerSuffix}, {"PC9", netbios::kWorkstationSuffix}});
    std::vector<std::unique_ptr<Client>> peers;
    for (size_t i = 0; i < kMaxSessions; ++i) {
        peers.push_back(std::make_unique<Client>());
        ASSERT_TRUE(peers.back()->connected);
    }
    peers[0]->send_bytes({0x00, 0x01});  // half a header
    peers[1]->send_bytes(request);
    peers[1]->send_bytes(smb::build_text_block(1, "before any start", 1));
    peers[2]->send_bytes(request);
    peers[2]->send_bytes({0x00, 0x00, 0x00, 0x10});  // a message that never comes
    Sleep(200);
    Client ninth;
    EXPECT_EQ(ninth.read_all(2000), (std::vector<uint8_t>{0x83, 0, 0, 1, 0x83}));

    peers.pop_back();
    Sleep(200);
    const DWORD before = GetTickCount();
    EXPECT_TRUE(send_by_session(kLoopback, "PC9", kComputer, "through"));
    EXPECT_LT(GetTickCount() - before, 1000u);
    UdpSocket udp;
    const std::string by_datagram = datagram("PC9", kComputer, "by datagram");
    netbios::MessengerPacket p;
    p.source = {"PC9", 0};
    p.destination = {kComputer, netbios::kMessengerSuffix};
    p.data.assign(by_datagram.begin(), by_datagram.end());
    ASSERT_TRUE(udp.send_to_port_138(netbios::encode_packet(p)));
    EXPECT_EQ(read_until(by_datagram),
              (std::vector<std::string>{datagram("PC9", kComputer, "through"), by_datagram}));
}

TEST_F(SessionServerTest, APortHeldByAnotherProgramIsNamedAndDatagramsStillWork) {
    SOCKET holder = socket(AF_INET, SOCK_STREAM, IPPROTO_TCP);
    sockaddr_in any{};
    any.sin_family = AF_INET;
    any.sin_port = htons(139);
    if (bind(holder, reinterpret_cast<sockaddr*>(&any), sizeof any) != 0) {
        closesocket(holder);
        GTEST_SKIP() << "ports below 1024 need root here";
    }
    ASSERT_EQ(listen(holder, 1), 0);
    const NetbiosStart start = start_netbios_path(kComputer);
    closesocket(holder);
    EXPECT_EQ(start.port, PortState::bound);
    EXPECT_NE(start.problem.find("TCP port 139 is in use by another program (a Samba smbd?)"),
              std::string::npos)
        << start.problem;
}

}  // namespace
