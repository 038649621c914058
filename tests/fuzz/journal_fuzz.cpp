// Fuzz target: any bytes read as a message journal give kept messages in
// id order within the cap, never reading past the end, and those messages
// written out again read back unchanged.
#include <cstdint>
#include <cstdlib>
#include <string_view>

#include "journal/journal_format.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    constexpr size_t kCap = 64;
    const std::string_view bytes(reinterpret_cast<const char*>(data), size);
    const JournalScan scan = scan_journal(bytes, kCap);
    if (scan.messages.size() > kCap || scan.good_end > size) std::abort();
    if (scan.kind != JournalScan::Kind::journal && !scan.messages.empty()) std::abort();

    std::string again = journal_header();
    for (const auto& [id, message] : scan.messages) {
        if (id == 0 || id != message.id || id >= scan.next_id || message.state > 2) std::abort();
        const size_t before = again.size();
        if (!append_added(again, message)) std::abort();
        if (again.size() - before != added_record_size(message)) std::abort();
    }
    const JournalScan rescan = scan_journal(again, kCap);
    if (rescan.messages != scan.messages || rescan.skipped_bytes != 0) std::abort();
    if (rescan.good_end != again.size()) std::abort();
    return 0;
}
