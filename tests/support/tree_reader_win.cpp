// Reads and drives the program's network tree from another process (Windows
// only, test support). Tree view records live in the program's memory.
#include "support/tree_reader_win.h"

#include <cstring>
#include <type_traits>
#include <utility>

#include "resources/resource.h"
#include "support/program_driver_win.h"
#include "support/remote_buffer_win.h"

namespace {

constexpr size_t kTextOffset = 256;
constexpr size_t kTextSize = 1024;

// Sends `message` with a record copied into the program and copied back.
template <typename Record>
bool remote_send(HANDLE process, HWND window, UINT message, WPARAM wparam, Record& record,
                 std::string* text = nullptr) {
    RemoteBuffer remote(process, kTextOffset + kTextSize);
    if (!remote) return false;
    Record copy = record;
    if constexpr (std::is_same_v<Record, TVITEMA>) {
        copy.pszText = remote.at(kTextOffset);
        copy.cchTextMax = kTextSize;
    }
    remote.write(0, &copy, sizeof copy);
    const bool ok = SendMessageA(window, message, wparam, remote.lparam()) != 0;
    remote.read(0, &record, sizeof record);
    if (text) *text = remote.text(kTextOffset);
    return ok;
}

HTREEITEM next(HWND tree, UINT relation, HTREEITEM item) {
    return reinterpret_cast<HTREEITEM>(
        SendMessageA(tree, TVM_GETNEXTITEM, relation, reinterpret_cast<LPARAM>(item)));
}

void lines_of(HANDLE process, HWND tree, HTREEITEM item, int depth, std::vector<std::string>& out) {
    for (; item; item = next(tree, TVGN_NEXT, item)) {
        TVITEMA request{};
        request.mask = TVIF_HANDLE | TVIF_TEXT;
        request.hItem = item;
        std::string text;
        const bool read = remote_send(process, tree, TVM_GETITEMA, 0, request, &text);
        // An item the program deletes while it is read (a scan's sweep) has
        // no text: "?" keeps the line from ever matching a settled tree.
        std::string line(2 * depth, ' ');
        line.append(read && !text.empty() ? text : std::string("?"));
        out.push_back(std::move(line));
        lines_of(process, tree, next(tree, TVGN_CHILD, item), depth + 1, out);
    }
}

}  // namespace

std::vector<std::string> tree_lines(HANDLE process, HWND tree) {
    std::vector<std::string> out;
    lines_of(process, tree, next(tree, TVGN_ROOT, nullptr), 0, out);
    return out;
}

HTREEITEM tree_item(HWND tree, int n) {
    HTREEITEM item = next(tree, TVGN_ROOT, nullptr);
    while (item && n-- > 0)
        item = next(tree, TVGN_NEXT, item);
    return item;
}

bool double_click_item(HANDLE process, HWND tree, HTREEITEM item) {
    RECT rect{};
    std::memcpy(&rect, &item, sizeof item);  // the item goes in, its rectangle comes out
    if (!remote_send(process, tree, TVM_GETITEMRECT, TRUE, rect)) return false;
    const LPARAM at = MAKELPARAM((rect.left + rect.right) / 2, (rect.top + rect.bottom) / 2);
    PostMessageA(tree, WM_LBUTTONDOWN, MK_LBUTTON, at);
    PostMessageA(tree, WM_LBUTTONUP, 0, at);
    PostMessageA(tree, WM_LBUTTONDBLCLK, MK_LBUTTON, at);
    PostMessageA(tree, WM_LBUTTONUP, 0, at);
    return true;
}

bool add_and_select_item(HANDLE process, HWND tree, const std::string& caption) {
    RemoteBuffer remote(process, kTextOffset + kTextSize);
    if (!remote) return false;
    TVINSERTSTRUCTA insert{};
    insert.hParent = TVI_ROOT;
    insert.hInsertAfter = TVI_LAST;
    insert.item.mask = TVIF_TEXT;
    insert.item.pszText = remote.at(kTextOffset);
    remote.write(0, &insert, sizeof insert);
    remote.write(kTextOffset, caption.c_str(), caption.size() + 1);
    const LRESULT item = SendMessageA(tree, TVM_INSERTITEMA, 0, remote.lparam());
    SendMessageA(tree, TVM_SELECTITEM, TVGN_CARET, item);
    return item != 0;
}

HWND network_toolbar(HWND main) {
    for (HWND bar = FindWindowExA(main, nullptr, TOOLBARCLASSNAMEA, nullptr); bar;
         bar = FindWindowExA(main, bar, TOOLBARCLASSNAMEA, nullptr)) {
        if (SendMessageA(bar, TB_COMMANDTOINDEX, IDM_RESCAN, 0) >= 0) return bar;
    }
    return nullptr;
}

HWND network_status_bar(HWND main) {
    RECT tree{};
    GetWindowRect(GetDlgItem(main, IDC_NETWORK_TREE), &tree);
    for (HWND bar = FindWindowExA(main, nullptr, STATUSCLASSNAMEA, nullptr); bar;
         bar = FindWindowExA(main, bar, STATUSCLASSNAMEA, nullptr)) {
        RECT rect{};
        GetWindowRect(bar, &rect);
        if (rect.left == tree.left) return bar;
    }
    return nullptr;
}

std::string status_bar_text(HANDLE process, HWND bar) {
    RemoteBuffer remote(process, kTextSize);
    if (!remote) return {};
    SendMessageA(bar, SB_GETTEXTA, 0, remote.lparam());
    return remote.text();
}

bool program_has_dialog(int id) {
    HMODULE program = LoadLibraryExA(program_path().c_str(), nullptr, LOAD_LIBRARY_AS_DATAFILE);
    if (!program) return false;
    const bool found = FindResourceA(program, MAKEINTRESOURCEA(id), RT_DIALOG) != nullptr;
    FreeLibrary(program);
    return found;
}
