// Reads back the calls the stand-in netapi32.dll recorded (Windows-only test code).
#include "transport/standins/netsend_log.h"

#include <windows.h>

#include <cstring>

namespace {

std::vector<uint8_t> read_file(const std::wstring& path) {
    std::vector<uint8_t> bytes;
    HANDLE file = CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE,
                              nullptr, OPEN_EXISTING, 0, nullptr);
    if (file == INVALID_HANDLE_VALUE) return bytes;
    uint8_t chunk[4096];
    DWORD got = 0;
    while (ReadFile(file, chunk, sizeof chunk, &got, nullptr) && got > 0) {
        bytes.insert(bytes.end(), chunk, chunk + got);
    }
    CloseHandle(file);
    return bytes;
}

class Reader {
public:
    explicit Reader(const std::vector<uint8_t>& bytes) : bytes_(bytes) {}
    bool at_end() const { return offset_ >= bytes_.size(); }

    bool u32(uint32_t& value) {
        if (bytes_.size() - offset_ < 4) return false;
        std::memcpy(&value, bytes_.data() + offset_, 4);
        offset_ += 4;
        return true;
    }
    bool bytes(size_t count, std::vector<uint8_t>& out) {
        if (bytes_.size() - offset_ < count) return false;
        out.assign(bytes_.begin() + offset_, bytes_.begin() + offset_ + count);
        offset_ += count;
        return true;
    }
    bool wide(std::optional<std::wstring>& out) {
        uint32_t units = 0;
        if (!u32(units)) return false;
        if (units == kNetsendNullString) {
            out.reset();
            return true;
        }
        std::vector<uint8_t> raw;
        if (!bytes(size_t{units} * 2, raw)) return false;
        out.emplace(units, L'\0');
        std::memcpy(out->data(), raw.data(), raw.size());
        return true;
    }

private:
    const std::vector<uint8_t>& bytes_;
    size_t offset_ = 0;
};

}  // namespace

std::vector<NetsendCall> read_netsend_log(const std::wstring& path) {
    const std::vector<uint8_t> bytes = read_file(path);
    Reader reader(bytes);
    std::vector<NetsendCall> calls;
    while (!reader.at_end()) {
        NetsendCall call;
        uint32_t length = 0;
        if (!reader.wide(call.server) || !reader.wide(call.recipient) ||
            !reader.wide(call.sender) || !reader.u32(length) ||
            !reader.bytes(length, call.buffer)) {
            break;  // a torn record ends the log
        }
        calls.push_back(std::move(call));
    }
    return calls;
}
