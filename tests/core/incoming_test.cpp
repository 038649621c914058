// Incoming processing against a fake message store: filters, duplicate runs,
// popup decision, the empty-sender rule and the hand-over (portable).
#include <gtest/gtest.h>

#include <algorithm>
#include <optional>
#include <string>
#include <vector>

#include "core/incoming.h"
#include "core/process_state.h"
#include "settings/options.h"

namespace {

class FakeStore : public MessageStoreLink {
public:
    int insert(MessageRecord* record) override {
        texts_at_insert.push_back(record->text.value_or("<absent>"));
        if (!accept) return 0;
        rows.emplace_back(record);
        return 1;
    }
    void counts_changed() override { ++counts_changed_calls; }
    void pop_up() override { ++pop_ups; }

    int accept = 1;
    std::vector<MessagePtr> rows;
    std::vector<std::string> texts_at_insert;
    int counts_changed_calls = 0;
    int pop_ups = 0;
};

// A message with each field given or absent (nullptr).
struct Fields {
    const char* from;
    const char* to;
    const char* text;
};

MessagePtr message(const Fields& f) {
    return new_record(f.from, f.to, f.text, 0);
}

void fill(StringList& list, const std::vector<const char*>& entries) {
    list.free_all();
    for (const char* e : entries)
        list.append_copy(e);
}

class IncomingTest : public ::testing::Test {
protected:
    void SetUp() override {
        g_options = Options{};
        g_active_dialog = nullptr;
        ignored_before_ = g_statistics.ignored.load();
    }
    void TearDown() override {
        g_options = Options{};
        g_active_dialog = nullptr;
    }
    uint32_t ignored_since_start() const { return g_statistics.ignored.load() - ignored_before_; }

    FakeStore store_;
    IncomingProcessor processor_{store_};
    uint32_t ignored_before_ = 0;
};

const Fields kA{"PC1", "HOST", "hello"};
const Fields kB{"PC1", "HOST", "bye"};
const Fields kAWithoutText{"PC1", "HOST", nullptr};
const Fields kFromX{"X", "HOST", "hello"};
const Fields kEmptySender{"", "HOST", "hello"};

// What became of each message: L listed, I ignored (answer 0, Ignored + 1),
// D dropped silently (answer 1, neither listed nor counted).
struct RunCase {
    const char* name;
    int32_t showmmode;
    int32_t dnum;
    std::vector<const char*> ifl;  // iff is set when this is not empty
    std::vector<Fields> messages;
    const char* outcome;
};

void PrintTo(const RunCase& c, std::ostream* os) {
    *os << c.name;
}

class DuplicateRun : public IncomingTest, public ::testing::WithParamInterface<RunCase> {};

TEST_P(DuplicateRun, ListsIgnoresAndCountsAsTheDuplicateRuleSays) {
    const RunCase& c = GetParam();
    g_options.showmmode = c.showmmode;
    g_options.dnum = c.dnum;
    g_options.iff = !c.ifl.empty();
    fill(g_options.ifl, c.ifl);

    std::string outcome;
    size_t listed = 0;
    const uint32_t ignored_before = g_statistics.ignored.load();
    for (const Fields& f : c.messages) {
        const uint32_t ignored = g_statistics.ignored.load();
        const int answer = processor_.process_incoming(message(f));
        const bool counted = g_statistics.ignored.load() != ignored;
        if (store_.rows.size() > listed) {
            ++listed;
            outcome += answer == 1 && !counted ? 'L' : '?';
        } else if (answer == 0) {
            outcome += counted ? 'I' : '?';
        } else {
            outcome += counted ? '?' : 'D';
        }
    }
    EXPECT_EQ(outcome, c.outcome);
    EXPECT_EQ(g_statistics.ignored.load() - ignored_before,
              static_cast<uint32_t>(std::count(outcome.begin(), outcome.end(), 'I')));
}

INSTANTIATE_TEST_SUITE_P(
    Incoming, DuplicateRun,
    ::testing::Values(
        RunCase{"Dnum2ListsTwoOfFourAndADifferentOneRestarts",
                2,
                2,
                {},
                {kA, kA, kA, kA, kB, kB, kB},
                "LLIILLI"},
        RunCase{"Dnum0ListsOnlyTheFirst", 2, 0, {}, {kA, kA, kA, kB}, "LIIL"},
        RunCase{"Dnum1ListsOnlyTheFirst", 2, 1, {}, {kA, kA, kB, kB}, "LILI"},
        RunCase{"KillDuplicatesListsOneOfARun", 1, 2, {}, {kA, kA, kB, kA, kA}, "LILLI"},
        RunCase{"ShowAllListsEveryCopy", 0, 2, {}, {kA, kA, kA}, "LLL"},
        RunCase{"FilteredMessageDoesNotBreakTheRun", 1, 2, {"X"}, {kA, kFromX, kA}, "LII"},
        RunCase{"FilteredMessageDoesNotBreakACountedRun",
                2,
                2,
                {"X"},
                {kA, kFromX, kA, kFromX, kA},
                "LILII"},
        // An absent field breaks the run and restarts the count at 1; the
        // partial memory it leaves is replaced without touching the count.
        RunCase{
            "AbsentFieldRestartsTheCount", 2, 2, {}, {kA, kA, kAWithoutText, kA, kA, kA}, "LLLLLI"},
        RunCase{"AbsentFieldNeverMakesADuplicate",
                1,
                2,
                {},
                {kAWithoutText, kAWithoutText, kAWithoutText},
                "LLL"},
        RunCase{"EmptySenderIsRememberedButNotListed",
                1,
                2,
                {},
                {kEmptySender, kEmptySender, kA, kEmptySender},
                "DILD"}),
    [](const auto& test) { return std::string(test.param.name); });

TEST_F(IncomingTest, ShowAllClearsTheMemoryAndTheRunStartsAfresh) {
    g_options.showmmode = 1;
    processor_.process_incoming(message(kA));
    EXPECT_FALSE(processor_.duplicate_memory_empty());

    g_options.showmmode = 0;
    EXPECT_EQ(processor_.process_incoming(message(kA)), 1);
    EXPECT_TRUE(processor_.duplicate_memory_empty());

    g_options.showmmode = 1;
    EXPECT_EQ(processor_.process_incoming(message(kA)), 1);
    EXPECT_EQ(store_.rows.size(), 3u);
}

struct FilterCase {
    const char* name;
    int32_t iff, itf, icf;
    std::vector<const char*> ifl, itl, icl;
    Fields message;
    bool ignored;
};

void PrintTo(const FilterCase& c, std::ostream* os) {
    *os << c.name;
}

class Filters : public IncomingTest, public ::testing::WithParamInterface<FilterCase> {};

TEST_P(Filters, IgnoreExactlyWhatTheListsName) {
    const FilterCase& c = GetParam();
    g_options.iff = c.iff;
    g_options.itf = c.itf;
    g_options.icf = c.icf;
    fill(g_options.ifl, c.ifl);
    fill(g_options.itl, c.itl);
    fill(g_options.icl, c.icl);

    const int answer = processor_.process_incoming(message(c.message));
    EXPECT_EQ(answer, c.ignored ? 0 : 1);
    EXPECT_EQ(store_.rows.size(), c.ignored ? 0u : 1u);
    EXPECT_EQ(ignored_since_start(), c.ignored ? 1u : 0u);
}

INSTANTIATE_TEST_SUITE_P(
    Incoming, Filters,
    ::testing::Values(
        FilterCase{
            "SenderListedExactly", 1, 0, 0, {"alice", "Bob"}, {}, {}, {"Bob", "HOST", "t"}, true},
        FilterCase{
            "SenderInOtherCase", 1, 0, 0, {"alice", "Bob"}, {}, {}, {"bob", "HOST", "t"}, false},
        FilterCase{"SenderFilterOff", 0, 0, 0, {"Bob"}, {}, {}, {"Bob", "HOST", "t"}, false},
        FilterCase{"RecipientListed", 0, 1, 0, {}, {"PC2"}, {}, {"A", "PC2", "t"}, true},
        FilterCase{"TextContainsEntry", 0, 0, 1, {}, {}, {"spam"}, {"A", "B", "antispam"}, true},
        FilterCase{"TextInOtherCase", 0, 0, 1, {}, {}, {"spam"}, {"A", "B", "SPAM"}, false},
        FilterCase{"TextAbsent", 0, 0, 1, {}, {}, {"spam"}, {"A", "B", nullptr}, false}),
    [](const auto& test) { return std::string(test.param.name); });

struct PopupCase {
    const char* name;
    int32_t ppmode;
    std::vector<const char*> ppfroml;
    const char* from;
    bool dialog_open;
    bool pops_up;
};

void PrintTo(const PopupCase& c, std::ostream* os) {
    *os << c.name;
}

class Popup : public IncomingTest, public ::testing::WithParamInterface<PopupCase> {};

TEST_P(Popup, FollowsThePopupPolicy) {
    const PopupCase& c = GetParam();
    g_options.ppmode = c.ppmode;
    fill(g_options.ppfroml, c.ppfroml);
    int some_dialog = 0;
    if (c.dialog_open) g_active_dialog = &some_dialog;

    EXPECT_EQ(processor_.process_incoming(message({c.from, "HOST", "t"})), 1);
    EXPECT_EQ(store_.rows.size(), 1u);
    EXPECT_EQ(store_.pop_ups, c.pops_up ? 1 : 0);
}

INSTANTIATE_TEST_SUITE_P(
    Incoming, Popup,
    ::testing::Values(PopupCase{"AnyMessage", 0, {}, "PC2", false, true},
                      PopupCase{"Never", 1, {"PC2"}, "PC2", false, false},
                      PopupCase{"ListedSenderInsideName", 2, {"BOSS"}, "BOSS2", false, true},
                      PopupCase{"ListedSenderOtherCase", 2, {"BOSS"}, "boss", false, false},
                      PopupCase{"NotWhileADialogIsOpen", 0, {}, "PC2", true, false}),
    [](const auto& test) { return std::string(test.param.name); });

TEST_F(IncomingTest, AcceptedTextIsConvertedFromOemToAnsi) {
    // u with diaeresis: 0x81 in the OEM code page, 0xFC in the ANSI one.
    EXPECT_EQ(processor_.process_incoming(message({"PC\x81", "HOST", "gr\x81n"})), 1);
    ASSERT_EQ(store_.rows.size(), 1u);
    EXPECT_EQ(store_.rows[0]->text, "gr\xFCn");
    // Already ANSI when the store takes it: the store's thread may read it at once.
    EXPECT_EQ(store_.texts_at_insert, std::vector<std::string>{"gr\xFCn"});
    EXPECT_EQ(store_.rows[0]->from, "PC\x81");  // names are never converted
    EXPECT_EQ(store_.rows[0]->listed, 1);
    EXPECT_EQ(store_.counts_changed_calls, 1);
}

TEST_F(IncomingTest, RefusedRecordStillRefreshesTheCounts) {
    store_.accept = 0;
    g_options.ppmode = 0;
    EXPECT_EQ(processor_.process_incoming(message(kA)), 1);
    EXPECT_TRUE(store_.rows.empty());
    EXPECT_EQ(store_.counts_changed_calls, 1);
    EXPECT_EQ(store_.pop_ups, 1);
    EXPECT_EQ(ignored_since_start(), 0u);
}

TEST_F(IncomingTest, NullRecordAndSenderlessRecordsTouchNothing) {
    g_options.ppmode = 0;
    EXPECT_EQ(processor_.process_incoming(nullptr), 0);
    EXPECT_EQ(processor_.process_incoming(message({nullptr, nullptr, nullptr})), 1);
    EXPECT_EQ(processor_.process_incoming(message({"", "HOST", "t"})), 1);
    EXPECT_TRUE(store_.rows.empty());
    EXPECT_EQ(store_.counts_changed_calls, 0);
    EXPECT_EQ(store_.pop_ups, 0);
    EXPECT_EQ(ignored_since_start(), 0u);
}

}  // namespace
