// The records of a launcher file: the header at a fixed offset and the
// package configuration it points to, decoded field by field from their
// little-endian byte images. Decoding checks nothing beyond the layout; the
// reading steps of the run apply the rules of the format.
#pragma once

#include <cstdint>

// Where the header sits and how large the records are.
constexpr uint32_t StubHeaderOffset = 128;
constexpr uint32_t StubHeaderSize = 24;
constexpr uint32_t PackageConfigSize = 70;
constexpr uint32_t PayloadRefSize = 12;
constexpr uint32_t MessageRefSize = 6;
constexpr uint32_t LzmaPropertiesSize = 5;
constexpr uint32_t WindowsVersionSetSize = 8;

// Every stored offset lies below this; the file is positioned with a signed
// 32-bit seek.
constexpr uint32_t MaxStoredOffset = 0x7FFFFFFFu;

// In payload64 only: no 64-bit payload, and 64-bit Windows is refused.
constexpr uint32_t Refuse64BitOffset = 0xFFFFFFFFu;

// The header, 24 bytes at StubHeaderOffset. Not covered by the CRC.
struct TStubHeader {
  uint32_t configOffset;     // absolute offset of the config; 0: no package
  int32_t crcLength;         // bytes from configOffset that the CRC covers
  uint32_t crcValue;         // CRC-32 of those bytes
  int64_t minFileSize;       // least size of the whole file
  uint32_t detachedMinSize;  // non-zero: least size instead, and a detached hand-over
};

// A compressed setup program.
struct TPayloadRef {
  uint32_t offset;       // absolute offset; 0: absent
  int32_t packedSize;    // compressed bytes at offset
  int32_t unpackedSize;  // exact size after decompression
};

// A UTF-16LE text of the package, without terminator.
struct TMessageRef {
  uint32_t offset;  // absolute offset of the text
  uint16_t length;  // code units; the text takes twice as many bytes
};

// A set of 64 elements; element n is bit n of the little-endian word.
struct TWindowsVersionSet {
  uint64_t bits;
};

// The package configuration, 70 bytes at configOffset.
struct TPackageConfig {
  uint8_t lzmaProperties[LzmaPropertiesSize];  // properties byte, then dictionary size
  TWindowsVersionSet windowsVersions;
  uint16_t minReleaseId;
  uint16_t maxReleaseId;
  uint8_t elevationMode;
  TPayloadRef payload32;
  TPayloadRef payload64;
  TMessageRef bitnessMessage;
  TMessageRef versionMessage;
};

// Each takes exactly the record's size in bytes.
TStubHeader DecodeStubHeader(const uint8_t* bytes);
TPayloadRef DecodePayloadRef(const uint8_t* bytes);
TMessageRef DecodeMessageRef(const uint8_t* bytes);
TWindowsVersionSet DecodeWindowsVersionSet(const uint8_t* bytes);
TPackageConfig DecodePackageConfig(const uint8_t* bytes);

// Membership of element 0 to 63; any other number is absent.
bool VersionSetContains(TWindowsVersionSet set, uint32_t element);

// Little-endian reads of the byte images.
uint16_t ReadLE16(const uint8_t* bytes);
uint32_t ReadLE32(const uint8_t* bytes);
uint64_t ReadLE64(const uint8_t* bytes);
