// The stand-in Messenger service installed into the test prefix (Windows-only test code).
#include "transport/standins/installed_service_win.h"

namespace {

constexpr wchar_t kServiceName[] = L"Messenger";

bool wait_for(SC_HANDLE service, DWORD wanted, DWORD timeout_ms) {
    const DWORD start = GetTickCount();
    for (;;) {
        SERVICE_STATUS status{};
        if (QueryServiceStatus(service, &status) && status.dwCurrentState == wanted) return true;
        if (GetTickCount() - start >= timeout_ms) return false;
        Sleep(20);
    }
}

}  // namespace

std::wstring standin_service_path() {
    // The build passes the executable's Unix path; Wine's drive Z: is the root.
    std::wstring path = L"Z:" QVA_STANDIN_SERVICE_EXE;
    for (wchar_t& c : path) {
        if (c == L'/') c = L'\\';
    }
    return path;
}

void remove_messenger_service() {
    SC_HANDLE manager = OpenSCManagerW(nullptr, nullptr, SC_MANAGER_ALL_ACCESS);
    if (!manager) return;
    // A deleted service lingers until it has stopped and its last handle is closed.
    const DWORD start = GetTickCount();
    while (GetTickCount() - start < 5000) {
        SC_HANDLE service = OpenServiceW(manager, kServiceName, SERVICE_ALL_ACCESS);
        if (!service) break;
        SERVICE_STATUS status{};
        ControlService(service, SERVICE_CONTROL_STOP, &status);
        wait_for(service, SERVICE_STOPPED, 3000);
        DeleteService(service);
        CloseServiceHandle(service);
        Sleep(20);
    }
    CloseServiceHandle(manager);
}

InstalledService::InstalledService(const std::wstring& binary) {
    remove_messenger_service();
    manager_ = OpenSCManagerW(nullptr, nullptr, SC_MANAGER_ALL_ACCESS);
    if (!manager_) return;
    service_ = CreateServiceW(manager_, kServiceName, kServiceName, SERVICE_ALL_ACCESS,
                              SERVICE_WIN32_OWN_PROCESS | SERVICE_INTERACTIVE_PROCESS,
                              SERVICE_DEMAND_START, SERVICE_ERROR_IGNORE, binary.c_str(), nullptr,
                              nullptr, nullptr, nullptr, nullptr);
}

InstalledService::~InstalledService() {
    if (service_) CloseServiceHandle(service_);
    if (manager_) CloseServiceHandle(manager_);
    remove_messenger_service();
}

DWORD InstalledService::state() const {
    SERVICE_STATUS status{};
    return service_ && QueryServiceStatus(service_, &status) ? status.dwCurrentState : 0;
}

bool InstalledService::start() {
    return service_ && StartServiceW(service_, 0, nullptr);
}

bool InstalledService::stop() {
    SERVICE_STATUS status{};
    return service_ && ControlService(service_, SERVICE_CONTROL_STOP, &status);
}

bool InstalledService::disable() {
    return service_ &&
           ChangeServiceConfigW(service_, SERVICE_NO_CHANGE, SERVICE_DISABLED, SERVICE_NO_CHANGE,
                                nullptr, nullptr, nullptr, nullptr, nullptr, nullptr, nullptr);
}

bool InstalledService::wait_for_state(DWORD wanted, DWORD timeout_ms) const {
    return service_ && wait_for(service_, wanted, timeout_ms);
}
