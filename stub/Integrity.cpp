#include "Integrity.h"

#include "../package/CRC32.h"
#include "../package/Memory.h"
#include "FatalMessages.h"

namespace {

constexpr uint32_t HighHalfShift = 32;

// The CRC region's buffer, freed when the check is over; a fatal routine
// leaves it to the end of the process.
class TRegionBuffer {
 public:
  explicit TRegionBuffer(size_t size) : block_(AllocateBlock(size)) {}
  TRegionBuffer(const TRegionBuffer&) = delete;
  TRegionBuffer& operator=(const TRegionBuffer&) = delete;
  ~TRegionBuffer() { FreeBlock(block_); }
  void* Data() const { return block_; }

 private:
  void* block_;
};

uint64_t WholeSize(uint32_t sizeLow, uint32_t sizeHigh) { return (uint64_t(sizeHigh) << HighHalfShift) | sizeLow; }

// The size as GetFileSize reports it. A failed query is not told apart: it
// reports the largest low half, which refuses nothing.
uint64_t QueryFileSize(Platform::THandle launcherFile) {
  uint32_t sizeHigh = 0;
  uint32_t sizeLow = Platform::GetFileSize(launcherFile, &sizeHigh);
  return WholeSize(sizeLow, sizeHigh);
}

bool OffsetInReach(uint32_t offset) { return offset <= MaxStoredOffset; }

}  // namespace

TStubHeader ReadStubHeader(Platform::THandle launcherFile) {
  uint8_t bytes[StubHeaderSize];
  Platform::SetFilePointer(launcherFile, static_cast<int32_t>(StubHeaderOffset), Platform::FileBegin);
  uint32_t bytesRead = 0;
  Platform::ReadFile(launcherFile, bytes, StubHeaderSize, &bytesRead);
  if (bytesRead != StubHeaderSize) FatalPackageDamaged();
  const TStubHeader header = DecodeStubHeader(bytes);
  // A launcher without a package carries zeros here.
  if (header.configOffset == 0) FatalPackageDamaged();
  return header;
}

bool FileIsTruncated(const TStubHeader& header, uint32_t sizeLow, uint32_t sizeHigh) {
  if (header.detachedMinSize != 0) return header.detachedMinSize > sizeLow;
  int64_t size = static_cast<int64_t>(WholeSize(sizeLow, sizeHigh));
  return header.minFileSize > size;
}

bool CrcRegionInFile(const TStubHeader& header, uint64_t fileSize) {
  if (header.crcLength == 0) return true;
  if (header.crcLength < 0 || !OffsetInReach(header.configOffset)) return false;
  return uint64_t(header.configOffset) + uint64_t(header.crcLength) <= fileSize;
}

void CheckFileSize(Platform::THandle launcherFile, const TStubHeader& header) {
  uint32_t sizeHigh = 0;
  uint32_t sizeLow = Platform::GetFileSize(launcherFile, &sizeHigh);
  if (FileIsTruncated(header, sizeLow, sizeHigh)) FatalPackageTruncated();
}

void CheckPackageCrc(Platform::THandle launcherFile, const TStubHeader& header) {
  // A region of no bytes has the CRC 0 and needs no read.
  if (header.crcLength == 0) {
    if (header.crcValue != CalcCrc32(nullptr, 0)) FatalPackageDamaged();
    return;
  }
  // A region that cannot be read whole fails the read anyway; refusing it
  // here spares allocating up to 2 GiB for it.
  if (!CrcRegionInFile(header, QueryFileSize(launcherFile))) FatalPackageDamaged();
  uint32_t length = static_cast<uint32_t>(header.crcLength);
  TRegionBuffer region(length);
  Platform::SetFilePointer(launcherFile, static_cast<int32_t>(header.configOffset), Platform::FileBegin);
  uint32_t bytesRead = 0;
  Platform::ReadFile(launcherFile, region.Data(), length, &bytesRead);
  if (bytesRead != length) FatalPackageDamaged();
  if (CalcCrc32(region.Data(), header.crcLength) != header.crcValue) FatalPackageDamaged();
}

void ReadPackageConfig(Platform::THandle launcherFile, const TStubHeader& header, TPackageConfig& config) {
  if (!OffsetInReach(header.configOffset)) FatalPackageDamaged();
  uint8_t bytes[PackageConfigSize];
  Platform::SetFilePointer(launcherFile, static_cast<int32_t>(header.configOffset), Platform::FileBegin);
  uint32_t bytesRead = 0;
  Platform::ReadFile(launcherFile, bytes, PackageConfigSize, &bytesRead);
  if (bytesRead != PackageConfigSize) FatalPackageDamaged();
  config = DecodePackageConfig(bytes);
}
