// The calls the stand-in netapi32.dll records, and how the tests read them
// back (Windows-only test code).
//
// The stand-in appends each call of NetMessageBufferSend to the file named by
// QVA_NETSEND_LOG: per call, the server name, the recipient and the sender,
// each as a uint32 count of UTF-16 units (0xFFFFFFFF for a null pointer)
// followed by the units, then the uint32 buffer length and the buffer's bytes.
// It answers NERR_NameNotFound for every recipient listed, separated by "|",
// in QVA_NETSEND_REJECT, and fails to load while QVA_NETAPI_FAIL_LOAD is set.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

constexpr uint32_t kNetsendNullString = 0xFFFFFFFF;
constexpr uint32_t kNetsendNameNotFound = 2273;  // NERR_NameNotFound

struct NetsendCall {
    std::optional<std::wstring> server;
    std::optional<std::wstring> recipient;
    std::optional<std::wstring> sender;
    std::vector<uint8_t> buffer;  // exactly the given length of bytes
};

// Every call recorded in `path`, in order; empty when there is no file.
std::vector<NetsendCall> read_netsend_log(const std::wstring& path);
