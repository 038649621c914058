// The scan's mark-and-sweep update against an in-memory tree and a scripted
// network (portable).
#include "netbrowse/network_scan.h"

#include <gtest/gtest.h>

#include "netbrowse/fake_network.h"

namespace {

using Lines = std::vector<std::string>;

class NetworkScanTest : public ::testing::Test {
protected:
    int scan() {
        statuses.clear();
        TreeUpdate steps(mirror, [this](const std::string& text) { statuses.push_back(text); });
        const int result = scan_network(network, steps);
        EXPECT_EQ(network.open_enumerations, 0) << "every enumeration is closed";
        return result;
    }

    FakeTree tree;
    TreeMirror mirror{tree};
    FakeNetwork network;
    std::vector<std::string> statuses;
};

TEST_F(NetworkScanTest, UnchangedNetworkGivesTheSameTreeTwice) {
    network.simple({{"SALES", {"PC1", "PC2"}}, {"LAB", {"PC3"}}});
    const Lines expected{"SALES", "  PC1", "  PC2", "LAB", "  PC3"};
    EXPECT_EQ(scan(), 0);
    EXPECT_EQ(tree.lines(), expected);
    EXPECT_EQ(statuses,
              (Lines{"Scanning:", "Scanning => SALES", "Scanning => LAB", "Scanning: DONE!"}));
    const TreeItem pc2 = tree.item_named("PC2");

    EXPECT_EQ(scan(), 0);
    EXPECT_EQ(tree.lines(), expected);
    EXPECT_EQ(tree.inserts, 5);
    EXPECT_EQ(tree.item_named("PC2"), pc2) << "entries stay in place";
    EXPECT_EQ(tree.seen(pc2), 1u);
}

TEST_F(NetworkScanTest, DepartedAndJoinedEntriesAfterTheNextScan) {
    network.simple({{"SALES", {"PC1", "PC2"}}, {"LAB", {"PC3"}}, {"HR", {"PC4"}}});
    scan();
    network.simple({{"NEWGROUP", {"PC9"}}, {"SALES", {"PC5", "PC2"}}, {"HR", {"PC4"}}});
    network.containers.erase("LAB");
    EXPECT_EQ(scan(), 0);
    EXPECT_EQ(tree.lines(), (Lines{"SALES", "  PC2", "  PC5", "HR", "  PC4", "NEWGROUP", "  PC9"}));
}

TEST_F(NetworkScanTest, NamesMatchWithinTheirLevelFoldingOnlyAsciiLetters) {
    // A computer is found only under its own workgroup, a workgroup only among
    // workgroups; pc1 and PC1 are one name, an accented capital and small E two.
    network.simple({{"SALES", {"PC1", "\xC9QUIPE"}},
                    {"OFFICE", {"Sales", "pc1", "PC1", "\xE9QUIPE", "\xC9QUIPE"}}});
    scan();
    const Lines office{"SALES",   "  PC1", "  \xC9QUIPE", "OFFICE",
                       "  Sales", "  pc1", "  \xE9QUIPE", "  \xC9QUIPE"};
    EXPECT_EQ(tree.lines(), office);
    // A workgroup named like a computer is a workgroup of its own, its
    // computers below it and never a third level.
    network.simple({{"SALES", {"PC1"}}, {"pc1", {"PC7", "SALES"}}});
    scan();
    EXPECT_EQ(tree.lines(), (Lines{"SALES", "  PC1", "pc1", "  PC7", "  SALES"}));
}

TEST_F(NetworkScanTest, NoNetworkShowsErrorAndKeepsTheEntries) {
    network.simple({{"SALES", {"PC1"}}});
    scan();
    const FakeNetwork before = network;
    network.containers.clear();
    EXPECT_EQ(scan(), -1);
    EXPECT_EQ(statuses, (Lines{"Scanning:", "Scanning: ERROR!"}));
    EXPECT_EQ(tree.lines(), (Lines{"SALES", "  PC1"}));
    EXPECT_EQ(tree.seen(tree.item_named("PC1")), 0u) << "unmarked until the next scan";

    // A whole-network enumeration that ends in an error keeps what it found
    // and removes nothing.
    network = before;
    network.simple({{"LAB", {"PC3"}}});
    network.at("").ending = EnumOutcome::error;
    EXPECT_EQ(scan(), -1);
    EXPECT_EQ(statuses.back(), "Scanning: ERROR!");
    EXPECT_EQ(tree.lines(), (Lines{"SALES", "  PC1", "LAB", "  PC3"}));
}

TEST_F(NetworkScanTest, WorkgroupWhoseListingFailsKeepsItsComputers) {
    network.simple({{"SALES", {"PC1", "PC2"}}, {"LAB", {"PC3"}}});
    scan();
    network.containers.erase("SALES");  // cannot be opened
    network.at("LAB").batches = {};
    EXPECT_EQ(scan(), 0);
    EXPECT_EQ(tree.lines(), (Lines{"SALES", "  PC1", "  PC2", "LAB"}));

    // One that fails part-way adds what it listed and removes nothing.
    network.simple({{"SALES", {"PC1"}}, {"LAB", {"PC3"}}});
    network.at("SALES").batches.push_back({resource(kDisplayServer, "\\\\PC4")});
    network.at("SALES").ending = EnumOutcome::error;
    EXPECT_EQ(scan(), 0);
    EXPECT_EQ(statuses.back(), "Scanning: DONE!");
    EXPECT_EQ(tree.lines(), (Lines{"SALES", "  PC1", "  PC2", "  PC4", "LAB", "  PC3"}));
}

TEST_F(NetworkScanTest, ProviderFailingPartWayStillCompletesTheScan) {
    network.simple({{"SALES", {"PC1"}}});
    network.at("").batches[0] = {resource(kDisplayNetwork, "NET"),
                                 resource(kDisplayNetwork, "BROKEN"),
                                 resource(kDisplayNetwork, "UNOPENABLE")};
    network.at("BROKEN").batches = {{resource(kDisplayGroup, "LAB")}};
    network.at("BROKEN").ending = EnumOutcome::error;
    network.at("LAB").batches = {{resource(kDisplayServer, "\\\\PC3")}};
    EXPECT_EQ(scan(), 0);
    EXPECT_EQ(statuses.back(), "Scanning: DONE!");
    EXPECT_EQ(tree.lines(), (Lines{"SALES", "  PC1", "LAB", "  PC3"}));
}

TEST_F(NetworkScanTest, RecordsAreFilteredAndNamedAsTheNetworkGivesThem) {
    network.at("").batches = {{resource(kDisplayServer, "\\\\STRAY"), resource(kDisplayGroup, "WG"),
                               resource(3, "SHARE")}};
    network.at("WG").batches = {{resource(kDisplayServer, "\\\\PC1"), resource(kDisplayDomain, "X"),
                                 resource(kDisplayServer, "\\\\PC2")},
                                {resource(kDisplayServer, "\\"), resource(kDisplayServer, "\\\\")}};
    NetResource unnamed;
    unnamed.display_type = kDisplayServer;
    network.at("WG").batches[1].push_back(unnamed);
    EXPECT_EQ(scan(), 0);
    EXPECT_EQ(tree.lines(), (Lines{"WG", "  PC1", "  PC2", "  "}));
}

TEST_F(NetworkScanTest, WorkgroupThatCannotBeInsertedIsNotEnumerated) {
    network.simple({{"SALES", {"PC1"}}, {"LAB", {"PC3"}}});
    tree.refuse = {"SALES"};
    EXPECT_EQ(scan(), 0);
    EXPECT_EQ(tree.lines(), (Lines{"LAB", "  PC3"}));
    EXPECT_EQ(statuses[1], "Scanning => SALES");
}

TEST_F(NetworkScanTest, NetworksNestedWithoutEndStop) {
    network.at("").batches = {{resource(kDisplayNetwork, "LOOP")}};
    network.at("LOOP").batches = {
        {resource(kDisplayNetwork, "LOOP"), resource(kDisplayGroup, "WG")}};
    EXPECT_EQ(scan(), 0);
    EXPECT_EQ(tree.lines(), (Lines{"WG"}));
}

TEST_F(NetworkScanTest, TreeChangedBehindTheMirrorIsReadAgain) {
    // Entries already in the tree count, in tree order.
    const TreeItem sales = tree.insert(0, "SALES", kWorkgroupImage);
    const TreeItem pc1 = tree.insert(sales, "pc1", kComputerImage);
    tree.insert(pc1, "DEEP", kComputerImage);
    network.simple({{"LAB", {"DEEP"}}, {"SALES", {"PC1"}}});
    scan();
    EXPECT_EQ(tree.lines(), (Lines{"SALES", "  pc1", "    DEEP", "LAB", "  DEEP"}));

    tree.remove(tree.item_named("pc1"));
    scan();
    EXPECT_EQ(tree.lines(), (Lines{"SALES", "  PC1", "LAB", "  DEEP"}));
}

}  // namespace
