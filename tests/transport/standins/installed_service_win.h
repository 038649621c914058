// The stand-in Messenger service installed into the test prefix for one test
// and removed again (Windows-only test code).
#pragma once

#include <windows.h>

#include <string>

// The Windows path of the stand-in service executable.
std::wstring standin_service_path();

// Installs the service "Messenger" (own process, interactive, demand start)
// running `binary`, stopped. The destructor stops and deletes it.
class InstalledService {
public:
    explicit InstalledService(const std::wstring& binary);
    ~InstalledService();
    InstalledService(const InstalledService&) = delete;
    InstalledService& operator=(const InstalledService&) = delete;

    bool installed() const { return service_ != nullptr; }
    DWORD state() const;  // 0 when the status cannot be read
    bool start();         // asks the manager to start it, without waiting
    bool stop();          // sends the stop control, without waiting
    bool disable();       // start type "disabled", as Windows XP SP2 left the service
    // Waits up to `timeout_ms` for `wanted`; answers whether it came.
    bool wait_for_state(DWORD wanted, DWORD timeout_ms) const;

private:
    SC_HANDLE manager_ = nullptr;
    SC_HANDLE service_ = nullptr;
};

// Stops and deletes any service called "Messenger", waiting until it is gone.
void remove_messenger_service();
