// Session packets, the SMB message commands and the incoming message session:
// exact bytes, a whole exchange fed in any split, and hostile input (portable).
#include "transport/message_session.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "transport/session_packet.h"
#include "transport/smb_message.h"

namespace {

using Bytes = std::vector<uint8_t>;

Bytes bytes(std::string_view s) {
    return {s.begin(), s.end()};
}
Bytes operator+(Bytes a, const Bytes& b) {
    a.insert(a.end(), b.begin(), b.end());
    return a;
}

const Bytes kRequestToPc1 =
    netbios::encode_session_request({{"PC1", netbios::kMessengerSuffix}, {"LINUXBOX", 0x00}});
const Bytes kPositive = {0x82, 0, 0, 0};

// A request with the given command and bytes, no words, in a session message.
Bytes session_smb(uint8_t command, const Bytes& smb_bytes) {
    smb::Smb m;
    m.header.command = command;
    m.header.flags2 = smb::kFlags2NtStatus;
    m.bytes = smb_bytes;
    const Bytes body = smb::encode_smb(m);
    return netbios::encode_session_packet(netbios::SessionType::message, body.data(), body.size());
}

// A session of this computer, PC1, that records what it delivers.
struct Session {
    std::vector<SessionMessage> delivered;
    bool accept = true;
    MessageSession session{"pc1", [this](const SessionMessage& m) {
                               delivered.push_back(m);
                               return accept;
                           }};
    Bytes feed(const Bytes& in, size_t step = 0) {
        if (step == 0) step = in.size();
        for (size_t i = 0; i < in.size(); i += step)
            session.feed(in.data() + i, std::min(step, in.size() - i));
        return session.take_output();
    }
};

// The status of each SMB reply in a stream of session messages (NT codes).
std::vector<uint32_t> statuses(const Bytes& out) {
    std::vector<uint32_t> result;
    for (size_t at = 0; at + 4 <= out.size();) {
        const auto header = netbios::decode_session_header(out.data() + at, out.size() - at);
        if (header->type == 0x00) {
            const auto smb = smb::decode_smb(out.data() + at + 4, header->length);
            EXPECT_TRUE(smb && (smb->header.flags & smb::kFlagsReply));
            result.push_back(smb ? smb->header.status : 1);
        }
        at += 4 + header->length;
    }
    return result;
}

constexpr uint32_t kOk = 0, kInvalid = 0xC000000D, kSequence = 0xC0000001;
constexpr uint32_t kTooLong = 0xC0000206, kNotDelivered = 0xC000009A;

TEST(SessionPacket, HeaderLengthUsesTheExtensionBitAndReservedFlagsAreRejected) {
    const struct {
        Bytes in;
        bool ok;
        size_t length;
    } cases[] = {
        {{0x00, 0x00, 0x12, 0x34}, true, 0x1234}, {{0x00, 0x01, 0xFF, 0xFF}, true, 0x1FFFF},
        {{0x85, 0x00, 0x00, 0x00}, true, 0},      {{0x00, 0x02, 0x00, 0x01}, false, 0},
        {{0x00, 0x80, 0x00, 0x01}, false, 0},     {{0x00, 0x00, 0x00}, false, 0},
    };
    for (const auto& c : cases) {
        const auto h = netbios::decode_session_header(c.in.data(), c.in.size());
        EXPECT_EQ(h.has_value(), c.ok);
        if (h) {
            EXPECT_EQ(h->length, c.length);
        }
    }
    EXPECT_TRUE(netbios::encode_session_packet(netbios::SessionType::message, nullptr,
                                               netbios::kMaxSessionLength + 1)
                    .empty());
}

TEST(SessionPacket, RequestCarriesCalledThenCallingNameEncoded) {
    const std::string called =
        "\x20"
        "FAEDDBCACACACACACACACACACACACAAD" +
        std::string(1, '\0');
    ASSERT_EQ(kRequestToPc1.size(), 72u);
    EXPECT_EQ(Bytes(kRequestToPc1.begin(), kRequestToPc1.begin() + 4), (Bytes{0x81, 0, 0, 68}));
    EXPECT_EQ(Bytes(kRequestToPc1.begin() + 4, kRequestToPc1.begin() + 38), bytes(called));
    const auto back = netbios::decode_session_request(kRequestToPc1.data() + 4, 68);
    ASSERT_TRUE(back);
    EXPECT_EQ(back->calling, (netbios::Name{"LINUXBOX", 0x00}));
    EXPECT_FALSE(netbios::decode_session_request(kRequestToPc1.data() + 4, 67));
    EXPECT_EQ(netbios::encode_negative_response(netbios::SessionError::called_name_not_present),
              (Bytes{0x83, 0, 0, 1, 0x82}));
}

TEST(SmbMessage, SingleBlockRequestHasTheDocumentedLayout) {
    const Bytes wire = smb::build_send_message("BOB", "PC1", "Hi", 7);
    ASSERT_EQ(wire.size(), 4u + 32 + 1 + 2 + 15);
    EXPECT_EQ(wire[4 + 4], 0xD0);
    EXPECT_EQ(wire[4 + 32], 0);                       // WordCount
    EXPECT_EQ(wire[4 + 33] | wire[4 + 34] << 8, 15);  // ByteCount
    EXPECT_EQ(Bytes(wire.end() - 15, wire.end()),
              bytes(std::string_view("\4BOB\0\4PC1\0\1\2\0Hi", 15)));
    EXPECT_TRUE(smb::build_send_message("BOB", "PC1", std::string(129, 'x'), 1).empty());
    EXPECT_TRUE(smb::build_start_message(std::string(128, 'B'), "PC1", 1).empty());
}

TEST(SmbMessage, CountsPastTheDataAreRejected) {
    Bytes smb = smb::build_end_message(1, 1);
    smb.erase(smb.begin(), smb.begin() + 4);
    ASSERT_TRUE(smb::decode_smb(smb.data(), smb.size()));
    for (size_t cut = 0; cut < smb.size(); ++cut)
        EXPECT_FALSE(smb::decode_smb(smb.data(), cut)) << cut;
    Bytes wide = smb;
    wide[32] = 200;  // WordCount
    EXPECT_FALSE(smb::decode_smb(wide.data(), wide.size()));
    Bytes counted = smb;
    counted[35] = 1;  // ByteCount 1 with nothing after it
    EXPECT_FALSE(smb::decode_smb(counted.data(), counted.size()));
}

TEST(SmbMessage, ResponseCopiesIdsAndGivesTheStatusInTheRequestersForm) {
    smb::Header request;
    request.command = smb::kSendStartMultiBlock;
    request.tid = 1, request.pid = 2, request.uid = 3, request.mid = 4;
    Bytes wire = smb::build_response(request, smb::Status::out_of_sequence);
    auto reply = smb::decode_smb(wire.data() + 4, wire.size() - 4);
    ASSERT_TRUE(reply);
    EXPECT_EQ(reply->header.status, 0x00010002u);  // DOS: ERRSRV, ERRerror
    EXPECT_EQ(reply->header.flags & smb::kFlagsReply, smb::kFlagsReply);
    EXPECT_EQ(reply->header.mid, 4);
    EXPECT_EQ(reply->header.uid, 3);
    request.flags2 = smb::kFlags2NtStatus;
    wire = smb::build_response(request, smb::Status::success, {9});
    reply = smb::decode_smb(wire.data() + 4, wire.size() - 4);
    EXPECT_EQ(reply->header.status, 0u);
    EXPECT_EQ(reply->words, std::vector<uint16_t>{9});
}

// The multi-block exchange a Linux sender makes, with 8-bit OEM text and CR LF.
Bytes multi_block(const std::string& text, uint16_t group = 1) {
    Bytes in = kRequestToPc1 + smb::build_start_message("root", "PC1", 1);
    for (size_t at = 0; at < text.size(); at += 127)
        in = in + smb::build_text_block(group, text.substr(at, 127), 2);
    return in + smb::build_end_message(group, 3);
}

TEST(MessageSession, MultiBlockMessageIsDeliveredWholeInAnySplit) {
    std::string text;
    for (int i = 0; i < 40; ++i)
        text += "line \x80\x99\xE4 " + std::to_string(i) + "\r\n";
    for (size_t step : {size_t{0}, size_t{1}, size_t{5}}) {
        Session s;
        const Bytes out = s.feed(multi_block(text), step);
        ASSERT_EQ(Bytes(out.begin(), out.begin() + 4), kPositive);
        EXPECT_EQ(statuses(out), std::vector<uint32_t>(2 + (text.size() + 126) / 127, kOk));
        ASSERT_EQ(s.delivered.size(), 1u);
        EXPECT_EQ(s.delivered[0].originator, "root");
        EXPECT_EQ(s.delivered[0].destination, "PC1");
        EXPECT_EQ(s.delivered[0].text, text);
        EXPECT_FALSE(s.session.ended());
    }
}

TEST(MessageSession, SingleBlockMessageAndKeepAlives) {
    Session s;
    const Bytes in = kRequestToPc1 + Bytes{0x85, 0, 0, 0} +
                     smb::build_send_message("BOB", "PC1", "Hi", 1) + Bytes{0x85, 0, 0, 0};
    EXPECT_EQ(statuses(s.feed(in, 1)), std::vector<uint32_t>{kOk});
    ASSERT_EQ(s.delivered.size(), 1u);
    EXPECT_EQ(s.delivered[0].text, "Hi");
}

TEST(MessageSession, CalledNamesOtherThanTheMessengerNameAreRefused) {
    const struct {
        netbios::Name called;
        uint8_t error;
    } cases[] = {{{"PC1", 0x00}, 0x80},
                 {{"PC1", 0x20}, 0x80},
                 {{"PC2", 0x03}, 0x82},
                 {{"*SMBSERVER", 0x20}, 0x82}};
    for (const auto& c : cases) {
        Session s;
        EXPECT_EQ(s.feed(netbios::encode_session_request({c.called, {"X", 0}})),
                  (Bytes{0x83, 0, 0, 1, c.error}));
        EXPECT_TRUE(s.session.ended());
    }
}

TEST(MessageSession, CommandsOutOfSequenceGetAnErrorAndTheSessionGoesOn) {
    Session s;
    const Bytes in = kRequestToPc1 + smb::build_text_block(1, "early", 1) +
                     smb::build_end_message(1, 2) + smb::build_start_message("A", "PC1", 3) +
                     smb::build_start_message("A", "PC1", 4) +
                     smb::build_text_block(2, "wrong group", 5) +
                     smb::build_text_block(1, "ok", 6) + smb::build_end_message(1, 7);
    EXPECT_EQ(statuses(s.feed(in)),
              (std::vector<uint32_t>{kSequence, kSequence, kOk, kSequence, kSequence, kOk, kOk}));
    ASSERT_EQ(s.delivered.size(), 1u);
    EXPECT_EQ(s.delivered[0].text, "ok");
}

TEST(MessageSession, TextPastTheCapFailsAndDropsTheMessage) {
    const std::string cap(MessageSession::kMaxMessageText, 'x');
    Session exact;
    exact.feed(multi_block(cap));
    ASSERT_EQ(exact.delivered.size(), 1u);
    EXPECT_EQ(exact.delivered[0].text, cap);

    Session over;
    const auto st = statuses(over.feed(multi_block(cap + "y")));
    EXPECT_EQ(st[st.size() - 2], kTooLong);  // the last text block
    EXPECT_EQ(st.back(), kSequence);         // the end finds no message
    EXPECT_TRUE(over.delivered.empty());

    Session single;  // one block longer than senders make
    const Bytes big =
        kRequestToPc1 +
        session_smb(smb::kSendMessage, bytes(std::string_view("\4A\0\4PC1\0\1\x41\x06", 11)) +
                                           Bytes(MessageSession::kMaxMessageText + 1, 'z'));
    EXPECT_EQ(statuses(single.feed(big)), std::vector<uint32_t>{kTooLong});
    EXPECT_TRUE(single.delivered.empty());
}

TEST(MessageSession, MalformedCommandsAndRefusedDeliveryGetErrors) {
    Session s;
    s.accept = false;
    const Bytes no_data =
        session_smb(smb::kSendMessage, bytes(std::string_view("\4A\0\4PC1\0", 8)));
    EXPECT_EQ(
        statuses(s.feed(kRequestToPc1 + no_data + smb::build_send_message("A", "PC1", "x", 2))),
        (std::vector<uint32_t>{kInvalid, kNotDelivered}));
}

TEST(MessageSession, AnythingElseEndsTheSession) {
    const Bytes message = smb::build_send_message("A", "PC1", "x", 1);
    Bytes other_command = message;
    other_command[4 + 4] = 0x72;  // negotiate
    Bytes reply = message;
    reply[4 + 9] = smb::kFlagsReply;
    const Bytes cases[] = {
        message,                                        // a message before the request
        Bytes{0x81, 0x01, 0xFF, 0xFF},                  // a request past any name's length
        kRequestToPc1 + kRequestToPc1,                  // a second request
        kRequestToPc1 + Bytes{0x00, 0x01, 0xFF, 0xFF},  // a message past the bound
        kRequestToPc1 + Bytes{0x84, 0, 0, 6, 1, 2, 3, 4, 0, 139},  // retarget
        kRequestToPc1 + Bytes{0x00, 0x04, 0, 1, 0},                // reserved flags
        kRequestToPc1 + Bytes{0x85, 0, 0, 1, 0},                   // keep-alive with data
        kRequestToPc1 + Bytes{0x00, 0, 0, 4, 'n', 'o', 'p', 'e'},
        kRequestToPc1 + other_command,
        kRequestToPc1 + reply,
    };
    for (const Bytes& in : cases) {
        Session s;
        s.feed(in);
        EXPECT_TRUE(s.session.ended());
        EXPECT_TRUE(s.delivered.empty());
        s.session.feed(message.data(), message.size());  // nothing more is read
        EXPECT_TRUE(s.session.take_output().empty());
    }
}

}  // namespace
