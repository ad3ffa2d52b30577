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

TPlacedPayload PlacePayload(const TPayloadSpec& spec, const TLzmaEncoding& encoding,
                            std::optional<TLzmaPropertyBytes>& encoderProperties, std::vector<uint8_t>& file) {
  TPlacedPayload placed;
  const bool present = spec.program.has_value() || spec.packedBytes.has_value();
  if (spec.packedBytes) {
    placed.packed = *spec.packedBytes;
  } else if (spec.program) {
    TLzmaPacked compressed = CompressLzma(*spec.program, encoding);
    placed.packed = std::move(compressed.bytes);
    encoderProperties = compressed.properties;
  }
  if (present) {
    placed.ref.offset = Offset32(file.size());
    placed.ref.packedSize = static_cast<int32_t>(placed.packed.size());
    placed.ref.unpackedSize = spec.program ? static_cast<int32_t>(spec.program->size()) : 0;
    Append(file, placed.packed);
  }
  if (spec.offset) placed.ref.offset = *spec.offset;
  if (spec.packedSize) placed.ref.packedSize = *spec.packedSize;
  if (spec.unpackedSize) placed.ref.unpackedSize = *spec.unpackedSize;
  return placed;
}

TMessageRef PlaceMessage(const TMessageSpec& spec, std::vector<uint8_t>& file) {
  TMessageRef ref{};
  if (!spec.text.empty()) {
    if (spec.text.size() > std::numeric_limits<uint16_t>::max()) throw std::invalid_argument("message too long");
    ref.offset = Offset32(file.size());
    ref.length = static_cast<uint16_t>(spec.text.size());
    Append(file, Utf16LeBytes(spec.text));
  }
  if (spec.offset) ref.offset = *spec.offset;
  if (spec.length) ref.length = *spec.length;
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

TBuiltPackage BuildPackage(const TPackageSpec& spec) {
  TBuiltPackage built;
  std::vector<uint8_t>& file = built.file;
  file = spec.image;
  if (file.size() < MinimumImageSize) file.resize(MinimumImageSize, 0);

  const size_t configOffset = file.size();
  file.resize(configOffset + PackageConfigSize, 0);

  // The encoder's properties serve both payloads; the last compressed one
  // gives them, and both use the same encoding.
  std::optional<TLzmaPropertyBytes> encoderProperties;
  TPlacedPayload payload32 = PlacePayload(spec.payload32, spec.encoding, encoderProperties, file);
  TPlacedPayload payload64 = PlacePayload(spec.payload64, spec.encoding, encoderProperties, file);

  TPackageConfig& config = built.config;
  config = TPackageConfig{};
  TLzmaPropertyBytes properties{};
  if (encoderProperties)
    properties = *encoderProperties;
  else
    properties = CompressLzma({}, spec.encoding).properties;
  if (spec.lzmaProperties) properties = *spec.lzmaProperties;
  std::copy(properties.begin(), properties.end(), config.lzmaProperties);
  config.windowsVersions.bits = spec.windowsVersions;
  config.minReleaseId = spec.minReleaseId;
  config.maxReleaseId = spec.maxReleaseId;
  config.elevationMode = spec.elevationMode;
  config.payload32 = payload32.ref;
  config.payload64 = payload64.ref;
  config.bitnessMessage = PlaceMessage(spec.bitnessMessage, file);
  config.versionMessage = PlaceMessage(spec.versionMessage, file);
  const auto configBytes = EncodePackageConfig(config, spec.unusedConfigBytes);
  std::copy(configBytes.begin(), configBytes.end(), file.begin() + static_cast<std::ptrdiff_t>(configOffset));

  Append(file, spec.coveredTail);
  const size_t crcEnd = file.size();
  Append(file, spec.uncoveredTail);
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
  header.detachedMinSize = spec.detached ? built.packageEnd : 0;
  // Forced values come last: the header is outside the CRC region anyway.
  const THeaderOverrides& forced = spec.header;
  if (forced.configOffset) header.configOffset = *forced.configOffset;
  if (forced.crcLength) header.crcLength = *forced.crcLength;
  if (forced.crcValue) header.crcValue = *forced.crcValue;
  if (forced.minFileSize) header.minFileSize = *forced.minFileSize;
  if (forced.detachedMinSize) header.detachedMinSize = *forced.detachedMinSize;
  const auto headerBytes = EncodeStubHeader(header);
  std::copy(headerBytes.begin(), headerBytes.end(), file.begin() + StubHeaderOffset);

  Append(file, spec.trailingBytes);
  return built;
}

TPackageSpec WorkedExampleSpec(const std::vector<uint8_t>& setupProgram, size_t imageSize) {
  TPackageSpec spec;
  spec.image = SyntheticLauncherImage(imageSize);
  spec.encoding.dictionarySize = ExampleDictionarySize;
  spec.encoding.literalContextBits = 3;
  spec.encoding.literalPositionBits = 0;
  spec.encoding.positionBits = 2;
  spec.lzmaProperties = TLzmaPropertyBytes{ExamplePropertiesByte, 0x00, 0x00, 0x40, 0x00};
  spec.windowsVersions = 0x80000000000007FEull;
  spec.minReleaseId = 1507;
  spec.maxReleaseId = 9999;
  spec.elevationMode = ExampleElevationMode;
  spec.payload32.program = setupProgram;
  spec.trailingBytes.assign(ExampleGapAfterPackage, 0);
  spec.trailingBytes.resize(ExampleGapAfterPackage + ExampleCertificateSize, 0xCE);
  return spec;
}
