// Fuzz target for the incoming message session and its codecs. The first
// byte chooses how the rest is split into reads and whether a valid session
// request to this computer comes first, so the message commands are reached
// from the start. Checked: no message longer than the cap is delivered, every
// answer is a well-formed session packet, nothing is read after the end, and
// an SMB that decodes encodes to the bytes it was read from.
#include <algorithm>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <vector>

#include "transport/message_session.h"
#include "transport/session_packet.h"
#include "transport/smb_message.h"

namespace {

void check_output(const std::vector<uint8_t>& out) {
    for (size_t at = 0; at < out.size();) {
        const auto header = netbios::decode_session_header(out.data() + at, out.size() - at);
        if (!header || header->length > out.size() - at - 4) std::abort();
        if (header->type == 0x00 && !smb::decode_smb(out.data() + at + 4, header->length)) {
            std::abort();
        }
        at += 4 + header->length;
    }
}

void check_smb(const uint8_t* data, size_t size) {
    const auto smb = smb::decode_smb(data, size);
    if (!smb) return;
    const auto again = smb::encode_smb(*smb);
    // The signature and reserved bytes (14 to 23) are not kept.
    if (again.size() > size || std::memcmp(again.data(), data, 14) != 0 ||
        std::memcmp(again.data() + 24, data + 24, again.size() - 24) != 0) {
        std::abort();
    }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (size == 0) return 0;
    const size_t step = 1 + (data[0] & 0x3F);
    const bool with_request = data[0] & 0x40;
    ++data;
    --size;
    check_smb(data, size);

    MessageSession session("PC1", [](const SessionMessage& m) {
        if (m.text.size() > MessageSession::kMaxMessageText) std::abort();
        return m.text.size() % 2 == 0;
    });
    if (with_request) {
        const auto request =
            netbios::encode_session_request({{"PC1", netbios::kMessengerSuffix}, {"FUZZ", 0x00}});
        session.feed(request.data(), request.size());
    }
    for (size_t at = 0; at < size; at += step) {
        const bool was_ended = session.ended();
        session.feed(data + at, std::min(step, size - at));
        const auto out = session.take_output();
        if (was_ended && !out.empty()) std::abort();
        check_output(out);
    }
    return 0;
}
