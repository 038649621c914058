// The SMB message commands: header, parsing of requests, building of
// requests and responses (portable). Every count is checked against the bytes given.
#include "transport/smb_message.h"

#include <cstring>

#include "transport/session_packet.h"
#include "transport/wire_bytes.h"

namespace smb {

namespace {

constexpr uint8_t kMagic[4] = {0xFF, 'S', 'M', 'B'};
constexpr uint8_t kStringFormat = 0x04;
constexpr uint8_t kDataFormat = 0x01;

// Header offsets.
constexpr size_t kCommand = 4, kStatus = 5, kFlags = 9, kFlags2 = 10, kPidHigh = 12;
constexpr size_t kTid = 24, kPid = 26, kUid = 28, kMid = 30;

using wire::le16;
using wire::put_le16;

void set_le16(uint8_t* p, uint16_t v) {
    p[0] = static_cast<uint8_t>(v);
    p[1] = static_cast<uint8_t>(v >> 8);
}

// Reads the fields of the byte block in turn; any read past its end fails
// the whole parse.
class Reader {
public:
    explicit Reader(const std::vector<uint8_t>& bytes) : p_(bytes.data()), left_(bytes.size()) {}

    bool string(std::string& out) {
        if (!left_ || *p_ != kStringFormat) return false;
        const void* nul = std::memchr(p_ + 1, 0, left_ - 1);
        if (!nul) return false;
        const size_t length = static_cast<const uint8_t*>(nul) - (p_ + 1);
        if (length > kMaxMessageName) return false;
        out.assign(reinterpret_cast<const char*>(p_ + 1), length);
        skip(length + 2);
        return true;
    }
    bool data(std::string& out) {
        if (left_ < 3 || *p_ != kDataFormat) return false;
        const size_t length = le16(p_ + 1);
        if (length > left_ - 3) return false;
        out.assign(reinterpret_cast<const char*>(p_ + 3), length);
        skip(length + 3);
        return true;
    }

private:
    void skip(size_t n) {
        p_ += n;
        left_ -= n;
    }
    const uint8_t* p_;
    size_t left_;
};

Smb request(uint8_t command, uint16_t mid) {
    Smb smb;
    smb.header.command = command;
    smb.header.flags2 = kFlags2NtStatus;
    smb.header.mid = mid;
    return smb;
}

bool put_string(std::vector<uint8_t>& out, std::string_view s) {
    if (s.size() > kMaxMessageName || s.find('\0') != std::string_view::npos) return false;
    out.push_back(kStringFormat);
    out.insert(out.end(), s.begin(), s.end());
    out.push_back(0);
    return true;
}

void put_data(std::vector<uint8_t>& out, std::string_view s) {
    out.push_back(kDataFormat);
    put_le16(out, static_cast<uint16_t>(s.size()));
    out.insert(out.end(), s.begin(), s.end());
}

// The SMB in a session message, ready for the wire.
std::vector<uint8_t> framed(const Smb& smb) {
    const std::vector<uint8_t> body = encode_smb(smb);
    return netbios::encode_session_packet(netbios::SessionType::message, body.data(), body.size());
}

}  // namespace

std::optional<Smb> decode_smb(const uint8_t* bytes, size_t length) {
    if (!bytes || length < kHeaderBytes + 3 || std::memcmp(bytes, kMagic, 4) != 0) {
        return std::nullopt;
    }
    Smb smb;
    Header& h = smb.header;
    h.command = bytes[kCommand];
    h.status = static_cast<uint32_t>(le16(bytes + kStatus)) |
               static_cast<uint32_t>(le16(bytes + kStatus + 2)) << 16;
    h.flags = bytes[kFlags];
    h.flags2 = le16(bytes + kFlags2);
    h.pid_high = le16(bytes + kPidHigh);
    h.tid = le16(bytes + kTid);
    h.pid = le16(bytes + kPid);
    h.uid = le16(bytes + kUid);
    h.mid = le16(bytes + kMid);

    const size_t word_count = bytes[kHeaderBytes];
    const size_t byte_count_at = kHeaderBytes + 1 + 2 * word_count;
    if (byte_count_at + 2 > length) return std::nullopt;
    const size_t byte_count = le16(bytes + byte_count_at);
    if (byte_count > length - byte_count_at - 2) return std::nullopt;
    for (size_t i = 0; i < word_count; ++i)
        smb.words.push_back(le16(bytes + kHeaderBytes + 1 + 2 * i));
    smb.bytes.assign(bytes + byte_count_at + 2, bytes + byte_count_at + 2 + byte_count);
    return smb;
}

std::vector<uint8_t> encode_smb(const Smb& smb) {
    std::vector<uint8_t> out(kHeaderBytes, 0);
    std::memcpy(out.data(), kMagic, 4);
    const Header& h = smb.header;
    out[kCommand] = h.command;
    set_le16(&out[kStatus], static_cast<uint16_t>(h.status));
    set_le16(&out[kStatus + 2], static_cast<uint16_t>(h.status >> 16));
    out[kFlags] = h.flags;
    set_le16(&out[kFlags2], h.flags2);
    set_le16(&out[kPidHigh], h.pid_high);
    set_le16(&out[kTid], h.tid);
    set_le16(&out[kPid], h.pid);
    set_le16(&out[kUid], h.uid);
    set_le16(&out[kMid], h.mid);
    out.push_back(static_cast<uint8_t>(smb.words.size()));
    for (uint16_t w : smb.words)
        put_le16(out, w);
    put_le16(out, static_cast<uint16_t>(smb.bytes.size()));
    out.insert(out.end(), smb.bytes.begin(), smb.bytes.end());
    return out;
}

uint32_t status_code(Status status, bool nt_status) {
    // DOS form: class in the low byte, code in the high word.
    auto dos = [](uint32_t error_class, uint32_t code) { return error_class | code << 16; };
    constexpr uint32_t kErrDos = 0x01, kErrSrv = 0x02;
    switch (status) {
        case Status::success:
            return 0;
        case Status::malformed:  // STATUS_INVALID_PARAMETER, ERRDOS/ERRinvalidparam
            return nt_status ? 0xC000000D : dos(kErrDos, 87);
        case Status::out_of_sequence:  // STATUS_UNSUCCESSFUL, ERRSRV/ERRerror
            return nt_status ? 0xC0000001 : dos(kErrSrv, 1);
        case Status::too_long:  // STATUS_INVALID_BUFFER_SIZE, ERRDOS/ERRinsufficientbuffer
            return nt_status ? 0xC0000206 : dos(kErrDos, 122);
        case Status::not_delivered:  // STATUS_INSUFFICIENT_RESOURCES, ERRSRV/ERRnoresource
            return nt_status ? 0xC000009A : dos(kErrSrv, 89);
    }
    return nt_status ? 0xC0000001 : dos(kErrSrv, 1);
}

std::vector<uint8_t> build_response(const Header& request, Status status,
                                    std::vector<uint16_t> words) {
    Smb reply;
    reply.header = request;
    reply.header.flags = static_cast<uint8_t>(request.flags | kFlagsReply);
    reply.header.status = status_code(status, request.flags2 & kFlags2NtStatus);
    reply.words = std::move(words);
    return framed(reply);
}

std::optional<WholeMessage> parse_send_message(const Smb& smb) {
    if (smb.header.command != kSendMessage || !smb.words.empty()) return std::nullopt;
    WholeMessage m;
    Reader r(smb.bytes);
    if (!r.string(m.names.originator) || !r.string(m.names.destination) || !r.data(m.text)) {
        return std::nullopt;
    }
    return m;
}

std::optional<MessageNames> parse_start_message(const Smb& smb) {
    if (smb.header.command != kSendStartMultiBlock || !smb.words.empty()) return std::nullopt;
    MessageNames names;
    Reader r(smb.bytes);
    if (!r.string(names.originator) || !r.string(names.destination)) return std::nullopt;
    return names;
}

std::optional<std::string> parse_text_block(const Smb& smb) {
    if (smb.header.command != kSendTextMultiBlock || smb.words.size() != 1) return std::nullopt;
    std::string text;
    Reader r(smb.bytes);
    if (!r.data(text)) return std::nullopt;
    return text;
}

std::vector<uint8_t> build_send_message(std::string_view from, std::string_view to,
                                        std::string_view text, uint16_t mid) {
    Smb smb = request(kSendMessage, mid);
    if (text.size() > kMaxBlockText || !put_string(smb.bytes, from) || !put_string(smb.bytes, to)) {
        return {};
    }
    put_data(smb.bytes, text);
    return framed(smb);
}

std::vector<uint8_t> build_start_message(std::string_view from, std::string_view to, uint16_t mid) {
    Smb smb = request(kSendStartMultiBlock, mid);
    if (!put_string(smb.bytes, from) || !put_string(smb.bytes, to)) return {};
    return framed(smb);
}

std::vector<uint8_t> build_text_block(uint16_t group, std::string_view text, uint16_t mid) {
    if (text.size() > kMaxBlockText) return {};
    Smb smb = request(kSendTextMultiBlock, mid);
    smb.words = {group};
    put_data(smb.bytes, text);
    return framed(smb);
}

std::vector<uint8_t> build_end_message(uint16_t group, uint16_t mid) {
    Smb smb = request(kSendEndMultiBlock, mid);
    smb.words = {group};
    return framed(smb);
}

}  // namespace smb
