// In-memory tree and scripted network for the scan's tests (portable).
#include "netbrowse/fake_network.h"

#include <algorithm>

TreeItem FakeTree::next_sibling(TreeItem item) {
    if (!exists(item)) return 0;
    const std::vector<TreeItem>& siblings = children_of(nodes_.at(item).parent);
    const auto at = std::find(siblings.begin(), siblings.end(), item);
    return at + 1 == siblings.end() ? 0 : *(at + 1);
}

TreeItem FakeTree::insert(TreeItem parent, const std::string& text, int image) {
    if (refuse.count(text) || (parent && !exists(parent))) return 0;
    ++inserts;
    const TreeItem item = next_id_++;
    nodes_[item] = Node{text, 1, image, parent, {}};
    (parent ? nodes_.at(parent).children : roots_).push_back(item);
    return item;
}

bool FakeTree::remove(TreeItem item) {
    if (!exists(item)) return false;
    for (TreeItem child : std::vector<TreeItem>(nodes_.at(item).children))
        remove(child);
    const TreeItem parent = nodes_.at(item).parent;
    std::vector<TreeItem>& siblings = parent ? nodes_.at(parent).children : roots_;
    siblings.erase(std::find(siblings.begin(), siblings.end(), item));
    nodes_.erase(item);
    return true;
}

void FakeTree::lines_of(TreeItem parent, int depth, std::vector<std::string>& out) const {
    for (TreeItem item : children_of(parent)) {
        const Node& node = nodes_.at(item);
        const bool right_picture = node.image == (depth == 0 ? kWorkgroupImage : kComputerImage);
        out.push_back(std::string(2 * depth, ' ') + node.text + (right_picture ? "" : "*"));
        lines_of(item, depth + 1, out);
    }
}

std::vector<std::string> FakeTree::lines() const {
    std::vector<std::string> out;
    lines_of(0, 0, out);
    return out;
}

TreeItem FakeTree::item_named(const std::string& text) const {
    for (const auto& [item, node] : nodes_) {
        if (node.text == text) return item;
    }
    return 0;
}

namespace {

class FakeEnumeration final : public NetworkEnumeration {
public:
    FakeEnumeration(const ContainerScript& script, int& open) : script_(script), open_(open) {
        ++open_;
    }
    ~FakeEnumeration() override { --open_; }
    EnumOutcome next(std::vector<NetResource>& batch) override {
        if (next_ == script_.batches.size()) return script_.ending;
        batch = script_.batches[next_++];
        return EnumOutcome::batch;
    }

private:
    const ContainerScript& script_;
    int& open_;
    std::size_t next_ = 0;
};

}  // namespace

std::unique_ptr<NetworkEnumeration> FakeNetwork::open(const NetResource* container) {
    const std::string name = container ? container->remote_name.value_or("") : "";
    const auto found = containers.find(name);
    if (found == containers.end()) return nullptr;
    return std::make_unique<FakeEnumeration>(found->second, open_enumerations);
}

void FakeNetwork::simple(
    const std::vector<std::pair<std::string, std::vector<std::string>>>& workgroups) {
    at("").batches = {{resource(kDisplayNetwork, "NET")}};
    std::vector<NetResource> groups;
    for (const auto& [group, computers] : workgroups) {
        groups.push_back(resource(kDisplayDomain, group));
        std::vector<NetResource> servers;
        for (const std::string& computer : computers) {
            servers.push_back(resource(kDisplayServer, "\\\\" + computer));
        }
        at(group).batches = {servers};
    }
    at("NET").batches = {groups};
}

NetResource resource(std::uint32_t display_type, const std::string& remote_name) {
    NetResource r;
    r.display_type = display_type;
    r.remote_name = remote_name;
    return r;
}
