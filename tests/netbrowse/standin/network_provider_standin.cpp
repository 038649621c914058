// Stand-in network provider for the tests: serves the workgroups and
// computers of a script file to WNetOpenEnum / WNetEnumResource (Windows-only
// test code; scripted_network_win.h registers it and writes the script).
//
// Script, one entry a line, read again whenever the whole network is opened:
//   group NAME       a workgroup (display type domain) of this provider
//   computer NAME    the server \\NAME in the last workgroup
//   unlisted         the last workgroup's computers cannot be enumerated
//   delay MS         each batch of workgroups is delivered MS ms late
//   generate N G     G workgroups WG01... holding N computers PC00001... in all
#include <windows.h>

#include <cstdio>
#include <cstring>
#include <cwchar>
#include <fstream>
#include <memory>
#include <sstream>
#include <string>
#include <vector>

namespace {

constexpr DWORD kSpecVersion = 1, kNetType = 2, kDriverVersion = 3, kEnumeration = 11;
constexpr DWORD kSpecVersion51 = 0x00050001, kEnumGlobal = 1, kThisNetType = 0x00fe0000;
constexpr wchar_t kProviderName[] = L"Quorvanta Test Network";

struct Group {
    std::wstring name;
    std::vector<std::wstring> computers;
    bool unlisted = false;
};

struct Network {
    std::vector<Group> groups;
    DWORD delay_ms = 0;
};

Network g_network;  // the script as last read; scans never overlap

std::wstring widen(const std::string& text) {
    return std::wstring(text.begin(), text.end());
}

Network read_script() {
    Network network;
    char path[MAX_PATH] = {};
    const DWORD length = GetEnvironmentVariableA("QVA_NETWORK_SCRIPT", path, MAX_PATH);
    if (length == 0 || length >= MAX_PATH) return network;
    std::ifstream script(path);
    std::string line;
    while (std::getline(script, line)) {
        std::istringstream words(line);
        std::string word, name;
        words >> word;
        std::getline(words >> std::ws, name);
        if (!name.empty() && name.back() == '\r') name.pop_back();
        if (word == "group") {
            network.groups.push_back({widen(name), {}, false});
        } else if (word == "computer" && !network.groups.empty()) {
            network.groups.back().computers.push_back(widen(name));
        } else if (word == "unlisted" && !network.groups.empty()) {
            network.groups.back().unlisted = true;
        } else if (word == "delay") {
            network.delay_ms = static_cast<DWORD>(std::stoul(name));
        } else if (word == "generate") {
            unsigned computers = 0, groups = 0;
            std::sscanf(name.c_str(), "%u %u", &computers, &groups);
            for (unsigned g = 0; g < groups; ++g) {
                wchar_t text[32];
                std::swprintf(text, 32, L"WG%02u", g + 1);
                network.groups.push_back({text, {}, false});
            }
            for (unsigned c = 0; c < computers && groups; ++c) {
                wchar_t text[32];
                std::swprintf(text, 32, L"PC%05u", c + 1);
                network.groups[network.groups.size() - groups + c % groups].computers.push_back(
                    text);
            }
        }
    }
    return network;
}

struct Entry {
    DWORD display_type;
    std::wstring remote_name;
};

struct Enumeration {
    std::vector<Entry> entries;
    size_t next = 0;
    DWORD delay_ms = 0;
};

}  // namespace

extern "C" {

__declspec(dllexport) DWORD WINAPI NPGetCaps(DWORD index) {
    switch (index) {
        case kSpecVersion:
            return kSpecVersion51;
        case kNetType:
            return kThisNetType;
        case kDriverVersion:
            return 1;
        case kEnumeration:
            return kEnumGlobal;
        default:
            return 0;
    }
}

__declspec(dllexport) DWORD WINAPI
    NPOpenEnum(DWORD, DWORD, DWORD, NETRESOURCEW* resource, HANDLE* handle) {
    if (!handle) return ERROR_INVALID_PARAMETER;
    auto enumeration = std::make_unique<Enumeration>();
    const bool whole = !resource || !resource->lpRemoteName ||
                       resource->dwDisplayType == RESOURCEDISPLAYTYPE_NETWORK ||
                       std::wcscmp(resource->lpRemoteName, kProviderName) == 0;
    if (whole) {
        g_network = read_script();
        if (!GetEnvironmentVariableA("QVA_NETWORK_SCRIPT", nullptr, 0)) return ERROR_NO_NETWORK;
        for (const Group& group : g_network.groups) {
            enumeration->entries.push_back({RESOURCEDISPLAYTYPE_DOMAIN, group.name});
        }
        enumeration->delay_ms = g_network.delay_ms;
    } else {
        const Group* found = nullptr;
        for (const Group& group : g_network.groups) {
            if (group.name == resource->lpRemoteName) found = &group;
        }
        if (!found || found->unlisted) return ERROR_BAD_NET_NAME;
        for (const std::wstring& computer : found->computers) {
            enumeration->entries.push_back({RESOURCEDISPLAYTYPE_SERVER, L"\\\\" + computer});
        }
    }
    *handle = enumeration.release();
    return NO_ERROR;
}

__declspec(dllexport) DWORD WINAPI
    NPEnumResource(HANDLE handle, DWORD* count, void* buffer, DWORD* size) {
    auto* enumeration = static_cast<Enumeration*>(handle);
    if (!enumeration || !count || !buffer || !size) return ERROR_INVALID_PARAMETER;
    if (enumeration->next == enumeration->entries.size()) return ERROR_NO_MORE_ITEMS;
    if (enumeration->delay_ms) Sleep(enumeration->delay_ms);
    auto* records = static_cast<NETRESOURCEW*>(buffer);
    char* strings_end = static_cast<char*>(buffer) + *size;
    const size_t provider_bytes = sizeof kProviderName;
    DWORD written = 0;
    while (enumeration->next < enumeration->entries.size() && written < *count) {
        const Entry& entry = enumeration->entries[enumeration->next];
        const size_t name_bytes = (entry.remote_name.size() + 1) * sizeof(wchar_t);
        char* records_end = reinterpret_cast<char*>(records + written + 1);
        if (records_end + name_bytes + provider_bytes > strings_end) break;
        strings_end -= name_bytes;
        std::memcpy(strings_end, entry.remote_name.c_str(), name_bytes);
        auto* name = reinterpret_cast<wchar_t*>(strings_end);
        strings_end -= provider_bytes;
        std::memcpy(strings_end, kProviderName, provider_bytes);
        NETRESOURCEW& record = records[written++];
        record = NETRESOURCEW{};
        record.dwScope = RESOURCE_GLOBALNET;
        record.dwType = RESOURCETYPE_ANY;
        record.dwDisplayType = entry.display_type;
        record.dwUsage = RESOURCEUSAGE_CONTAINER;
        record.lpRemoteName = name;
        record.lpProvider = reinterpret_cast<wchar_t*>(strings_end);
        ++enumeration->next;
    }
    if (written == 0) {
        // Not even the next record fits: say how much it needs, as providers do.
        const Entry& entry = enumeration->entries[enumeration->next];
        *size =
            static_cast<DWORD>(sizeof(NETRESOURCEW) +
                               (entry.remote_name.size() + 1) * sizeof(wchar_t) + provider_bytes);
        return ERROR_MORE_DATA;
    }
    *count = written;
    return NO_ERROR;
}

__declspec(dllexport) DWORD WINAPI NPCloseEnum(HANDLE handle) {
    delete static_cast<Enumeration*>(handle);
    return NO_ERROR;
}

}  // extern "C"
