// Writes a whole package into a file as the launcher expects it: the stub
// image, the config record, the 32-bit payload, the 64-bit payload, the
// bitness text and the version text, one after the other; a CRC region from
// the config record to the end of the package; the least file size, and
// detachedMinSize for a detached hand-over; then the header at 128.
// Payloads are compressed straight from their files into the output.
// Host-only.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "AtomicFile.h"
#include "PackageLimits.h"
#include "StreamCompressor.h"

struct TSetupInput {
  std::string path;
  uint64_t size = 0;   // as the file system reported it before reading
  std::string label;   // for progress and messages, e.g. "32-bit setup program"
};

struct TPackageInputs {
  std::vector<uint8_t> image;  // bytes 128 to 151 zero
  std::optional<TSetupInput> setup32;
  std::optional<TSetupInput> setup64;
  bool refuse64Bit = false;  // payload64 carries the marker instead
  uint64_t windowsVersions = 0;
  uint16_t minReleaseId = 0;
  uint16_t maxReleaseId = 0;
  uint8_t elevationMode = 0;
  std::u16string bitnessText;
  std::u16string versionText;
  bool detached = false;
  TCompressionSettings compression;
};

// The sizes known before anything is compressed.
TPackageSizes InitialSizes(const TPackageInputs& inputs);

// Writes the package into output (which must be empty) and leaves it
// uncommitted. Throws a work TToolError, with the limit's own line, as soon
// as the package turns out to break a limit of the format.
void WritePackageFile(const TPackageInputs& inputs, TAtomicFile& output);
