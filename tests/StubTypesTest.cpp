#include <gtest/gtest.h>

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <initializer_list>
#include <vector>

#include "package/StubTypes.h"

namespace {

// The header at offset 128 of the worked example.
const uint8_t ExampleHeader[StubHeaderSize] = {0x00, 0x24, 0x03, 0x00, 0xFC, 0x8E, 0x06, 0x00, 0xCB, 0x3B, 0xC4, 0x73,
                                               0x49, 0xD7, 0x7A, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00};

// The worked example's config record, assembled from its listed values.
std::vector<uint8_t> ExampleConfigBytes() {
  std::vector<uint8_t> bytes(PackageConfigSize, 0x00);
  const auto put = [&bytes](size_t at, std::initializer_list<uint8_t> values) {
    std::copy(values.begin(), values.end(), bytes.begin() + static_cast<std::ptrdiff_t>(at));
  };
  put(0, {0x5D, 0x00, 0x00, 0x40, 0x00});                                             // lzmaProperties
  put(5, {0xFE, 0x07, 0x00, 0x00, 0x00, 0x00, 0x00, 0x80});                           // windowsVersions
  put(13, {0xE3, 0x05});                                                              // minReleaseId 1507
  put(15, {0x0F, 0x27});                                                              // maxReleaseId 9999
  put(17, {0x02});                                                                    // elevationMode
  put(18, {0x46, 0x24, 0x03, 0x00, 0x35, 0x84, 0x05, 0x00, 0x50, 0xC8, 0x12, 0x00});  // payload32
  // payload64 (30..41) and both messages (58..69) stay zero; 42..57 are not
  // read by the launcher.
  put(42, {0xA5, 0xA5, 0xA5, 0xA5, 0xA5, 0xA5, 0xA5, 0xA5, 0xA5, 0xA5, 0xA5, 0xA5, 0xA5, 0xA5, 0xA5, 0xA5});
  return bytes;
}

TEST(StubTypesTest, WorkedExampleHeaderDecodes) {
  const TStubHeader header = DecodeStubHeader(ExampleHeader);
  EXPECT_EQ(header.configOffset, 0x32400u);
  EXPECT_EQ(header.crcLength, 0x68EFC);
  EXPECT_EQ(header.crcLength, 429820);
  EXPECT_EQ(header.crcValue, 0x73C43BCBu);
  EXPECT_EQ(header.minFileSize, 0x7AD749);
  EXPECT_EQ(header.detachedMinSize, 0u);
}

TEST(StubTypesTest, WorkedExampleConfigDecodes) {
  const std::vector<uint8_t> bytes = ExampleConfigBytes();
  ASSERT_EQ(bytes.size(), PackageConfigSize);
  const TPackageConfig config = DecodePackageConfig(bytes.data());
  const uint8_t properties[] = {0x5D, 0x00, 0x00, 0x40, 0x00};
  for (uint32_t i = 0; i < LzmaPropertiesSize; ++i) EXPECT_EQ(config.lzmaProperties[i], properties[i]) << i;
  EXPECT_EQ(config.windowsVersions.bits, 0x80000000000007FEull);
  EXPECT_EQ(config.minReleaseId, 1507);
  EXPECT_EQ(config.maxReleaseId, 9999);
  EXPECT_EQ(config.elevationMode, 2);
  EXPECT_EQ(config.payload32.offset, 0x32446u);
  EXPECT_EQ(config.payload32.packedSize, 361525);
  EXPECT_EQ(config.payload32.unpackedSize, 1230928);
  EXPECT_EQ(config.payload64.offset, 0u);
  EXPECT_EQ(config.payload64.packedSize, 0);
  EXPECT_EQ(config.payload64.unpackedSize, 0);
  EXPECT_EQ(config.bitnessMessage.offset, 0u);
  EXPECT_EQ(config.bitnessMessage.length, 0);
  EXPECT_EQ(config.versionMessage.offset, 0u);
  EXPECT_EQ(config.versionMessage.length, 0);
}

TEST(StubTypesTest, WorkedExampleVersionSetHoldsElementsOneToTenAndSixtyThree) {
  const std::vector<uint8_t> bytes = ExampleConfigBytes();
  const TPackageConfig config = DecodePackageConfig(bytes.data());
  for (uint32_t element = 0; element < 70; ++element) {
    const bool expected = (element >= 1 && element <= 10) || element == 63;
    EXPECT_EQ(VersionSetContains(config.windowsVersions, element), expected) << element;
  }
}

// Fields at odd offsets and the full width of each field: distinct bytes in
// every position show a field read from a shifted place.
TEST(StubTypesTest, EveryFieldComesFromItsOwnBytes) {
  uint8_t bytes[PackageConfigSize];
  for (uint32_t i = 0; i < PackageConfigSize; ++i) bytes[i] = static_cast<uint8_t>(i + 1);
  const TPackageConfig config = DecodePackageConfig(bytes);
  struct Row {
    const char* name;
    uint64_t actual;
    uint64_t expected;
  };
  const Row rows[] = {
      {"lzmaProperties[0]", config.lzmaProperties[0], 0x01},
      {"lzmaProperties[4]", config.lzmaProperties[4], 0x05},
      {"windowsVersions", config.windowsVersions.bits, 0x0D0C0B0A09080706ull},
      {"minReleaseId", config.minReleaseId, 0x0F0E},
      {"maxReleaseId", config.maxReleaseId, 0x1110},
      {"elevationMode", config.elevationMode, 0x12},
      {"payload32.offset", config.payload32.offset, 0x16151413},
      {"payload32.packedSize", static_cast<uint32_t>(config.payload32.packedSize), 0x1A191817},
      {"payload32.unpackedSize", static_cast<uint32_t>(config.payload32.unpackedSize), 0x1E1D1C1B},
      {"payload64.offset", config.payload64.offset, 0x2221201F},
      {"payload64.packedSize", static_cast<uint32_t>(config.payload64.packedSize), 0x26252423},
      {"payload64.unpackedSize", static_cast<uint32_t>(config.payload64.unpackedSize), 0x2A292827},
      {"bitnessMessage.offset", config.bitnessMessage.offset, 0x3E3D3C3B},
      {"bitnessMessage.length", config.bitnessMessage.length, 0x403F},
      {"versionMessage.offset", config.versionMessage.offset, 0x44434241},
      {"versionMessage.length", config.versionMessage.length, 0x4645},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.name);
    EXPECT_EQ(row.actual, row.expected);
  }
}

TEST(StubTypesTest, SignedFieldsKeepTheirSign) {
  const uint8_t header[StubHeaderSize] = {0x00, 0x02, 0x00, 0x00, 0x00, 0x00, 0x00, 0x80, 0, 0, 0, 0,
                                          0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0, 0, 0, 0x80};
  const TStubHeader decoded = DecodeStubHeader(header);
  EXPECT_EQ(decoded.crcLength, INT32_MIN);
  EXPECT_EQ(decoded.minFileSize, -1);
  EXPECT_EQ(decoded.detachedMinSize, 0x80000000u);
  const uint8_t payload[PayloadRefSize] = {0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0x00, 0x00, 0x00, 0x80};
  const TPayloadRef ref = DecodePayloadRef(payload);
  EXPECT_EQ(ref.offset, Refuse64BitOffset);
  EXPECT_EQ(ref.packedSize, -1);
  EXPECT_EQ(ref.unpackedSize, INT32_MIN);
}

}  // namespace
