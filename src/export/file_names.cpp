// Proposed names of exported files and the extension rule of the save
// dialogs (portable).
#include "export/file_names.h"

#include <cstdio>

namespace {

// localtime's result is shared: copy it at once. Exports run on the
// user-interface thread only.
std::optional<std::tm> local_time(std::time_t when) {
    const std::tm* converted = std::localtime(&when);
    if (!converted) return std::nullopt;
    return *converted;
}

}  // namespace

std::string propose_message_name(const MessageRecord& record) {
    const std::optional<std::tm> tm = local_time(record.arrived);
    if (!tm) return {};
    char stamp[64];
    std::snprintf(stamp, sizeof stamp, "msg%02d_%02d_%02d-%02d-%02d_from_", tm->tm_mday,
                  tm->tm_mon + 1, tm->tm_hour, tm->tm_min, tm->tm_sec);
    return stamp + record.from.value_or("");
}

std::string propose_list_name(std::time_t now) {
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
