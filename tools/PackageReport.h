// What `inspect` finds in a launcher file: the header, the config, whether
// the CRC matches, where the references point and what follows the
// package. It reads only; it judges nothing beyond what it reports.
// Host-only.
#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>
#include <string>

#include "../package/StubTypes.h"

// Reads up to count bytes at offset into buffer and returns how many it got.
using TReadAt = std::function<size_t(uint64_t offset, void* buffer, size_t count)>;

enum class TPayloadState { Absent, RefusesWindows64, Present };

struct TPayloadReport {
  TPayloadRef ref{};
  TPayloadState state = TPayloadState::Absent;
  bool insideFile = false;  // offset below 2^31 and offset + packedSize within the file
};

struct TTextReport {
  TMessageRef ref{};
  bool insideFile = false;  // all 2 * length bytes could be read
  std::u16string text;      // filled when insideFile
};

struct TPackageReport {
  uint64_t fileSize = 0;
  bool headerRead = false;  // all 24 bytes at 128 are in the file
  TStubHeader header{};
  bool configRead = false;  // configOffset non-zero and the 70 bytes in the file
  TPackageConfig config{};
  uint64_t leastSize = 0;   // detachedMinSize when non-zero, else minFileSize (0 when negative)
  bool truncated = false;   // as the launcher's size check judges it
  bool crcRegionInside = false;
  uint32_t crcComputed = 0;
  bool crcMatches = false;
  uint64_t trailingBytes = 0;  // bytes after leastSize
  TPayloadReport payload32;
  TPayloadReport payload64;
  TTextReport bitnessMessage;
  TTextReport versionMessage;
};

// The report on a file of fileSize bytes that read gives access to.
TPackageReport DescribePackage(uint64_t fileSize, const TReadAt& read);

// The report on the file at path. Throws a work TToolError when it cannot
// be opened or read.
TPackageReport DescribePackageFile(const std::string& path);
