#include "PackageWriter.h"

#include <algorithm>
#include <limits>
#include <stdexcept>

#include "../package/CRC32.h"

namespace {

constexpr size_t SyntheticPeHeaderOffset = 256;
constexpr size_t DosNewHeaderField = 0x3C;
constexpr size_t MinimumImageSize = StubHeaderOffset + StubHeaderSize;
constexpr size_t ExampleDictionarySize = 0x400000;
constexpr uint8_t ExamplePropertiesByte = 0x5D;
constexpr uint8_t ExampleElevationMode = 2;
constexpr size_t ExampleGapAfterPackage = 7;
constexpr size_t ExampleCertificateSize = 0x50;

uint32_t Offset32(size_t position) {
  if (position > std::numeric_limits<uint32_t>::max()) throw std::invalid_argument("package beyond 4 GiB");
  return static_cast<uint32_t>(position);
}

void Append(std::vector<uint8_t>& file, const std::vector<uint8_t>& bytes) {
  file.insert(file.end(), bytes.begin(), bytes.end());
}

struct TPlacedPayload {
  TPayloadRef ref{};
  std::vector<uint8_t> packed;
};

TPlacedPayload PlacePayload(const TPayloadSpec& layout, const TLzmaEncoding& encoding,
                            std::optional<TLzmaPropertyBytes>& encoderProperties, std::vector<uint8_t>& file) {
  TPlacedPayload placed;
  const bool present = layout.program.has_value() || layout.packedBytes.has_value();
  if (layout.packedBytes) {
    placed.packed = *layout.packedBytes;
  } else if (layout.program) {
    TLzmaPacked compressed = CompressLzma(*layout.program, encoding);
    placed.packed = std::move(compressed.bytes);
    encoderProperties = compressed.properties;
  }
  if (present) {
    placed.ref.offset = Offset32(file.size());
    placed.ref.packedSize = static_cast<int32_t>(placed.packed.size());
    placed.ref.unpackedSize = layout.program ? static_cast<int32_t>(layout.program->size()) : 0;
    Append(file, placed.packed);
  }
  if (layout.offset) placed.ref.offset = *layout.offset;
  if (layout.packedSize) placed.ref.packedSize = *layout.packedSize;
  if (layout.unpackedSize) placed.ref.unpackedSize = *layout.unpackedSize;
  return placed;
}

TMessageRef PlaceMessage(const TMessageSpec& layout, std::vector<uint8_t>& file) {
  TMessageRef ref{};
  if (!layout.text.empty()) {
    if (layout.text.size() > std::numeric_limits<uint16_t>::max()) throw std::invalid_argument("message too long");
    ref.offset = Offset32(file.size());
    ref.length = static_cast<uint16_t>(layout.text.size());
    Append(file, Utf16LeBytes(layout.text));
  }
  if (layout.offset) ref.offset = *layout.offset;
  if (layout.length) ref.length = *layout.length;
  return ref;
}

}  // namespace

std::vector<uint8_t> Utf16LeBytes(const std::u16string& text) {
  std::vector<uint8_t> bytes;
  bytes.reserve(text.size() * 2);
  for (char16_t unit : text) {
    bytes.push_back(static_cast<uint8_t>(unit & 0xFF));
    bytes.push_back(static_cast<uint8_t>(unit >> 8));
  }
  return bytes;
}

std::vector<uint8_t> SyntheticLauncherImage(size_t size) {
  std::vector<uint8_t> image(std::max(size, SyntheticPeHeaderOffset * 2), 0);
  image[0] = 'M';
  image[1] = 'Z';
  PutLE32(&image[DosNewHeaderField], static_cast<uint32_t>(SyntheticPeHeaderOffset));
  image[SyntheticPeHeaderOffset] = 'P';
  image[SyntheticPeHeaderOffset + 1] = 'E';
  return image;
}

TBuiltPackage BuildPackage(const TPackageSpec& layout) {
  TBuiltPackage built;
  std::vector<uint8_t>& file = built.file;
  file = layout.image;
  if (file.size() < MinimumImageSize) file.resize(MinimumImageSize, 0);

  const size_t configOffset = file.size();
  file.resize(configOffset + PackageConfigSize, 0);

  // The encoder's properties serve both payloads; the last compressed one
  // gives them, and both use the same encoding.
  std::optional<TLzmaPropertyBytes> encoderProperties;
  TPlacedPayload payload32 = PlacePayload(layout.payload32, layout.encoding, encoderProperties, file);
  TPlacedPayload payload64 = PlacePayload(layout.payload64, layout.encoding, encoderProperties, file);

  TPackageConfig& config = built.config;
  config = TPackageConfig{};
  TLzmaPropertyBytes properties{};
  if (encoderProperties)
    properties = *encoderProperties;
  else
    properties = CompressLzma({}, layout.encoding).properties;
  if (layout.lzmaProperties) properties = *layout.lzmaProperties;
  std::copy(properties.begin(), properties.end(), config.lzmaProperties);
  config.windowsVersions.bits = layout.windowsVersions;
  config.minReleaseId = layout.minReleaseId;
  config.maxReleaseId = layout.maxReleaseId;
  config.elevationMode = layout.elevationMode;
  config.payload32 = payload32.ref;
  config.payload64 = payload64.ref;
  config.bitnessMessage = PlaceMessage(layout.bitnessMessage, file);
  config.versionMessage = PlaceMessage(layout.versionMessage, file);
  const auto configBytes = EncodePackageConfig(config, layout.unusedConfigBytes);
  std::copy(configBytes.begin(), configBytes.end(), file.begin() + static_cast<std::ptrdiff_t>(configOffset));

  Append(file, layout.coveredTail);
  const size_t crcEnd = file.size();
  Append(file, layout.uncoveredTail);
  built.packageEnd = Offset32(file.size());
  built.packed32 = std::move(payload32.packed);
  built.packed64 = std::move(payload64.packed);

  const size_t crcLength = crcEnd - configOffset;
  if (crcLength > static_cast<size_t>(std::numeric_limits<int32_t>::max()))
    throw std::invalid_argument("CRC region beyond 2 GiB");
  TStubHeader& header = built.header;
  header.configOffset = Offset32(configOffset);
  header.crcLength = static_cast<int32_t>(crcLength);
  header.crcValue = CalcCrc32(file.data() + configOffset, header.crcLength);
  header.minFileSize = built.packageEnd;
  header.detachedMinSize = layout.detached ? built.packageEnd : 0;
  // Forced values come last: the header is outside the CRC region anyway.
  const THeaderOverrides& forced = layout.header;
  if (forced.configOffset) header.configOffset = *forced.configOffset;
  if (forced.crcLength) header.crcLength = *forced.crcLength;
  if (forced.crcValue) header.crcValue = *forced.crcValue;
  if (forced.minFileSize) header.minFileSize = *forced.minFileSize;
  if (forced.detachedMinSize) header.detachedMinSize = *forced.detachedMinSize;
  const auto headerBytes = EncodeStubHeader(header);
  std::copy(headerBytes.begin(), headerBytes.end(), file.begin() + StubHeaderOffset);

  Append(file, layout.trailingBytes);
  return built;
}

TPackageSpec WorkedExampleSpec(const std::vector<uint8_t>& setupProgram, size_t imageSize) {
  TPackageSpec layout;
  layout.image = SyntheticLauncherImage(imageSize);
  layout.encoding.dictionarySize = ExampleDictionarySize;
  layout.encoding.literalContextBits = 3;
  layout.encoding.literalPositionBits = 0;
  layout.encoding.positionBits = 2;
  layout.lzmaProperties = TLzmaPropertyBytes{ExamplePropertiesByte, 0x00, 0x00, 0x40, 0x00};
  layout.windowsVersions = 0x80000000000007FEull;
  layout.minReleaseId = 1507;
  layout.maxReleaseId = 9999;
  layout.elevationMode = ExampleElevationMode;
  layout.payload32.program = setupProgram;
  layout.trailingBytes.assign(ExampleGapAfterPackage, 0);
  layout.trailingBytes.resize(ExampleGapAfterPackage + ExampleCertificateSize, 0xCE);
  return layout;
}
