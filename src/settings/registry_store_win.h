// The options store in the current user's registry (Windows only).
#pragma once

#include <windows.h>

#include <string>
#include <utility>

#include "settings/value_store.h"

// Under HKEY_CURRENT_USER. Startup loads with
//   RegistryStore store;
//   load_options(&g_options, store, GetSystemMetrics(SM_CXSCREEN), GetSystemMetrics(SM_CYSCREEN));
inline constexpr char kOptionsKeyPath[] = "Software\\Quorvanta\\Quorvanta Messenger\\Options";

class RegistryStore final : public ValueStore {
public:
    // The program's options key by default; another key for tests.
    explicit RegistryStore(HKEY root = HKEY_CURRENT_USER, std::string path = kOptionsKeyPath)
        : root_(root), path_(std::move(path)) {}

    // Each open creates the key when absent; the key closes with the object.
    std::unique_ptr<ValueKey> open(Access access) override;

    HKEY root() const { return root_; }
    const std::string& path() const { return path_; }

private:
    HKEY root_;
    std::string path_;
};
