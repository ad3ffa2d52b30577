// What the package format can hold, checked from sizes alone so that every
// limit can be tried without files of gigabytes. Host-only.
#pragma once

#include <cstdint>
#include <string>

// The most a setup program may have before or after compression: the most
// the launcher's stream holds.
constexpr uint64_t MaxSetupProgramSize = 0x7FFE0000u;
// Every stored offset, and the CRC region's length, lies at or below this.
constexpr uint64_t MaxPackageOffset = 0x7FFFFFFFu;
// A text's length is an unsigned 16-bit count of UTF-16 code units.
constexpr uint64_t MaxMessageLength = 0xFFFFu;

// The sizes of the parts of a package, laid out in the writer's order: the
// image, the config record, payload32, payload64, the bitness text, the
// version text. A size that is not known yet is 0, so the check can be run
// again as each part is made.
struct TPackageSizes {
  uint64_t imageSize = 0;
  bool has32 = false;
  uint64_t setup32Size = 0;
  uint64_t packed32Size = 0;
  bool has64 = false;
  uint64_t setup64Size = 0;
  uint64_t packed64Size = 0;
  uint64_t bitnessLength = 0;  // code units
  uint64_t versionLength = 0;  // code units
};

// Where each part lands, computed from the sizes (offsets absolute in the
// file; a part's offset is where it would start even when it is absent).
struct TPackagePlacement {
  uint64_t configOffset;
  uint64_t payload32Offset;
  uint64_t payload64Offset;
  uint64_t bitnessOffset;
  uint64_t versionOffset;
  uint64_t packageEnd;  // the least file size; the CRC region ends here too
};

TPackagePlacement PlacePackage(const TPackageSizes& sizes);

// The first limit that the sizes break, as one line that names the part
// (e.g. "the 32-bit setup program is 2147352577 bytes; ..."); empty when
// the package fits the format. The least file size needs no check of its
// own: the package starts below 2^31 and spans at most 2^31 - 1 bytes, so
// it fits even the unsigned 32-bit detachedMinSize.
std::string FirstBrokenLimit(const TPackageSizes& sizes);
