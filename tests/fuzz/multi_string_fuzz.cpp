// Fuzz target: any bytes read as a stored list give exactly the NUL-separated
// strings at their start, without reading past them, and the list stores and
// reads back unchanged. The same bytes as every kind of option value load
// without harm, a list as far as a list may hold.
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <string_view>

#include "settings/memory_store.h"
#include "settings/options.h"

namespace {

void check_list(const uint8_t* data, size_t size) {
    const StringList list = parse_multi_string({data, size});
    size_t at = 0;
    for (const std::string& s : list) {
        // Each string is the non-empty run of bytes up to a NUL or the end.
        if (s.empty() || at >= size || s.size() > size - at) std::abort();
        if (std::memcmp(s.data(), data + at, s.size()) != 0) std::abort();
        if (std::memchr(s.data(), 0, s.size())) std::abort();
        at += s.size();
        if (at < size && data[at] != 0) std::abort();
        ++at;
    }
    // Reading stopped only at an empty string or the end of the data.
    if (at < size && data[at] != 0) std::abort();

    const std::vector<uint8_t> stored = build_multi_string(list);
    if (parse_multi_string(stored) != list) std::abort();
    if (!list.empty() && (stored.size() < 3 || stored.end()[-1] || stored.end()[-2])) {
        std::abort();
    }
}

void check_load(const uint8_t* data, size_t size) {
    const std::string_view bytes(reinterpret_cast<const char*>(data), size);
    MemoryStore store;
    store.values["aat"] = raw_value(kValueString, bytes);
    store.values["aam"] = raw_value(kValueDword, bytes);
    store.values["ppmode"] = raw_value(kValueDword, bytes);
    store.values["x_pos"] = raw_value(3, bytes);
    store.values["ifl"] = raw_value(kValueMultiString, bytes);
    Options options;
    load_options(&options, store, 640, 480);

    // The text is the bytes up to the first NUL; no bytes, no text.
    if (options.aat.has_value() != (size > 0)) std::abort();
    if (options.aat && bytes.substr(0, options.aat->size()) != *options.aat) std::abort();
    if (options.aat && options.aat->find('\0') != std::string::npos) std::abort();
    if (options.ppmode < 0 || options.ppmode > 2) std::abort();
    if (options.x_pos < 0 || options.x_pos >= 640) std::abort();
    if (options.ifl != bounded_list(parse_multi_string({data, size}))) std::abort();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    check_list(data, size);
    check_load(data, size);
    return 0;
}
