// The auto-answer rule: when a listed message is answered, to whom and with
// what, and how often one sender may be answered (portable).
#pragma once

#include <chrono>
#include <cstdint>
#include <functional>
#include <map>
#include <optional>
#include <string>
#include <string_view>

#include "core/message.h"

// What the auto-answer sends: `text` from this computer to `to`.
struct AutoAnswerReply {
    std::string to;
    std::string text;
};

// The rule alone: auto-answer is on and has a text, and the message names
// this computer exactly as its recipient and comes from another computer
// whose name is a valid computer name (a sender such as "host\share" stays
// listed, unanswered).
// Broadcasts ("*") and names differing only in letter case are not answered.
bool auto_answer_due(int32_t aam, const std::optional<std::string>& aat,
                     const MessageRecord& record, std::string_view sender_name);

// The rule plus a limit of one answer per sender within `kQuietPeriod`: two
// computers that both answer automatically would otherwise answer each
// other's answers for ever. Used on one thread only.
class AutoAnswer {
public:
    using Clock = std::function<std::chrono::steady_clock::time_point()>;
    static constexpr std::chrono::seconds kQuietPeriod{60};

    explicit AutoAnswer(Clock clock = std::chrono::steady_clock::now);

    // The reply to send for this record, or none. A reply counts as given
    // whether or not its send succeeds.
    std::optional<AutoAnswerReply> answer_for(int32_t aam, const std::optional<std::string>& aat,
                                              const MessageRecord& record,
                                              std::string_view sender_name);

private:
    Clock clock_;
    // Senders answered within the quiet period, with the time of the answer.
    std::map<std::string, std::chrono::steady_clock::time_point, std::less<>> answered_;
};
