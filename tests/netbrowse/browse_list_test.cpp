// The browse list's ageing and bound, and the scan that joins what was heard
// to the system's enumeration (portable).
#include "netbrowse/browse_list.h"

#include <gtest/gtest.h>

#include "netbrowse/fake_network.h"
#include "netbrowse/heard_source.h"

namespace {

constexpr uint64_t kMinute = 60 * 1000;
using Lines = std::vector<std::string>;

TEST(BrowseList, EntriesAgeByTheirOwnPeriodAndLeaveWithTheirLastWord) {
    BrowseList list;
    list.heard_computer("WORKGROUP", "PC2", kMinute, 1, 0);
    list.heard_computer("workgroup", "pc3", 12 * kMinute, 1, 0);
    list.heard_computer("WORKGROUP", "PC3", 12 * kMinute, 1, 0);  // one entry, any case
    list.heard_workgroup("OFFICE", 15 * kMinute, 0);
    EXPECT_EQ(list.snapshot(3 * kMinute),
              (HeardNetwork{{"OFFICE", {}}, {"WORKGROUP", {"PC2", "PC3"}}}));
    EXPECT_EQ(list.snapshot(3 * kMinute + 1),
              (HeardNetwork{{"OFFICE", {}}, {"WORKGROUP", {"PC3"}}}))
        << "three periods without a word";

    const uint64_t before = list.changes();
    list.heard_computer("WORKGROUP", "PC3", 12 * kMinute, 0, 4 * kMinute);
    EXPECT_EQ(list.snapshot(4 * kMinute), (HeardNetwork{{"OFFICE", {}}}))
        << "a zero server type drops it at once";
    EXPECT_GT(list.changes(), before);
    EXPECT_EQ(list.snapshot(46 * kMinute), HeardNetwork{});
}

TEST(BrowseList, PeriodsOfZeroOrHugeAreHeldToSaneBounds) {
    BrowseList list;
    list.heard_computer("WG", "ZERO", 0, 1, 0);
    list.heard_computer("WG", "HUGE", 0xFFFFFFFF, 1, 0);
    list.heard_computer("WG", "TINY", 1, 1, 0);
    EXPECT_EQ(list.snapshot(3 * kShortestPeriodMs + 1), (HeardNetwork{{"WG", {"HUGE", "ZERO"}}}));
    EXPECT_EQ(list.snapshot(3 * kDefaultPeriodMs + 1), (HeardNetwork{{"WG", {"HUGE"}}}));
    EXPECT_EQ(list.snapshot(3 * uint64_t{kLongestPeriodMs} + 1), HeardNetwork{});
}

TEST(BrowseList, AFloodOfNamesKeepsTheNewestWithinTheBound) {
    BrowseList list;
    for (int i = 0; i < 50000; ++i)
        list.heard_computer("WG", "PC" + std::to_string(i), kMinute, 1, static_cast<uint64_t>(i));
    EXPECT_EQ(list.size(), BrowseList::kCapacity);
    const HeardNetwork network = list.snapshot(50000);
    ASSERT_EQ(network.size(), 1u);
    EXPECT_EQ(network[0].computers.size(), BrowseList::kCapacity);
    EXPECT_EQ(std::count(network[0].computers.begin(), network[0].computers.end(), "PC49999"), 1);
    EXPECT_EQ(std::count(network[0].computers.begin(), network[0].computers.end(), "PC0"), 0);
}

class HeardScanTest : public ::testing::Test {
protected:
    int scan(const HeardNetwork& heard) {
        statuses.clear();
        TreeUpdate steps(mirror, [this](const std::string& text) { statuses.push_back(text); });
        return scan_with_heard(network, heard, steps);
    }
    FakeTree tree;
    TreeMirror mirror{tree};
    FakeNetwork network;
    std::vector<std::string> statuses;
};

TEST_F(HeardScanTest, WhereTheSystemFailsTheTreeIsWhatWasHeard) {
    network.at("").ending = EnumOutcome::error;
    EXPECT_EQ(scan({{"WORKGROUP", {"PC2", "PC3", "SAMBAHOST"}}}), 0);
    EXPECT_EQ(tree.lines(), (Lines{"WORKGROUP", "  PC2", "  PC3", "  SAMBAHOST"}));
    EXPECT_EQ(statuses, (Lines{"Scanning:", "Scanning => WORKGROUP", "Scanning: DONE!"}));

    const TreeItem pc2 = tree.item_named("PC2");
    scan({{"WORKGROUP", {"PC2", "SAMBAHOST"}}});
    EXPECT_EQ(tree.lines(), (Lines{"WORKGROUP", "  PC2", "  SAMBAHOST"}));
    EXPECT_EQ(tree.item_named("PC2"), pc2) << "mark and sweep as ever";
    scan({});
    EXPECT_EQ(tree.lines(), Lines{});
    EXPECT_EQ(statuses.back(), "Scanning: DONE!");
}

TEST_F(HeardScanTest, BothSourcesJoinTheSystemsFirst) {
    network.simple({{"SALES", {"PC1", "PC2"}}, {"LAB", {"PC3"}}});
    network.at("LAB").ending = EnumOutcome::error;
    scan({{"HR", {"PC7"}}, {"sales", {"pc2", "PC4"}}});
    EXPECT_EQ(tree.lines(),
              (Lines{"SALES", "  PC1", "  PC2", "  PC4", "LAB", "  PC3", "HR", "  PC7"}));
    // LAB's listing failed: its entries stay although nobody names PC5 now.
    network.simple({{"SALES", {"PC1"}}, {"LAB", {}}});
    tree.insert(tree.item_named("LAB"), "PC5", kComputerImage);
    scan({});
    EXPECT_EQ(tree.lines(), (Lines{"SALES", "  PC1", "LAB", "  PC3", "  PC5"}));
}

}  // namespace
