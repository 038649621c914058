// Where the workgroups and computers come from: the enumeration of network
// containers, one batch of resources at a time (portable seam; the Windows
// build puts the WNet enumeration behind it, and heard_source.h the network
// as heard from the computers' announcements).
#pragma once

#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <vector>

// What kind of thing a resource is, as the network reports it.
enum ResourceDisplayType : std::uint32_t {
    kDisplayDomain = 1,
    kDisplayServer = 2,
    kDisplayGroup = 5,
    kDisplayNetwork = 6,
};

// One enumerated resource, whole, so that it can be opened in turn.
struct NetResource {
    std::uint32_t scope = 0;
    std::uint32_t type = 0;
    std::uint32_t display_type = 0;
    std::uint32_t usage = 0;
    std::optional<std::string> local_name;
    std::optional<std::string> remote_name;
    std::optional<std::string> comment;
    std::optional<std::string> provider;
};

enum class EnumOutcome {
    batch,  // the next records are in the batch
    end,    // the enumeration is complete
    error,  // it stopped with an error
};

// An open enumeration; closed when destroyed.
class NetworkEnumeration {
public:
    virtual ~NetworkEnumeration() = default;
    // Replaces `batch` with the next records when the outcome is `batch`.
    virtual EnumOutcome next(std::vector<NetResource>& batch) = 0;
};

class NetworkSource {
public:
    virtual ~NetworkSource() = default;
    // Opens the containers inside `container`, or the whole network for
    // none; nothing when it cannot be opened.
    virtual std::unique_ptr<NetworkEnumeration> open(const NetResource* container) = 0;
};
