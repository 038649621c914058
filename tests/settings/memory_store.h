// An in-memory value store for the tests (portable): values by name with their
// type and bytes, behaving as the registry does for reads larger than the
// buffer, with switches for an unopenable key and unreadable values.
#pragma once

#include <algorithm>
#include <cstdint>
#include <functional>
#include <map>
#include <set>
#include <string>
#include <string_view>
#include <vector>

#include "settings/value_store.h"

struct StoredValue {
    uint32_t type = 0;
    std::vector<uint8_t> bytes;

    bool operator==(const StoredValue&) const = default;
};

inline StoredValue raw_value(uint32_t type, std::string_view bytes) {
    return {type, std::vector<uint8_t>(bytes.begin(), bytes.end())};
}

inline StoredValue dword_value(int32_t value) {
    const auto bits = static_cast<uint32_t>(value);
    return {kValueDword,
            {static_cast<uint8_t>(bits), static_cast<uint8_t>(bits >> 8),
             static_cast<uint8_t>(bits >> 16), static_cast<uint8_t>(bits >> 24)}};
}

class MemoryStore final : public ValueStore {
public:
    std::map<std::string, StoredValue> values;
    bool unopenable = false;
    std::set<std::string> unreadable;
    std::function<void(const char* name)> on_size_query;  // runs inside each size query

    std::unique_ptr<ValueKey> open(Access access) override {
        if (unopenable) return nullptr;
        return std::make_unique<Key>(*this, access == Access::write);
    }

private:
    class Key final : public ValueKey {
    public:
        Key(MemoryStore& store, bool writable) : store_(store), writable_(writable) {}

        std::optional<ValueInfo> query_size(const char* name) override {
            if (store_.on_size_query) store_.on_size_query(name);
            const StoredValue* value = find(name);
            if (!value) return std::nullopt;
            return ValueInfo{value->type, static_cast<uint32_t>(value->bytes.size())};
        }

        std::optional<ValueInfo> query(const char* name, std::span<uint8_t> buffer) override {
            const StoredValue* value = find(name);
            if (!value || value->bytes.size() > buffer.size()) return std::nullopt;
            std::copy(value->bytes.begin(), value->bytes.end(), buffer.begin());
            return ValueInfo{value->type, static_cast<uint32_t>(value->bytes.size())};
        }

        // A key opened for reading refuses changes, as a registry key does.
        void set(const char* name, uint32_t type, std::span<const uint8_t> data) override {
            if (writable_) store_.values[name] = {type, {data.begin(), data.end()}};
        }

        void remove(const char* name) override {
            if (writable_) store_.values.erase(name);
        }

    private:
        const StoredValue* find(const char* name) const {
            if (store_.unreadable.count(name)) return nullptr;
            const auto it = store_.values.find(name);
            return it == store_.values.end() ? nullptr : &it->second;
        }

        MemoryStore& store_;
        bool writable_;
    };
};
