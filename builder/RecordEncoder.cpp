#include "RecordEncoder.h"

#include <algorithm>

namespace {

constexpr size_t ConfigUnusedBytes = 42;
constexpr size_t ConfigBitnessMessage = 58;
constexpr size_t ConfigVersionMessage = 64;

}  // namespace

void PutLE16(uint8_t* bytes, uint16_t value) {
  bytes[0] = static_cast<uint8_t>(value);
  bytes[1] = static_cast<uint8_t>(value >> 8);
}

void PutLE32(uint8_t* bytes, uint32_t value) {
  for (int i = 0; i < 4; ++i) bytes[i] = static_cast<uint8_t>(value >> (8 * i));
}

void PutLE64(uint8_t* bytes, uint64_t value) {
  for (int i = 0; i < 8; ++i) bytes[i] = static_cast<uint8_t>(value >> (8 * i));
}

std::array<uint8_t, StubHeaderSize> EncodeStubHeader(const TStubHeader& header) {
  std::array<uint8_t, StubHeaderSize> bytes{};
  PutLE32(&bytes[0], header.configOffset);
  PutLE32(&bytes[4], static_cast<uint32_t>(header.crcLength));
  PutLE32(&bytes[8], header.crcValue);
  PutLE64(&bytes[12], static_cast<uint64_t>(header.minFileSize));
  PutLE32(&bytes[20], header.detachedMinSize);
  return bytes;
}

std::array<uint8_t, PayloadRefSize> EncodePayloadRef(const TPayloadRef& payload) {
  std::array<uint8_t, PayloadRefSize> bytes{};
  PutLE32(&bytes[0], payload.offset);
  PutLE32(&bytes[4], static_cast<uint32_t>(payload.packedSize));
  PutLE32(&bytes[8], static_cast<uint32_t>(payload.unpackedSize));
  return bytes;
}

std::array<uint8_t, MessageRefSize> EncodeMessageRef(const TMessageRef& message) {
  std::array<uint8_t, MessageRefSize> bytes{};
  PutLE32(&bytes[0], message.offset);
  PutLE16(&bytes[4], message.length);
  return bytes;
}

std::array<uint8_t, PackageConfigSize> EncodePackageConfig(const TPackageConfig& config,
                                                           const TUnusedConfigBytes& unused) {
  std::array<uint8_t, PackageConfigSize> bytes{};
  std::copy(config.lzmaProperties, config.lzmaProperties + LzmaPropertiesSize, bytes.begin());
  PutLE64(&bytes[5], config.windowsVersions.bits);
  PutLE16(&bytes[13], config.minReleaseId);
  PutLE16(&bytes[15], config.maxReleaseId);
  bytes[17] = config.elevationMode;
  const auto payload32 = EncodePayloadRef(config.payload32);
  const auto payload64 = EncodePayloadRef(config.payload64);
  std::copy(payload32.begin(), payload32.end(), bytes.begin() + 18);
  std::copy(payload64.begin(), payload64.end(), bytes.begin() + 30);
  std::copy(unused.begin(), unused.end(), bytes.begin() + ConfigUnusedBytes);
  const auto bitness = EncodeMessageRef(config.bitnessMessage);
  const auto version = EncodeMessageRef(config.versionMessage);
  std::copy(bitness.begin(), bitness.end(), bytes.begin() + ConfigBitnessMessage);
  std::copy(version.begin(), version.end(), bytes.begin() + ConfigVersionMessage);
  return bytes;
}
