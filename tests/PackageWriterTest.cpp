#include <gtest/gtest.h>
#include <zlib.h>

#include <cstdint>
#include <cstring>
#include <string>
#include <vector>

#include "builder/PackageWriter.h"
#include "builder/RecordEncoder.h"
#include "package/LzmaDecoder.h"
#include "package/NoRTLStream.h"
#include "package/StubTypes.h"

namespace {

std::vector<uint8_t> Program(size_t size, uint8_t salt) {
  std::vector<uint8_t> data(size);
  for (size_t i = 0; i < size; ++i) data[i] = static_cast<uint8_t>((i * 31 + salt) ^ (i >> 7));
  if (size >= 2) {
    data[0] = 'M';
    data[1] = 'Z';
  }
  return data;
}

TStubHeader HeaderOf(const std::vector<uint8_t>& file) { return DecodeStubHeader(file.data() + StubHeaderOffset); }

TPackageConfig ConfigOf(const std::vector<uint8_t>& file) {
  return DecodePackageConfig(file.data() + HeaderOf(file).configOffset);
}

std::vector<uint8_t> Slice(const std::vector<uint8_t>& file, size_t offset, size_t size) {
  return std::vector<uint8_t>(file.begin() + static_cast<std::ptrdiff_t>(offset),
                              file.begin() + static_cast<std::ptrdiff_t>(offset + size));
}

// Reads a payload back the way the launcher does: its packed bytes from the
// file into a stream, then the decoder.
std::vector<uint8_t> Unpack(const std::vector<uint8_t>& file, const TPackageConfig& config, const TPayloadRef& ref) {
  TStream packed;
  packed.SetSize(ref.packedSize);
  if (ref.packedSize > 0)
    std::memcpy(packed.GetMemory(), file.data() + ref.offset, static_cast<size_t>(ref.packedSize));
  TStream unpacked;
  LzmaDecodeStream(packed, config.lzmaProperties, ref.unpackedSize, unpacked);
  const uint8_t* memory = unpacked.GetMemory();
  return memory == nullptr ? std::vector<uint8_t>() : std::vector<uint8_t>(memory, memory + unpacked.GetSize());
}

std::u16string TextAt(const std::vector<uint8_t>& file, const TMessageRef& ref) {
  std::u16string text;
  for (uint32_t i = 0; i < ref.length; ++i)
    text.push_back(static_cast<char16_t>(ReadLE16(file.data() + ref.offset + 2 * i)));
  return text;
}

uint32_t ZlibCrc(const uint8_t* data, size_t count) {
  return static_cast<uint32_t>(crc32(0L, data, static_cast<uInt>(count)));
}

TEST(PackageWriterTest, SyntheticImageLeavesTheHeaderBytesFree) {
  const std::vector<uint8_t> image = SyntheticLauncherImage();
  ASSERT_EQ(image.size(), 512u);
  EXPECT_EQ(image[0], 'M');
  EXPECT_EQ(image[1], 'Z');
  for (uint32_t i = StubHeaderOffset; i < StubHeaderOffset + StubHeaderSize; ++i) EXPECT_EQ(image[i], 0) << i;
}

TEST(PackageWriterTest, RoundTripOfBothPayloadsAndTexts) {
  TPackageSpec layout;
  layout.payload32.program = Program(150000, 1);
  layout.payload64.program = Program(90000, 2);
  layout.bitnessMessage.text = u"Needs 64-bit Windows, %USER%.";
  layout.versionMessage.text = u"Windows \u00DCber alles? No.";
  layout.elevationMode = 1;
  layout.minReleaseId = 1607;
  layout.maxReleaseId = 2004;
  layout.windowsVersions = 0x400;
  layout.trailingBytes.assign(100, 0xCE);
  const TBuiltPackage built = BuildPackage(layout);
  const std::vector<uint8_t>& file = built.file;

  const TStubHeader header = HeaderOf(file);
  EXPECT_EQ(header.configOffset, 512u);
  EXPECT_EQ(header.minFileSize, static_cast<int64_t>(file.size() - 100));
  EXPECT_EQ(header.minFileSize, built.packageEnd);
  EXPECT_EQ(header.detachedMinSize, 0u);
  EXPECT_EQ(static_cast<size_t>(header.crcLength), built.packageEnd - header.configOffset);
  EXPECT_EQ(header.crcValue, ZlibCrc(file.data() + header.configOffset, static_cast<size_t>(header.crcLength)));

  const TPackageConfig config = ConfigOf(file);
  EXPECT_EQ(config.payload32.offset, header.configOffset + PackageConfigSize);
  EXPECT_EQ(config.payload64.offset, config.payload32.offset + static_cast<uint32_t>(config.payload32.packedSize));
  EXPECT_EQ(config.elevationMode, 1);
  EXPECT_EQ(config.minReleaseId, 1607);
  EXPECT_EQ(config.maxReleaseId, 2004);
  EXPECT_EQ(config.windowsVersions.bits, 0x400u);
  EXPECT_EQ(config.lzmaProperties[0], 0x5D);
  EXPECT_EQ(Unpack(file, config, config.payload32), *layout.payload32.program);
  EXPECT_EQ(Unpack(file, config, config.payload64), *layout.payload64.program);
  EXPECT_EQ(TextAt(file, config.bitnessMessage), layout.bitnessMessage.text);
  EXPECT_EQ(TextAt(file, config.versionMessage), layout.versionMessage.text);
  EXPECT_EQ(Slice(file, config.payload32.offset, built.packed32.size()), built.packed32);
}

TEST(PackageWriterTest, RoundTripWithEndMarkerAndOtherPresets) {
  struct Row {
    const char* name;
    TLzmaEncoding encoding;
  };
  Row rows[4] = {{"end marker", {}}, {"preset 9 extreme", {}}, {"1 MiB dictionary", {}}, {"preset 1", {}}};
  rows[0].encoding.endMarker = true;
  rows[1].encoding.preset = 9;
  rows[1].encoding.extreme = true;
  rows[2].encoding.dictionarySize = 1 << 20;
  rows[3].encoding.preset = 1;
  for (const Row& row : rows) {
    SCOPED_TRACE(row.name);
    TPackageSpec layout;
    layout.encoding = row.encoding;
    layout.payload32.program = Program(40000, 3);
    const TBuiltPackage built = BuildPackage(layout);
    const TPackageConfig config = ConfigOf(built.file);
    EXPECT_EQ(Unpack(built.file, config, config.payload32), *layout.payload32.program);
    if (row.encoding.dictionarySize != 0) {
      EXPECT_EQ(ReadLE32(config.lzmaProperties + 1), row.encoding.dictionarySize);
    }
  }
}

TEST(PackageWriterTest, WorkedExampleShape) {
  const std::vector<uint8_t> program = Program(30000, 4);
  const TBuiltPackage built = BuildPackage(WorkedExampleSpec(program, 0x800));
  const std::vector<uint8_t>& file = built.file;
  const TStubHeader header = HeaderOf(file);
  const TPackageConfig config = ConfigOf(file);
  EXPECT_EQ(header.configOffset, 0x800u);
  EXPECT_EQ(header.detachedMinSize, 0u);
  const uint8_t properties[] = {0x5D, 0x00, 0x00, 0x40, 0x00};
  EXPECT_EQ(std::memcmp(config.lzmaProperties, properties, 5), 0);
  EXPECT_EQ(config.windowsVersions.bits, 0x80000000000007FEull);
  EXPECT_EQ(config.minReleaseId, 1507);
  EXPECT_EQ(config.maxReleaseId, 9999);
  EXPECT_EQ(config.elevationMode, 2);
  EXPECT_EQ(config.payload32.offset, header.configOffset + 70);
  EXPECT_EQ(config.payload32.unpackedSize, 30000);
  EXPECT_EQ(config.payload64.offset, 0u);
  EXPECT_EQ(config.payload64.packedSize, 0);
  EXPECT_EQ(config.payload64.unpackedSize, 0);
  EXPECT_EQ(config.bitnessMessage.offset, 0u);
  EXPECT_EQ(config.bitnessMessage.length, 0);
  EXPECT_EQ(config.versionMessage.offset, 0u);
  EXPECT_EQ(config.versionMessage.length, 0);
  // Config and payload are the whole package; seven zero bytes, then the
  // certificate table follow it.
  EXPECT_EQ(header.minFileSize, config.payload32.offset + static_cast<uint32_t>(config.payload32.packedSize));
  EXPECT_EQ(Slice(file, static_cast<size_t>(header.minFileSize), 7), std::vector<uint8_t>(7, 0));
  EXPECT_GT(file.size(), static_cast<size_t>(header.minFileSize) + 7);
  EXPECT_EQ(Unpack(file, config, config.payload32), program);
}

TEST(PackageWriterTest, RecordsEncodeToTheBytesTheyDecodeFrom) {
  uint8_t config[PackageConfigSize];
  for (uint32_t i = 0; i < PackageConfigSize; ++i) config[i] = static_cast<uint8_t>(0xF0 ^ (i * 13));
  TUnusedConfigBytes unused;
  std::memcpy(unused.data(), config + 42, unused.size());
  const auto configBytes = EncodePackageConfig(DecodePackageConfig(config), unused);
  EXPECT_EQ(std::memcmp(configBytes.data(), config, PackageConfigSize), 0);

  uint8_t header[StubHeaderSize];
  for (uint32_t i = 0; i < StubHeaderSize; ++i) header[i] = static_cast<uint8_t>(0x81 + i * 7);
  const auto headerBytes = EncodeStubHeader(DecodeStubHeader(header));
  EXPECT_EQ(std::memcmp(headerBytes.data(), header, StubHeaderSize), 0);
}

TEST(PackageWriterTest, StoredNumbersCanBeForced) {
  const std::vector<uint8_t> raw = {0x00, 0x11, 0x22, 0x33, 0x44, 0x55};
  TPackageSpec layout;
  layout.payload32.packedBytes = raw;
  layout.payload32.unpackedSize = 77;
  layout.payload64.offset = Refuse64BitOffset;
  layout.bitnessMessage.text = u"abc";
  layout.bitnessMessage.length = 9;
  layout.versionMessage.offset = 0x1234;
  layout.lzmaProperties = TLzmaPropertyBytes{0xE1, 0x00, 0x00, 0x00, 0x80};
  layout.header.crcValue = 0xDEADBEEF;
  layout.header.minFileSize = 1 << 30;
  layout.header.configOffset = 0;
  const TBuiltPackage built = BuildPackage(layout);
  const std::vector<uint8_t>& file = built.file;
  const TStubHeader header = HeaderOf(file);
  EXPECT_EQ(header.configOffset, 0u);
  EXPECT_EQ(header.crcValue, 0xDEADBEEFu);
  EXPECT_EQ(header.minFileSize, 1 << 30);
  // The fields not forced keep their computed values.
  EXPECT_EQ(static_cast<size_t>(header.crcLength), built.packageEnd - 512);

  const TPackageConfig config = DecodePackageConfig(file.data() + 512);
  EXPECT_EQ(config.lzmaProperties[0], 0xE1);
  EXPECT_EQ(ReadLE32(config.lzmaProperties + 1), 0x80000000u);
  EXPECT_EQ(config.payload32.offset, 512u + 70);
  EXPECT_EQ(config.payload32.packedSize, 6);
  EXPECT_EQ(config.payload32.unpackedSize, 77);
  EXPECT_EQ(Slice(file, config.payload32.offset, raw.size()), raw);
  EXPECT_EQ(config.payload64.offset, Refuse64BitOffset);
  EXPECT_EQ(config.payload64.packedSize, 0);
  EXPECT_EQ(config.bitnessMessage.offset, 512u + 70 + 6);
  EXPECT_EQ(config.bitnessMessage.length, 9);
  EXPECT_EQ(config.versionMessage.offset, 0x1234u);
  EXPECT_EQ(config.versionMessage.length, 0);
}

TEST(PackageWriterTest, TailsDetachedSizeAndTrailingBytes) {
  TPackageSpec layout;
  layout.payload32.program = Program(1000, 5);
  layout.coveredTail.assign(50, 0xC0);
  layout.uncoveredTail.assign(30, 0xD0);
  layout.trailingBytes.assign(20, 0xE0);
  layout.detached = true;
  const TBuiltPackage built = BuildPackage(layout);
  const std::vector<uint8_t>& file = built.file;
  const TStubHeader header = HeaderOf(file);
  EXPECT_EQ(file.size(), built.packageEnd + 20u);
  EXPECT_EQ(header.detachedMinSize, built.packageEnd);
  EXPECT_EQ(header.minFileSize, built.packageEnd);
  EXPECT_EQ(static_cast<uint32_t>(header.crcLength), built.packageEnd - 30 - header.configOffset);
  EXPECT_EQ(header.crcValue, ZlibCrc(file.data() + header.configOffset, static_cast<size_t>(header.crcLength)));
  EXPECT_EQ(file[header.configOffset + static_cast<uint32_t>(header.crcLength) - 1], 0xC0);
  EXPECT_EQ(file[header.configOffset + static_cast<uint32_t>(header.crcLength)], 0xD0);
}

TEST(PackageWriterTest, ShortImageIsPaddedToHoldTheHeader) {
  TPackageSpec layout;
  layout.image = {'M', 'Z'};
  const TBuiltPackage built = BuildPackage(layout);
  EXPECT_EQ(HeaderOf(built.file).configOffset, StubHeaderOffset + StubHeaderSize);
  EXPECT_EQ(built.file.size(), StubHeaderOffset + StubHeaderSize + PackageConfigSize);
}

}  // namespace
