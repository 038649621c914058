// Drives the real program from outside (Windows only, test support).
#include "support/program_driver_win.h"

#include <commctrl.h>
#include <shlobj.h>

#include <cstdio>
#include <cstring>

#include "support/private_network_win.h"
#include "support/remote_buffer_win.h"
#include "support/save_dialog_win.h"

namespace {

constexpr char kTitle[] = "Quorvanta Messenger";
constexpr char kOptionsKey[] = "Software\\Quorvanta\\Quorvanta Messenger\\Options";

constexpr size_t kTextOffset = 256;
constexpr size_t kTextSize = 1024;

std::string remote_item_text(HANDLE process, HWND list, int row, int column) {
    RemoteBuffer remote(process, kTextOffset + kTextSize);
    if (!remote) return {};
    LVITEMA item{};
    item.iSubItem = column;
    item.pszText = remote.at(kTextOffset);
    item.cchTextMax = kTextSize;
    remote.write(0, &item, sizeof item);
    SendMessageA(list, LVM_GETITEMTEXTA, row, remote.lparam());
    return remote.text(kTextOffset);
}

int remote_item_image(HANDLE process, HWND list, int row) {
    RemoteBuffer remote(process, sizeof(LVITEMA));
    if (!remote) return -1;
    LVITEMA item{};
    item.mask = LVIF_IMAGE;
    item.iItem = row;
    remote.write(0, &item, sizeof item);
    if (!SendMessageA(list, LVM_GETITEMA, 0, reinterpret_cast<LPARAM>(remote.at(0)))) return -1;
    remote.read(0, &item, sizeof item);
    return item.iImage;
}

BOOL CALLBACK child_has_text(HWND child, LPARAM param) {
    auto* wanted = reinterpret_cast<std::pair<const std::string*, bool>*>(param);
    if (window_text(child).find(*wanted->first) != std::string::npos) {
        wanted->second = true;
        return FALSE;
    }
    return TRUE;
}

// An NT version without a Messenger service: the program takes its own
// NetBIOS path and sends on the network at once (its auto-answer, say).
bool program_takes_netbios_path() {
    OSVERSIONINFOA version{};
    version.dwOSVersionInfoSize = sizeof version;
    if (!GetVersionExA(&version) || version.dwPlatformId != VER_PLATFORM_WIN32_NT) return false;
    SC_HANDLE manager = OpenSCManagerA(nullptr, nullptr, SC_MANAGER_CONNECT);
    if (!manager) return true;
    SC_HANDLE service = OpenServiceA(manager, "Messenger", SERVICE_QUERY_STATUS);
    if (service) CloseServiceHandle(service);
    CloseServiceHandle(manager);
    return !service;
}

}  // namespace

ProgramDriver::~ProgramDriver() {
    kill();
}

bool ProgramDriver::start() {
    if (program_takes_netbios_path()) {
        const PrivateNetwork network = check_private_network();
        if (!network.allowed) {
            std::fprintf(stderr, "not starting the program on its NetBIOS path: %s\n",
                         network.reason.c_str());
            return false;
        }
    }
    std::string command = "\"" + program_path() + "\"";
    STARTUPINFOA startup{};
    startup.cb = sizeof startup;
    PROCESS_INFORMATION info{};
    if (!CreateProcessA(nullptr, command.data(), nullptr, nullptr, FALSE, CREATE_SUSPENDED, nullptr,
                        nullptr, &startup, &info)) {
        return false;
    }
    // The program ends with this process, even when a time-out ends the test
    // abruptly: a program left running would hold the mailslot for the next.
    if (!job_) {
        job_.reset(CreateJobObjectA(nullptr, nullptr));
        JOBOBJECT_EXTENDED_LIMIT_INFORMATION limits{};
        limits.BasicLimitInformation.LimitFlags = JOB_OBJECT_LIMIT_KILL_ON_JOB_CLOSE;
        if (job_) {
            SetInformationJobObject(job_.get(), JobObjectExtendedLimitInformation, &limits,
                                    sizeof limits);
        }
    }
    if (job_) AssignProcessToJobObject(job_.get(), info.hProcess);
    ResumeThread(info.hThread);
    CloseHandle(info.hThread);
    process_.reset(info.hProcess);
    pid_ = info.dwProcessId;
    main_ = nullptr;
    return true;
}

bool ProgramDriver::wait_ready(DWORD timeout_ms) {
    return ::wait_until(
        [this] {
            if (!main_) {
                // A message box shown first has the same title: the main
                // window is the one with status bars.
                for (HWND window : top_level_windows()) {
                    if (window_text(window) == kTitle &&
                        FindWindowExA(window, nullptr, STATUSCLASSNAMEA, nullptr)) {
                        main_ = window;
                    }
                }
            }
            // A dialog is shown once its initialisation has finished; the
            // counts may be those of the kept messages.
            return main_ && IsWindowVisible(main_) &&
                   status_text(1).rfind("Unread message(s): ", 0) == 0 && !status_text(0).empty();
        },
        timeout_ms);
}

std::optional<DWORD> ProgramDriver::wait_exit(DWORD timeout_ms) {
    if (!process_) return std::nullopt;
    const auto ended = [this] { return WaitForSingleObject(process_.get(), 0) == WAIT_OBJECT_0; };
    if (!wait_until(ended, timeout_ms)) return std::nullopt;
    DWORD code = 0;
    GetExitCodeProcess(process_.get(), &code);
    return code;
}

void ProgramDriver::kill() {
    if (process_ && WaitForSingleObject(process_.get(), 0) == WAIT_TIMEOUT) {
        TerminateProcess(process_.get(), 99);
        WaitForSingleObject(process_.get(), 5000);
    }
}

std::vector<ListRow> ProgramDriver::rows() const {
    std::vector<ListRow> rows;
    const int count = row_count();
    for (int index = 0; index < count; ++index)
        rows.push_back(row(index));
    return rows;
}

ListRow ProgramDriver::row(int index) const {
    HWND list = GetDlgItem(main_, 1000);
    ListRow r;
    r.from = remote_item_text(process_.get(), list, index, 0);
    r.to = remote_item_text(process_.get(), list, index, 1);
    r.time = remote_item_text(process_.get(), list, index, 2);
    r.image = remote_item_image(process_.get(), list, index);
    r.selected = SendMessageA(list, LVM_GETITEMSTATE, index, LVIS_SELECTED) & LVIS_SELECTED;
    return r;
}

int ProgramDriver::row_count() const {
    return static_cast<int>(SendMessageA(GetDlgItem(main_, 1000), LVM_GETITEMCOUNT, 0, 0));
}

std::string ProgramDriver::status_text(int part) const {
    HWND bar = FindWindowExA(main_, nullptr, STATUSCLASSNAMEA, nullptr);
    if (!bar) return {};
    RemoteBuffer remote(process_.get(), kTextSize);
    if (!remote) return {};
    SendMessageA(bar, SB_GETTEXTA, part, remote.lparam());
    return remote.text();
}

void ProgramDriver::post_command(int command) const {
    PostMessageA(main_, WM_COMMAND, MAKEWPARAM(command, 0), 0);
}

void ProgramDriver::send_command(int command) const {
    DWORD_PTR ignored = 0;
    SendMessageTimeoutA(main_, WM_COMMAND, MAKEWPARAM(command, 0), 0, SMTO_NORMAL, 5000, &ignored);
}

bool ProgramDriver::select_row(int row) const {
    HWND list = GetDlgItem(main_, 1000);
    RemoteBuffer remote(process_.get(), sizeof(LVITEMA));
    if (!remote) return false;
    LVITEMA state{};
    state.stateMask = static_cast<UINT>(-1);
    state.state = LVIS_SELECTED | LVIS_FOCUSED;
    remote.write(0, &state, sizeof state);
    if (!SendMessageA(list, LVM_SETITEMSTATE, row, reinterpret_cast<LPARAM>(remote.at(0)))) {
        return false;
    }
    SendMessageA(list, LVM_SETSELECTIONMARK, 0, row);
    return true;
}

void ProgramDriver::press_delete_key() const {
    HWND list = GetDlgItem(main_, 1000);
    PostMessageA(list, WM_KEYDOWN, VK_DELETE, 0x01530001);
    PostMessageA(list, WM_KEYUP, VK_DELETE, 0xC1530001);
}

bool ProgramDriver::double_click_row(int row) const {
    HWND list = GetDlgItem(main_, 1000);
    RemoteBuffer remote(process_.get(), sizeof(RECT));
    if (!remote) return false;
    RECT rect{};
    rect.left = LVIR_LABEL;
    remote.write(0, &rect, sizeof rect);
    if (!SendMessageA(list, LVM_GETITEMRECT, row, reinterpret_cast<LPARAM>(remote.at(0)))) {
        return false;
    }
    remote.read(0, &rect, sizeof rect);
    const LPARAM at = MAKELPARAM(rect.left + 4, (rect.top + rect.bottom) / 2);
    PostMessageA(list, WM_LBUTTONDOWN, MK_LBUTTON, at);
    PostMessageA(list, WM_LBUTTONUP, 0, at);
    PostMessageA(list, WM_LBUTTONDBLCLK, MK_LBUTTON, at);
    PostMessageA(list, WM_LBUTTONUP, 0, at);
    return true;
}

bool ProgramDriver::toolbar_button_enabled(int command) const {
    for (HWND toolbar = FindWindowExA(main_, nullptr, TOOLBARCLASSNAMEA, nullptr); toolbar;
         toolbar = FindWindowExA(main_, toolbar, TOOLBARCLASSNAMEA, nullptr)) {
        if (SendMessageA(toolbar, TB_COMMANDTOINDEX, command, 0) != -1) {
            return SendMessageA(toolbar, TB_ISBUTTONENABLED, command, 0) != 0;
        }
    }
    return false;
}

std::vector<HWND> ProgramDriver::top_level_windows() const {
    return process_windows(pid_);
}

HWND ProgramDriver::find_dialog_with_text(const std::string& text) const {
    for (HWND window : top_level_windows()) {
        if (window == main_) continue;
        std::pair<const std::string*, bool> wanted{&text, false};
        if (window_text(window).find(text) != std::string::npos) return window;
        EnumChildWindows(window, child_has_text, reinterpret_cast<LPARAM>(&wanted));
        if (wanted.second) return window;
    }
    return nullptr;
}

std::string program_path() {
    char path[MAX_PATH] = {};
    GetModuleFileNameA(nullptr, path, MAX_PATH);
    std::string dir(path);
    dir.resize(dir.find_last_of('\\') + 1);
    return dir + "QuorvantaMessenger.exe";
}

std::string artifact_path(const std::string& name) {
    char path[MAX_PATH] = {};
    GetModuleFileNameA(nullptr, path, MAX_PATH);
    std::string dir(path);
    dir.resize(dir.find_last_of('\\'));
    dir.resize(dir.find_last_of('\\') + 1);  // from bin\ up to the build folder
    dir += "artifacts";
    CreateDirectoryA(dir.c_str(), nullptr);
    return dir + "\\" + name;
}

bool write_datagram(const std::string& bytes) {
    UniqueFile slot(CreateFileA("\\\\.\\mailslot\\messngr", GENERIC_WRITE, FILE_SHARE_READ, nullptr,
                                OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
    if (!slot) return false;
    DWORD written = 0;
    return WriteFile(slot.get(), bytes.data(), static_cast<DWORD>(bytes.size()), &written,
                     nullptr) &&
           written == bytes.size();
}

std::string computer_name() {
    char name[MAX_COMPUTERNAME_LENGTH + 1] = {};
    DWORD size = sizeof name;
    GetComputerNameA(name, &size);
    return name;
}

std::optional<DWORD> stored_dword(const char* name) {
    HKEY key = nullptr;
    if (RegOpenKeyExA(HKEY_CURRENT_USER, kOptionsKey, 0, KEY_READ, &key) != ERROR_SUCCESS) {
        return std::nullopt;
    }
    UniqueKey owner(key);
    DWORD value = 0, size = sizeof value, type = 0;
    if (RegQueryValueExA(key, name, nullptr, &type, reinterpret_cast<BYTE*>(&value), &size) !=
            ERROR_SUCCESS ||
        type != REG_DWORD) {
        return std::nullopt;
    }
    return value;
}

std::vector<std::string> stored_strings(const char* name) {
    HKEY key = nullptr;
    if (RegOpenKeyExA(HKEY_CURRENT_USER, kOptionsKey, 0, KEY_READ, &key) != ERROR_SUCCESS)
        return {};
    UniqueKey owner(key);
    DWORD size = 0;
    if (RegQueryValueExA(key, name, nullptr, nullptr, nullptr, &size) != ERROR_SUCCESS) return {};
    std::string bytes(size + 2, '\0');  // room for the terminating NULs a value may lack
    if (RegQueryValueExA(key, name, nullptr, nullptr, reinterpret_cast<BYTE*>(bytes.data()),
                         &size) != ERROR_SUCCESS) {
        return {};
    }
    std::vector<std::string> strings;
    for (const char* item = bytes.c_str(); *item; item += std::strlen(item) + 1)
        strings.push_back(item);
    return strings;
}

std::string kept_messages_path() {
    char folder[MAX_PATH] = {};
    if (FAILED(SHGetFolderPathA(nullptr, CSIDL_APPDATA, nullptr, 0, folder))) return {};
    return std::string(folder) + "\\Quorvanta Messenger\\Messages.journal";
}

void delete_stored_options() {
    RegDeleteKeyA(HKEY_CURRENT_USER, kOptionsKey);
    const std::string journal = kept_messages_path();
    if (journal.empty()) return;
    DeleteFileA(journal.c_str());
    DeleteFileA((journal + ".new").c_str());
}

void store_dword(const char* name, DWORD value) {
    HKEY key = nullptr;
    if (RegCreateKeyExA(HKEY_CURRENT_USER, kOptionsKey, 0, nullptr, 0, KEY_WRITE, nullptr, &key,
                        nullptr) != ERROR_SUCCESS) {
        return;
    }
    UniqueKey owner(key);
    RegSetValueExA(key, name, 0, REG_DWORD, reinterpret_cast<const BYTE*>(&value), sizeof value);
}

void store_string(const char* name, const std::string& value) {
    HKEY key = nullptr;
    if (RegCreateKeyExA(HKEY_CURRENT_USER, kOptionsKey, 0, nullptr, 0, KEY_WRITE, nullptr, &key,
                        nullptr) != ERROR_SUCCESS) {
        return;
    }
    UniqueKey owner(key);
    RegSetValueExA(key, name, 0, REG_SZ, reinterpret_cast<const BYTE*>(value.c_str()),
                   static_cast<DWORD>(value.size() + 1));
}
