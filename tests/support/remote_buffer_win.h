// Memory inside another process, for the control messages whose pointers
// are not copied across processes (list view, tree view and status bar
// records) (Windows only, test support).
#pragma once

#include <windows.h>

#include <string>

class RemoteBuffer {
public:
    RemoteBuffer(HANDLE process, size_t size)
        : process_(process),
          address_(VirtualAllocEx(process, nullptr, size, MEM_COMMIT, PAGE_READWRITE)),
          size_(size) {}
    ~RemoteBuffer() {
        if (address_) VirtualFreeEx(process_, address_, 0, MEM_RELEASE);
    }
    RemoteBuffer(const RemoteBuffer&) = delete;
    RemoteBuffer& operator=(const RemoteBuffer&) = delete;

    explicit operator bool() const { return address_ != nullptr; }
    // The address in the other process, `offset` bytes in.
    char* at(size_t offset = 0) const { return static_cast<char*>(address_) + offset; }
    LPARAM lparam(size_t offset = 0) const { return reinterpret_cast<LPARAM>(at(offset)); }

    bool write(size_t offset, const void* data, size_t size) const {
        return WriteProcessMemory(process_, at(offset), data, size, nullptr);
    }
    bool read(size_t offset, void* data, size_t size) const {
        return ReadProcessMemory(process_, at(offset), data, size, nullptr);
    }
    // The NUL-terminated text from `offset` to the end of the buffer.
    std::string text(size_t offset = 0) const {
        std::string text(size_ - offset, '\0');
        read(offset, text.data(), text.size() - 1);
        text.resize(text.find('\0'));
        return text;
    }

private:
    HANDLE process_;
    void* address_;
    size_t size_;
};
