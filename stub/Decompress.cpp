#include "Decompress.h"

#include "../package/LzmaDecoder.h"
#include "FatalMessages.h"

namespace {

constexpr size_t DictionaryField = 1;
constexpr size_t DictionaryWidth = 4;
constexpr uint32_t BitsPerByte = 8;

}  // namespace

void BoundedLzmaProperties(const uint8_t* lzmaProperties, int32_t unpackedSize, uint8_t* bounded) {
  for (size_t i = 0; i < LzmaPropertiesSize; ++i) bounded[i] = lzmaProperties[i];
  const uint32_t dictionary = ReadLE32(lzmaProperties + DictionaryField);
  const uint32_t needed =
      unpackedSize > int32_t(LzmaMinDictionarySize) ? uint32_t(unpackedSize) : LzmaMinDictionarySize;
  if (dictionary <= needed) return;
  for (size_t i = 0; i < DictionaryWidth; ++i)
    bounded[DictionaryField + i] = static_cast<uint8_t>(needed >> (BitsPerByte * i));
}

bool PayloadFitsFile(const TPayloadRef& payload, uint64_t fileSize) {
  if (payload.offset > MaxStoredOffset) return false;
  if (payload.packedSize < 0 || payload.packedSize > MaxStreamSize) return false;
  if (payload.unpackedSize < 0 || payload.unpackedSize > MaxStreamSize) return false;
  const uint64_t end = static_cast<uint64_t>(payload.offset) + static_cast<uint64_t>(payload.packedSize);
  return end <= fileSize;
}

void DecompressPayload(Platform::THandle launcherFile, const TPayloadRef& payload, const uint8_t* lzmaProperties,
                       TStream& packedStream, TStream& unpackedStream) {
  // The file size decides before anything is allocated, so a damaged
  // reference never makes the launcher ask for a block it cannot use.
  uint32_t sizeHigh = 0;
  const uint32_t sizeLow = Platform::GetFileSize(launcherFile, &sizeHigh);
  const uint64_t fileSize = (static_cast<uint64_t>(sizeHigh) << 32) | sizeLow;
  if (!PayloadFitsFile(payload, fileSize)) FatalPackageDamaged();

  Platform::SetFilePointer(launcherFile, static_cast<int32_t>(payload.offset), Platform::FileBegin);
  packedStream.SetSize(payload.packedSize);
  const int32_t packedSize = packedStream.GetSize();
  // The count alone decides; an empty payload reads nothing.
  if (packedSize > 0) {
    uint32_t bytesRead = 0;
    Platform::ReadFile(launcherFile, packedStream.GetMemory(), static_cast<uint32_t>(packedSize), &bytesRead);
    if (bytesRead != static_cast<uint32_t>(packedSize)) FatalPackageDamaged();
  }

  if (!LzmaPropertiesAcceptable(lzmaProperties)) FatalPackageDamaged();
  uint8_t bounded[LzmaPropertiesSize];
  BoundedLzmaProperties(lzmaProperties, payload.unpackedSize, bounded);
  LzmaDecodeStream(packedStream, bounded, payload.unpackedSize, unpackedStream);
  if (unpackedStream.GetSize() != payload.unpackedSize) FatalPackageDamaged();
}
