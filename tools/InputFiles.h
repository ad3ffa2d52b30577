// The files that the command reads, with failures worded for the user: the
// option or role that named the file, the path, and the system's reason.
// Host-only (POSIX).
#pragma once

#include <cstdint>
#include <string>
#include <vector>

// The size of the regular file at path. Throws a work TToolError naming
// role (e.g. "--setup32") when it is missing, unreadable or not a file.
uint64_t InputFileSize(const std::string& role, const std::string& path);

// The whole file at path; throws as above, and when it has more than
// maxSize bytes (before reading any of it).
std::vector<uint8_t> ReadInputFile(const std::string& role, const std::string& path, uint64_t maxSize);
