// Fuzz target: any bytes parse without reading past them, and every present
// field is exactly the bytes before one of the first three NULs.
#include <cstdint>
#include <cstdlib>
#include <cstring>

#include "core/message.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    MessagePtr record = parse_datagram(data, size, 0);
    if (!record) std::abort();

    const std::optional<std::string>* fields[] = {&record->from, &record->to, &record->text};
    size_t start = 0;
    bool ended = false;
    for (const auto* field : fields) {
        const void* nul = ended ? nullptr : std::memchr(data + start, 0, size - start);
        if (!nul) {
            ended = true;
            if (field->has_value()) std::abort();  // a field without its NUL must be absent
            continue;
        }
        const size_t end = static_cast<const uint8_t*>(nul) - data;
        if (!field->has_value() || (*field)->size() != end - start ||
            std::memcmp((*field)->data(), data + start, end - start) != 0) {
            std::abort();
        }
        start = end + 1;
    }
    return 0;
}
