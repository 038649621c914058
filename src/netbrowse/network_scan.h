// The network scan: enumerates workgroups and computers and updates the tree
// in place by mark and sweep (portable).
//
// The scan walks the network on its own thread; the steps that touch the tree
// are grouped behind ScanSteps so that the Windows build can run them on the
// thread that owns the tree view. Lookups go through an index beside the tree,
// so a scan takes time linear in the number of entries.
#pragma once

#include <cstdint>
#include <functional>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

#include "netbrowse/network_source.h"
#include "netbrowse/network_tree.h"

// Status texts of the network status bar.
inline constexpr const char* kScanBegins = "Scanning:";
inline constexpr const char* kScanDone = "Scanning: DONE!";
inline constexpr const char* kScanError = "Scanning: ERROR!";
std::string scanning_workgroup_text(std::string_view remote_name);  // "Scanning => %s"

// Actions for for_each_tree_item; each answers whether the item is still there.
bool mark_seen(NetworkTree& tree, TreeItem item);
bool clear_seen(NetworkTree& tree, TreeItem item);
bool drop_if_unseen(NetworkTree& tree, TreeItem item);

// Applies `action` to every workgroup and computer in tree order. The next
// item is taken before the action runs, and the children of an item the action
// deleted are not visited.
void for_each_tree_item(NetworkTree& tree,
                        const std::function<bool(NetworkTree&, TreeItem)>& action);

// Names compare with only the ASCII letters folded to lower case.
std::string fold_name(std::string_view name);

// The first item in tree order (depth first, at every level) whose text equals
// each name, kept beside the tree.
class TreeIndex {
public:
    void clear() { first_.clear(); }
    // Keeps an earlier item with an equal text.
    void add(std::string_view text, TreeItem item) { first_.try_emplace(fold_name(text), item); }
    TreeItem find(std::string_view name) const;

private:
    std::unordered_map<std::string, TreeItem> first_;
};

// The existing entry for `name`, or 0.
TreeItem find_tree_item(const TreeIndex& index, std::string_view name);

// The steps of one scan that touch the tree and the status bar, in the order
// the scan takes them.
class ScanSteps {
public:
    virtual ~ScanSteps() = default;
    // Clears every seen mark and shows "Scanning:".
    virtual void begin() = 0;
    // Shows "Scanning => name", then marks the existing entry for the name or
    // appends a workgroup entry under `parent`. The entry, or 0 when the insert
    // failed.
    virtual TreeItem workgroup(const std::string& name, TreeItem parent) = 0;
    // Marks the existing entry of each name, or appends a computer entry under
    // `workgroup`, in order.
    virtual void computers(const std::vector<std::string>& names, TreeItem workgroup) = 0;
    // After a successful enumeration drops every unmarked entry and shows
    // "Scanning: DONE!"; otherwise shows "Scanning: ERROR!" and keeps them.
    virtual void finish(bool enumerated) = 0;
};

using StatusSink = std::function<void(const std::string&)>;

// The scan's steps on a tree, done where they are called.
class TreeUpdate final : public ScanSteps {
public:
    TreeUpdate(NetworkTree& tree, StatusSink status) : tree_(tree), status_(std::move(status)) {}

    void begin() override;
    TreeItem workgroup(const std::string& name, TreeItem parent) override;
    void computers(const std::vector<std::string>& names, TreeItem workgroup) override;
    void finish(bool enumerated) override;

private:
    void show(const std::string& text) {
        if (status_) status_(text);
    }
    void index_and_clear(TreeItem first, int depth);

    NetworkTree& tree_;
    StatusSink status_;
    TreeIndex index_;
};

// One level of the network: the containers inside `container` (the whole
// network for none), with their workgroups under `parent`. 0, or -1 when the
// enumeration cannot be opened or ends in an error.
int enumerate_level(NetworkSource& source, ScanSteps& steps, const NetResource* container,
                    TreeItem parent);
// The computers of one workgroup under its entry.
void enumerate_computers(NetworkSource& source, ScanSteps& steps, const NetResource& workgroup,
                         TreeItem item);
// A whole scan: 0 after a completed scan, -1 when the whole network could not
// be enumerated.
int scan_network(NetworkSource& source, ScanSteps& steps);
