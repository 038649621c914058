// Incoming processing against a fake message store: filters, duplicate runs,
// popup decision, the empty-sender rule and the hand-over (portable).
#include <gtest/gtest.h>

#include <algorithm>
#include <optional>
#include <string>
#include <vector>

#include "core/process_state.h"
#include "incoming/incoming.h"
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
    bool dialog_open() const override { return dialog; }
    void pop_up() override { ++pop_ups; }

    int accept = 1;
    std::vector<MessagePtr> rows;
    std::vector<std::string> texts_at_insert;
    bool dialog = false;
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
        ignored_before_ = g_statistics.ignored.load();
    }
    void TearDown() override { g_options = Options{}; }
    uint32_t ignored_since_start() const { return g_statistics.ignored.load() - ignored_before_; }

    FakeStore store_;
    IncomingProcessor processor_{store_};
    uint32_t ignored_before_ = 0;
};

// Messages by letter: A and B differ in text, X comes from a filtered
// sender, N has no text, E has an empty sender.
MessagePtr lettered(char letter) {
    switch (letter) {
        case 'A':
            return message({"PC1", "HOST", "hello"});
        case 'B':
            return message({"PC1", "HOST", "bye"});
        case 'X':
            return message({"X", "HOST", "hello"});
        case 'N':
            return message({"PC1", "HOST", nullptr});
        default:
            return message({"", "HOST", "hello"});
    }
}

// What became of each message: L listed, I ignored (answer 0, Ignored + 1),
// D dropped silently (answer 1, neither listed nor counted).
TEST_F(IncomingTest, DuplicateRunsListIgnoreAndCountAsTheRuleSays) {
    struct Case {
        int32_t showmmode, dnum;
        const char* messages;  // iff set with X listed when one is an X
        const char* outcome;
    };
    const Case cases[] = {
        {2, 2, "AAAABBB", "LLIILLI"},  // a run of four and a different fifth
        {2, 0, "AAAB", "LIIL"},
        {2, 1, "AABB", "LILI"},
        {1, 2, "AABAA", "LILLI"},  // kill duplicates: one of a run
        {0, 2, "AAA", "LLL"},      // show all
        {1, 2, "AXA", "LII"},      // an ignored message does not break a run
        {2, 2, "AXAXA", "LILII"},
        // An absent field breaks the run and restarts the count at 1; the
        // partial memory it leaves is replaced without touching the count.
        {2, 2, "AANAAA", "LLLLLI"},
        {1, 2, "NNN", "LLL"},
        {1, 2, "EEAE", "DILD"},  // an empty sender is remembered but not listed
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.messages);
        g_options.showmmode = c.showmmode;
        g_options.dnum = c.dnum;
        g_options.iff = std::string(c.messages).find('X') != std::string::npos;
        fill(g_options.ifl, {"X"});
        IncomingProcessor processor(store_);
        store_.rows.clear();
        std::string outcome;
        const uint32_t ignored_before = g_statistics.ignored.load();
        for (const char* m = c.messages; *m; ++m) {
            const size_t listed = store_.rows.size();
            const uint32_t ignored = g_statistics.ignored.load();
            const int answer = processor.process_incoming(lettered(*m));
            const bool counted = g_statistics.ignored.load() != ignored;
            if (store_.rows.size() > listed)
                outcome += answer == 1 && !counted ? 'L' : '?';
            else if (answer == 0)
                outcome += counted ? 'I' : '?';
            else
                outcome += counted ? '?' : 'D';
        }
        EXPECT_EQ(outcome, c.outcome);
        EXPECT_EQ(g_statistics.ignored.load() - ignored_before,
                  static_cast<uint32_t>(std::count(outcome.begin(), outcome.end(), 'I')));
    }
}

TEST_F(IncomingTest, ShowAllClearsTheMemoryAndTheRunStartsAfresh) {
    g_options.showmmode = 1;
    processor_.process_incoming(lettered('A'));
    EXPECT_FALSE(processor_.duplicate_memory_empty());

    g_options.showmmode = 0;
    EXPECT_EQ(processor_.process_incoming(lettered('A')), 1);
    EXPECT_TRUE(processor_.duplicate_memory_empty());

    g_options.showmmode = 1;
    EXPECT_EQ(processor_.process_incoming(lettered('A')), 1);
    EXPECT_EQ(store_.rows.size(), 3u);
}

TEST_F(IncomingTest, FiltersIgnoreExactlyWhatTheListsName) {
    struct Case {
        int32_t iff, itf, icf;
        Fields message;
        bool ignored;
    };
    const Case cases[] = {
        {1, 0, 0, {"Bob", "HOST", "t"}, true},
        {1, 0, 0, {"bob", "HOST", "t"}, false},  // other case
        {0, 0, 0, {"Bob", "HOST", "t"}, false},  // filter off
        {0, 1, 0, {"A", "PC2", "t"}, true},
        {0, 0, 1, {"A", "B", "antispam"}, true},
        {0, 0, 1, {"A", "B", "SPAM"}, false},
        {0, 0, 1, {"A", "B", nullptr}, false},
    };
    fill(g_options.ifl, {"alice", "Bob"});
    fill(g_options.itl, {"PC2"});
    fill(g_options.icl, {"spam"});
    for (const Case& c : cases) {
        SCOPED_TRACE(std::string(c.message.from) + "/" + c.message.to);
        g_options.iff = c.iff;
        g_options.itf = c.itf;
        g_options.icf = c.icf;
        store_.rows.clear();
        const uint32_t ignored = g_statistics.ignored.load();
        EXPECT_EQ(processor_.process_incoming(message(c.message)), c.ignored ? 0 : 1);
        EXPECT_EQ(store_.rows.size(), c.ignored ? 0u : 1u);
        EXPECT_EQ(g_statistics.ignored.load() - ignored, c.ignored ? 1u : 0u);
    }
}

TEST_F(IncomingTest, PopupFollowsThePolicy) {
    struct Case {
        int32_t ppmode;
        const char* from;
        bool dialog_open;
        bool pops_up;
    };
    const Case cases[] = {
        {0, "PC2", false, true},   {1, "BOSS", false, false}, {2, "BOSS2", false, true},
        {2, "boss", false, false}, {0, "PC2", true, false},
    };
    fill(g_options.ppfroml, {"BOSS"});
    for (const Case& c : cases) {
        SCOPED_TRACE(c.from);
        g_options.ppmode = c.ppmode;
        store_.dialog = c.dialog_open;
        store_.pop_ups = 0;
        EXPECT_EQ(processor_.process_incoming(message({c.from, "HOST", c.from})), 1);
        EXPECT_EQ(store_.pop_ups, c.pops_up ? 1 : 0);
    }
}

TEST_F(IncomingTest, AcceptedTextIsConvertedFromOemToAnsi) {
    // u with diaeresis: 0x81 in the OEM code page, 0xFC in the ANSI one.
    EXPECT_EQ(processor_.process_incoming(message({"PC\x81", "HOST", "gr\x81n"})), 1);
    ASSERT_EQ(store_.rows.size(), 1u);
    EXPECT_EQ(store_.rows[0]->text, "gr\xFCn");
    // Already ANSI when the store takes it: the store's thread may read it at once.
    EXPECT_EQ(store_.texts_at_insert, std::vector<std::string>{"gr\xFCn"});
    EXPECT_EQ(store_.rows[0]->from, "PC\x81");  // names are never converted
    EXPECT_EQ(store_.rows[0]->listed, 1);
}

TEST_F(IncomingTest, RefusedRecordStillPopsUp) {
    store_.accept = 0;
    g_options.ppmode = 0;
    EXPECT_EQ(processor_.process_incoming(lettered('A')), 1);
    EXPECT_TRUE(store_.rows.empty());
    EXPECT_EQ(store_.pop_ups, 1);
    EXPECT_EQ(ignored_since_start(), 0u);
}

TEST_F(IncomingTest, NullRecordAndSenderlessRecordsTouchNothing) {
    g_options.ppmode = 0;
    EXPECT_EQ(processor_.process_incoming(nullptr), 0);
    EXPECT_EQ(processor_.process_incoming(message({nullptr, nullptr, nullptr})), 1);
    EXPECT_EQ(processor_.process_incoming(message({"", "HOST", "t"})), 1);
    EXPECT_TRUE(store_.rows.empty());
    EXPECT_TRUE(store_.texts_at_insert.empty());
    EXPECT_EQ(store_.pop_ups, 0);
    EXPECT_EQ(ignored_since_start(), 0u);
}

}  // namespace
