// Shared by the export tests (portable, test support).
#include "export_test_support.h"

#include <cstdlib>
#include <ctime>
#include <filesystem>
#include <fstream>
#include <iterator>

#ifdef _WIN32
#include <process.h>
#else
#include <unistd.h>
#endif

void use_test_time_zone() {
#ifdef _WIN32
    _putenv("TZ=QVA-3");
    _tzset();
#else
    setenv("TZ", "QVA-3", 1);
    tzset();
#endif
}

int process_id() {
#ifdef _WIN32
    return _getpid();
#else
    return getpid();
#endif
}

std::string temp_path(const std::string& name) {
    const std::filesystem::path path = std::filesystem::temp_directory_path() / name;
    std::filesystem::remove(path);
    return path.string();
}

std::string file_bytes(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}
