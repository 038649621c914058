// Stand-in netapi32.dll for the tests: NetMessageBufferSend records each call
// and rejects the recipients the test lists; netsend_log.h describes both
// (Windows-only test code). Wine's own NetMessageBufferSend ends the process.
#include <windows.h>

#include <cstdint>
#include <cwchar>
#include <string>

#include "transport/standins/netsend_log.h"

namespace {

std::wstring environment(const wchar_t* name) {
    wchar_t value[1024];
    const DWORD length = GetEnvironmentVariableW(name, value, 1024);
    return length > 0 && length < 1024 ? std::wstring(value, length) : std::wstring();
}

void append_u32(std::string& out, uint32_t value) {
    out.append(reinterpret_cast<const char*>(&value), 4);
}

void append_wide(std::string& out, const wchar_t* s) {
    if (!s) {
        append_u32(out, kNetsendNullString);
        return;
    }
    const size_t units = std::wcslen(s);
    append_u32(out, static_cast<uint32_t>(units));
    out.append(reinterpret_cast<const char*>(s), units * 2);
}

void record_call(const wchar_t* server, const wchar_t* recipient, const wchar_t* sender,
                 const BYTE* buffer, DWORD length) {
    const std::wstring path = environment(L"QVA_NETSEND_LOG");
    if (path.empty()) return;
    std::string entry;
    append_wide(entry, server);
    append_wide(entry, recipient);
    append_wide(entry, sender);
    append_u32(entry, length);
    if (buffer) entry.append(reinterpret_cast<const char*>(buffer), length);

    HANDLE file = CreateFileW(path.c_str(), FILE_APPEND_DATA, FILE_SHARE_READ | FILE_SHARE_WRITE,
                              nullptr, OPEN_ALWAYS, 0, nullptr);
    if (file == INVALID_HANDLE_VALUE) return;
    DWORD written = 0;
    WriteFile(file, entry.data(), static_cast<DWORD>(entry.size()), &written, nullptr);
    CloseHandle(file);
}

bool rejected(const wchar_t* recipient) {
    if (!recipient) return true;
    const std::wstring names = environment(L"QVA_NETSEND_REJECT");
    if (names.empty()) return false;
    const std::wstring list = L"|" + names + L"|";
    return list.find(L"|" + std::wstring(recipient) + L"|") != std::wstring::npos;
}

// Refuses the first top-level window with a menu, the program's main window,
// that the loading thread creates: a start that fails after the service was
// prepared. Message boxes still appear.
LRESULT CALLBACK refuse_main_window(int code, WPARAM window, LPARAM create) {
    static bool refused = false;
    if (code == HCBT_CREATEWND && !refused) {
        const CREATESTRUCTW* created = reinterpret_cast<CBT_CREATEWNDW*>(create)->lpcs;
        if (created->hMenu && !created->hwndParent) {
            refused = true;
            return 1;
        }
    }
    return CallNextHookEx(nullptr, code, window, create);
}

}  // namespace

extern "C" __declspec(dllexport) DWORD WINAPI
    NetMessageBufferSend(const wchar_t* server, const wchar_t* recipient, const wchar_t* sender,
                         BYTE* buffer, DWORD length) {
    record_call(server, recipient, sender, buffer, length);
    return rejected(recipient) ? kNetsendNameNotFound : NO_ERROR;
}

extern "C" BOOL WINAPI DllMain(HINSTANCE, DWORD reason, void*) {
    // Lets a test see how the program copes with a netapi32.dll that cannot load.
    if (reason != DLL_PROCESS_ATTACH) return TRUE;
    if (!environment(L"QVA_NETAPI_FAIL_LOAD").empty()) return FALSE;
    if (!environment(L"QVA_NETAPI_REFUSE_MAIN_WINDOW").empty())
        SetWindowsHookExW(WH_CBT, refuse_main_window, nullptr, GetCurrentThreadId());
    return TRUE;
}
