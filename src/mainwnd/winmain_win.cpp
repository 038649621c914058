// The program's entry point: startup checks, the process-wide state, the main
// dialog and its message loop, and the orderly end (Windows only).
#include <winsock2.h>  // before windows.h: the name service's header needs it
#include <windows.h>
#include <commctrl.h>

#include "core/handles_win.h"
#include "core/process_state.h"
#include "core/program_name.h"
#include "core/running_copy_win.h"
#include "journal/message_journal_win.h"
#include "mainwnd/main_dialog_win.h"
#include "mainwnd/main_window_win.h"
#include "mainwnd/startup_win.h"
#include "mainwnd/ui_state_win.h"
#include "mainwnd/waits_win.h"
#include "resources/resource.h"
#include "settings/options.h"
#include "settings/registry_store_win.h"
#include "transport/messenger_service_win.h"
#include "transport/name_service_win.h"
#include "transport/netbios_path_win.h"

namespace {

constexpr int kStartFailed = -1;
constexpr int kOtherCopyActivated = 0;

int fail(const char* text) {
    MessageBoxA(nullptr, text, kProgramTitle, MB_ICONERROR);
    return kStartFailed;
}

// Releases what startup takes from the system on every way out of run(),
// a failed start included: the Messenger service the program started is
// stopped again and the own network path closed. Each does nothing when
// it was not taken.
struct ReleaseAtEnd {
    ReleaseAtEnd() = default;
    ReleaseAtEnd(const ReleaseAtEnd&) = delete;
    ReleaseAtEnd& operator=(const ReleaseAtEnd&) = delete;
    ~ReleaseAtEnd() {
        release_messenger_service();
        stop_netbios_path();
    }
};

int run(HINSTANCE instance, int show) {
    ReleaseAtEnd release;
    if (!(GetSystemMetrics(SM_NETWORK) & 1)) return fail("No network found !");

    OSVERSIONINFOA version{};
    version.dwOSVersionInfoSize = sizeof version;
    if (!GetVersionExA(&version)) return fail("Can't detect OS type & version");

    // Without a Messenger service an NT system takes the program's own
    // network path: it owns the mailslot as Windows 95/98/ME does.
    bool own_network_path = false;
    if (version.dwPlatformId == VER_PLATFORM_WIN32_NT) {
        g_platform_flag = 1;
        int prepared;
        {
            WaitCursor wait;
            prepared = prepare_messenger_service();
        }
        if (prepared < 0) return fail(messenger_error_text(prepared));
        if (prepared == messenger_result::another_instance) return kOtherCopyActivated;
        if (prepared == messenger_result::no_messenger_service) {
            g_platform_flag = 0;
            own_network_path = true;
        }
    } else {
        g_platform_flag = 0;
    }

    INITCOMMONCONTROLSEX controls{sizeof controls, 0xFF};
    if (!InitCommonControlsEx(&controls)) return fail("Can't init common controls");

    if (!g_platform_flag) {
        // Another copy of the program already owns the mailslot when this fails.
        g_mailslot = CreateMailslotA("\\\\.\\mailslot\\messngr", 0, 0, nullptr);
        if (g_mailslot == INVALID_HANDLE_VALUE) {
            if (activate_running_copy()) return kOtherCopyActivated;
            return fail("Can't get mailslot handle !");
        }
    }

    const int screen_width = GetSystemMetrics(SM_CXSCREEN);
    const int screen_height = GetSystemMetrics(SM_CYSCREEN);

    // The network lock is created owned and released at once: unowned.
    UniqueHandle network_lock(CreateMutexA(nullptr, TRUE, nullptr));
    ReleaseMutex(network_lock.get());
    g_network_lock = network_lock.get();

    RegistryStore store;
    load_options(&g_options, store, screen_width, screen_height);

    DWORD size = sizeof g_sender_name;
    if (!GetComputerNameA(g_sender_name, &size)) g_sender_name[0] = '\0';
    g_main.recipient[0] = '\0';
    std::string name_server;
    {
        ScopedLock hold(g_options_lock);
        name_server = g_options.wins;
    }
    // A name server set in the settings takes effect at the next start.
    set_name_server_address(parse_name_server_address(name_server));
    const NetbiosStart netbios =
        own_network_path ? start_netbios_path(g_sender_name) : NetbiosStart{};
    const std::string journal_problem = journal_start(g_options.keepmsgs != 0);

    HWND dialog =
        CreateDialogParamA(instance, MAKEINTRESOURCEA(IDD_MAIN), nullptr, main_dialog_proc, 0);
    if (!dialog) return fail("Can't create the main window");
    ShowWindow(dialog, show);
    UpdateWindow(dialog);
    // Said once, with the program already running behind the box.
    if (own_network_path && !netbios.problem.empty()) {
        MessageBoxA(nullptr, netbios.problem.c_str(), kProgramTitle, MB_ICONWARNING);
    }
    if (!journal_problem.empty()) {
        MessageBoxA(nullptr, journal_problem.c_str(), kProgramTitle, MB_ICONWARNING);
    }

    MSG msg;
    while (GetMessageA(&msg, nullptr, 0, 0) > 0) {
        TranslateMessage(&msg);
        DispatchMessageA(&msg);
    }

    journal_stop();
    save_options(&g_options, store);
    // The network lock stays open: a scan thread may still be waiting on it
    // until WinMain ends the process.
    network_lock.release();
    return static_cast<int>(msg.wParam);
}

}  // namespace

int WINAPI WinMain(HINSTANCE instance, HINSTANCE, LPSTR, int show) {
    int code;
    try {
        code = run(instance, show);
    } catch (...) {
        code = fail("Unexpected error !");
    }
    // ExitProcess stops every other thread before anything is torn down, so
    // no thread outlives what it uses: the receiver (whose every wait is
    // bounded, and which Exit waited for), a network scan, an auto-answer
    // still sending. Returning would destroy the process-wide locks, the
    // options and the receiver's link while such a thread might run.
    ExitProcess(static_cast<UINT>(code));
}
