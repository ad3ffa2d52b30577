#include "PackageFileWriter.h"

#include <algorithm>
#include <vector>

#include "../builder/PackageWriter.h"
#include "../builder/RecordEncoder.h"
#include "../package/StubTypes.h"
#include "Crc32Accumulator.h"
#include "Progress.h"
#include "ToolError.h"

namespace {

constexpr size_t ReadBackChunk = 1 << 20;

void RequireWithinLimits(const TPackageSizes& sizes) {
  const std::string broken = FirstBrokenLimit(sizes);
  if (!broken.empty()) throw WorkError(broken);
}

// Compresses one setup program at the end of output; fills in its sizes.
void AppendPayload(const TSetupInput& setup, const TCompressionSettings& settings, TAtomicFile& output,
                   TPackageSizes& sizes, uint64_t& setupSize, uint64_t& packedSize) {
  TProgressBar bar("compressing the " + setup.label, setup.size);
  const TCompressedPayload result =
      CompressFileInto(setup.path, output, settings, MaxSetupProgramSize, [&bar](uint64_t done) { bar.Update(done); });
  setupSize = result.unpackedSize;
  packedSize = result.packedSize;
  RequireWithinLimits(sizes);
  if (result.unpackedSize != setup.size)
    throw WorkError("'" + setup.path + "' changed while it was read (" + std::to_string(setup.size) + " bytes before, " +
                    std::to_string(result.unpackedSize) + " read)");
}

uint32_t Stored(uint64_t offset) { return static_cast<uint32_t>(offset); }

TPayloadRef PayloadRef(bool present, uint64_t offset, uint64_t packedSize, uint64_t setupSize) {
  if (!present) return TPayloadRef{};
  return TPayloadRef{Stored(offset), static_cast<int32_t>(packedSize), static_cast<int32_t>(setupSize)};
}

TMessageRef MessageRef(uint64_t offset, const std::u16string& text) {
  // An empty text is stored as offset 0, length 0, like the format's example.
  if (text.empty()) return TMessageRef{};
  return TMessageRef{Stored(offset), static_cast<uint16_t>(text.size())};
}

void AppendText(const std::u16string& text, TAtomicFile& output) {
  const std::vector<uint8_t> bytes = Utf16LeBytes(text);
  output.Write(bytes.data(), bytes.size());
}

// The CRC of the region as it lies on disk, so the header vouches for the
// bytes actually written.
uint32_t CrcOfWrittenRegion(TAtomicFile& output, uint64_t start, uint64_t end) {
  TCrc32Accumulator crc;
  std::vector<uint8_t> chunk(ReadBackChunk);
  for (uint64_t position = start; position < end;) {
    const size_t count = static_cast<size_t>(std::min<uint64_t>(chunk.size(), end - position));
    output.ReadAt(position, chunk.data(), count);
    crc.Update(chunk.data(), count);
    position += count;
  }
  return crc.Value();
}

}  // namespace

TPackageSizes InitialSizes(const TPackageInputs& inputs) {
  TPackageSizes sizes;
  sizes.imageSize = inputs.image.size();
  sizes.has32 = inputs.setup32.has_value();
  if (sizes.has32) sizes.setup32Size = inputs.setup32->size;
  sizes.has64 = inputs.setup64.has_value();
  if (sizes.has64) sizes.setup64Size = inputs.setup64->size;
  sizes.bitnessLength = inputs.bitnessText.size();
  sizes.versionLength = inputs.versionText.size();
  return sizes;
}

void WritePackageFile(const TPackageInputs& inputs, TAtomicFile& output) {
  TPackageSizes sizes = InitialSizes(inputs);
  RequireWithinLimits(sizes);

  output.Write(inputs.image.data(), inputs.image.size());
  const uint8_t blankConfig[PackageConfigSize] = {};
  output.Write(blankConfig, sizeof blankConfig);
  if (inputs.setup32)
    AppendPayload(*inputs.setup32, inputs.compression, output, sizes, sizes.setup32Size, sizes.packed32Size);
  if (inputs.setup64)
    AppendPayload(*inputs.setup64, inputs.compression, output, sizes, sizes.setup64Size, sizes.packed64Size);
  AppendText(inputs.bitnessText, output);
  AppendText(inputs.versionText, output);
  const TPackagePlacement place = PlacePackage(sizes);
  if (output.Size() != place.packageEnd) throw WorkError("internal error: the package is not where it was planned");

  TPackageConfig config{};
  const TLzmaPropertyBytes properties = CompressionProperties(inputs.compression);
  std::copy(properties.begin(), properties.end(), config.lzmaProperties);
  config.windowsVersions.bits = inputs.windowsVersions;
  config.minReleaseId = inputs.minReleaseId;
  config.maxReleaseId = inputs.maxReleaseId;
  config.elevationMode = inputs.elevationMode;
  config.payload32 = PayloadRef(sizes.has32, place.payload32Offset, sizes.packed32Size, sizes.setup32Size);
  config.payload64 = PayloadRef(sizes.has64, place.payload64Offset, sizes.packed64Size, sizes.setup64Size);
  if (inputs.refuse64Bit) config.payload64.offset = Refuse64BitOffset;
  config.bitnessMessage = MessageRef(place.bitnessOffset, inputs.bitnessText);
  config.versionMessage = MessageRef(place.versionOffset, inputs.versionText);
  const auto configBytes = EncodePackageConfig(config);
  output.WriteAt(place.configOffset, configBytes.data(), configBytes.size());

  TStubHeader header{};
  header.configOffset = Stored(place.configOffset);
  header.crcLength = static_cast<int32_t>(place.packageEnd - place.configOffset);
  header.crcValue = CrcOfWrittenRegion(output, place.configOffset, place.packageEnd);
  header.minFileSize = static_cast<int64_t>(place.packageEnd);
  header.detachedMinSize = inputs.detached ? Stored(place.packageEnd) : 0;
  const auto headerBytes = EncodeStubHeader(header);
  output.WriteAt(StubHeaderOffset, headerBytes.data(), headerBytes.size());
}
