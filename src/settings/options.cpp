// The options record and its load and save through the value store (portable).
#include "settings/options.h"

#include <cstring>
#include <new>
#include <stdexcept>
#include <string_view>

#include "core/ipv4_text.h"

Options g_options;
Lock g_options_lock;
Lock g_lists_lock;

namespace {

using Field = int32_t Options::*;

struct Scalar {
    const char* name;
    Field field;
    bool yes_no;  // stored as exactly 0 or 1
};

constexpr Scalar kLoadOrder[] = {
    {"x_pos", &Options::x_pos, false},
    {"y_pos", &Options::y_pos, false},
    {"iff", &Options::iff, true},
    {"itf", &Options::itf, true},
    {"icf", &Options::icf, true},
    {"shown", &Options::shown, true},
    {"tray_only", &Options::tray_only, true},
    {"dcsd", &Options::dcsd, true},
    {"mcopy", &Options::mcopy, true},
    {"cone", &Options::cone, true},
    {"cond", &Options::cond, true},
    {"conda", &Options::conda, true},
    {"ppmode", &Options::ppmode, false},
    {"start_p", &Options::start_p, false},
    {"showmmode", &Options::showmmode, false},
    {"dnum", &Options::dnum, false},
    {"defact", &Options::defact, false},
    {"aam", &Options::aam, true},
    {"mlrm", &Options::mlrm, true},
    {"keepmsgs", &Options::keepmsgs, true},
};

// aam and mlrm follow the text, so that aam is written after it is settled.
constexpr Scalar kSaveOrder[] = {
    {"x_pos", &Options::x_pos, false},     {"y_pos", &Options::y_pos, false},
    {"iff", &Options::iff, true},          {"mcopy", &Options::mcopy, true},
    {"itf", &Options::itf, true},          {"shown", &Options::shown, true},
    {"icf", &Options::icf, true},          {"tray_only", &Options::tray_only, true},
    {"ppmode", &Options::ppmode, false},   {"showmmode", &Options::showmmode, false},
    {"start_p", &Options::start_p, false}, {"defact", &Options::defact, false},
    {"dnum", &Options::dnum, false},       {"cone", &Options::cone, true},
    {"cond", &Options::cond, true},        {"conda", &Options::conda, true},
    {"dcsd", &Options::dcsd, true},        {"keepmsgs", &Options::keepmsgs, true},
};
constexpr Scalar kSavedAfterText[] = {
    {"aam", &Options::aam, true},
    {"mlrm", &Options::mlrm, true},
};

// A scalar is whatever value fits in 4 bytes, whatever its type. Shorter
// values are widened as little-endian unsigned numbers (as if read into a
// zeroed 4-byte buffer); an empty value holds no number.
std::optional<int32_t> read_scalar(ValueKey& key, const char* name) {
    uint8_t bytes[4] = {};
    const std::optional<ValueInfo> info = key.query(name, bytes);
    if (!info || info->size == 0 || info->size > sizeof bytes) return std::nullopt;
    uint32_t value = 0;
    for (uint32_t i = 0; i < info->size; ++i)
        value |= uint32_t{bytes[i]} << (8 * i);
    return static_cast<int32_t>(value);
}

void write_scalar(ValueKey& key, const char* name, int32_t value) {
    const auto bits = static_cast<uint32_t>(value);
    const uint8_t bytes[4] = {static_cast<uint8_t>(bits), static_cast<uint8_t>(bits >> 8),
                              static_cast<uint8_t>(bits >> 16), static_cast<uint8_t>(bits >> 24)};
    key.set(name, kValueDword, bytes);
}

// A value of any size: its size first, then the value into a buffer of that
// size. Only the bytes the read returned count (a store may report a larger
// size first). Nothing when either step fails or memory runs out.
std::optional<std::vector<uint8_t>> read_whole_value(ValueKey& key, const char* name) {
    const std::optional<ValueInfo> size = key.query_size(name);
    if (!size) return std::nullopt;
    std::vector<uint8_t> buffer;
    try {
        buffer.resize(size->size);
    } catch (const std::bad_alloc&) {
        return std::nullopt;
    } catch (const std::length_error&) {
        return std::nullopt;
    }
    const std::optional<ValueInfo> read = key.query(name, buffer);
    if (!read || read->size > buffer.size()) return std::nullopt;
    buffer.resize(read->size);
    return buffer;
}

// The text of a string value: its bytes up to the first NUL, or all of them
// when the NUL is missing. An empty value (not even the NUL) holds no text.
std::optional<std::string> read_text_value(ValueKey& key, const char* name) {
    try {
        const std::optional<std::vector<uint8_t>> bytes = read_whole_value(key, name);
        if (!bytes || bytes->empty()) return std::nullopt;
        const auto* text = reinterpret_cast<const char*>(bytes->data());
        const void* nul = std::memchr(text, 0, bytes->size());
        const size_t length =
            nul ? static_cast<size_t>(static_cast<const char*>(nul) - text) : bytes->size();
        return std::string(text, length);
    } catch (const std::bad_alloc&) {
        return std::nullopt;
    }
}

int32_t within(int32_t value, int32_t low, int32_t high, int32_t fallback) {
    return value >= low && value <= high ? value : fallback;
}

// Strings stop at their first NUL when stored, so that is all of them that counts.
size_t stored_length(const std::string& s) {
    return std::strlen(s.c_str());
}

}  // namespace

void reset_options(Options* options) {
    if (options) *options = Options{};
}

void load_options(Options* options, ValueStore& store, int32_t screen_width,
                  int32_t screen_height) {
    if (!options) return;
    const std::unique_ptr<ValueKey> key = store.open(ValueStore::Access::read);
    if (!key) {
        ScopedLock lists(g_lists_lock);
        reset_options(options);
        return;
    }

    const Options defaults;
    for (const Scalar& scalar : kLoadOrder) {
        options->*scalar.field = read_scalar(*key, scalar.name).value_or(defaults.*scalar.field);
    }
    Options& o = *options;
    if (o.x_pos < 0 || o.x_pos >= screen_width) o.x_pos = 0;
    if (o.y_pos < 0 || o.y_pos >= screen_height) o.y_pos = 0;
    o.ppmode = within(o.ppmode, 0, 2, 1);
    o.showmmode = within(o.showmmode, 0, 2, 0);
    o.defact = within(o.defact, 0, 2, 0);
    o.start_p = within(o.start_p, 0, 5, 0);
    if (o.dnum < 0) o.dnum = 2;

    o.aat = read_text_value(*key, "aat");
    if (!o.aat) o.aam = 0;
    const std::optional<uint32_t> server =
        parse_name_server_address(read_text_value(*key, "wins").value_or(""));
    o.wins = server ? ipv4_text(*server) : std::string();

    read_list_value(*key, "usrcombo", &o.usrcombo);
    ScopedLock lists(g_lists_lock);
    read_list_value(*key, "ifl", &o.ifl);
    read_list_value(*key, "itl", &o.itl);
    read_list_value(*key, "icl", &o.icl);
    read_list_value(*key, "ppfroml", &o.ppfroml);
}

void save_options(Options* options, ValueStore& store) {
    if (!options) return;
    const std::unique_ptr<ValueKey> key = store.open(ValueStore::Access::write);
    if (!key) return;

    Options& o = *options;
    for (const Scalar& scalar : kSaveOrder) {
        const int32_t value = o.*scalar.field;
        write_scalar(*key, scalar.name, scalar.yes_no ? value != 0 : value);
    }

    if (o.aat) {
        const std::string& text = *o.aat;
        key->set("aat", kValueString,
                 {reinterpret_cast<const uint8_t*>(text.c_str()), stored_length(text) + 1});
        o.aat.reset();
    } else {
        o.aam = 0;
        key->remove("aat");
    }
    for (const Scalar& scalar : kSavedAfterText) {
        write_scalar(*key, scalar.name, o.*scalar.field != 0);
    }
    if (o.wins.empty()) {
        key->remove("wins");
    } else {
        key->set("wins", kValueString,
                 {reinterpret_cast<const uint8_t*>(o.wins.c_str()), stored_length(o.wins) + 1});
    }

    write_list_value(*key, "usrcombo", &o.usrcombo);
    write_list_value(*key, "ifl", &o.ifl);
    write_list_value(*key, "itl", &o.itl);
    write_list_value(*key, "icl", &o.icl);
    write_list_value(*key, "ppfroml", &o.ppfroml);
}

std::optional<uint32_t> parse_name_server_address(std::string_view text) {
    const auto space = [](char c) { return c == ' ' || c == '\t'; };
    while (!text.empty() && space(text.front()))
        text.remove_prefix(1);
    while (!text.empty() && space(text.back()))
        text.remove_suffix(1);
    const auto address = parse_ipv4(text);
    if (!address || *address == 0 || *address >= 0xE0000000u) return std::nullopt;
    return address;
}

StringList bounded_list(const StringList& list) {
    StringList bounded;
    size_t bytes = 0;
    for (const std::string& s : list) {
        bytes += s.size();
        if (bounded.count() == kListMaxEntries || bytes > kListMaxBytes) break;
        bounded.append_copy(std::string_view(s));
    }
    return bounded;
}

void read_list_value(ValueKey& key, const char* name, StringList* list) {
    if (!name || !list) return;
    list->free_all();
    try {
        const std::optional<std::vector<uint8_t>> bytes = read_whole_value(key, name);
        if (bytes) *list = bounded_list(parse_multi_string(*bytes));
    } catch (const std::bad_alloc&) {
        list->free_all();
    }
}

void write_list_value(ValueKey& key, const char* name, const StringList* list) {
    if (!name || !list) return;
    std::vector<uint8_t> bytes;
    try {
        bytes = build_multi_string(*list);
    } catch (const std::bad_alloc&) {
        return;  // the stored value keeps what it held
    }
    if (bytes.empty()) {
        key.remove(name);
    } else {
        key.set(name, kValueMultiString, bytes);
    }
}

// An empty string would end the stored list early and lose every string after
// it, so empty strings are left out.
std::vector<uint8_t> build_multi_string(const StringList& list) {
    size_t sum = 0;
    for (const std::string& s : list) {
        if (const size_t length = stored_length(s)) sum += length + 1;
    }
    if (sum == 0) return {};
    std::vector<uint8_t> bytes;
    bytes.reserve(sum + 2);
    for (const std::string& s : list) {
        const size_t length = stored_length(s);
        if (length == 0) continue;
        bytes.insert(bytes.end(), s.begin(), s.begin() + static_cast<ptrdiff_t>(length));
        bytes.push_back(0);
    }
    bytes.push_back(0);
    bytes.push_back(0);
    return bytes;
}

StringList parse_multi_string(std::span<const uint8_t> data) {
    StringList list;
    size_t start = 0;
    while (start < data.size() && data[start] != 0) {
        const auto* begin = reinterpret_cast<const char*>(data.data() + start);
        const size_t left = data.size() - start;
        const void* nul = std::memchr(begin, 0, left);
        const size_t length =
            nul ? static_cast<size_t>(static_cast<const char*>(nul) - begin) : left;
        list.append_copy(std::string_view(begin, length));
        start += length + 1;
    }
    return list;
}
