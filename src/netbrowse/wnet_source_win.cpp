// The network source over WNetOpenEnumA / WNetEnumResourceA (Windows only).
#include "netbrowse/wnet_source_win.h"

#include <windows.h>
#include <winnetwk.h>

#include <vector>

namespace {

// One batch: NETRESOURCEA records followed by their strings. A record whose
// strings do not fit is asked for again with a larger buffer, up to the
// largest; beyond that the enumeration ends in an error.
constexpr DWORD kEnumBuffer = 16384;
constexpr DWORD kLargestEnumBuffer = 1024 * 1024;

std::optional<std::string> copy(const char* text) {
    if (!text) return std::nullopt;
    return std::string(text);
}

char* borrow(const std::optional<std::string>& text) {
    return text ? const_cast<char*>(text->c_str()) : nullptr;
}

class WNetEnumeration final : public NetworkEnumeration {
public:
    explicit WNetEnumeration(HANDLE handle) : handle_(handle), buffer_(kEnumBuffer / 4) {}
    ~WNetEnumeration() override { WNetCloseEnum(handle_); }
    WNetEnumeration(const WNetEnumeration&) = delete;
    WNetEnumeration& operator=(const WNetEnumeration&) = delete;

    EnumOutcome next(std::vector<NetResource>& batch) override {
        DWORD count = 0;
        DWORD result;
        for (;;) {
            const DWORD capacity = static_cast<DWORD>(buffer_.size() * sizeof(DWORD));
            count = static_cast<DWORD>(-1);
            DWORD size = capacity;
            result = WNetEnumResourceA(handle_, &count, buffer_.data(), &size);
            if (result != ERROR_MORE_DATA || capacity >= kLargestEnumBuffer) break;
            // The size needed when the network says it, else twice as much.
            DWORD wanted = size > capacity ? size : capacity * 2;
            if (wanted > kLargestEnumBuffer) wanted = kLargestEnumBuffer;
            buffer_.assign((wanted + sizeof(DWORD) - 1) / sizeof(DWORD), 0);
        }
        if (result == ERROR_NO_MORE_ITEMS) return EnumOutcome::end;
        if (result != NO_ERROR) return EnumOutcome::error;
        // Never more records than the buffer can hold, whatever the count says.
        const DWORD fits =
            static_cast<DWORD>(buffer_.size() * sizeof(DWORD) / sizeof(NETRESOURCEA));
        const auto* records = reinterpret_cast<const NETRESOURCEA*>(buffer_.data());
        batch.clear();
        for (DWORD i = 0; i < count && i < fits; ++i) {
            const NETRESOURCEA& r = records[i];
            batch.push_back({r.dwScope, r.dwType, r.dwDisplayType, r.dwUsage, copy(r.lpLocalName),
                             copy(r.lpRemoteName), copy(r.lpComment), copy(r.lpProvider)});
        }
        return EnumOutcome::batch;
    }

private:
    HANDLE handle_;
    std::vector<DWORD> buffer_;  // DWORD-aligned for the records
};

}  // namespace

std::unique_ptr<NetworkEnumeration> WNetSource::open(const NetResource* container) {
    NETRESOURCEA record{};
    if (container) {
        record.dwScope = container->scope;
        record.dwType = container->type;
        record.dwDisplayType = container->display_type;
        record.dwUsage = container->usage;
        record.lpLocalName = borrow(container->local_name);
        record.lpRemoteName = borrow(container->remote_name);
        record.lpComment = borrow(container->comment);
        record.lpProvider = borrow(container->provider);
    }
    HANDLE handle = nullptr;
    if (WNetOpenEnumA(RESOURCE_GLOBALNET, RESOURCETYPE_ANY, RESOURCEUSAGE_CONTAINER,
                      container ? &record : nullptr, &handle) != NO_ERROR) {
        return nullptr;
    }
    return std::make_unique<WNetEnumeration>(handle);
}
