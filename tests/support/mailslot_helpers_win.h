// Helpers for tests that use real mailslots under Wine: uniquely named
// mailslots, writing and reading datagrams (Windows only).
#pragma once

#include <windows.h>

#include <string>
#include <string_view>
#include <vector>

#include "core/handles_win.h"

// A name no other test process uses, so such tests need no lock.
inline std::string unique_mailslot_path(const char* tag) {
    return "\\\\.\\mailslot\\qva_test_" + std::string(tag) + "_" +
           std::to_string(GetCurrentProcessId());
}

// Like the program's own: any message size, reads never wait.
inline HANDLE create_test_mailslot(const std::string& path) {
    return CreateMailslotA(path.c_str(), 0, 0, nullptr);
}

inline std::string datagram(std::string_view from, std::string_view to, std::string_view text) {
    std::string d;
    d.append(from).push_back('\0');
    d.append(to).push_back('\0');
    d.append(text).push_back('\0');
    return d;
}

class MailslotWriter {
public:
    explicit MailslotWriter(const std::string& path)
        : handle_(CreateFileA(path.c_str(), GENERIC_WRITE, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                              FILE_ATTRIBUTE_NORMAL, nullptr)) {}
    bool valid() const { return static_cast<bool>(handle_); }
    bool write(std::string_view bytes) {
        DWORD written = 0;
        return WriteFile(handle_.get(), bytes.data(), static_cast<DWORD>(bytes.size()), &written,
                         nullptr) &&
               written == bytes.size();
    }

private:
    UniqueFile handle_;
};

// Every datagram waiting in the mailslot, each read whole, in order.
inline std::vector<std::string> read_all_datagrams(HANDLE slot) {
    std::vector<std::string> out;
    for (;;) {
        DWORD next = 0;
        if (!GetMailslotInfo(slot, nullptr, &next, nullptr, nullptr)) break;
        if (next == MAILSLOT_NO_MESSAGE) break;
        std::string d(next, '\0');
        DWORD read = 0;
        if (!ReadFile(slot, d.data(), next, &read, nullptr) && next != 0) break;
        d.resize(read);
        out.push_back(d);
    }
    return out;
}

inline bool mailslot_empty(HANDLE slot) {
    DWORD next = 0;
    return GetMailslotInfo(slot, nullptr, &next, nullptr, nullptr) && next == MAILSLOT_NO_MESSAGE;
}
