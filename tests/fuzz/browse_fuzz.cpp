// Fuzz target for browser announcements and the browse list. The first byte
// picks the mailslot and a clock step; the rest is a frame. A parsed frame
// has a name of 1 to 15 bytes without control characters and a bounded
// comment; a parsed \MAILSLOT\BROWSE announcement is rebuilt and parses to the
// same frame. Every frame then goes into one small browse list that lives
// across inputs, which never holds more than its capacity.
#include <cstdint>
#include <cstdlib>

#include "netbrowse/browse_list.h"
#include "transport/browse_announcement.h"

namespace {

constexpr size_t kFuzzCapacity = 64;

void check_frame(const browse::Frame& frame) {
    if (frame.name.empty() || frame.name.size() > 15 ||
        frame.comment.size() > browse::kMaxComment) {
        std::abort();
    }
    for (char c : frame.name) {
        if (static_cast<unsigned char>(c) < 0x20 || (c >= 'a' && c <= 'z')) std::abort();
    }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    static BrowseList list(kFuzzCapacity);
    static uint64_t now = 0;
    if (size == 0) return 0;
    const bool lanman = data[0] & 1;
    now += static_cast<uint64_t>(data[0] >> 1) * 1000;
    const auto frame = browse::parse_frame(
        lanman ? browse::kLanmanMailslot : browse::kBrowseMailslot, data + 1, size - 1);
    if (!frame) return 0;
    check_frame(*frame);
    if (!lanman && frame->opcode != browse::Opcode::announcement_request) {
        const auto built = browse::build_announcement(*frame);
        const auto again = browse::parse_frame(browse::kBrowseMailslot, built.data(), built.size());
        // The comment stops at its first NUL on the wire.
        if (!again || again->name != frame->name || again->server_type != frame->server_type ||
            again->periodicity_ms != frame->periodicity_ms || again->comment != frame->comment) {
            std::abort();
        }
    }
    if (frame->opcode == browse::Opcode::domain_announcement) {
        list.heard_workgroup(frame->name, frame->periodicity_ms, now);
    } else {
        list.heard_computer(frame->comment.empty() ? "WG" : frame->comment, frame->name,
                            frame->periodicity_ms, frame->server_type, now);
    }
    if (list.size() > kFuzzCapacity || list.snapshot(now).size() > kFuzzCapacity) std::abort();
    return 0;
}
