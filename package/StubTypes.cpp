#include "StubTypes.h"

namespace {

// Field offsets inside the header.
constexpr uint32_t HeaderConfigOffset = 0;
constexpr uint32_t HeaderCrcLength = 4;
constexpr uint32_t HeaderCrcValue = 8;
constexpr uint32_t HeaderMinFileSize = 12;
constexpr uint32_t HeaderDetachedMinSize = 20;

// Field offsets inside the config.
constexpr uint32_t ConfigLzmaProperties = 0;
constexpr uint32_t ConfigWindowsVersions = 5;
constexpr uint32_t ConfigMinReleaseId = 13;
constexpr uint32_t ConfigMaxReleaseId = 15;
constexpr uint32_t ConfigElevationMode = 17;
constexpr uint32_t ConfigPayload32 = 18;
constexpr uint32_t ConfigPayload64 = 30;
constexpr uint32_t ConfigBitnessMessage = 58;
constexpr uint32_t ConfigVersionMessage = 64;

// Field offsets inside the references.
constexpr uint32_t PayloadOffset = 0;
constexpr uint32_t PayloadPackedSize = 4;
constexpr uint32_t PayloadUnpackedSize = 8;
constexpr uint32_t MessageOffset = 0;
constexpr uint32_t MessageLength = 4;

}  // namespace

uint16_t ReadLE16(const uint8_t* bytes) { return static_cast<uint16_t>(bytes[0] | (bytes[1] << 8)); }

uint32_t ReadLE32(const uint8_t* bytes) {
  return static_cast<uint32_t>(bytes[0]) | (static_cast<uint32_t>(bytes[1]) << 8) |
         (static_cast<uint32_t>(bytes[2]) << 16) | (static_cast<uint32_t>(bytes[3]) << 24);
}

uint64_t ReadLE64(const uint8_t* bytes) {
  return static_cast<uint64_t>(ReadLE32(bytes)) | (static_cast<uint64_t>(ReadLE32(bytes + 4)) << 32);
}

TStubHeader DecodeStubHeader(const uint8_t* bytes) {
  TStubHeader header;
  header.configOffset = ReadLE32(bytes + HeaderConfigOffset);
  header.crcLength = static_cast<int32_t>(ReadLE32(bytes + HeaderCrcLength));
  header.crcValue = ReadLE32(bytes + HeaderCrcValue);
  header.minFileSize = static_cast<int64_t>(ReadLE64(bytes + HeaderMinFileSize));
  header.detachedMinSize = ReadLE32(bytes + HeaderDetachedMinSize);
  return header;
}

TPayloadRef DecodePayloadRef(const uint8_t* bytes) {
  TPayloadRef payload;
  payload.offset = ReadLE32(bytes + PayloadOffset);
  payload.packedSize = static_cast<int32_t>(ReadLE32(bytes + PayloadPackedSize));
  payload.unpackedSize = static_cast<int32_t>(ReadLE32(bytes + PayloadUnpackedSize));
  return payload;
}

TMessageRef DecodeMessageRef(const uint8_t* bytes) {
  TMessageRef message;
  message.offset = ReadLE32(bytes + MessageOffset);
  message.length = ReadLE16(bytes + MessageLength);
  return message;
}

TWindowsVersionSet DecodeWindowsVersionSet(const uint8_t* bytes) { return TWindowsVersionSet{ReadLE64(bytes)}; }

TPackageConfig DecodePackageConfig(const uint8_t* bytes) {
  TPackageConfig config;
  for (uint32_t i = 0; i < LzmaPropertiesSize; ++i) config.lzmaProperties[i] = bytes[ConfigLzmaProperties + i];
  config.windowsVersions = DecodeWindowsVersionSet(bytes + ConfigWindowsVersions);
  config.minReleaseId = ReadLE16(bytes + ConfigMinReleaseId);
  config.maxReleaseId = ReadLE16(bytes + ConfigMaxReleaseId);
  config.elevationMode = bytes[ConfigElevationMode];
  config.payload32 = DecodePayloadRef(bytes + ConfigPayload32);
  config.payload64 = DecodePayloadRef(bytes + ConfigPayload64);
  config.bitnessMessage = DecodeMessageRef(bytes + ConfigBitnessMessage);
  config.versionMessage = DecodeMessageRef(bytes + ConfigVersionMessage);
  return config;
}

bool VersionSetContains(TWindowsVersionSet set, uint32_t element) {
  if (element > 63) return false;
  return ((set.bits >> element) & 1u) != 0;
}
