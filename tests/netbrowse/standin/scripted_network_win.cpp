// Registers the stand-in network provider and writes its script (Windows-only
// test support).
#include "netbrowse/standin/scripted_network_win.h"

#include <windows.h>

#include <fstream>

namespace {

constexpr char kOrderKey[] = "System\\CurrentControlSet\\Control\\NetworkProvider\\Order";
constexpr char kServiceKey[] = "System\\CurrentControlSet\\Services\\QvaTestNet";
constexpr char kProviderKey[] = "System\\CurrentControlSet\\Services\\QvaTestNet\\NetworkProvider";

bool set_string(HKEY key, const char* name, const std::string& value) {
    return RegSetValueExA(key, name, 0, REG_SZ, reinterpret_cast<const BYTE*>(value.c_str()),
                          static_cast<DWORD>(value.size() + 1)) == ERROR_SUCCESS;
}

std::string beside_this_exe(const char* file) {
    char path[MAX_PATH] = {};
    GetModuleFileNameA(nullptr, path, MAX_PATH);
    std::string dir(path);
    dir.resize(dir.find_last_of('\\') + 1);
    return dir + file;
}

}  // namespace

ScriptedNetwork::ScriptedNetwork() {
    char temp[MAX_PATH] = {};
    GetTempPathA(MAX_PATH, temp);
    script_path_ =
        std::string(temp) + "qva-network-" + std::to_string(GetCurrentProcessId()) + ".txt";
    write("");
    SetEnvironmentVariableA("QVA_NETWORK_SCRIPT", script_path_.c_str());

    HKEY order = nullptr, provider = nullptr;
    if (RegCreateKeyExA(HKEY_LOCAL_MACHINE, kOrderKey, 0, nullptr, 0, KEY_ALL_ACCESS, nullptr,
                        &order, nullptr) != ERROR_SUCCESS) {
        return;
    }
    char old[1024] = {};
    DWORD size = sizeof old - 1;
    had_order_ = RegQueryValueExA(order, "ProviderOrder", nullptr, nullptr,
                                  reinterpret_cast<BYTE*>(old), &size) == ERROR_SUCCESS;
    old_order_ = old;
    const bool order_set = set_string(order, "ProviderOrder", "QvaTestNet");
    RegCloseKey(order);
    if (!order_set ||
        RegCreateKeyExA(HKEY_LOCAL_MACHINE, kProviderKey, 0, nullptr, 0, KEY_ALL_ACCESS, nullptr,
                        &provider, nullptr) != ERROR_SUCCESS) {
        return;
    }
    registered_ = set_string(provider, "Name", "Quorvanta Test Network") &&
                  set_string(provider, "ProviderPath", beside_this_exe("qvanetprovider.dll"));
    RegCloseKey(provider);
}

ScriptedNetwork::~ScriptedNetwork() {
    HKEY order = nullptr;
    if (RegOpenKeyExA(HKEY_LOCAL_MACHINE, kOrderKey, 0, KEY_ALL_ACCESS, &order) == ERROR_SUCCESS) {
        if (had_order_) {
            set_string(order, "ProviderOrder", old_order_);
        } else {
            RegDeleteValueA(order, "ProviderOrder");
        }
        RegCloseKey(order);
    }
    RegDeleteKeyA(HKEY_LOCAL_MACHINE, kProviderKey);
    RegDeleteKeyA(HKEY_LOCAL_MACHINE, kServiceKey);
    SetEnvironmentVariableA("QVA_NETWORK_SCRIPT", nullptr);
    DeleteFileA(script_path_.c_str());
}

bool ScriptedNetwork::write(const std::string& script) const {
    std::ofstream file(script_path_, std::ios::binary | std::ios::trunc);
    file << script;
    return static_cast<bool>(file.flush());
}
