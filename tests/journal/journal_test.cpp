// The message journal against a file system in memory that can fill up or
// stop at any step, as a full disk or a power cut would.
#include "journal/journal.h"

#include <gtest/gtest.h>

#include <functional>
#include <map>
#include <random>
#include <string>
#include <vector>

namespace {

class FakeDisk final : public JournalDisk {
public:
    std::map<std::string, std::string> files;
    bool atomic_replace = true;  // false: replace deletes the old file first, as Windows 98 does
    int steps_left = -1;         // changes until the power goes; -1 never
    size_t space_left = SIZE_MAX;

    Read read(const std::string& name, std::string& bytes) override {
        auto it = files.find(name);
        if (it == files.end()) return Read::missing;
        bytes = it->second;
        return Read::ok;
    }
    bool exists(const std::string& name) override { return files.contains(name); }
    size_t append(const std::string& name, std::string_view bytes) override {
        if (!step()) return torn(name, bytes);
        const size_t n = std::min(bytes.size(), space_left);
        files[name].append(bytes.substr(0, n));
        space_left -= n;
        return n;
    }
    bool truncate(const std::string& name, uint64_t size) override {
        if (!step() || !files.contains(name)) return false;
        files[name].resize(size);
        return true;
    }
    bool write_whole(const std::string& name, std::string_view bytes) override {
        if (!step()) {
            files[name].clear();
            torn(name, bytes);
            return false;
        }
        if (bytes.size() > space_left) return false;
        files[name] = bytes;
        return true;
    }
    bool replace(const std::string& from, const std::string& to) override {
        if (!atomic_replace && !remove(to)) return false;
        if (!step() || !files.contains(from)) return false;
        files[to] = files[from];
        files.erase(from);
        return true;
    }
    bool rename(const std::string& from, const std::string& to) override {
        if (!step() || !files.contains(from) || files.contains(to)) return false;
        files[to] = files[from];
        files.erase(from);
        return true;
    }
    bool remove(const std::string& name) override {
        if (!step()) return false;
        return files.erase(name) == 1;
    }
    void flush(const std::string&) override {}

private:
    // False once the power has gone: nothing more changes.
    bool step() {
        if (steps_left == 0) return false;
        if (steps_left > 0) --steps_left;
        return true;
    }
    // The step the power went in: half of it reached the disk.
    size_t torn(const std::string& name, std::string_view bytes) {
        if (steps_left == 0 && !stopped_) {
            stopped_ = true;
            files[name].append(bytes.substr(0, bytes.size() / 2));
        }
        return 0;
    }
    bool stopped_ = false;
};

JournalMessage message(int n) {
    JournalMessage m;
    m.arrived = 1700000000LL + n;
    m.from = "SENDER" + std::to_string(n);
    m.to = "ME";
    m.text = "text " + std::to_string(n);
    return m;
}

// What the list shows after a start on `disk`: "from:state" oldest first.
std::vector<std::string> kept(FakeDisk& disk, std::string* problem = nullptr) {
    Journal journal(disk);
    Journal::Opened opened = journal.open();
    if (problem) *problem = opened.problem;
    std::vector<std::string> rows;
    for (const JournalMessage& m : opened.messages)
        rows.push_back(m.from.value_or("-") + ":" + std::to_string(m.state));
    return rows;
}

// A journal of five messages; the second read, the fourth answered.
FakeDisk five_messages() {
    FakeDisk disk;
    Journal journal(disk);
    journal.open();
    std::vector<uint64_t> ids;
    for (int n = 1; n <= 5; ++n)
        ids.push_back(journal.add(message(n)));
    journal.set_state(ids[1], 1);
    journal.set_state(ids[3], 2);
    return disk;
}

const std::vector<std::string> kFive = {"SENDER1:0", "SENDER2:1", "SENDER3:0", "SENDER4:2",
                                        "SENDER5:0"};

// Where each record of `file` starts.
std::vector<size_t> record_starts(const std::string& file) {
    std::vector<size_t> starts;
    for (size_t at = kJournalHeaderSize; at + 4 <= file.size();) {
        starts.push_back(at);
        at += kRecordFrameSize +
              (static_cast<uint8_t>(file[at]) | static_cast<uint8_t>(file[at + 1]) << 8);
    }
    return starts;
}

TEST(Journal, KeepsEveryChangeAcrossRestarts) {
    FakeDisk disk;
    {
        Journal journal(disk);
        EXPECT_TRUE(journal.open().messages.empty());
        JournalMessage odd;  // absent and empty fields stay apart
        odd.from = "";
        odd.text = std::string("caf\xe9\x01", 5);
        const uint64_t a = journal.add(odd);
        const uint64_t b = journal.add(message(2));
        const uint64_t c = journal.add(message(3));
        journal.add(message(4));
        journal.set_state(b, 2);
        journal.remove(c);
        journal.set_all_read();
        EXPECT_LT(a, b);
    }
    Journal journal(disk);
    const Journal::Opened opened = journal.open();
    ASSERT_EQ(opened.messages.size(), 3u);
    EXPECT_EQ(opened.messages[0].from, "");
    EXPECT_FALSE(opened.messages[0].to.has_value());
    EXPECT_EQ(opened.messages[0].text, std::string("caf\xe9\x01", 5));
    EXPECT_EQ(opened.messages[1].state, 2);  // answered stays answered after Mark all read
    EXPECT_EQ(opened.messages[2], [] {
        JournalMessage m = message(4);
        m.id = 4;
        m.state = 1;
        return m;
    }());
    // Ids go on from the last one, so the new message sorts after the kept ones.
    EXPECT_EQ(journal.add(message(5)), 5u);
    EXPECT_TRUE(opened.problem.empty());
}

TEST(Journal, RecoversFromDamage) {
    struct Case {
        const char* name;
        std::function<void(std::string&)> damage;
        std::vector<std::string> expected;
        bool told;
    };
    const Case cases[] = {
        {"torn last record",
         [](std::string& f) { f.resize(f.size() - 3); },
         {"SENDER1:0", "SENDER2:1", "SENDER3:0", "SENDER4:0", "SENDER5:0"},
         false},
        {"last record's length only",
         [](std::string& f) { f.resize(record_starts(f).back() + 2); },
         {"SENDER1:0", "SENDER2:1", "SENDER3:0", "SENDER4:0", "SENDER5:0"},
         false},
        // A flipped bit costs the record it is in; the records after it stay.
        {"bit flipped in the third message",
         [](std::string& f) { f[record_starts(f)[2] + 20] ^= 0x10; },
         {"SENDER1:0", "SENDER2:1", "SENDER4:2", "SENDER5:0"},
         true},
        {"bit flipped in a length",
         [](std::string& f) { f[record_starts(f)[1] + 1] ^= 0x40; },
         {"SENDER1:0", "SENDER3:0", "SENDER4:2", "SENDER5:0"},
         true},
        {"zero-length file", [](std::string& f) { f.clear(); }, {}, false},
        {"half a header", [](std::string& f) { f.resize(7); }, {}, false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        FakeDisk disk = five_messages();
        c.damage(disk.files[kJournalName]);
        std::string problem;
        EXPECT_EQ(kept(disk, &problem), c.expected);
        EXPECT_EQ(!problem.empty(), c.told) << problem;
        // The damage was cut away: the next start reads a clean file and
        // says nothing, and new messages follow the kept ones.
        {
            Journal journal(disk);
            EXPECT_TRUE(journal.open().problem.empty());
            journal.add(message(9));
        }
        std::vector<std::string> expected = c.expected;
        expected.push_back("SENDER9:0");
        EXPECT_EQ(kept(disk), expected);
    }
}

TEST(Journal, SetsAsideWhatItCannotRead) {
    std::mt19937 random(22);
    std::string noise(4000, '\0');
    for (char& byte : noise)
        byte = static_cast<char>(random());
    std::string newer = five_messages().files[kJournalName];
    newer[8] = 2;  // version 2
    for (const std::string& file : {noise, newer, std::string("not a journal at all")}) {
        FakeDisk disk;
        disk.files[kJournalName] = file;
        std::string problem;
        EXPECT_TRUE(kept(disk, &problem).empty());
        EXPECT_NE(problem.find("Messages.journal.unreadable"), std::string::npos) << problem;
        EXPECT_EQ(disk.files["Messages.journal.unreadable"], file);  // untouched
        // Said once: the next start finds a journal of its own.
        EXPECT_TRUE(kept(disk, &problem).empty());
        EXPECT_TRUE(problem.empty());
    }
    FakeDisk twice;
    twice.files["Messages.journal.unreadable"] = "earlier";
    twice.files[kJournalName] = noise;
    kept(twice);
    EXPECT_EQ(twice.files["Messages.journal.unreadable"], "earlier");
    EXPECT_EQ(twice.files["Messages.journal.unreadable.1"], noise);
}

TEST(Journal, FullDiskStopsWritingOnceAndKeepsWhatWasWritten) {
    FakeDisk disk = five_messages();
    disk.space_left = 10;  // the next record fits only in part
    {
        Journal journal(disk);
        journal.open();
        EXPECT_EQ(journal.add(message(6)), 0u);
        EXPECT_FALSE(journal.working());
        EXPECT_TRUE(journal.take_write_failure());
        EXPECT_FALSE(journal.take_write_failure());
        EXPECT_EQ(journal.add(message(7)), 0u);
    }
    disk.space_left = SIZE_MAX;
    std::string problem;
    EXPECT_EQ(kept(disk, &problem), kFive);
    EXPECT_TRUE(problem.empty());
}

// The power goes at each step of a compaction in turn: the start after it
// finds the old file or the new one whole, never neither.
TEST(Journal, CompactionInterruptedAtEachStepLosesNothing) {
    for (const bool atomic : {true, false}) {
        for (int steps = 0;; ++steps) {
            SCOPED_TRACE(std::string(atomic ? "atomic" : "two-step") +
                         " replace, power lost after " + std::to_string(steps) + " steps");
            FakeDisk disk = five_messages();
            disk.atomic_replace = atomic;
            bool finished;
            {
                Journal journal(disk);
                journal.open();
                journal.remove(3);
                disk.steps_left = steps;
                finished = journal.compact();
            }
            disk.steps_left = -1;
            EXPECT_EQ(kept(disk), (std::vector<std::string>{"SENDER1:0", "SENDER2:1", "SENDER4:2",
                                                            "SENDER5:0"}));
            EXPECT_FALSE(disk.files.contains(kJournalReplacementName));
            if (finished) break;
            ASSERT_LT(steps, 10);
        }
    }
}

TEST(Journal, DeletedMessagesLeaveTheDisk) {
    FakeDisk disk = five_messages();
    Journal journal(disk);
    journal.open();
    journal.remove(2);
    EXPECT_NE(disk.files[kJournalName].find("SENDER2"), std::string::npos);
    EXPECT_FALSE(journal.compaction_due(1000));
    EXPECT_FALSE(journal.compaction_due(1000 + kDeleteCompactionDelayMs - 1));
    EXPECT_TRUE(journal.compaction_due(1000 + kDeleteCompactionDelayMs));
    EXPECT_TRUE(journal.compact());
    EXPECT_EQ(disk.files[kJournalName].find("SENDER2"), std::string::npos);
    EXPECT_FALSE(journal.compaction_due(99999));

    journal.remove_all();  // at once, without waiting
    EXPECT_EQ(disk.files[kJournalName], journal_header());
    EXPECT_TRUE(kept(disk).empty());
}

TEST(Journal, DeadRecordsAreCompactedBySize) {
    FakeDisk disk;
    Journal journal(disk);
    journal.open();
    const uint64_t id = journal.add(message(1));
    int changes = 0;
    while (!journal.compaction_due(0)) {
        journal.set_state(id, static_cast<uint8_t>(changes++ % 3));
        ASSERT_LT(changes, 200000);
    }
    EXPECT_GT(journal.file_size(), kDeadBytesSlack);
    EXPECT_TRUE(journal.compact());
    EXPECT_LT(journal.file_size(), 100u);
}

TEST(Journal, KeepsTheNewestMessagesUpToTheCap) {
    FakeDisk disk;
    {
        Journal journal(disk, 3);
        journal.open();
        for (int n = 1; n <= 5; ++n)
            journal.add(message(n));
        EXPECT_EQ(journal.kept_count(), 3u);
    }
    Journal journal(disk, 3);
    const Journal::Opened opened = journal.open();
    ASSERT_EQ(opened.messages.size(), 3u);
    EXPECT_EQ(opened.messages.front().from, "SENDER3");
}

TEST(Journal, DiscardDeletesTheFile) {
    FakeDisk disk = five_messages();
    Journal journal(disk);
    journal.open();
    journal.discard();
    EXPECT_TRUE(disk.files.empty());
    EXPECT_EQ(journal.add(message(1)), 0u);
    EXPECT_TRUE(disk.files.empty());
}

}  // namespace
