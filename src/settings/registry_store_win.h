// The options store in the current user's registry (Windows only).
#pragma once

#include "settings/value_store.h"

// Under HKEY_CURRENT_USER. Startup loads with
//   RegistryStore store;
//   load_options(&g_options, store, GetSystemMetrics(SM_CXSCREEN), GetSystemMetrics(SM_CYSCREEN));
inline constexpr char kOptionsKeyPath[] = "Software\\Quorvanta\\Quorvanta Messenger\\Options";

class RegistryStore final : public ValueStore {
public:
    // Each open creates the key when absent; the key closes with the object.
    std::unique_ptr<ValueKey> open(Access access) override;
};
