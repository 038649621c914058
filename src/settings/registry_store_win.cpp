// The value store as the current user's registry key of the options (Windows only).
#include "settings/registry_store_win.h"

#include <windows.h>

#include <new>
#include <utility>

#include "core/handles_win.h"

namespace {

class RegistryKey final : public ValueKey {
public:
    explicit RegistryKey(UniqueKey key) : key_(std::move(key)) {}

    std::optional<ValueInfo> query_size(const char* name) override {
        DWORD type = 0;
        DWORD size = 0;
        if (RegQueryValueExA(key_.get(), name, nullptr, &type, nullptr, &size) != ERROR_SUCCESS) {
            return std::nullopt;
        }
        return ValueInfo{type, size};
    }

    std::optional<ValueInfo> query(const char* name, std::span<uint8_t> buffer) override {
        DWORD type = 0;
        auto size = static_cast<DWORD>(buffer.size());
        // A null data pointer would turn the read into a size query.
        BYTE empty = 0;
        BYTE* data = buffer.empty() ? &empty : buffer.data();
        if (RegQueryValueExA(key_.get(), name, nullptr, &type, data, &size) != ERROR_SUCCESS ||
            size > buffer.size()) {
            return std::nullopt;
        }
        return ValueInfo{type, size};
    }

    void set(const char* name, uint32_t type, std::span<const uint8_t> data) override {
        RegSetValueExA(key_.get(), name, 0, type, data.data(), static_cast<DWORD>(data.size()));
    }

    void remove(const char* name) override { RegDeleteValueA(key_.get(), name); }

private:
    UniqueKey key_;
};

}  // namespace

std::unique_ptr<ValueKey> RegistryStore::open(Access access) {
    HKEY key = nullptr;
    const REGSAM rights = access == Access::read ? KEY_READ : KEY_WRITE;
    if (RegCreateKeyExA(root_, path_.c_str(), 0, nullptr, REG_OPTION_NON_VOLATILE, rights, nullptr,
                        &key, nullptr) != ERROR_SUCCESS) {
        return nullptr;
    }
    UniqueKey owned(key);
    // The allocation comes before the move: when it fails, `owned` closes the key.
    return std::unique_ptr<ValueKey>(new (std::nothrow) RegistryKey(std::move(owned)));
}
