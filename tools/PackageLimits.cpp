#include "PackageLimits.h"

#include <cstdio>

#include "../package/StubTypes.h"

namespace {

constexpr uint64_t BytesPerCodeUnit = 2;

std::string Hex(uint64_t value) {
  char buffer[24];
  std::snprintf(buffer, sizeof buffer, "0x%llX", static_cast<unsigned long long>(value));
  return buffer;
}

std::string Describe(uint64_t value) { return std::to_string(value) + " (" + Hex(value) + ")"; }

std::string TooLarge(const std::string& what, uint64_t value, uint64_t limit, const std::string& unit) {
  return what + " is " + Describe(value) + " " + unit + "; the format holds at most " + Describe(limit) + " " + unit;
}

std::string OffsetTooLarge(const std::string& what, uint64_t offset) {
  return what + " would start at " + Describe(offset) + "; every stored offset must lie below 2^31";
}

}  // namespace

TPackagePlacement PlacePackage(const TPackageSizes& sizes) {
  TPackagePlacement place;
  place.configOffset = sizes.imageSize;
  place.payload32Offset = place.configOffset + PackageConfigSize;
  place.payload64Offset = place.payload32Offset + (sizes.has32 ? sizes.packed32Size : 0);
  place.bitnessOffset = place.payload64Offset + (sizes.has64 ? sizes.packed64Size : 0);
  place.versionOffset = place.bitnessOffset + sizes.bitnessLength * BytesPerCodeUnit;
  place.packageEnd = place.versionOffset + sizes.versionLength * BytesPerCodeUnit;
  return place;
}

std::string FirstBrokenLimit(const TPackageSizes& sizes) {
  if (sizes.has32 && sizes.setup32Size > MaxSetupProgramSize)
    return TooLarge("the 32-bit setup program", sizes.setup32Size, MaxSetupProgramSize, "bytes");
  if (sizes.has64 && sizes.setup64Size > MaxSetupProgramSize)
    return TooLarge("the 64-bit setup program", sizes.setup64Size, MaxSetupProgramSize, "bytes");
  if (sizes.bitnessLength > MaxMessageLength)
    return TooLarge("the bitness message", sizes.bitnessLength, MaxMessageLength, "UTF-16 code units");
  if (sizes.versionLength > MaxMessageLength)
    return TooLarge("the version message", sizes.versionLength, MaxMessageLength, "UTF-16 code units");

  const TPackagePlacement place = PlacePackage(sizes);
  if (place.configOffset > MaxPackageOffset) return OffsetTooLarge("the package, after the stub image,", place.configOffset);
  if (sizes.has32 && place.payload32Offset > MaxPackageOffset)
    return OffsetTooLarge("the 32-bit payload", place.payload32Offset);
  if (sizes.has32 && sizes.packed32Size > MaxSetupProgramSize)
    return TooLarge("the compressed 32-bit setup program", sizes.packed32Size, MaxSetupProgramSize, "bytes");
  if (sizes.has64 && place.payload64Offset > MaxPackageOffset)
    return OffsetTooLarge("the 64-bit payload", place.payload64Offset);
  if (sizes.has64 && sizes.packed64Size > MaxSetupProgramSize)
    return TooLarge("the compressed 64-bit setup program", sizes.packed64Size, MaxSetupProgramSize, "bytes");
  if (sizes.bitnessLength > 0 && place.bitnessOffset > MaxPackageOffset)
    return OffsetTooLarge("the bitness message", place.bitnessOffset);
  if (sizes.versionLength > 0 && place.versionOffset > MaxPackageOffset)
    return OffsetTooLarge("the version message", place.versionOffset);
  const uint64_t crcLength = place.packageEnd - place.configOffset;
  if (crcLength > MaxPackageOffset)
    return TooLarge("the package from its config record to its end", crcLength, MaxPackageOffset, "bytes");
  return std::string();
}
