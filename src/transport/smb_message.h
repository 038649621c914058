// The SMB message commands carried in NetBIOS session messages: the SMB
// header, the single-block message (0xD0) and the multi-block start (0xD5),
// text (0xD7) and end (0xD6); requests parsed and built, responses built and
// read (portable).
//
// Followed: the core protocol's SMB header (32 bytes: 0xFF 'SMB', command,
// status, flags, flags2, PID high, signature, reserved, TID, PID, UID, MID,
// little-endian) and its message commands as [MS-MSRP] §3.2.4 describes their
// use: names as 0x04 OEM string NUL, text as a 0x01 data block with a 16-bit
// length. No negotiation precedes them. A reply copies TID, PID, UID and MID.
#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace smb {

inline constexpr uint8_t kSendMessage = 0xD0;
inline constexpr uint8_t kSendStartMultiBlock = 0xD5;
inline constexpr uint8_t kSendEndMultiBlock = 0xD6;
inline constexpr uint8_t kSendTextMultiBlock = 0xD7;

inline constexpr size_t kHeaderBytes = 32;
inline constexpr uint8_t kFlagsReply = 0x80;
// A requester that sets this in flags2 reads 32-bit NT status codes; others
// read the DOS error class and code.
inline constexpr uint16_t kFlags2NtStatus = 0x4000;

// The text of one block the sender puts in 0xD0 or 0xD7: the core protocol's limit.
inline constexpr size_t kMaxBlockText = 128;
// The longest originator or destination name taken.
inline constexpr size_t kMaxMessageName = 127;

struct Header {
    uint8_t command = 0;
    uint32_t status = 0;
    uint8_t flags = 0;
    uint16_t flags2 = 0;
    uint16_t pid_high = 0;
    uint16_t tid = 0, pid = 0, uid = 0, mid = 0;
};

struct Smb {
    Header header;
    std::vector<uint16_t> words;
    std::vector<uint8_t> bytes;
};

// One SMB: the magic, and WordCount and ByteCount inside the bytes given
// (trailing bytes are ignored). The command is not checked.
std::optional<Smb> decode_smb(const uint8_t* bytes, size_t length);
std::vector<uint8_t> encode_smb(const Smb& smb);

// What a message command's answer says.
enum class Status {
    success,
    malformed,        // the request's parameters or bytes are not as the command has them
    out_of_sequence,  // text or end without a started message, or with another group
    too_long,         // the message would pass the receiver's limit; it is dropped
    not_delivered,    // the receiver could not take the message
};
// The status field as the requester reads it (DOS class and code, or NT status).
uint32_t status_code(Status status, bool nt_status);
// The reply to `request`: the same command and ids, the reply flag, the
// status, `words` (the group id for a successful 0xD5) and no bytes.
std::vector<uint8_t> build_response(const Header& request, Status status,
                                    std::vector<uint16_t> words = {});

struct MessageNames {
    std::string originator, destination;  // OEM
};
struct WholeMessage {
    MessageNames names;
    std::string text;  // OEM, as sent
};
// 0xD0: 04 originator NUL 04 destination NUL 01 length data.
std::optional<WholeMessage> parse_send_message(const Smb& smb);
// 0xD5: 04 originator NUL 04 destination NUL.
std::optional<MessageNames> parse_start_message(const Smb& smb);
// 0xD7: one word, the group id; 01 length data.
std::optional<std::string> parse_text_block(const Smb& smb);

// Requests for sending (flags2 asks for NT status codes); the session message
// header in front, so each is ready for the wire. Empty when a name or a
// block is too long for the command.
std::vector<uint8_t> build_send_message(std::string_view from, std::string_view to,
                                        std::string_view text, uint16_t mid);
std::vector<uint8_t> build_start_message(std::string_view from, std::string_view to, uint16_t mid);
std::vector<uint8_t> build_text_block(uint16_t group, std::string_view text, uint16_t mid);
std::vector<uint8_t> build_end_message(uint16_t group, uint16_t mid);

}  // namespace smb
