// Helper of the registry tests (Windows only): loads the options from the
// registry key named by its second argument (under HKEY_CURRENT_USER) in a
// process of its own, writes what it found to the file named by its first and
// exits 0 only when that is the sample record.
#include <windows.h>

#include <cstdio>

#include "settings/options_support.h"
#include "settings/registry_store_win.h"

int main(int argc, char** argv) {
    if (argc != 3) return 2;
    Options options;
    RegistryStore store(HKEY_CURRENT_USER, argv[2]);
    load_options(&options, store, 1024, 768);

    const std::string found = describe(options);
    FILE* out = std::fopen(argv[1], "wb");
    if (!out) return 3;
    const bool written = std::fwrite(found.data(), 1, found.size(), out) == found.size();
    if (std::fclose(out) != 0 || !written) return 3;
    return options == sample_record() ? 0 : 1;
}
