// The network as heard, as a network source, joined to the system's
// enumeration (portable).
#include "netbrowse/heard_source.h"

#include <deque>
#include <set>
#include <unordered_map>

namespace {

class ListedEnumeration final : public NetworkEnumeration {
public:
    ListedEnumeration(std::vector<NetResource> batch, EnumOutcome ending)
        : batch_(std::move(batch)), ending_(ending) {}
    EnumOutcome next(std::vector<NetResource>& batch) override {
        if (delivered_) return ending_;
        delivered_ = true;
        batch = std::move(batch_);
        return EnumOutcome::batch;
    }

private:
    std::vector<NetResource> batch_;
    EnumOutcome ending_;
    bool delivered_ = false;
};

NetResource listed(std::uint32_t display_type, std::string remote_name) {
    NetResource r;
    r.display_type = display_type;
    r.remote_name = std::move(remote_name);
    return r;
}

// The scan's steps that only write down what the system enumerates.
class CollectSteps final : public ScanSteps {
public:
    void begin() override {}
    TreeNode* workgroup(const std::string& name, TreeNode* /*parent*/) override {
        const auto [found, added] = index_.try_emplace(fold_name(name), workgroups.size());
        if (added) {
            workgroups.push_back({name, {}, false});
            nodes_.emplace_back().item = workgroups.size() - 1;
        }
        return &nodes_[found->second];
    }
    void computers(const std::vector<std::string>& names, TreeNode* entry) override {
        auto& computers = workgroups[entry->item].computers;
        computers.insert(computers.end(), names.begin(), names.end());
    }
    void listing_failed(TreeNode* entry) override {
        if (entry) workgroups[entry->item].listing_failed = true;
    }
    void finish(bool /*enumerated*/) override {}

    std::vector<ListedWorkgroup> workgroups;

private:
    std::deque<TreeNode> nodes_;  // stable addresses; item is the index
    std::unordered_map<std::string, std::size_t> index_;
};

void add_heard(std::vector<ListedWorkgroup>& workgroups, const HeardNetwork& heard) {
    std::unordered_map<std::string, std::size_t> index;
    for (std::size_t i = 0; i < workgroups.size(); ++i)
        index.try_emplace(fold_name(workgroups[i].name), i);
    for (const HeardWorkgroup& group : heard) {
        const auto [found, added] = index.try_emplace(fold_name(group.name), workgroups.size());
        if (added) workgroups.push_back({group.name, {}, false});
        auto& computers = workgroups[found->second].computers;
        std::set<std::string> known;
        for (const std::string& name : computers)
            known.insert(fold_name(name));
        for (const std::string& name : group.computers) {
            if (known.insert(fold_name(name)).second) computers.push_back(name);
        }
    }
}

}  // namespace

std::unique_ptr<NetworkEnumeration> ListedSource::open(const NetResource* container) {
    std::vector<NetResource> batch;
    if (!container) {
        for (const ListedWorkgroup& group : workgroups_)
            batch.push_back(listed(kDisplayGroup, group.name));
        return std::make_unique<ListedEnumeration>(std::move(batch), EnumOutcome::end);
    }
    if (!container->remote_name) return nullptr;
    const std::string wanted = fold_name(*container->remote_name);
    for (const ListedWorkgroup& group : workgroups_) {
        if (fold_name(group.name) != wanted) continue;
        for (const std::string& computer : group.computers)
            batch.push_back(listed(kDisplayServer, "\\\\" + computer));
        return std::make_unique<ListedEnumeration>(
            std::move(batch), group.listing_failed ? EnumOutcome::error : EnumOutcome::end);
    }
    return nullptr;
}

int scan_with_heard(NetworkSource& system, const HeardNetwork& heard, ScanSteps& steps) {
    steps.begin();
    CollectSteps collected;
    enumerate_level(system, collected, nullptr, nullptr);
    add_heard(collected.workgroups, heard);
    ListedSource listed_network(std::move(collected.workgroups));
    enumerate_level(listed_network, steps, nullptr, nullptr);
    steps.finish(true);
    return 0;
}
