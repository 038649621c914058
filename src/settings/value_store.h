// The per-user value store behind the options (portable seam): named values of
// three kinds in one key. The Win32 build keeps them in the registry.
#pragma once

#include <cstdint>
#include <memory>
#include <optional>
#include <span>

// Value types, numbered as the registry numbers them. A store reports any
// other type it finds as it stands.
inline constexpr uint32_t kValueString = 1;       // text and its NUL
inline constexpr uint32_t kValueDword = 4;        // 32-bit little-endian
inline constexpr uint32_t kValueMultiString = 7;  // strings each with a NUL, then a NUL

struct ValueInfo {
    uint32_t type = 0;
    uint32_t size = 0;  // in bytes
};

// One opened key. The calls mirror the registry's: learn a value's size,
// read it into a buffer, set it, delete it.
class ValueKey {
public:
    virtual ~ValueKey() = default;

    // Type and size of the value `name`, or nothing when it is absent or
    // cannot be read. The size may exceed what a later read returns.
    virtual std::optional<ValueInfo> query_size(const char* name) = 0;

    // Copies the value into `buffer` and answers its type and the bytes
    // written, or nothing when it is absent, unreadable or larger than `buffer`.
    virtual std::optional<ValueInfo> query(const char* name, std::span<uint8_t> buffer) = 0;

    // Failures of these two are not reported: nothing the program does
    // depends on them.
    virtual void set(const char* name, uint32_t type, std::span<const uint8_t> data) = 0;
    virtual void remove(const char* name) = 0;
};

class ValueStore {
public:
    enum class Access { read, write };

    virtual ~ValueStore() = default;

    // Opens the options key, creating it when absent; nothing when that fails.
    virtual std::unique_ptr<ValueKey> open(Access access) = 0;
};
