#include "VersionGate.h"

#include <cstring>

#include "FatalMessages.h"

const char* const CurrentVersionKeyName = "Software\\Microsoft\\Windows NT\\CurrentVersion";
const char* const ReleaseIdValueName = "ReleaseId";

namespace {

// Version numbers as the version query reports them.
constexpr uint32_t MajorWindows4 = 4;  // 95, 98, ME and NT 4
constexpr uint32_t MajorWindows5 = 5;  // 2000 and XP
constexpr uint32_t MajorWindows6 = 6;  // Vista to 8.1
constexpr uint32_t MajorWindows10 = 10;
constexpr uint32_t MinorLastWindows95 = 3;  // 4.0 to 4.3
constexpr uint32_t MinorWindows98 = 10;
constexpr uint32_t MinorWindows2000 = 0;
constexpr uint32_t MinorVista = 0;
constexpr uint32_t MinorWindows7 = 1;
constexpr uint32_t MinorWindows8 = 2;
constexpr uint32_t MinorWindows81 = 3;
constexpr uint32_t MinorWindows10 = 0;

constexpr uint32_t DigitBase = 48;  // '0'
constexpr uint32_t CharacterCodes = 256;
constexpr uint32_t DecimalBase = 10;
constexpr uint8_t FirstDigitByte = 0x30;
constexpr uint8_t LastDigitByte = 0x39;
constexpr uint32_t ReleaseIdCompareMask = 0xFFFFu;

const char* const WindowsNamePrefix = "Windows ";
const char* const Windows10ReleasePrefix = "Windows 10 ";
const char* const Windows2000NoServicePackName = "Windows 2000 (no Service Pack)";
const char* const Windows2000ServicePackPrefix = "Windows 2000 Service Pack ";

struct TReleaseName {
  uint32_t number;
  const char* name;
};

const TReleaseName KnownReleases[] = {
    {1507, "Windows 10 1507 (Original Release)"},     {1511, "Windows 10 1511 (November Update)"},
    {1607, "Windows 10 1607 (Anniversary Update)"},   {1703, "Windows 10 1703 (Creators Update)"},
    {1709, "Windows 10 1709 (Fall Creators Update)"}, {1803, "Windows 10 1803 (April 2018 Update)"},
    {1809, "Windows 10 1809 (October 2018 Update)"},  {1903, "Windows 10 1903 (May 2019 Update)"},
    {1909, "Windows 10 1909 (November 2019 Update)"},
};

TVersionClass Needs(TWindowsVersion element, const char* name) {
  return TVersionClass{false, element, TAnsiString(name)};
}

// "Windows " and then the given characters, kept whole even where one of
// them is a zero byte.
TAnsiString BuiltName(const char* prefix, const char* characters, size_t count) {
  TAnsiString name(prefix);
  name.Append(characters, count);
  return name;
}

}  // namespace

char VersionDigit(uint32_t n) { return static_cast<char>((DigitBase + n) % CharacterCodes); }

TVersionClass ClassifyWindowsVersion(uint32_t majorVersion, uint32_t minorVersion, uint32_t platformId) {
  switch (majorVersion) {
    case MajorWindows4:
      if (platformId == Platform::VerPlatformWin32Nt) return Needs(wvWindowsNT4, "Windows NT 4");
      if (minorVersion <= MinorLastWindows95) return Needs(wvWindows95, "Windows 95");
      if (minorVersion == MinorWindows98) return Needs(wvWindows98, "Windows 98");
      return Needs(wvWindowsME, "Windows ME");
    case MajorWindows5:
      if (minorVersion == MinorWindows2000) return Needs(wvWindows2000, "Windows 2000");
      return Needs(wvWindowsXP, "Windows XP");
    case MajorWindows6: {
      if (minorVersion == MinorVista) return Needs(wvWindowsVista, "Windows Vista");
      if (minorVersion == MinorWindows7) return Needs(wvWindows7, "Windows 7");
      if (minorVersion == MinorWindows8) return Needs(wvWindows8, "Windows 8");
      if (minorVersion == MinorWindows81) return Needs(wvWindows81, "Windows 8.1");
      // 6.4 and later 6.x have no bit of their own.
      const char tail[] = {'6', '.', VersionDigit(minorVersion)};
      return TVersionClass{true, wvLaterWindows, BuiltName(WindowsNamePrefix, tail, sizeof tail)};
    }
    case MajorWindows10: {
      if (minorVersion == MinorWindows10) return Needs(wvWindows10, "Windows 10");
      const char tail[] = {'1', '0', '.', VersionDigit(minorVersion)};
      return TVersionClass{false, wvLaterWindows, BuiltName(WindowsNamePrefix, tail, sizeof tail)};
    }
    default: {
      const char tail[] = {VersionDigit(majorVersion / DecimalBase), VersionDigit(majorVersion % DecimalBase), '.',
                           VersionDigit(minorVersion)};
      return TVersionClass{false, wvLaterWindows, BuiltName(WindowsNamePrefix, tail, sizeof tail)};
    }
  }
}

TGateStep GateStepFor(const TVersionClass& version, TWindowsVersionSet accepted) {
  if (version.alwaysRefused) return TGateStep::Refuse;
  if (!VersionSetContains(accepted, version.element)) return TGateStep::Refuse;
  if (version.element == wvWindows2000) return TGateStep::CheckServicePack;
  if (version.element == wvWindows10) return TGateStep::CheckRelease;
  return TGateStep::Accept;
}

bool ServicePackQueryNeeded(TWindowsVersionSet accepted) { return (accepted.bits & Win9xVersions.bits) == 0; }

bool ServicePackRefused(uint16_t servicePackMajor, TAnsiString& name) {
  if (servicePackMajor >= LeastWindows2000ServicePack) return false;
  if (servicePackMajor == 0) {
    name = TAnsiString(Windows2000NoServicePackName);
    return true;
  }
  name = TAnsiString(Windows2000ServicePackPrefix);
  name.Append(VersionDigit(servicePackMajor));
  return true;
}

uint32_t ParseReleaseId(const uint8_t* bytes, uint32_t size) {
  uint32_t number = 0;
  for (uint32_t i = 0; i < size; ++i) {
    uint8_t b = bytes[i];
    if (b < FirstDigitByte || b > LastDigitByte) break;
    number = number * DecimalBase + static_cast<uint32_t>(b - FirstDigitByte);
  }
  return number;
}

bool ReleaseIdAccepted(uint32_t releaseNumber, uint16_t minReleaseId, uint16_t maxReleaseId) {
  uint32_t compared = releaseNumber & ReleaseIdCompareMask;
  return minReleaseId <= compared && compared <= maxReleaseId;
}

TAnsiString WindowsReleaseName(uint32_t releaseNumber, const uint8_t buffer[ReleaseIdBufferSize]) {
  for (const TReleaseName& known : KnownReleases) {
    if (known.number == releaseNumber) return TAnsiString(known.name);
  }
  size_t length = 0;
  while (length < ReleaseIdBufferSize && buffer[length] != 0) ++length;
  TAnsiString name(Windows10ReleasePrefix);
  name.Append(reinterpret_cast<const char*>(buffer), length);
  return name;
}

void CheckWindows2000ServicePack(Platform::THandle launcherFile, const TPackageConfig& config) {
  if (!ServicePackQueryNeeded(config.windowsVersions)) return;
  Platform::TOsVersionInfo version;
  std::memset(&version, 0, sizeof version);
  version.dwOSVersionInfoSize = Platform::OsVersionInfoExSize;
  if (Platform::GetVersionExA(&version) == 0) return;
  TAnsiString name;
  if (ServicePackRefused(version.wServicePackMajor, name)) {
    ShowPackageMessage(launcherFile, config.versionMessage, name.CStr());
  }
}

void CheckWindows10Release(Platform::THandle launcherFile, const TPackageConfig& config) {
  Platform::THandle key = nullptr;
  if (Platform::RegOpenKeyExA(Platform::HkeyLocalMachine, CurrentVersionKeyName, 0, Platform::KeyRead, &key) != 0) {
    return;
  }
  uint8_t buffer[ReleaseIdBufferSize];
  std::memset(buffer, 0, sizeof buffer);
  uint32_t size = ReleaseIdBufferSize;
  uint32_t type = 0;
  if (Platform::RegQueryValueExA(key, ReleaseIdValueName, &type, buffer, &size) != 0) {
    Platform::RegCloseKey(key);
    return;
  }
  // The registry never reports more than the buffer holds; the bound keeps
  // the parse inside it all the same.
  if (size > ReleaseIdBufferSize) size = ReleaseIdBufferSize;
  uint32_t number = ParseReleaseId(buffer, size);
  if (ReleaseIdAccepted(number, config.minReleaseId, config.maxReleaseId)) {
    Platform::RegCloseKey(key);
    return;
  }
  // The key stays open: the refusal ends the process.
  TAnsiString name = WindowsReleaseName(number, buffer);
  ShowPackageMessage(launcherFile, config.versionMessage, name.CStr());
}

uint32_t CheckWindowsVersion(Platform::THandle launcherFile, const TPackageConfig& config) {
  Platform::TOsVersionInfo version;
  std::memset(&version, 0, sizeof version);
  version.dwOSVersionInfoSize = Platform::OsVersionInfoSize;
  if (Platform::GetVersionExA(&version) == 0) return 0;
  TVersionClass found = ClassifyWindowsVersion(version.dwMajorVersion, version.dwMinorVersion, version.dwPlatformId);
  switch (GateStepFor(found, config.windowsVersions)) {
    case TGateStep::Refuse:
      ShowPackageMessage(launcherFile, config.versionMessage, found.name.CStr());
    case TGateStep::CheckServicePack:
      CheckWindows2000ServicePack(launcherFile, config);
      break;
    case TGateStep::CheckRelease:
      CheckWindows10Release(launcherFile, config);
      break;
    case TGateStep::Accept:
      break;
  }
  return version.dwMajorVersion;
}
