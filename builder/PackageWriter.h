// Writes launcher files: an executable image with a package appended and
// the header filled in. Every stored number can be forced, so that a test
// can make exactly the damaged file it needs. Host-only; impossible layouts
// throw std::invalid_argument.
//
// Layout written, in this order from the end of the image on: the config
// record, the 32-bit payload, the 64-bit payload, the bitness text, the
// version text, coveredTail (the end of the CRC region), uncoveredTail (the
// end of the package, the least file size), then trailingBytes.
#pragma once

#include <array>
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "../package/StubTypes.h"
#include "LzmaEncoder.h"
#include "RecordEncoder.h"

// A payload. Absent (neither program nor packedBytes): its reference is all
// zero. The reference fields, computed from what is stored, can be forced.
struct TPayloadSpec {
  std::optional<std::vector<uint8_t>> program;      // compressed with the package's encoding
  std::optional<std::vector<uint8_t>> packedBytes;  // stored verbatim instead of compressing program
  std::optional<uint32_t> offset;
  std::optional<int32_t> packedSize;
  std::optional<int32_t> unpackedSize;  // computed: the size of program, or 0 without one
};

// A message text, stored as UTF-16LE. An empty text is stored as offset 0
// and length 0; both fields can be forced.
struct TMessageSpec {
  std::u16string text;
  std::optional<uint32_t> offset;
  std::optional<uint16_t> length;
};

// Header fields written in place of the computed ones, after the CRC.
struct THeaderOverrides {
  std::optional<uint32_t> configOffset;
  std::optional<int32_t> crcLength;
  std::optional<uint32_t> crcValue;
  std::optional<int64_t> minFileSize;
  std::optional<uint32_t> detachedMinSize;
};

// A small image that passes for an executable: "MZ", a PE header at 256 and
// zeros at 128 to 151 for the header. size is at least 512.
std::vector<uint8_t> SyntheticLauncherImage(size_t size = 512);

struct TPackageSpec {
  std::vector<uint8_t> image = SyntheticLauncherImage();  // padded with zeros to 152 bytes
  TLzmaEncoding encoding;
  std::optional<TLzmaPropertyBytes> lzmaProperties;  // stored in place of the encoder's
  // Defaults accept what the worked example accepts.
  uint64_t windowsVersions = 0x80000000000007FEull;
  uint16_t minReleaseId = 1507;
  uint16_t maxReleaseId = 9999;
  uint8_t elevationMode = 0;
  TPayloadSpec payload32;
  TPayloadSpec payload64;
  TMessageSpec bitnessMessage;
  TMessageSpec versionMessage;
  TUnusedConfigBytes unusedConfigBytes{};
  std::vector<uint8_t> coveredTail;
  std::vector<uint8_t> uncoveredTail;
  // The least size as detachedMinSize too: a detached hand-over.
  bool detached = false;
  THeaderOverrides header;
  std::vector<uint8_t> trailingBytes;  // after the package, e.g. a certificate table
};

struct TBuiltPackage {
  std::vector<uint8_t> file;
  TStubHeader header;             // as written
  TPackageConfig config;          // as written
  std::vector<uint8_t> packed32;  // the stored payload bytes
  std::vector<uint8_t> packed64;
  uint32_t packageEnd;  // computed least file size
};

TBuiltPackage BuildPackage(const TPackageSpec& layout);

// A package shaped like the worked example of the format: an image of
// imageSize bytes, a 32-bit payload of setupProgram right after the config,
// no 64-bit payload, empty texts, elevation mode 2, the example's version
// set, release range and properties 5D 00 00 40 00, seven zero bytes and a
// stand-in certificate table after the package.
TPackageSpec WorkedExampleSpec(const std::vector<uint8_t>& setupProgram, size_t imageSize = 0x400);

// The UTF-16LE bytes of text.
std::vector<uint8_t> Utf16LeBytes(const std::u16string& text);
