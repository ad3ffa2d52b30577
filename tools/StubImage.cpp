#include "StubImage.h"

#include "../package/StubTypes.h"

namespace {

constexpr size_t MinimumImageSize = StubHeaderOffset + StubHeaderSize;
constexpr size_t DosNewHeaderField = 0x3C;
constexpr size_t DosNewHeaderFieldEnd = DosNewHeaderField + 4;
constexpr uint8_t DosSignature0 = 'M';
constexpr uint8_t DosSignature1 = 'Z';

}  // namespace

std::string StubImageProblem(const std::vector<uint8_t>& image) {
  if (image.size() < MinimumImageSize)
    return "is too short to hold the header at 128: " + std::to_string(image.size()) + " bytes, at least " +
           std::to_string(MinimumImageSize) + " needed";
  if (image[0] != DosSignature0 || image[1] != DosSignature1) return "is not an executable image: it does not start with MZ";
  const uint32_t peOffset = ReadLE32(&image[DosNewHeaderField]);
  static_assert(DosNewHeaderFieldEnd <= StubHeaderOffset, "the DOS header ends before the package header");
  if (peOffset != 0 && peOffset < MinimumImageSize)
    return "has its PE header at " + std::to_string(peOffset) + ", where the package header must go (128 to 151)";
  if (ReadLE32(&image[StubHeaderOffset]) != 0) return "already carries a package (its header at 128 is filled in)";
  for (size_t i = StubHeaderOffset; i < MinimumImageSize; ++i)
    if (image[i] != 0) return "has no room for the header: bytes 128 to 151 are not all zero";
  return std::string();
}
