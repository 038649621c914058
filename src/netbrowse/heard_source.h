// The network as heard: a network source over the browse list's workgroups
// and computers, and the scan that joins it to the system's enumeration
// (portable).
#pragma once

#include <string>
#include <vector>

#include "netbrowse/browse_list.h"
#include "netbrowse/network_scan.h"
#include "netbrowse/network_source.h"

// Workgroups with their computers; a workgroup whose listing failed ends its
// enumeration in an error, so that the scan keeps its entries.
struct ListedWorkgroup {
    std::string name;
    std::vector<std::string> computers;
    bool listing_failed = false;
};

class ListedSource final : public NetworkSource {
public:
    explicit ListedSource(std::vector<ListedWorkgroup> workgroups)
        : workgroups_(std::move(workgroups)) {}
    // The whole network: its workgroups in one batch; a workgroup: its
    // computers as "\\NAME"; none for a name it does not hold.
    std::unique_ptr<NetworkEnumeration> open(const NetResource* container) override;

private:
    std::vector<ListedWorkgroup> workgroups_;
};

// A scan of what the system enumerates and what was heard together: every
// workgroup and computer either of them names, the system's first and in its
// order. What was heard is the whole of what this computer knows of its
// network, so the scan completes ("Scanning: DONE!") also when the system's
// enumeration fails; where a workgroup's listing by the system failed, its
// entries are kept as the system-only scan keeps them. Always 0.
int scan_with_heard(NetworkSource& system, const HeardNetwork& heard, ScanSteps& steps);
