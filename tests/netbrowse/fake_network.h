// In-memory stand-ins for the network browser's two seams (portable, test
// support): a tree of numbered items and a scripted network.
#pragma once

#include <map>
#include <optional>
#include <set>
#include <string>
#include <vector>

#include "netbrowse/network_source.h"
#include "netbrowse/network_tree.h"

class FakeTree final : public NetworkTree {
public:
    std::size_t count() override { return nodes_.size(); }
    TreeItem first_root() override { return first_of(0); }
    TreeItem first_child(TreeItem item) override { return exists(item) ? first_of(item) : 0; }
    TreeItem next_sibling(TreeItem item) override;
    bool read(TreeItem item, std::string& text, std::uint32_t& seen) override {
        if (!exists(item)) return false;
        text = nodes_.at(item).text;
        seen = nodes_.at(item).seen;
        return true;
    }
    bool set_seen(TreeItem item, std::uint32_t seen) override {
        return exists(item) && (nodes_.at(item).seen = seen, true);
    }
    TreeItem insert(TreeItem parent, const std::string& text, int image) override;
    bool remove(TreeItem item) override;

    // The tree as lines: "NAME" at the top, "  NAME" below, "    NAME" deeper;
    // computers with a "*" when the picture is not the computer picture.
    std::vector<std::string> lines() const;
    TreeItem item_named(const std::string& text) const;
    std::optional<std::uint32_t> seen(TreeItem item) const {
        return exists(item) ? std::optional(nodes_.at(item).seen) : std::nullopt;
    }

    std::set<std::string> refuse;  // texts whose insert fails
    int inserts = 0;

private:
    struct Node {
        std::string text;
        std::uint32_t seen = 1;
        int image = 0;
        TreeItem parent = 0;
        std::vector<TreeItem> children;
    };
    bool exists(TreeItem item) const { return nodes_.count(item) != 0; }
    TreeItem first_of(TreeItem parent) const {
        return children_of(parent).empty() ? 0 : children_of(parent).front();
    }
    const std::vector<TreeItem>& children_of(TreeItem parent) const {
        return parent ? nodes_.at(parent).children : roots_;
    }
    void lines_of(TreeItem parent, int depth, std::vector<std::string>& out) const;

    std::map<TreeItem, Node> nodes_;
    std::vector<TreeItem> roots_;
    TreeItem next_id_ = 100;
};

// A network described container by container: the batches each container's
// enumeration delivers and how it ends; a container without a script cannot
// be opened. The whole network is the container named "".
struct ContainerScript {
    std::vector<std::vector<NetResource>> batches;
    EnumOutcome ending = EnumOutcome::end;
};

class FakeNetwork final : public NetworkSource {
public:
    std::unique_ptr<NetworkEnumeration> open(const NetResource* container) override;

    ContainerScript& at(const std::string& container) { return containers[container]; }
    // Adds a provider "NET" to the whole network and the workgroups with their
    // computers below it, one batch each.
    void simple(const std::vector<std::pair<std::string, std::vector<std::string>>>& workgroups);

    std::map<std::string, ContainerScript> containers;
    int open_enumerations = 0;
};

NetResource resource(std::uint32_t display_type, const std::string& remote_name);
