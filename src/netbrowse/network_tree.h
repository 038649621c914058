// The network tree as the scan sees it: workgroups at the top, their computers
// below, each item with a text and a seen mark (portable seam; the Windows
// build puts the tree view control behind it).
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

// An item of the tree; 0 is no item.
using TreeItem = std::uintptr_t;

// Pictures of the two kinds of entry.
constexpr int kWorkgroupImage = 0;
constexpr int kComputerImage = 1;

class NetworkTree {
public:
    virtual ~NetworkTree() = default;

    // The number of items at every level.
    virtual std::size_t count() = 0;
    // Neighbours in tree order; 0 at the end.
    virtual TreeItem first_root() = 0;
    virtual TreeItem first_child(TreeItem item) = 0;
    virtual TreeItem next_sibling(TreeItem item) = 0;

    // An item's whole text and its seen mark; false when it cannot be read.
    virtual bool read(TreeItem item, std::string& text, std::uint32_t& seen) = 0;
    virtual bool set_seen(TreeItem item, std::uint32_t seen) = 0;

    // Appends an entry with seen mark 1 after the last child of `parent`
    // (after the last top-level item for 0); 0 when it cannot be inserted.
    virtual TreeItem insert(TreeItem parent, const std::string& text, int image) = 0;
    // Deletes the item and its children.
    virtual bool remove(TreeItem item) = 0;
};
