// The options in the real registry: the key and the bytes a save leaves there,
// a load in a fresh process, and hand-edited values (Windows only).
#include <windows.h>

#include <process.h>

#include <gtest/gtest.h>

#include <fstream>
#include <iterator>
#include <string>
#include <string_view>

#include "core/handles_win.h"
#include "settings/options_support.h"
#include "settings/registry_store_win.h"

using namespace std::string_view_literals;

namespace {

// A scratch key of this test process: the program's own key is left alone.
constexpr char kScratchParent[] = "Software\\Quorvanta Tests";
const std::string kKeyPath =
    std::string(kScratchParent) + "\\options_registry_" + std::to_string(GetCurrentProcessId());

void delete_options_key() {
    RegDeleteKeyA(HKEY_CURRENT_USER, kKeyPath.c_str());
    RegDeleteKeyA(HKEY_CURRENT_USER, kScratchParent);  // only when no other test's key is in it
}

struct RawValue {
    LONG result = -1;
    DWORD type = 0;
    std::string bytes;
};

// A value exactly as the registry gives it.
RawValue read_raw(const char* name) {
    RawValue raw;
    HKEY opened = nullptr;
    raw.result = RegOpenKeyExA(HKEY_CURRENT_USER, kKeyPath.c_str(), 0, KEY_READ, &opened);
    const UniqueKey key(opened);
    if (raw.result != ERROR_SUCCESS) return raw;
    BYTE buffer[64];
    DWORD size = sizeof buffer;
    raw.type = 0xDEADBEEF;
    raw.result = RegQueryValueExA(key.get(), name, nullptr, &raw.type, buffer, &size);
    if (raw.result != ERROR_SUCCESS || size > sizeof buffer) return raw;
    raw.bytes.assign(reinterpret_cast<const char*>(buffer), size);
    return raw;
}

void write_raw(const char* name, DWORD type, std::string_view bytes) {
    HKEY created = nullptr;
    ASSERT_EQ(RegCreateKeyExA(HKEY_CURRENT_USER, kKeyPath.c_str(), 0, nullptr,
                              REG_OPTION_NON_VOLATILE, KEY_WRITE, nullptr, &created, nullptr),
              ERROR_SUCCESS);
    const UniqueKey key(created);
    ASSERT_EQ(RegSetValueExA(key.get(), name, 0, type, reinterpret_cast<const BYTE*>(bytes.data()),
                             static_cast<DWORD>(bytes.size())),
              ERROR_SUCCESS);
}

Options load_from_registry() {
    Options options;
    RegistryStore store(HKEY_CURRENT_USER, kKeyPath);
    load_options(&options, store, 1024, 768);
    return options;
}

void save_to_registry(Options options) {
    RegistryStore store(HKEY_CURRENT_USER, kKeyPath);
    save_options(&options, store);
}

class OptionsRegistry : public ::testing::Test {
protected:
    void SetUp() override { delete_options_key(); }
    void TearDown() override { delete_options_key(); }
};

// Spelt out here rather than taken from the header: this is where the
// program's settings must be found.
TEST(OptionsRegistryKey, IsTheCurrentUsersOptionsKey) {
    const RegistryStore program;
    EXPECT_EQ(program.root(), HKEY_CURRENT_USER);
    EXPECT_EQ(program.path(), "Software\\Quorvanta\\Quorvanta Messenger\\Options");
}

TEST_F(OptionsRegistry, SaveLeavesTheseBytesUnderTheKey) {
    Options options;
    options.ifl = list_of({"A", "BC"});
    options.aat = "hi";
    options.aam = 1;
    options.iff = 5;
    options.x_pos = 300;
    options.dnum = -3;
    save_to_registry(options);

    struct Case {
        const char* name;
        DWORD type;
        std::string_view bytes;
    };
    const Case cases[] = {
        {"ifl", REG_MULTI_SZ, "A\0BC\0\0\0"sv}, {"aat", REG_SZ, "hi\0"sv},
        {"aam", REG_DWORD, "\1\0\0\0"sv},       {"iff", REG_DWORD, "\1\0\0\0"sv},
        {"x_pos", REG_DWORD, "\x2C\1\0\0"sv},   {"dnum", REG_DWORD, "\xFD\xFF\xFF\xFF"sv},
        {"cone", REG_DWORD, "\1\0\0\0"sv},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        const RawValue raw = read_raw(c.name);
        ASSERT_EQ(raw.result, ERROR_SUCCESS);
        EXPECT_EQ(raw.type, c.type);
        EXPECT_EQ(raw.bytes, c.bytes);
    }
    for (const char* absent : {"usrcombo", "itl", "icl", "ppfroml"}) {
        EXPECT_EQ(read_raw(absent).result, ERROR_FILE_NOT_FOUND) << absent;
    }
}

TEST_F(OptionsRegistry, EmptyListAndMissingTextDeleteWhatWasStored) {
    Options first;
    first.ifl = list_of({"X"});
    first.aat = "text";
    save_to_registry(first);
    ASSERT_EQ(read_raw("ifl").result, ERROR_SUCCESS);
    ASSERT_EQ(read_raw("aat").result, ERROR_SUCCESS);

    Options second;
    second.aam = 1;
    save_to_registry(second);
    EXPECT_EQ(read_raw("ifl").result, ERROR_FILE_NOT_FOUND);
    EXPECT_EQ(read_raw("aat").result, ERROR_FILE_NOT_FOUND);
    EXPECT_EQ(read_raw("aam").bytes, "\0\0\0\0"sv);
}

TEST_F(OptionsRegistry, SavedRecordLoadsTheSameInAFreshProcess) {
    save_to_registry(sample_record());

    char path[MAX_PATH] = {};
    ASSERT_GT(GetModuleFileNameA(nullptr, path, MAX_PATH), 0u);
    std::string child = path;
    child.replace(child.find_last_of('\\') + 1, std::string::npos, "options_load_child.exe");
    char temp_dir[MAX_PATH];
    char report[MAX_PATH];
    ASSERT_GT(GetTempPathA(MAX_PATH, temp_dir), 0u);
    ASSERT_NE(GetTempFileNameA(temp_dir, "qva", 0, report), 0u);

    const std::string quoted_child = "\"" + child + "\"";
    const std::string quoted_report = "\"" + std::string(report) + "\"";
    const std::string quoted_key = "\"" + kKeyPath + "\"";
    const intptr_t exit_code = _spawnl(_P_WAIT, child.c_str(), quoted_child.c_str(),
                                       quoted_report.c_str(), quoted_key.c_str(), nullptr);
    std::ifstream in(report, std::ios::binary);
    const std::string found{std::istreambuf_iterator<char>(in), {}};
    in.close();
    DeleteFileA(report);
    EXPECT_EQ(found, describe(sample_record()));
    EXPECT_EQ(exit_code, 0);
}

// The native tables hold the parsing; here the real registry's reads: a text
// without its NUL, and a list larger than any first guess at a buffer.
TEST_F(OptionsRegistry, HandEditedValuesLoadWithinTheirData) {
    write_raw("aam", REG_DWORD, "\1\0\0\0"sv);
    write_raw("aat", REG_SZ, "AB"sv);
    const std::string huge(60000, 'x');
    write_raw("itl", REG_MULTI_SZ, huge);
    const Options loaded = load_from_registry();
    EXPECT_EQ(loaded.aat, "AB");
    EXPECT_EQ(loaded.aam, 1);
    EXPECT_EQ(loaded.itl, list_of({huge.c_str()}));
}

}  // namespace
