// The auto-answer rule and its one-answer-per-sender limit (portable).
#include <gtest/gtest.h>

#include <chrono>
#include <optional>
#include <string>

#include "incoming/auto_answer.h"

namespace {

struct AnswerCase {
    const char* name;
    int32_t aam;
    const char* aat;  // null: no auto-answer text
    const char* from;
    const char* to;
    bool answered;
};

void PrintTo(const AnswerCase& c, std::ostream* os) {
    *os << c.name;
}

class AutoAnswerRule : public ::testing::TestWithParam<AnswerCase> {};

TEST_P(AutoAnswerRule, AnswersOnlyMessagesToThisComputersExactName) {
    const AnswerCase& c = GetParam();
    const std::optional<std::string> aat = c.aat ? std::optional<std::string>(c.aat) : std::nullopt;
    MessagePtr record = new_record(c.from, c.to, "hello", 0);

    AutoAnswer auto_answer;
    const std::optional<AutoAnswerReply> reply =
        auto_answer.answer_for(c.aam, aat, *record, "HOST");
    ASSERT_EQ(reply.has_value(), c.answered);
    if (reply) {
        EXPECT_EQ(reply->to, c.from);
        EXPECT_EQ(reply->text, c.aat);
    }
}

INSTANTIATE_TEST_SUITE_P(
    AutoAnswer, AutoAnswerRule,
    ::testing::Values(AnswerCase{"ToThisComputer", 1, "away", "PC2", "HOST", true},
                      AnswerCase{"EmptyTextIsStillAText", 1, "", "PC2", "HOST", true},
                      AnswerCase{"Broadcast", 1, "away", "PC2", "*", false},
                      AnswerCase{"ToAnotherName", 1, "away", "PC2", "PC3", false},
                      AnswerCase{"ToThisNameInOtherCase", 1, "away", "PC2", "host", false},
                      AnswerCase{"FromThisComputer", 1, "away", "HOST", "HOST", false},
                      AnswerCase{"ModeOff", 0, "away", "PC2", "HOST", false},
                      AnswerCase{"NoText", 1, nullptr, "PC2", "HOST", false},
                      AnswerCase{"SenderAbsent", 1, "away", nullptr, "HOST", false},
                      AnswerCase{"RecipientAbsent", 1, "away", "PC2", nullptr, false},
                      AnswerCase{"FromAPath", 1, "away", "127.0.0.1\\share", "HOST", false},
                      AnswerCase{"FromEverybody", 1, "away", "*", "HOST", false},
                      AnswerCase{"FromA16ByteName", 1, "away", "ABCDEFGHIJKLMNOP", "HOST", false}),
    [](const auto& test) { return std::string(test.param.name); });

TEST(AutoAnswer, AnswersOneSenderAtMostOnceWithinSixtySeconds) {
    using namespace std::chrono_literals;
    std::chrono::steady_clock::time_point now{};
    AutoAnswer auto_answer([&] { return now; });
    const std::optional<std::string> aat("away");
    auto answers = [&](const char* from, const char* to) {
        MessagePtr record = new_record(from, to, "hi", 0);
        return auto_answer.answer_for(1, aat, *record, "HOST").has_value();
    };

    now += 1000s;
    EXPECT_TRUE(answers("PC2", "HOST"));
    now += 59s;
    EXPECT_FALSE(answers("PC2", "HOST"));
    EXPECT_TRUE(answers("PC3", "HOST"));  // another sender has its own minute
    EXPECT_FALSE(answers("pc2", "*"));    // not due: leaves no trace
    EXPECT_TRUE(answers("pc2", "HOST"));  // senders are told apart byte for byte
    now += 1s;
    EXPECT_TRUE(answers("PC2", "HOST"));
    EXPECT_FALSE(answers("PC3", "HOST"));
    EXPECT_FALSE(answers("PC2", "HOST"));
}

}  // namespace
