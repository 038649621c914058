// The network scan: mark-and-sweep update of the workgroup tree (portable).
#include "netbrowse/network_scan.h"

#include <utility>

namespace {

// Networks inside networks deeper than this are not followed: a provider
// that nests them without end must not exhaust the stack.
constexpr int kMaxNetworkDepth = 16;

int enumerate_level_at(NetworkSource& source, ScanSteps& steps, const NetResource* container,
                       TreeNode* parent, int depth) {
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
                    if (TreeNode* entry = steps.workgroup(*resource.remote_name, parent)) {
                        enumerate_computers(source, steps, resource, entry);
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

std::string fold_name(std::string_view name) {
    std::string folded(name);
    for (char& c : folded) {
        if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
    }
    return folded;
}

void TreeMirror::sync() {
    if (tree_.count() == count_) return;
    roots_.clear();
    index_.clear();
    count_ = 0;
    read_level(tree_.first_root(), nullptr, roots_);
}

// Depth first in tree order, so that the index keeps the first of equal names.
void TreeMirror::read_level(TreeItem first, Node* parent, Nodes& into) {
    std::string text;
    for (TreeItem item = first; item; item = tree_.next_sibling(item)) {
        std::uint32_t seen = 0;
        if (!tree_.read(item, text, seen)) break;
        auto node = std::make_unique<Node>(Node{item, seen, seen, fold_name(text), {}, parent});
        index_.try_emplace(IndexKey{parent, node->key}, node.get());
        ++count_;
        read_level(tree_.first_child(item), node.get(), node->children);
        into.push_back(std::move(node));
    }
}

TreeNode* TreeMirror::find(const Node* parent, std::string_view name) const {
    const auto found = index_.find(IndexKey{parent, fold_name(name)});
    return found == index_.end() ? nullptr : found->second;
}

TreeNode* TreeMirror::insert(Node* parent, const std::string& text, int image) {
    const TreeItem item = tree_.insert(parent ? parent->item : 0, text, image);
    if (!item) return nullptr;
    auto node = std::make_unique<Node>(Node{item, 1, 1, fold_name(text), {}, parent});
    Node* added = node.get();
    index_.try_emplace(IndexKey{parent, added->key}, added);
    ++count_;
    (parent ? parent->children : roots_).push_back(std::move(node));
    return added;
}

void TreeMirror::forget(const Node& node) {
    const auto entry = index_.find(IndexKey{node.parent, node.key});
    if (entry != index_.end() && entry->second == &node) index_.erase(entry);
    --count_;
    for (const auto& child : node.children)
        forget(*child);
}

bool TreeMirror::remove(Node& node) {
    if (!tree_.remove(node.item)) return false;
    forget(node);
    return true;
}

void TreeMirror::store_marks(Nodes& nodes) {
    for (const auto& node : nodes) {
        if (node->seen != node->stored && tree_.set_seen(node->item, node->seen)) {
            node->stored = node->seen;
        }
        store_marks(node->children);
    }
}

void TreeMirror::store_marks() {
    store_marks(roots_);
}

bool mark_seen(TreeMirror& /*tree*/, TreeNode& node) {
    node.seen = 1;
    return true;
}

bool clear_seen(TreeMirror& /*tree*/, TreeNode& node) {
    node.seen = 0;
    return true;
}

bool drop_if_unseen(TreeMirror& tree, TreeNode& node) {
    return node.seen != 0 || !tree.remove(node);
}

void for_each_tree_item(TreeMirror& tree,
                        const std::function<bool(TreeMirror&, TreeNode&)>& action) {
    const auto gone = [](const std::unique_ptr<TreeNode>& node) { return !node; };
    TreeMirror::Nodes& workgroups = tree.roots();
    for (auto& workgroup : workgroups) {
        if (!action(tree, *workgroup)) {
            workgroup.reset();
            continue;
        }
        TreeMirror::Nodes& computers = workgroup->children;
        for (auto& computer : computers) {
            if (!action(tree, *computer)) computer.reset();
        }
        std::erase_if(computers, gone);
    }
    std::erase_if(workgroups, gone);
}

TreeNode* find_tree_item(const TreeMirror& tree, const TreeNode* parent, std::string_view name) {
    return tree.find(parent, name);
}

void TreeUpdate::begin() {
    tree_.sync();
    for_each_tree_item(tree_, clear_seen);
    show(kScanBegins);
}

TreeNode* TreeUpdate::workgroup(const std::string& name, TreeNode* parent) {
    show(scanning_workgroup_text(name));
    if (TreeNode* existing = find_tree_item(tree_, parent, name)) {
        mark_seen(tree_, *existing);
        return existing;
    }
    return tree_.insert(parent, name, kWorkgroupImage);
}

void TreeUpdate::computers(const std::vector<std::string>& names, TreeNode* workgroup) {
    for (const std::string& name : names) {
        if (TreeNode* existing = find_tree_item(tree_, workgroup, name)) {
            mark_seen(tree_, *existing);
        } else {
            tree_.insert(workgroup, name, kComputerImage);
        }
    }
}

void TreeUpdate::listing_failed(TreeNode* workgroup) {
    if (!workgroup) return;
    for (const auto& computer : workgroup->children)
        mark_seen(tree_, *computer);
}

void TreeUpdate::finish(bool enumerated) {
    if (enumerated) for_each_tree_item(tree_, drop_if_unseen);
    tree_.store_marks();
    show(enumerated ? kScanDone : kScanError);
}

int enumerate_level(NetworkSource& source, ScanSteps& steps, const NetResource* container,
                    TreeNode* parent) {
    return enumerate_level_at(source, steps, container, parent, 0);
}

void enumerate_computers(NetworkSource& source, ScanSteps& steps, const NetResource& workgroup,
                         TreeNode* entry) {
    std::unique_ptr<NetworkEnumeration> enumeration = source.open(&workgroup);
    if (!enumeration) {
        steps.listing_failed(entry);
        return;
    }
    std::vector<NetResource> batch;
    std::vector<std::string> names;
    EnumOutcome outcome;
    while ((outcome = enumeration->next(batch)) == EnumOutcome::batch) {
        names.clear();
        for (const NetResource& resource : batch) {
            if (resource.display_type != kDisplayServer || !resource.remote_name) continue;
            // "\\PC1" is shown as PC1.
            const std::string& remote = *resource.remote_name;
            names.push_back(remote.substr(remote.size() < 2 ? remote.size() : 2));
        }
        if (!names.empty()) steps.computers(names, entry);
    }
    if (outcome != EnumOutcome::end) steps.listing_failed(entry);
}

int scan_network(NetworkSource& source, ScanSteps& steps) {
    steps.begin();
    const int result = enumerate_level(source, steps, nullptr, nullptr);
    steps.finish(result == 0);
    return result;
}
