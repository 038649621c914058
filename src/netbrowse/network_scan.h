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
#include <memory>
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

// Names compare with only the ASCII letters folded to lower case.
std::string fold_name(std::string_view name);

// The tree as the scans know it, kept beside the tree for as long as the tree
// lives: every entry with its seen mark, in tree order, and an index from each
// parent and folded name to the first of that parent's children with that
// text. Workgroups are thus found only among workgroups and computers only
// under their workgroup. A rescan neither reads the tree again nor walks it
// per name. The marks of a running scan live here; the tree's items receive
// them when the scan ends.
class TreeMirror {
public:
    struct Node {
        TreeItem item = 0;
        std::uint32_t seen = 1;    // the mark as the running scan sees it
        std::uint32_t stored = 1;  // the mark the tree item holds
        std::string key;           // the folded text
        std::vector<std::unique_ptr<Node>> children;
        Node* parent = nullptr;  // none for a workgroup
    };
    using Nodes = std::vector<std::unique_ptr<Node>>;

    explicit TreeMirror(NetworkTree& tree) : tree_(tree) {}
    TreeMirror(const TreeMirror&) = delete;
    TreeMirror& operator=(const TreeMirror&) = delete;

    // Reads the whole tree again when its number of items is not ours.
    void sync();
    // The child of `parent` (a workgroup for none) named `name`, or none.
    Node* find(const Node* parent, std::string_view name) const;
    // Appends an entry under `parent` (the top level for none); none when the
    // tree refuses it.
    Node* insert(Node* parent, const std::string& text, int image);
    // Deletes the entry and its children from the tree and the index; the
    // caller drops the node. False when the tree did not delete it.
    bool remove(Node& node);
    // Writes every mark that changed into its tree item.
    void store_marks();
    Nodes& roots() { return roots_; }

private:
    struct IndexKey {
        const Node* parent;
        std::string name;
        bool operator==(const IndexKey&) const = default;
    };
    struct IndexHash {
        std::size_t operator()(const IndexKey& key) const {
            return std::hash<std::string>{}(key.name) ^ std::hash<const Node*>{}(key.parent);
        }
    };

    void read_level(TreeItem first, Node* parent, Nodes& into);
    void forget(const Node& node);
    void store_marks(Nodes& nodes);

    NetworkTree& tree_;
    Nodes roots_;
    std::unordered_map<IndexKey, Node*, IndexHash> index_;
    std::size_t count_ = 0;
};
using TreeNode = TreeMirror::Node;

// Actions for for_each_tree_item; each answers whether the entry is still there.
bool mark_seen(TreeMirror& tree, TreeNode& node);
bool clear_seen(TreeMirror& tree, TreeNode& node);
bool drop_if_unseen(TreeMirror& tree, TreeNode& node);

// Applies `action` to every workgroup and computer in tree order; the
// children of an entry the action deleted are not visited.
void for_each_tree_item(TreeMirror& tree,
                        const std::function<bool(TreeMirror&, TreeNode&)>& action);

// The existing entry for `name` under `parent` (among the workgroups for
// none), or none.
TreeNode* find_tree_item(const TreeMirror& tree, const TreeNode* parent, std::string_view name);

// The steps of one scan that touch the tree and the status bar, in the order
// the scan takes them. An entry is a TreeNode of the mirror; none is the top.
class ScanSteps {
public:
    virtual ~ScanSteps() = default;
    // Clears every seen mark and shows "Scanning:".
    virtual void begin() = 0;
    // Shows "Scanning => name", then marks the existing entry for the name or
    // appends a workgroup entry under `parent`. The entry, or none when the
    // insert failed.
    virtual TreeNode* workgroup(const std::string& name, TreeNode* parent) = 0;
    // Marks the existing entry of each name, or appends a computer entry under
    // `workgroup`, in order.
    virtual void computers(const std::vector<std::string>& names, TreeNode* workgroup) = 0;
    // The workgroup's computers could not all be listed: every entry under it
    // is kept as seen, so that the sweep removes none of them.
    virtual void listing_failed(TreeNode* workgroup) = 0;
    // After a successful enumeration drops every unmarked entry and shows
    // "Scanning: DONE!"; otherwise shows "Scanning: ERROR!" and keeps them.
    virtual void finish(bool enumerated) = 0;
};

using StatusSink = std::function<void(const std::string&)>;

// The scan's steps on a tree, done where they are called.
class TreeUpdate final : public ScanSteps {
public:
    TreeUpdate(TreeMirror& tree, StatusSink status) : tree_(tree), status_(std::move(status)) {}

    void begin() override;
    TreeNode* workgroup(const std::string& name, TreeNode* parent) override;
    void computers(const std::vector<std::string>& names, TreeNode* workgroup) override;
    void listing_failed(TreeNode* workgroup) override;
    void finish(bool enumerated) override;

private:
    void show(const std::string& text) {
        if (status_) status_(text);
    }

    TreeMirror& tree_;
    StatusSink status_;
};

// One level of the network: the containers inside `container` (the whole
// network for none), with their workgroups under `parent`. 0, or -1 when the
// enumeration cannot be opened or ends in an error.
int enumerate_level(NetworkSource& source, ScanSteps& steps, const NetResource* container,
                    TreeNode* parent);
// The computers of one workgroup under its entry; when the workgroup cannot
// be opened or its listing ends in an error, its entries are all kept.
void enumerate_computers(NetworkSource& source, ScanSteps& steps, const NetResource& workgroup,
                         TreeNode* entry);
// A whole scan: 0 after a completed scan, -1 when the whole network could not
// be enumerated.
int scan_network(NetworkSource& source, ScanSteps& steps);
