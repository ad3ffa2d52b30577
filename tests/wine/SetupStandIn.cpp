// Win32 only: a stand-in for the setup program inside a package, for the
// end-to-end cases under Wine. It records what it received to the file that
// TARNWICK_RECORD names, one "key=value" line each:
//   commandLine  GetCommandLineA, as the launcher built it
//   modulePath   GetModuleFileNameA: where the launcher put the copy
//   currentDir   GetCurrentDirectoryA
//   tempPath     GetTempPathA, to compare the copy's folder with
//   fileSize     size of its own file
//   fileCrc      CRC-32 of its own file, as 8 hex digits
//   tag          the text after the last "TARNWICK-TAG:" in its own file (the
//                case writer appends one to tell the payloads apart)
// Then, when TARNWICK_HOLD names a file, it waits (at most 60 s) until that
// file exists, so that a case can watch a detached launcher end first, and
// adds the line "held=done" to the record.
// It exits with the code in TARNWICK_EXIT_CODE (0 when unset).
#include <windows.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

namespace {

constexpr DWORD HoldPollMilliseconds = 100;
constexpr DWORD HoldLimitMilliseconds = 60000;
const char TagMarker[] = "TARNWICK-TAG:";

std::string Environment(const char* name) {
  char value[4096];
  const DWORD length = GetEnvironmentVariableA(name, value, sizeof value);
  if (length == 0 || length >= sizeof value) return std::string();
  return std::string(value, length);
}

// Table-driven: the large cases check a 64 MiB copy.
uint32_t Crc32(const std::vector<unsigned char>& bytes) {
  uint32_t table[256];
  for (uint32_t n = 0; n < 256; ++n) {
    uint32_t c = n;
    for (int bit = 0; bit < 8; ++bit) c = (c >> 1) ^ (0xEDB88320u & (0u - (c & 1u)));
    table[n] = c;
  }
  uint32_t crc = 0xFFFFFFFFu;
  for (unsigned char byte : bytes) crc = table[(crc ^ byte) & 0xFFu] ^ (crc >> 8);
  return crc ^ 0xFFFFFFFFu;
}

std::vector<unsigned char> ReadWholeFile(const char* path) {
  std::vector<unsigned char> bytes;
  FILE* file = std::fopen(path, "rb");
  if (file == nullptr) return bytes;
  unsigned char buffer[65536];
  size_t count;
  while ((count = std::fread(buffer, 1, sizeof buffer, file)) > 0) bytes.insert(bytes.end(), buffer, buffer + count);
  std::fclose(file);
  return bytes;
}

std::string TagOf(const std::vector<unsigned char>& bytes) {
  const size_t markerLength = sizeof TagMarker - 1;
  if (bytes.size() < markerLength) return std::string();
  for (size_t at = bytes.size() - markerLength + 1; at-- > 0;) {
    if (std::memcmp(bytes.data() + at, TagMarker, markerLength) != 0) continue;
    std::string tag;
    for (size_t i = at + markerLength; i < bytes.size() && bytes[i] >= 0x20 && bytes[i] < 0x7F; ++i) {
      tag += static_cast<char>(bytes[i]);
    }
    return tag;
  }
  return std::string();
}

}  // namespace

int main() {
  char modulePath[MAX_PATH + 1] = {};
  GetModuleFileNameA(nullptr, modulePath, MAX_PATH);
  char currentDir[MAX_PATH + 1] = {};
  GetCurrentDirectoryA(MAX_PATH, currentDir);
  char tempPath[MAX_PATH + 1] = {};
  GetTempPathA(MAX_PATH, tempPath);
  const std::vector<unsigned char> self = ReadWholeFile(modulePath);

  const std::string recordPath = Environment("TARNWICK_RECORD");
  if (!recordPath.empty()) {
    FILE* record = std::fopen(recordPath.c_str(), "wb");
    if (record != nullptr) {
      std::fprintf(record, "commandLine=%s\n", GetCommandLineA());
      std::fprintf(record, "modulePath=%s\n", modulePath);
      std::fprintf(record, "currentDir=%s\n", currentDir);
      std::fprintf(record, "tempPath=%s\n", tempPath);
      std::fprintf(record, "fileSize=%lu\n", static_cast<unsigned long>(self.size()));
      std::fprintf(record, "fileCrc=%08lx\n", static_cast<unsigned long>(Crc32(self)));
      std::fprintf(record, "tag=%s\n", TagOf(self).c_str());
      std::fclose(record);
    }
  }

  const std::string hold = Environment("TARNWICK_HOLD");
  if (!hold.empty()) {
    for (DWORD waited = 0; waited < HoldLimitMilliseconds; waited += HoldPollMilliseconds) {
      if (GetFileAttributesA(hold.c_str()) != INVALID_FILE_ATTRIBUTES) break;
      Sleep(HoldPollMilliseconds);
    }
    if (!recordPath.empty()) {
      FILE* record = std::fopen(recordPath.c_str(), "ab");
      if (record != nullptr) {
        std::fprintf(record, "held=done\n");
        std::fclose(record);
      }
    }
  }
  return std::atoi(Environment("TARNWICK_EXIT_CODE").c_str());
}
