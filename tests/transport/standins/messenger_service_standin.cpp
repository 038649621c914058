// Stand-in for the system's Messenger service in the Wine test prefixes: a
// service that starts, reports that it runs and stops on request (Windows-only test code).
#include <windows.h>

namespace {

SERVICE_STATUS_HANDLE g_status_handle = nullptr;
HANDLE g_stop_event = nullptr;

void report(DWORD state) {
    SERVICE_STATUS status{};
    status.dwServiceType = SERVICE_WIN32_OWN_PROCESS | SERVICE_INTERACTIVE_PROCESS;
    status.dwCurrentState = state;
    status.dwControlsAccepted = state == SERVICE_RUNNING ? SERVICE_ACCEPT_STOP : 0;
    status.dwWin32ExitCode = NO_ERROR;
    status.dwWaitHint = state == SERVICE_STOP_PENDING ? 1000 : 0;
    SetServiceStatus(g_status_handle, &status);
}

DWORD WINAPI on_control(DWORD control, DWORD, void*, void*) {
    switch (control) {
        case SERVICE_CONTROL_STOP:
            report(SERVICE_STOP_PENDING);
            SetEvent(g_stop_event);
            return NO_ERROR;
        case SERVICE_CONTROL_INTERROGATE:
            return NO_ERROR;
        default:
            return ERROR_CALL_NOT_IMPLEMENTED;
    }
}

void WINAPI service_main(DWORD, wchar_t**) {
    g_status_handle = RegisterServiceCtrlHandlerExW(L"Messenger", on_control, nullptr);
    if (!g_status_handle) return;
    report(SERVICE_RUNNING);
    WaitForSingleObject(g_stop_event, INFINITE);
    report(SERVICE_STOPPED);
}

}  // namespace

int main() {
    g_stop_event = CreateEventW(nullptr, TRUE, FALSE, nullptr);
    wchar_t name[] = L"Messenger";
    const SERVICE_TABLE_ENTRYW services[] = {{name, service_main}, {nullptr, nullptr}};
    return StartServiceCtrlDispatcherW(services) ? 0 : 1;
}
