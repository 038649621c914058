// The browse list: the workgroups and computers heard announcing themselves,
// each with when it was last heard and how often it said it would announce
// (portable). Thread-safe: the listener adds while a scan reads.
//
// An entry unheard for three of its periods is gone; a computer announcing a
// server type of 0 is gone at once. The list holds at most its capacity of
// entries (workgroups and computers together); past that the one heard
// longest ago makes room, so a flood of names keeps the newest.
#pragma once

#include <cstddef>
#include <cstdint>
#include <list>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

#include "core/lock.h"

// A periodicity of 0 is taken as one minute; others are held between one
// second and one hour, so that no announcement keeps an entry for good.
inline constexpr uint32_t kDefaultPeriodMs = 60 * 1000;
inline constexpr uint32_t kShortestPeriodMs = 1000;
inline constexpr uint32_t kLongestPeriodMs = 60 * 60 * 1000;
inline constexpr int kPeriodsUntilGone = 3;

struct HeardWorkgroup {
    std::string name;
    std::vector<std::string> computers;  // sorted
    bool operator==(const HeardWorkgroup&) const = default;
};
using HeardNetwork = std::vector<HeardWorkgroup>;  // sorted by name

class BrowseList {
public:
    static constexpr size_t kCapacity = 4096;

    explicit BrowseList(size_t capacity = kCapacity) : capacity_(capacity ? capacity : 1) {}
    BrowseList(const BrowseList&) = delete;
    BrowseList& operator=(const BrowseList&) = delete;

    // `computer` announced itself as a member of `workgroup` at `now_ms`.
    void heard_computer(std::string_view workgroup, std::string_view computer,
                        uint32_t periodicity_ms, uint32_t server_type, uint64_t now_ms);
    // A master browser announced `workgroup`.
    void heard_workgroup(std::string_view workgroup, uint32_t periodicity_ms, uint64_t now_ms);

    // Drops what has gone unheard, then lists the rest: every workgroup heard
    // of or with a computer heard, and its computers.
    HeardNetwork snapshot(uint64_t now_ms);
    size_t size();
    // Grows by one with every change of what snapshot() lists.
    uint64_t changes();

private:
    struct Entry {
        std::string key;
        std::string workgroup;
        std::string computer;  // empty for the workgroup's own entry
        uint64_t heard_ms = 0;
        uint32_t period_ms = kDefaultPeriodMs;
    };
    using Entries = std::list<Entry>;  // least recently heard first

    void heard(std::string_view workgroup, std::string_view computer, uint32_t periodicity_ms,
               uint64_t now_ms);
    void expire(uint64_t now_ms);

    Lock lock_;
    size_t capacity_;
    Entries entries_;
    std::unordered_map<std::string, Entries::iterator> index_;
    uint64_t changes_ = 0;
};
