#include "RunLauncher.h"

#include <cstring>

#include "../package/NoRTLStream.h"
#include "../platform/Platform.h"
#include "Arguments.h"
#include "Bitness.h"
#include "Decompress.h"
#include "FatalMessages.h"
#include "Integrity.h"
#include "Launch.h"
#include "TempCopy.h"
#include "VersionGate.h"

TStubHeader StubHeader;
TPackageConfig PackageConfig;

namespace {

// The system writes '?' for every character of the path that the ANSI code
// page cannot represent; such a path cannot be opened again by its name.
constexpr char ReplacedCharacter = '?';
const char* const PathMessageHead = "The path to the installer ";
const char* const PathMessageMiddle =
    " contains characters that have been replaced with question marks because they could not be represented in your "
    "computer's default code page.  ";
const char* const PathMessageTail =
    "Please rename the installer and/or the folder it is in to remove the unsupported characters.  Then run the "
    "installer again.";

constexpr uint32_t NoFileFlags = 0;

[[noreturn]] void ShowPathMessage(const TAnsiString& launcherPath) {
  TAnsiString text(PathMessageHead);
  text.Append(launcherPath);
  text.Append(PathMessageMiddle);
  text.Append(PathMessageTail);
  Platform::MessageBoxA(nullptr, text.CStr(), PathMessageCaption, FatalMessageType);
  Platform::ExitProcess(LauncherExitCode);
}

// Step 1: the launcher's own file, shared for reading only; step 2, the
// header, is ReadStubHeader.
Platform::THandle OpenLauncherFile() {
  TAnsiString launcherPath = Argument(0);
  Platform::THandle launcherFile = Platform::CreateFileA(launcherPath.CStr(), Platform::GenericRead,
                                                         Platform::FileShareRead, Platform::OpenExisting, NoFileFlags);
  if (launcherFile == Platform::InvalidHandleValue) FatalPackageDamaged();
  return launcherFile;
}

// Steps 8 to 10: the setup program decoded in memory and written to its
// temporary copy, which stays held open. The streams live only in here:
// leaving releases UnpackedStream first, then PackedStream, before the
// launch.
TTempCopy ExtractSetupProgram(Platform::THandle launcherFile, const TPayloadRef& chosenPayload) {
  TStream packedStream;
  TStream unpackedStream;
  DecompressPayload(launcherFile, chosenPayload, PackageConfig.lzmaProperties, packedStream, unpackedStream);
  return MakeTempCopy(unpackedStream.GetMemory(), unpackedStream.GetSize());
}

}  // namespace

void LauncherEntry() {
  {
    TAnsiString launcherPath = Argument(0);
    if (std::memchr(launcherPath.CStr(), ReplacedCharacter, launcherPath.Length()) != nullptr) {
      ShowPathMessage(launcherPath);
    }
  }
  RunLauncher();
  Platform::ExitProcess(LauncherExitCode);
}

void RunLauncher() {
  Platform::THandle launcherFile = OpenLauncherFile();
  StubHeader = ReadStubHeader(launcherFile);
  CheckFileSize(launcherFile, StubHeader);
  CheckPackageCrc(launcherFile, StubHeader);
  ReadPackageConfig(launcherFile, StubHeader, PackageConfig);
  TPayloadRef chosenPayload = ChoosePayload(launcherFile, PackageConfig);
  uint32_t majorVersion = CheckWindowsVersion(launcherFile, PackageConfig);
  TTempCopy tempCopy = ExtractSetupProgram(launcherFile, chosenPayload);
  Platform::CloseHandle(launcherFile);
  LaunchSetup(tempCopy.path, tempCopy.held, StubHeader.detachedMinSize != 0, PackageConfig.elevationMode, majorVersion);
}
