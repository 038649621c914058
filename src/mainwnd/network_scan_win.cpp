// The network scan thread and its tree steps on the user-interface thread
// (Windows only).
#include "mainwnd/network_scan_win.h"

#include <commctrl.h>

#include <atomic>
#include <cstring>
#include <functional>

#include "core/request_tokens.h"
#include "mainwnd/main_window_win.h"
#include "mainwnd/ui_state_win.h"
#include "mainwnd/waits_win.h"
#include "netbrowse/heard_source.h"
#include "netbrowse/network_scan.h"
#include "netbrowse/tree_view_win.h"
#include "netbrowse/wnet_source_win.h"
#include "resources/resource.h"
#include "transport/netbios_path_win.h"

namespace {

// Holds the network lock on the scan thread, which may simply block.
class ScanLockHold {
public:
    ScanLockHold() {
        if (!g_network_lock) return;
        const DWORD result = WaitForSingleObject(g_network_lock, INFINITE);
        held_ = result == WAIT_OBJECT_0 || result == WAIT_ABANDONED;
    }
    ~ScanLockHold() {
        if (held_) ReleaseMutex(g_network_lock);
    }
    ScanLockHold(const ScanLockHold&) = delete;
    ScanLockHold& operator=(const ScanLockHold&) = delete;

private:
    bool held_ = false;
};

// The steps in flight to the user-interface thread; kept for the whole run
// (never destroyed), as the scan thread may outlive the window.
RequestTokens& network_steps() {
    static auto* tokens = new RequestTokens;
    return *tokens;
}

// Hands every group of steps to the main dialog's thread and waits for it. A
// group is one workgroup, or one batch of its computers, so a scan sends a
// few messages per workgroup rather than several per computer.
class UiThreadSteps final : public ScanSteps {
public:
    UiThreadSteps(HWND owner, ScanSteps& steps) : owner_(owner), steps_(steps) {}

    void begin() override {
        on_ui_thread([&] { steps_.begin(); });
    }
    TreeNode* workgroup(const std::string& name, TreeNode* parent) override {
        TreeNode* entry = nullptr;
        on_ui_thread([&] { entry = steps_.workgroup(name, parent); });
        return entry;
    }
    void computers(const std::vector<std::string>& names, TreeNode* workgroup) override {
        on_ui_thread([&] { steps_.computers(names, workgroup); });
    }
    void listing_failed(TreeNode* workgroup) override {
        on_ui_thread([&] { steps_.listing_failed(workgroup); });
    }
    void finish(bool enumerated) override {
        on_ui_thread([&] { steps_.finish(enumerated); });
    }

private:
    // A window that is gone runs nothing: SendMessage then fails at once.
    void on_ui_thread(std::function<void()> step) {
        ScanLockHold hold;
        const uintptr_t token = network_steps().issue(&step);
        SendMessageA(owner_, WM_NETWORK_STEP, token, 0);
        network_steps().withdraw(token);
    }

    HWND owner_;
    ScanSteps& steps_;
};

void show_scan_status(const std::string& text) {
    if (g_main.network_status_bar) {
        SendMessageA(g_main.network_status_bar, WM_SETTEXT, 0,
                     reinterpret_cast<LPARAM>(text.c_str()));
    }
}

// The tree view and what the scans know of it, kept from scan to scan; used
// only on the user-interface thread, inside the scan's steps.
struct NetworkTreeModel {
    explicit NetworkTreeModel(HWND tree) : view(tree), mirror(view) {}
    TreeViewTree view;
    TreeMirror mirror;
};

TreeMirror& tree_model(HWND tree) {
    static NetworkTreeModel model(tree);
    return model.mirror;
}

// After a Rescan on the program's own network path, the answers to its
// announcement request come in for as long as the answer window lasts; each
// time the browse list has changed the timer scans again, so the tree fills
// as they arrive. The browse list's change count the last scan saw, and when
// the following ends (browse clock).
std::atomic<uint64_t> g_scanned_changes{0};
uint64_t g_follow_until_ms = 0;  // user-interface thread only
// A little beyond the window, for the last answer's way through the network.
constexpr uint64_t kFollowMarginMs = 2000;

void start_scan_thread() {
    scan_state(0);
    if (g_main.scan_thread) {
        DWORD code = 0;
        // Only a race can bring a second Rescan before the timer saw the end
        // of the first: that scan goes on, and the timer enables the commands.
        if (GetExitCodeThread(g_main.scan_thread.get(), &code) && code == STILL_ACTIVE) {
            g_main.scan_finished = 0;
            return;
        }
    }
    g_main.scan_thread.reset(CreateThread(nullptr, 0, scan_network, g_main.tree, 0, nullptr));
    if (!g_main.scan_thread) {
        scan_state(1);
        g_main.scan_finished = 1;
    } else {
        g_main.scan_finished = 0;
    }
}

}  // namespace

DWORD WINAPI scan_network(LPVOID tree_view) {
    HWND tree = static_cast<HWND>(tree_view);
    try {
        TreeUpdate update(tree_model(tree), show_scan_status);
        UiThreadSteps steps(GetParent(tree), update);
        WNetSource network;
        if (netbios_path_active()) {
            // Where the system enumerates nothing, the tree is what was heard.
            BrowseList& heard = netbios_browse_list();
            g_scanned_changes = heard.changes();
            const HeardNetwork snapshot = heard.snapshot(browse_clock_ms());
            return static_cast<DWORD>(scan_with_heard(network, snapshot, steps));
        }
        return static_cast<DWORD>(scan_network(network, steps));
    } catch (...) {
        return static_cast<DWORD>(-1);  // out of memory: the scan ends unfinished
    }
}

void start_network_scan() {
    if (netbios_path_active() && netbios_request_announcements()) {
        g_follow_until_ms = browse_clock_ms() + netbios_answer_window_ms() + kFollowMarginMs;
    }
    start_scan_thread();
}

void follow_announcements() {
    if (!g_main.scan_finished || !netbios_path_active()) return;
    if (browse_clock_ms() > g_follow_until_ms) return;
    if (netbios_browse_list().changes() == g_scanned_changes) return;
    start_scan_thread();
}

void run_network_step(WPARAM token) {
    const auto* step = static_cast<const std::function<void()>*>(network_steps().find(token));
    if (!step) return;
    network_steps().take(token);  // runs once, whoever sends the token again
    (*step)();
}

bool read_selected_tree_name(HWND tree, char (&name)[16]) {
    bool read = false;
    {
        NetworkLockHold hold;
        const auto selected =
            reinterpret_cast<HTREEITEM>(SendMessageA(tree, TVM_GETNEXTITEM, TVGN_CARET, 0));
        if (selected) {
            TVITEMA item{};
            item.mask = TVIF_TEXT | TVIF_HANDLE;
            item.hItem = selected;
            item.pszText = name;
            item.cchTextMax = sizeof name;
            read = SendMessageA(tree, TVM_GETITEMA, 0, reinterpret_cast<LPARAM>(&item)) != 0;
            // The tree may answer with its own copy instead of filling ours.
            if (read && item.pszText && item.pszText != name) {
                std::strncpy(name, item.pszText, sizeof name - 1);
            }
        }
    }
    if (!read) name[0] = '\0';
    name[sizeof name - 1] = '\0';
    return read;
}
