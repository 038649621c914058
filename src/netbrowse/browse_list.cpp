// The browse list: announcements heard, aged by their own periodicity and
// bounded (portable).
#include "netbrowse/browse_list.h"

#include <algorithm>
#include <map>

#include "netbrowse/network_scan.h"

namespace {

uint32_t held_period(uint32_t periodicity_ms) {
    if (periodicity_ms == 0) return kDefaultPeriodMs;
    return std::clamp(periodicity_ms, kShortestPeriodMs, kLongestPeriodMs);
}

std::string entry_key(std::string_view workgroup, std::string_view computer) {
    std::string key = fold_name(workgroup);
    key += '\0';
    key += fold_name(computer);
    return key;
}

}  // namespace

void BrowseList::heard(std::string_view workgroup, std::string_view computer,
                       uint32_t periodicity_ms, uint64_t now_ms) {
    std::string key = entry_key(workgroup, computer);
    const auto found = index_.find(key);
    if (found != index_.end()) {
        // Heard again: to the newest end, with what it says now.
        entries_.splice(entries_.end(), entries_, found->second);
        Entry& entry = *found->second;
        entry.workgroup = workgroup;
        entry.computer = computer;
        entry.heard_ms = now_ms;
        entry.period_ms = held_period(periodicity_ms);
        return;
    }
    if (entries_.size() >= capacity_) {
        index_.erase(entries_.front().key);
        entries_.pop_front();
    }
    entries_.push_back(
        {key, std::string(workgroup), std::string(computer), now_ms, held_period(periodicity_ms)});
    index_.emplace(std::move(key), std::prev(entries_.end()));
    ++changes_;
}

void BrowseList::heard_computer(std::string_view workgroup, std::string_view computer,
                                uint32_t periodicity_ms, uint32_t server_type, uint64_t now_ms) {
    if (workgroup.empty() || computer.empty()) return;
    ScopedLock hold(lock_);
    if (server_type == 0) {
        // Its last word: it is leaving.
        const auto found = index_.find(entry_key(workgroup, computer));
        if (found == index_.end()) return;
        entries_.erase(found->second);
        index_.erase(found);
        ++changes_;
        return;
    }
    heard(workgroup, computer, periodicity_ms, now_ms);
}

void BrowseList::heard_workgroup(std::string_view workgroup, uint32_t periodicity_ms,
                                 uint64_t now_ms) {
    if (workgroup.empty()) return;
    ScopedLock hold(lock_);
    heard(workgroup, {}, periodicity_ms, now_ms);
}

void BrowseList::expire(uint64_t now_ms) {
    for (auto entry = entries_.begin(); entry != entries_.end();) {
        const uint64_t silent = now_ms > entry->heard_ms ? now_ms - entry->heard_ms : 0;
        if (silent > uint64_t{kPeriodsUntilGone} * entry->period_ms) {
            index_.erase(entry->key);
            entry = entries_.erase(entry);
            ++changes_;
        } else {
            ++entry;
        }
    }
}

HeardNetwork BrowseList::snapshot(uint64_t now_ms) {
    ScopedLock hold(lock_);
    expire(now_ms);
    // Folded names order and join; each shows as it was last heard.
    std::map<std::string, std::pair<std::string, std::map<std::string, std::string>>> groups;
    for (const Entry& entry : entries_) {
        auto& group = groups[fold_name(entry.workgroup)];
        group.first = entry.workgroup;
        if (!entry.computer.empty()) group.second[fold_name(entry.computer)] = entry.computer;
    }
    HeardNetwork network;
    network.reserve(groups.size());
    for (auto& [key, group] : groups) {
        HeardWorkgroup heard{std::move(group.first), {}};
        heard.computers.reserve(group.second.size());
        for (auto& [computer_key, computer] : group.second)
            heard.computers.push_back(std::move(computer));
        network.push_back(std::move(heard));
    }
    return network;
}

size_t BrowseList::size() {
    ScopedLock hold(lock_);
    return entries_.size();
}

uint64_t BrowseList::changes() {
    ScopedLock hold(lock_);
    return changes_;
}
