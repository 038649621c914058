// The network tree seam over a tree view control (Windows only).
#include "netbrowse/tree_view_win.h"

#include <commctrl.h>

#include <vector>

namespace {

// Texts are read 255 characters at a time first, as names are short; a text
// that fills the buffer is read again whole, so that long names compare
// whole too.
constexpr int kSearchBuffer = 256;
constexpr int kLongestText = 65536;

HTREEITEM handle(TreeItem item) {
    return reinterpret_cast<HTREEITEM>(item);
}

}  // namespace

TreeItem TreeViewTree::neighbour(TreeItem item, UINT relation) {
    return static_cast<TreeItem>(
        SendMessageA(tree_, TVM_GETNEXTITEM, relation, reinterpret_cast<LPARAM>(handle(item))));
}

std::size_t TreeViewTree::count() {
    return static_cast<std::size_t>(SendMessageA(tree_, TVM_GETCOUNT, 0, 0));
}

TreeItem TreeViewTree::first_root() {
    return neighbour(0, TVGN_ROOT);
}
TreeItem TreeViewTree::first_child(TreeItem item) {
    return neighbour(item, TVGN_CHILD);
}
TreeItem TreeViewTree::next_sibling(TreeItem item) {
    return neighbour(item, TVGN_NEXT);
}

bool TreeViewTree::read(TreeItem item, std::string& text, std::uint32_t& seen) {
    char small[kSearchBuffer];
    std::vector<char> large;
    TVITEMA request{};
    request.hItem = handle(item);
    request.mask = TVIF_HANDLE | TVIF_TEXT | TVIF_PARAM;
    request.pszText = small;
    request.cchTextMax = kSearchBuffer;
    for (;;) {
        request.pszText[0] = '\0';
        if (!SendMessageA(tree_, TVM_GETITEMA, 0, reinterpret_cast<LPARAM>(&request))) return false;
        const int length = lstrlenA(request.pszText);
        if (length < request.cchTextMax - 1 || request.cchTextMax >= kLongestText) break;
        large.resize(static_cast<std::size_t>(request.cchTextMax) * 4);
        request.pszText = large.data();
        request.cchTextMax = static_cast<int>(large.size());
    }
    text.assign(request.pszText);
    seen = static_cast<std::uint32_t>(request.lParam);
    return true;
}

bool TreeViewTree::set_seen(TreeItem item, std::uint32_t seen) {
    TVITEMA change{};
    change.hItem = handle(item);
    change.mask = TVIF_HANDLE | TVIF_PARAM;
    change.lParam = static_cast<LPARAM>(seen);
    return SendMessageA(tree_, TVM_SETITEMA, 0, reinterpret_cast<LPARAM>(&change)) != 0;
}

TreeItem TreeViewTree::insert(TreeItem parent, const std::string& text, int image) {
    TVINSERTSTRUCTA entry{};
    entry.hParent = parent ? handle(parent) : TVI_ROOT;
    entry.hInsertAfter = TVI_LAST;
    entry.item.mask = TVIF_TEXT | TVIF_IMAGE | TVIF_SELECTEDIMAGE | TVIF_PARAM;
    entry.item.pszText = const_cast<char*>(text.c_str());
    entry.item.iImage = image;
    entry.item.iSelectedImage = image;
    entry.item.lParam = 1;
    return static_cast<TreeItem>(
        SendMessageA(tree_, TVM_INSERTITEMA, 0, reinterpret_cast<LPARAM>(&entry)));
}

bool TreeViewTree::remove(TreeItem item) {
    return SendMessageA(tree_, TVM_DELETEITEM, 0, reinterpret_cast<LPARAM>(handle(item))) != 0;
}
