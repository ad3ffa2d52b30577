// The Windows version gate: the running Windows is classified as one of the
// package's version bits, Windows 2000 must carry a recent service pack, and
// a Windows 10 feature release must lie in the package's range. A refusal
// shows the package's versionMessage with the version's name in it.
#pragma once

#include <cstdint>

#include "../package/StubTypes.h"
#include "../platform/Platform.h"
#include "AnsiString.h"

// The elements of TWindowsVersionSet: bit n of windowsVersions.
enum TWindowsVersion : uint32_t {
  wvWindows95 = 0,
  wvWindows98 = 1,
  wvWindowsME = 2,
  wvWindowsNT4 = 3,
  wvWindows2000 = 4,
  wvWindowsXP = 5,
  wvWindowsVista = 6,
  wvWindows7 = 7,
  wvWindows8 = 8,
  wvWindows81 = 9,
  wvWindows10 = 10,
  wvLaterWindows = 63,
};

// {wvWindows95, wvWindows98, wvWindowsME}.
constexpr TWindowsVersionSet Win9xVersions = {0x07u};

// Where the Windows 10 feature release is stored.
extern const char* const CurrentVersionKeyName;
extern const char* const ReleaseIdValueName;
// The buffer that the release value is read into.
constexpr uint32_t ReleaseIdBufferSize = 64;

// Windows 2000 passes with this service pack or a later one.
constexpr uint16_t LeastWindows2000ServicePack = 4;

// The character whose code is (48 + n) mod 256: the digit for 0 to 9, and
// some other byte beyond (10 gives ':').
char VersionDigit(uint32_t n);

// What a version needs of the package, and its name on refusal.
struct TVersionClass {
  bool alwaysRefused;       // no bit admits it
  TWindowsVersion element;  // the bit that must be set, unless alwaysRefused
  TAnsiString name;
};

// Classifies the numbers of the version query. platformId matters only for
// major 4. Pure.
TVersionClass ClassifyWindowsVersion(uint32_t majorVersion, uint32_t minorVersion, uint32_t platformId);

// What the gate does next with a classified version.
enum class TGateStep {
  Accept,
  Refuse,            // with the class's name
  CheckServicePack,  // Windows 2000 admitted by its bit
  CheckRelease,      // Windows 10 admitted by its bit
};

// The gate after classification. Pure.
TGateStep GateStepFor(const TVersionClass& version, TWindowsVersionSet accepted);

// Whether the Windows 2000 rule needs the service-pack query: only when the
// package accepts none of Windows 95, 98 and ME. Pure.
bool ServicePackQueryNeeded(TWindowsVersionSet accepted);

// The Windows 2000 rule on the reported service pack: true and the refusal's
// name in name when it is refused; false, name untouched, when it passes.
bool ServicePackRefused(uint16_t servicePackMajor, TAnsiString& name);

// The release number in the first size bytes: the decimal digits from the
// start up to the first non-digit, wrapping modulo 2^32; 0 without a leading
// digit. Pure.
uint32_t ParseReleaseId(const uint8_t* bytes, uint32_t size);

// Whether the low 16 bits of the release number lie in [minReleaseId,
// maxReleaseId]. Pure.
bool ReleaseIdAccepted(uint32_t releaseNumber, uint16_t minReleaseId, uint16_t maxReleaseId);

// The name of a refused Windows 10 release: the known name of the whole
// number, or "Windows 10 " and the stored text up to its first zero byte,
// at most ReleaseIdBufferSize bytes. Pure.
TAnsiString WindowsReleaseName(uint32_t releaseNumber, const uint8_t buffer[ReleaseIdBufferSize]);

// The Windows 2000 rule with its own version query: returns when the system
// passes (also when the query fails); otherwise shows versionMessage and
// ends the process.
void CheckWindows2000ServicePack(Platform::THandle launcherFile, const TPackageConfig& config);

// The Windows 10 release check over the registry: returns when the key or
// value cannot be read or the release lies in the package's range, leaving
// no key open; otherwise shows versionMessage and ends the process.
void CheckWindows10Release(Platform::THandle launcherFile, const TPackageConfig& config);

// The gate step of a run. Returns the major version that the query reported,
// or 0 when the query failed (the system then passes untested); the launch
// chooses its method by it. A refused system shows the package's
// versionMessage, read from launcherFile, and ends the process.
uint32_t CheckWindowsVersion(Platform::THandle launcherFile, const TPackageConfig& config);
