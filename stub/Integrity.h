// The checks of the launcher file that run before any field of the package
// configuration is used: the file is complete, the CRC region is intact,
// and the configuration record is read. Each step either passes or ends the
// run through a fatal routine.
#pragma once

#include <cstdint>

#include "../package/StubTypes.h"
#include "../platform/Platform.h"

// Whether a file of this size (both halves as GetFileSize reports them) is
// shorter than the header demands: with detachedMinSize non-zero, that value
// against the low half alone; otherwise minFileSize against the whole size,
// both signed 64-bit.
bool FileIsTruncated(const TStubHeader& header, uint32_t sizeLow, uint32_t sizeHigh);

// Whether the CRC region, crcLength bytes from configOffset, can lie inside
// a file of fileSize bytes: configOffset within the signed seek's reach and
// crcLength not negative. A region of 0 bytes always fits.
bool CrcRegionInFile(const TStubHeader& header, uint64_t fileSize);

// Reads the 24-byte header at its fixed place and returns it decoded. The
// seek's result is not examined: the count read alone decides. Ends with
// FatalPackageDamaged on a short read or on a launcher without a package,
// whose header is all zeros.
TStubHeader ReadStubHeader(Platform::THandle launcherFile);

// Step 1: ends with FatalPackageTruncated when the file is shorter than the
// header demands.
void CheckFileSize(Platform::THandle launcherFile, const TStubHeader& header);

// Step 2: reads the CRC region in one piece and compares its CRC-32 with
// crcValue; ends with FatalPackageDamaged on a region outside the file, a
// short read or a mismatch. A region that cannot fit is refused before
// anything is allocated.
void CheckPackageCrc(Platform::THandle launcherFile, const TStubHeader& header);

// Step 3: reads the 70 bytes at configOffset afresh and decodes them into
// config; ends with FatalPackageDamaged on a short read or an offset beyond
// the signed seek's reach.
void ReadPackageConfig(Platform::THandle launcherFile, const TStubHeader& header, TPackageConfig& config);
