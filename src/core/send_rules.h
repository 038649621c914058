// What the program may send: a recipient that is a valid computer name, and
// the longest text each way of sending carries (portable).
#pragma once

#include <cstddef>
#include <string_view>

// Computer and workgroup names have at most 15 bytes.
inline constexpr size_t kMaxComputerNameBytes = 15;

// The longest message datagram (sender, recipient, text, three NULs): the
// limit the system documents for mailslot writes to a workgroup. The
// mailslot and the program's own network path carry the same datagram.
inline constexpr size_t kMaxDatagramBytes = 424;
// The documented limit of a Messenger service message sent to a workgroup,
// which a send on NT may become (its retry as "NAME*").
inline constexpr size_t kMaxServiceTextChars = 128;

// A name that may stand in a mailslot path or a NetBIOS name: 1 to 15 bytes,
// no control characters and none of \ / : * (so "*" itself is not one).
bool is_valid_computer_name(std::string_view name);
// A computer name, or "*" for the whole workgroup.
bool is_valid_recipient(std::string_view name);

enum class SendWay {
    datagram,           // the mailslot, and the program's own network path
    messenger_service,  // NetMessageBufferSend on NT
};

// The longest text, in bytes, that a Send or Answer box accepts when this
// computer's name has `sender_bytes` bytes. For a datagram the recipient is
// counted at its longest, since it may change after the text is typed.
size_t max_text_length(SendWay way, size_t sender_bytes);
