// The auto-answer rule and its per-sender limit (portable).
#include "incoming/auto_answer.h"

#include <utility>

#include "core/send_rules.h"

bool auto_answer_due(int32_t aam, const std::optional<std::string>& aat,
                     const MessageRecord& record, std::string_view sender_name) {
    if (!aam || !aat || !record.to || !record.from) return false;
    // The sender becomes the reply's recipient: only a computer's name may.
    return *record.to == sender_name && *record.from != sender_name &&
           is_valid_computer_name(*record.from);
}

AutoAnswer::AutoAnswer(Clock clock) : clock_(std::move(clock)) {}

std::optional<AutoAnswerReply> AutoAnswer::answer_for(int32_t aam,
                                                      const std::optional<std::string>& aat,
                                                      const MessageRecord& record,
                                                      std::string_view sender_name) {
    if (!auto_answer_due(aam, aat, record, sender_name)) return std::nullopt;

    const auto now = clock_();
    // Forget senders whose quiet period is over, so the table stays small.
    std::erase_if(answered_, [&](const auto& entry) { return now - entry.second >= kQuietPeriod; });
    if (answered_.contains(*record.from)) return std::nullopt;

    answered_.emplace(*record.from, now);
    return AutoAnswerReply{*record.from, *aat};
}
