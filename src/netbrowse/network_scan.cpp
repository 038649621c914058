// The network scan: mark-and-sweep update of the workgroup tree (portable).
#include "netbrowse/network_scan.h"

#include <utility>

namespace {

// Networks inside networks deeper than this are not followed: a provider
// that nests them without end must not exhaust the stack.
constexpr int kMaxNetworkDepth = 16;

int enumerate_level_at(NetworkSource& source, ScanSteps& steps, const NetResource* container,
                       TreeItem parent, int depth) {
    std::unique_ptr<NetworkEnumeration> enumeration = source.open(container);
    if (!enumeration) return -1;
    std::vector<NetResource> batch;
    EnumOutcome outcome;
    while ((outcome = enumeration->next(batch)) == EnumOutcome::batch) {
        for (const NetResource& resource : batch) {
            switch (resource.display_type) {
                case kDisplayNetwork:
                    if (depth < kMaxNetworkDepth) {
                        enumerate_level_at(source, steps, &resource, parent, depth + 1);
                    }
                    break;
                case kDisplayDomain:
                case kDisplayGroup: {
                    if (!resource.remote_name) break;  // nothing to show or address
                    if (const TreeItem item = steps.workgroup(*resource.remote_name, parent)) {
                        enumerate_computers(source, steps, resource, item);
                    }
                    break;
                }
                default:
                    break;
            }
        }
    }
    return outcome == EnumOutcome::end ? 0 : -1;
}

}  // namespace

std::string scanning_workgroup_text(std::string_view remote_name) {
    std::string text = "Scanning => ";
    text += remote_name;
    return text;
}

bool mark_seen(NetworkTree& tree, TreeItem item) {
    tree.set_seen(item, 1);
    return true;
}

bool clear_seen(NetworkTree& tree, TreeItem item) {
    tree.set_seen(item, 0);
    return true;
}

bool drop_if_unseen(NetworkTree& tree, TreeItem item) {
    const std::optional<std::uint32_t> seen = tree.seen(item);
    if (!seen || *seen != 0) return true;
    return !tree.remove(item);
}

void for_each_tree_item(NetworkTree& tree,
                        const std::function<bool(NetworkTree&, TreeItem)>& action) {
    TreeItem workgroup = tree.first_root();
    while (workgroup) {
        const TreeItem next_workgroup = tree.next_sibling(workgroup);
        if (action(tree, workgroup)) {
            TreeItem computer = tree.first_child(workgroup);
            while (computer) {
                const TreeItem next_computer = tree.next_sibling(computer);
                action(tree, computer);
                computer = next_computer;
            }
        }
        workgroup = next_workgroup;
    }
}

std::string fold_name(std::string_view name) {
    std::string folded(name);
    for (char& c : folded) {
        if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
    }
    return folded;
}

TreeItem TreeIndex::find(std::string_view name) const {
    const auto found = first_.find(fold_name(name));
    return found == first_.end() ? 0 : found->second;
}

TreeItem find_tree_item(const TreeIndex& index, std::string_view name) {
    return index.find(name);
}

// One depth-first walk in tree order: every item at every level enters the
// index (a lookup finds entries whatever their level), while only the two
// levels the sweep visits lose their marks.
void TreeUpdate::index_and_clear(TreeItem first, int depth) {
    std::string text;
    for (TreeItem item = first; item; item = tree_.next_sibling(item)) {
        std::uint32_t seen = 0;
        if (!tree_.read(item, text, seen)) break;
        index_.add(text, item);
        if (depth < 2 && seen != 0) clear_seen(tree_, item);
        if (const TreeItem child = tree_.first_child(item)) index_and_clear(child, depth + 1);
    }
}

void TreeUpdate::begin() {
    index_.clear();
    index_and_clear(tree_.first_root(), 0);
    show(kScanBegins);
}

TreeItem TreeUpdate::workgroup(const std::string& name, TreeItem parent) {
    show(scanning_workgroup_text(name));
    if (const TreeItem existing = find_tree_item(index_, name)) {
        mark_seen(tree_, existing);
        return existing;
    }
    const TreeItem added = tree_.insert(parent, name, kWorkgroupImage);
    if (added) index_.add(name, added);
    return added;
}

void TreeUpdate::computers(const std::vector<std::string>& names, TreeItem workgroup) {
    for (const std::string& name : names) {
        if (const TreeItem existing = find_tree_item(index_, name)) {
            mark_seen(tree_, existing);
        } else if (const TreeItem added = tree_.insert(workgroup, name, kComputerImage)) {
            index_.add(name, added);
        }
    }
}

void TreeUpdate::finish(bool enumerated) {
    index_.clear();
    if (!enumerated) {
        show(kScanError);
        return;
    }
    for_each_tree_item(tree_, drop_if_unseen);
    show(kScanDone);
}

int enumerate_level(NetworkSource& source, ScanSteps& steps, const NetResource* container,
                    TreeItem parent) {
    return enumerate_level_at(source, steps, container, parent, 0);
}

void enumerate_computers(NetworkSource& source, ScanSteps& steps, const NetResource& workgroup,
                         TreeItem item) {
    std::unique_ptr<NetworkEnumeration> enumeration = source.open(&workgroup);
    if (!enumeration) return;
    std::vector<NetResource> batch;
    std::vector<std::string> names;
    while (enumeration->next(batch) == EnumOutcome::batch) {
        names.clear();
        for (const NetResource& resource : batch) {
            if (resource.display_type != kDisplayServer || !resource.remote_name) continue;
            // "\\PC1" is shown as PC1.
            const std::string& remote = *resource.remote_name;
            names.push_back(remote.substr(remote.size() < 2 ? remote.size() : 2));
        }
        if (!names.empty()) steps.computers(names, item);
    }
}

int scan_network(NetworkSource& source, ScanSteps& steps) {
    steps.begin();
    const int result = enumerate_level(source, steps, nullptr, 0);
    steps.finish(result == 0);
    return result;
}
