// The message journal's files on Windows (Windows only).
#include "journal/journal_disk_win.h"

#include <shlobj.h>

#include <utility>

#include "core/program_name.h"

namespace {

using GetFolderPathA = HRESULT(WINAPI*)(HWND, int, HANDLE, DWORD, LPSTR);

std::string application_data_folder(bool create) {
    for (const char* library : {"shell32.dll", "shfolder.dll"}) {
        UniqueModule module(LoadLibraryA(library));
        if (!module) continue;
        const auto get_path = reinterpret_cast<GetFolderPathA>(
            reinterpret_cast<void*>(GetProcAddress(module.get(), "SHGetFolderPathA")));
        char path[MAX_PATH] = {};
        const int folder = CSIDL_APPDATA | (create ? CSIDL_FLAG_CREATE : 0);
        if (get_path && SUCCEEDED(get_path(nullptr, folder, nullptr, 0, path)) && path[0]) {
            return path;
        }
    }
    return {};
}

bool can_create_file_in(const std::string& folder) {
    const std::string probe = folder + "\\Messages.journal.probe";
    UniqueFile file(CreateFileA(probe.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                                FILE_ATTRIBUTE_NORMAL | FILE_FLAG_DELETE_ON_CLOSE, nullptr));
    return static_cast<bool>(file);
}

bool is_missing(DWORD error) {
    return error == ERROR_FILE_NOT_FOUND || error == ERROR_PATH_NOT_FOUND;
}

}  // namespace

std::string journal_folder(bool create) {
    if (std::string folder = application_data_folder(create); !folder.empty()) {
        folder += std::string("\\") + kProgramTitle;
        if (create) CreateDirectoryA(folder.c_str(), nullptr);
        return folder;
    }
    char path[MAX_PATH] = {};
    const DWORD length = GetModuleFileNameA(nullptr, path, sizeof path);
    if (length > 0 && length < sizeof path) {
        std::string folder(path, length);
        folder.erase(folder.find_last_of('\\') == std::string::npos ? 0
                                                                    : folder.find_last_of('\\'));
        if (!folder.empty() && can_create_file_in(folder)) return folder;
    }
    const UINT windows = GetWindowsDirectoryA(path, sizeof path);
    return windows > 0 && windows < sizeof path ? std::string(path, windows) : std::string(".");
}

Win32JournalDisk::Win32JournalDisk(std::string folder) : folder_(std::move(folder)) {}

JournalDisk::Read Win32JournalDisk::read(const std::string& name, std::string& bytes) {
    bytes.clear();
    // The append handle may be open for writing: share it.
    UniqueFile file(CreateFileA(path(name).c_str(), GENERIC_READ,
                                FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, OPEN_EXISTING,
                                FILE_FLAG_SEQUENTIAL_SCAN, nullptr));
    if (!file) return is_missing(GetLastError()) ? Read::missing : Read::failed;
    DWORD high = 0;
    const DWORD low = GetFileSize(file.get(), &high);
    if ((low == INVALID_FILE_SIZE && GetLastError() != NO_ERROR) || high != 0) return Read::failed;
    try {
        bytes.resize(low);
    } catch (const std::bad_alloc&) {
        return Read::failed;
    }
    DWORD total = 0;
    while (total < low) {
        DWORD got = 0;
        if (!ReadFile(file.get(), bytes.data() + total, low - total, &got, nullptr)) {
            return Read::failed;
        }
        if (got == 0) break;
        total += got;
    }
    bytes.resize(total);
    return Read::ok;
}

bool Win32JournalDisk::exists(const std::string& name) {
    return GetFileAttributesA(path(name).c_str()) != INVALID_FILE_ATTRIBUTES;
}

HANDLE Win32JournalDisk::appender(const std::string& name) {
    if (append_file_ && append_name_ == name) return append_file_.get();
    ScopedLock hold(lock_);
    UniqueFile file(CreateFileA(path(name).c_str(), GENERIC_WRITE, FILE_SHARE_READ, nullptr,
                                OPEN_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr));
    if (!file || SetFilePointer(file.get(), 0, nullptr, FILE_END) == INVALID_SET_FILE_POINTER) {
        append_file_.reset();
        return INVALID_HANDLE_VALUE;
    }
    append_file_ = std::move(file);
    append_name_ = name;
    return append_file_.get();
}

void Win32JournalDisk::close_appender() {
    ScopedLock hold(lock_);
    append_file_.reset();
    append_name_.clear();
}

size_t Win32JournalDisk::append(const std::string& name, std::string_view bytes) {
    const HANDLE file = appender(name);
    if (file == INVALID_HANDLE_VALUE) return 0;
    DWORD written = 0;
    WriteFile(file, bytes.data(), static_cast<DWORD>(bytes.size()), &written, nullptr);
    return written;
}

bool Win32JournalDisk::truncate(const std::string& name, uint64_t size) {
    const HANDLE file = appender(name);
    if (file == INVALID_HANDLE_VALUE || size > 0xFFFFFFFFu) return false;
    if (SetFilePointer(file, static_cast<LONG>(size), nullptr, FILE_BEGIN) ==
            INVALID_SET_FILE_POINTER ||
        !SetEndOfFile(file)) {
        close_appender();  // its position is unknown now
        return false;
    }
    return true;
}

bool Win32JournalDisk::write_whole(const std::string& name, std::string_view bytes) {
    if (append_name_ == name) close_appender();
    UniqueFile file(CreateFileA(path(name).c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                                FILE_ATTRIBUTE_NORMAL, nullptr));
    if (!file) return false;
    DWORD written = 0;
    return WriteFile(file.get(), bytes.data(), static_cast<DWORD>(bytes.size()), &written,
                     nullptr) &&
           written == bytes.size() && FlushFileBuffers(file.get());
}

bool Win32JournalDisk::replace(const std::string& from, const std::string& to) {
    close_appender();
    const std::string source = path(from), target = path(to);
    if (MoveFileExA(source.c_str(), target.c_str(),
                    MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH)) {
        return true;
    }
    // Windows 95/98/ME have no MoveFileEx: the old file goes first. A start
    // that finds only the new file takes it (see Journal::open).
    if (GetLastError() != ERROR_CALL_NOT_IMPLEMENTED) return false;
    if (!DeleteFileA(target.c_str()) && !is_missing(GetLastError())) return false;
    return MoveFileA(source.c_str(), target.c_str()) != 0;
}

bool Win32JournalDisk::rename(const std::string& from, const std::string& to) {
    close_appender();
    return MoveFileA(path(from).c_str(), path(to).c_str()) != 0;
}

bool Win32JournalDisk::remove(const std::string& name) {
    if (append_name_ == name) close_appender();
    return DeleteFileA(path(name).c_str()) != 0;
}

void Win32JournalDisk::flush(const std::string& name) {
    UniqueHandle copy;
    {
        ScopedLock hold(lock_);
        if (!append_file_ || append_name_ != name) return;
        HANDLE duplicate = nullptr;
        if (!DuplicateHandle(GetCurrentProcess(), append_file_.get(), GetCurrentProcess(),
                             &duplicate, 0, FALSE, DUPLICATE_SAME_ACCESS)) {
            return;
        }
        copy.reset(duplicate);
    }
    FlushFileBuffers(copy.get());
}
