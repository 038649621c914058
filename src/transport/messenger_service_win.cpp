// Working beside the system's Messenger service on NT: start it, stop it, send
// through it (Windows only). The service control functions and the send
// function exist only on NT, so they are loaded at run time.
#include "transport/messenger_service_win.h"

#include <windows.h>
#include <lmcons.h>
#include <lmerr.h>
#include <lmmsg.h>

#include <cstring>
#include <cwchar>
#include <new>
#include <optional>
#include <string>
#include <utility>

#include "core/process_state.h"
#include "core/resolve_win.h"
#include "core/running_copy_win.h"

namespace {

constexpr wchar_t kServiceName[] = L"Messenger";

// The service control functions of advapi32.dll, typed as the system declares them.
struct ServiceFunctions {
    decltype(&::OpenSCManagerW) open_sc_manager = nullptr;
    ServiceClose close_service_handle = nullptr;
    decltype(&::OpenServiceW) open_service = nullptr;
    decltype(&::QueryServiceStatus) query_service_status = nullptr;
    decltype(&::StartServiceW) start_service = nullptr;
    decltype(&::ControlService) control_service = nullptr;

    // What starting the service needs, and what stopping it needs.
    bool can_start() const {
        return open_sc_manager && close_service_handle && open_service && query_service_status &&
               start_service;
    }
    bool can_stop() const {
        return open_sc_manager && close_service_handle && open_service && control_service;
    }
};

using SendFunction = decltype(&::NetMessageBufferSend);

ServiceFunctions resolve_service_functions(HMODULE advapi32) {
    ServiceFunctions f;
    resolve(advapi32, "OpenSCManagerW", f.open_sc_manager);
    resolve(advapi32, "CloseServiceHandle", f.close_service_handle);
    resolve(advapi32, "OpenServiceW", f.open_service);
    resolve(advapi32, "QueryServiceStatus", f.query_service_status);
    resolve(advapi32, "StartServiceW", f.start_service);
    resolve(advapi32, "ControlService", f.control_service);
    return f;
}

SendFunction resolve_send_function(HMODULE netapi32) {
    SendFunction send = nullptr;
    resolve(netapi32, "NetMessageBufferSend", send);
    return send;
}

// What prepare_messenger_service() keeps for the rest of the run.
struct LoadedService {
    UniqueModule advapi32;
    UniqueModule netapi32;
    SendFunction send = nullptr;
    bool service_started = false;  // this program started the service and stops it at exit
};
LoadedService g_loaded;

// Sends the stop control to the Messenger service; a step that fails skips the rest.
void stop_messenger_service(HMODULE advapi32) {
    const ServiceFunctions f = resolve_service_functions(advapi32);
    if (!f.can_stop()) return;
    UniqueService manager(f.open_sc_manager(nullptr, nullptr, GENERIC_READ | GENERIC_EXECUTE),
                          f.close_service_handle);
    if (!manager) return;
    UniqueService service(
        f.open_service(manager.get(), kServiceName, GENERIC_EXECUTE | SERVICE_STOP),
        f.close_service_handle);
    if (!service) return;
    SERVICE_STATUS status{};
    f.control_service(service.get(), SERVICE_CONTROL_STOP, &status);
}

// The three texts in UTF-16. The recipient has room for the "*" of a second
// try, and the buffers are zeroed, so each stays terminated even where a
// multibyte code page yields fewer characters than bytes.
struct WideMessage {
    std::wstring from;
    std::wstring to;
    std::wstring text;
};

std::optional<WideMessage> widen(const char* from, const char* to, const char* text) {
    try {
        WideMessage wide{std::wstring(std::strlen(from) + 1, L'\0'),
                         std::wstring(std::strlen(to) + 2, L'\0'),
                         std::wstring(std::strlen(text) + 1, L'\0')};
        MultiByteToWideChar(CP_ACP, MB_PRECOMPOSED, from, -1, wide.from.data(),
                            static_cast<int>(wide.from.size()));
        MultiByteToWideChar(CP_ACP, MB_PRECOMPOSED, to, -1, wide.to.data(),
                            static_cast<int>(wide.to.size() - 1));
        MultiByteToWideChar(CP_ACP, MB_PRECOMPOSED, text, -1, wide.text.data(),
                            static_cast<int>(wide.text.size()));
        return wide;
    } catch (const std::bad_alloc&) {
        return std::nullopt;
    }
}

}  // namespace

int prepare_messenger_service() {
    using namespace messenger_result;
    if (activate_running_copy()) return another_instance;

    UniqueModule advapi32(LoadLibraryW(L"advapi32.dll"));
    if (!advapi32) return no_advapi32;
    const ServiceFunctions f = resolve_service_functions(advapi32.get());
    if (!f.can_start()) return no_procedure;

    UniqueService manager(f.open_sc_manager(nullptr, nullptr, GENERIC_READ | GENERIC_EXECUTE),
                          f.close_service_handle);
    if (!manager) return no_service_manager;
    UniqueService service(
        f.open_service(manager.get(), kServiceName, GENERIC_EXECUTE | SERVICE_QUERY_STATUS),
        f.close_service_handle);
    if (!service) {
        // Vista and later, and Wine, have no Messenger service at all.
        return GetLastError() == ERROR_SERVICE_DOES_NOT_EXIST ? no_messenger_service : no_service;
    }
    SERVICE_STATUS status{};
    if (!f.query_service_status(service.get(), &status)) return no_service_status;

    // The send function is loaded before the service is started, so that when
    // it is missing the program ends without having started the service.
    UniqueModule netapi32(LoadLibraryW(L"netapi32.dll"));
    if (!netapi32) return no_netapi32;
    const SendFunction send = resolve_send_function(netapi32.get());
    if (!send) return no_procedure;

    // Started when stopped or stopping, without waiting for it to run.
    bool started = false;
    if (status.dwCurrentState == SERVICE_STOPPED || status.dwCurrentState == SERVICE_STOP_PENDING) {
        if (!f.start_service(service.get(), 0, nullptr)) {
            // Disabled, as Windows XP SP2 and later leave it: as good as none.
            return GetLastError() == ERROR_SERVICE_DISABLED ? no_messenger_service
                                                            : service_not_started;
        }
        started = true;
    }

    g_loaded.advapi32 = std::move(advapi32);
    g_loaded.netapi32 = std::move(netapi32);
    g_loaded.send = send;
    g_loaded.service_started = started;
    return ready;
}

void release_messenger_service() {
    g_loaded.send = nullptr;
    g_loaded.netapi32.reset();
    if (g_loaded.advapi32 && g_loaded.service_started) {
        stop_messenger_service(g_loaded.advapi32.get());
    }
    g_loaded.service_started = false;
    g_loaded.advapi32.reset();
}

int network_send(const char* from, const char* to, const char* text) {
    if (!from || !to || !text) return 0;
    // Only between prepare_messenger_service() and release_messenger_service().
    if (!g_loaded.send) return 0;
    std::optional<WideMessage> wide = widen(from, to, text);
    if (!wide) return 0;

    // The buffer length counts the text's terminating NUL.
    const DWORD byte_length = static_cast<DWORD>(2 * (std::strlen(text) + 1));
    auto send = [&] {
        return g_loaded.send(nullptr, wide->to.c_str(), wide->from.c_str(),
                             reinterpret_cast<BYTE*>(wide->text.data()),
                             byte_length) == NERR_Success;
    };
    bool sent = send();
    if (!sent) {
        // "NAME*" is the broadcast name of the workgroup or domain NAME.
        wide->to[std::wcslen(wide->to.c_str())] = L'*';
        sent = send();
    }
    if (!sent) return 0;
    ++g_statistics.sent;
    return 1;
}
