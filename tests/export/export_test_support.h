// Shared by the export tests: a fixed time zone, the moment of the examples,
// and reading files back byte for byte (portable, test support).
#pragma once

#include <cstdint>
#include <string>

// 6 December 2001, 02:07:41 in the tests' time zone (three hours east of UTC).
constexpr int64_t kExampleMoment = 1007593661;
// 1 July 2040, 12:00:00 UTC.
constexpr int64_t kJuly1st2040Noon = 2224756800;

// Puts the process into the tests' time zone, so that local times are known.
void use_test_time_zone();

int process_id();
// A fresh path in the system's temporary folder.
std::string temp_path(const std::string& name);
// The file's bytes; empty when it cannot be read.
std::string file_bytes(const std::string& path);
