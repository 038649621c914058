// Proposed names of exported files and the extension rule of the save
// dialogs (portable).
#include "export/file_names.h"

#include <cstdio>
#include <string_view>

#include "core/time_text.h"

namespace {

// The sender comes from the network: path separators, a drive colon, the
// characters Windows reserves and control characters all become '_', so that
// the proposed name stays one name in the folder the dialog shows.
std::string file_name_part(std::string_view text) {
    std::string part(text);
    for (char& c : part) {
        const auto byte = static_cast<unsigned char>(c);
        if (byte < 0x20 || std::string_view("\\/:*?\"<>|").find(c) != std::string_view::npos)
            c = '_';
    }
    return part;
}

}  // namespace

std::string propose_message_name(const MessageRecord& record) {
    const std::optional<std::tm> tm = local_time(record.arrived);
    if (!tm) return {};
    char stamp[64];
    std::snprintf(stamp, sizeof stamp, "msg%02d_%02d_%02d-%02d-%02d_from_", tm->tm_mday,
                  tm->tm_mon + 1, tm->tm_hour, tm->tm_min, tm->tm_sec);
    return stamp + file_name_part(record.from.value_or(""));
}

std::string propose_list_name(int64_t now) {
    const std::optional<std::tm> tm = local_time(now);
    if (!tm) return {};
    char name[96];
    std::snprintf(name, sizeof name, "message_list%02d_%02d_%d-%02d-%02d-%02d", tm->tm_mday,
                  tm->tm_mon + 1, tm->tm_year + 1900, tm->tm_hour, tm->tm_min, tm->tm_sec);
    return name;
}

std::optional<std::string> path_with_extension(const std::string& path, const char* extension,
                                               std::size_t buffer_size) {
    std::string result = path;
    if (result.find(extension) == std::string::npos) result += extension;
    if (result.size() + 1 > buffer_size) return std::nullopt;
    return result;
}
