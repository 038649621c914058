// The network tree seam over the main window's tree view control (Windows
// only). Every call sends a message to the control, so it belongs on the
// thread that owns the control.
#pragma once

#include <windows.h>

#include "netbrowse/network_tree.h"

class TreeViewTree final : public NetworkTree {
public:
    explicit TreeViewTree(HWND tree) : tree_(tree) {}

    std::size_t count() override;
    TreeItem first_root() override;
    TreeItem first_child(TreeItem item) override;
    TreeItem next_sibling(TreeItem item) override;
    bool read(TreeItem item, std::string& text, std::uint32_t& seen) override;
    bool set_seen(TreeItem item, std::uint32_t seen) override;
    TreeItem insert(TreeItem parent, const std::string& text, int image) override;
    bool remove(TreeItem item) override;

private:
    TreeItem neighbour(TreeItem item, UINT relation);

    HWND tree_;
};
