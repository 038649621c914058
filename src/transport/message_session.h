// One incoming NetBIOS session on TCP port 139 that carries SMB message
// commands, as a state machine over the bytes received (portable).
//
// The peer first sends a session request; one to this computer's messenger
// name (COMPUTER<03>) gets a positive response, any other a negative one
// (this computer's name with another suffix: not listening on it; any other
// name: not present) and the session ends. Then each session message holds
// one message command, answered with success or an error status. A complete
// message goes to the deliver function; its answer decides the status. Text
// past kMaxMessageText makes the command that brings it fail with an error
// status and drops the whole message, so that the sender learns it did not
// arrive instead of a cut text being shown as complete. Keep-alives are
// taken; anything else (another packet type, a second request, a session
// message before the request, an SMB that is none of the four commands, a
// length past the bounds) ends the session.
#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <vector>

struct SessionMessage {
    std::string originator, destination;  // OEM, as sent
    std::string text;                     // OEM, as sent
};

class MessageSession {
public:
    // The longest text of one message kept.
    static constexpr size_t kMaxMessageText = 1600;
    // The longest session packet taken: a single-block message of that text
    // with its names and SMB header fits.
    static constexpr size_t kMaxPacketLength = 2048;

    // `computer`: this computer's name in OEM, upper case. `deliver` answers
    // whether the message was taken.
    MessageSession(std::string computer, std::function<bool(const SessionMessage&)> deliver);

    // Takes received bytes, split anywhere. Nothing after the session ended.
    void feed(const uint8_t* bytes, size_t length);
    // What to send to the peer, oldest first; emptied by the call.
    std::vector<uint8_t> take_output();
    // The session is over: send what take_output() gives, then close.
    bool ended() const { return state_ == State::ended; }
    // Whether a message was started with 0xD5 and not yet ended.
    bool message_pending() const { return pending_.has_value(); }

private:
    enum class State { awaiting_request, established, ended };
    struct Pending {
        uint16_t group;
        SessionMessage message;
    };

    void on_packet(uint8_t type, const uint8_t* payload, size_t length);
    void on_request(const uint8_t* payload, size_t length);
    void on_smb(const uint8_t* payload, size_t length);
    void end(std::vector<uint8_t> last_words = {});

    std::string computer_;
    std::function<bool(const SessionMessage&)> deliver_;
    State state_ = State::awaiting_request;
    std::vector<uint8_t> packet_;  // the packet being received, header first
    std::vector<uint8_t> output_;
    std::optional<Pending> pending_;
    uint16_t next_group_ = 1;
};
