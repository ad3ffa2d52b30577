#include "Launch.h"

#include <cstring>

#include "../platform/Platform.h"
#include "Arguments.h"
#include "FatalMessages.h"
#include "TempCopy.h"

const char* const OpenVerb = "open";
const char* const RunAsVerb = "runas";
const char* const NoAdminSuffix = " /noadmin";

namespace {

constexpr char DriveColon = ':';
constexpr size_t DriveColonIndex = 1;
constexpr char Quote = '"';
constexpr char Space = ' ';

const char* const Advapi32ModuleName = "advapi32.dll";
const char* const CheckTokenMembershipName = "CheckTokenMembership";

// S-1-5-32-544: the local Administrators group.
const Platform::TSidAuthority NtAuthority = {{0, 0, 0, 0, 0, 5}};
constexpr uint8_t AdministratorsSubAuthorityCount = 2;
constexpr uint32_t SecurityBuiltinDomainRid = 32;
constexpr uint32_t DomainAliasRidAdmins = 544;

// Found once, kept for the rest of the process; a failed lookup is retried.
Platform::TProc RememberedCheckTokenMembership = nullptr;

Platform::TProc CheckTokenMembershipAddress() {
  if (RememberedCheckTokenMembership != nullptr) return RememberedCheckTokenMembership;
  Platform::THandle advapi32 = Platform::GetModuleHandleA(Advapi32ModuleName);
  RememberedCheckTokenMembership = Platform::GetProcAddress(advapi32, CheckTokenMembershipName);
  return RememberedCheckTokenMembership;
}

void AppendQuoted(TAnsiString& text, const char* part) {
  text.Append(Quote);
  text.Append(part);
  text.Append(Quote);
}

[[noreturn]] void LaunchRefused() { FatalLaunchFailed(); }

// The held copy cannot be deleted while it is open.
void ReleaseAndDelete(const TAnsiString& tempPath, Platform::THandle heldCopy) {
  Platform::CloseHandle(heldCopy);
  Platform::DeleteFileA(tempPath.CStr());
}

void StartDirectly(const TAnsiString& tempPath, Platform::THandle heldCopy, const TAnsiString& setupArguments,
                   bool detached) {
  Platform::TStartupInfo startupInfo;
  std::memset(&startupInfo, 0, sizeof startupInfo);
  startupInfo.cb = Platform::StartupInfoSize;
  Platform::TProcessInformation processInformation;
  std::memset(&processInformation, 0, sizeof processInformation);
  TAnsiString commandLine = SetupCommandLine(tempPath, setupArguments);
  // The launcher's own folder, not its universal form: a mapped drive is a
  // valid current directory, a share path may not be.
  TAnsiString currentDirectory = PathFolderPart(Argument(0));
  if (Platform::CreateProcessA(commandLine.Data(), 0, 0, currentDirectory.CStr(), &startupInfo, &processInformation) ==
      0) {
    LaunchRefused();
  }
  if (detached) return;
  // The process and thread handles end with the launcher.
  Platform::WaitForSingleObject(processInformation.hProcess, Platform::Infinite);
  ReleaseAndDelete(tempPath, heldCopy);
}

void StartThroughShell(const TAnsiString& tempPath, Platform::THandle heldCopy, TAnsiString& setupArguments,
                       const TLaunchPlan& plan, bool detached) {
  if (plan.appendNoAdmin) setupArguments.Append(NoAdminSuffix);
  Platform::TShellExecuteInfo executeInfo;
  std::memset(&executeInfo, 0, sizeof executeInfo);
  executeInfo.cbSize = Platform::ShellExecuteInfoSize;
  executeInfo.fMask = Platform::SeeMaskNoCloseProcess;
  executeInfo.lpVerb = plan.verb;
  executeInfo.lpFile = tempPath.CStr();
  executeInfo.lpParameters = setupArguments.CStr();
  executeInfo.nShow = Platform::SwShow;
  if (Platform::ShellExecuteExA(&executeInfo) == 0) LaunchRefused();
  if (detached) return;
  Platform::WaitForSingleObject(executeInfo.hProcess, Platform::Infinite);
  Platform::CloseHandle(executeInfo.hProcess);
  ReleaseAndDelete(tempPath, heldCopy);
}

}  // namespace

TAnsiString MakeUniversalPath(const TAnsiString& path) {
  if (path.Length() <= DriveColonIndex || path.CStr()[DriveColonIndex] != DriveColon) return path.Copy();
  alignas(Platform::TUniversalNameInfo) char buffer[UniversalNameBufferSize];
  std::memset(buffer, 0, sizeof buffer);
  uint32_t bufferSize = UniversalNameBufferSize;
  if (Platform::WNetGetUniversalNameA(path.CStr(), Platform::UniversalNameInfoLevel, buffer, &bufferSize) !=
      Platform::NoError) {
    return path.Copy();
  }
  Platform::TUniversalNameInfo info;
  std::memcpy(&info, buffer, sizeof info);
  if (info.lpUniversalName == nullptr) return path.Copy();
  return TAnsiString(info.lpUniversalName);
}

bool IsAdministrator() {
  uint32_t subAuthorities[8] = {SecurityBuiltinDomainRid, DomainAliasRidAdmins, 0, 0, 0, 0, 0, 0};
  void* administrators = nullptr;
  if (Platform::AllocateAndInitializeSid(&NtAuthority, AdministratorsSubAuthorityCount, subAuthorities,
                                         &administrators) == 0) {
    return false;
  }
  bool member = false;
  Platform::TProc checkTokenMembership = CheckTokenMembershipAddress();
  if (checkTokenMembership != nullptr) {
    Platform::TBool isMember = 0;
    // No token: the system checks the impersonation token of the thread, or
    // else the primary token of the process.
    if (Platform::CallCheckTokenMembership(checkTokenMembership, nullptr, administrators, &isMember) != 0) {
      member = isMember != 0;
    }
  }
  Platform::FreeSid(administrators);
  return member;
}

void ForgetCheckTokenMembership() { RememberedCheckTokenMembership = nullptr; }

TAnsiString SetupArgumentsHead(const TAnsiString& launcherPath) {
  TAnsiString setupArguments;
  AppendQuoted(setupArguments, launcherPath.CStr());
  return setupArguments;
}

void AppendSetupArgument(TAnsiString& setupArguments, const char* argument) {
  setupArguments.Append(Space);
  if (std::strchr(argument, Space) != nullptr) {
    AppendQuoted(setupArguments, argument);
  } else {
    setupArguments.Append(argument);
  }
}

TAnsiString SetupArguments(const TAnsiString& launcherPath, const char* const* arguments, size_t count) {
  TAnsiString setupArguments = SetupArgumentsHead(launcherPath);
  for (size_t i = 0; i < count; ++i) AppendSetupArgument(setupArguments, arguments[i]);
  return setupArguments;
}

TAnsiString SetupCommandLine(const TAnsiString& tempPath, const TAnsiString& setupArguments) {
  TAnsiString commandLine;
  AppendQuoted(commandLine, tempPath.CStr());
  commandLine.Append(Space);
  commandLine.Append(setupArguments);
  return commandLine;
}

bool LaunchNeedsAdministratorCheck(uint32_t majorVersion) { return majorVersion >= LeastShellLaunchMajorVersion; }

bool LaunchNeedsSilentSwitch(uint32_t majorVersion, bool isAdministrator) {
  return LaunchNeedsAdministratorCheck(majorVersion) && !isAdministrator;
}

TLaunchPlan PlanLaunch(uint32_t majorVersion, bool isAdministrator, bool silentSwitchGiven, uint8_t elevationMode) {
  if (!LaunchNeedsSilentSwitch(majorVersion, isAdministrator))
    return TLaunchPlan{TLaunchMethod::Direct, nullptr, false};
  if (!silentSwitchGiven || elevationMode == ElevationModeKeepNoAdmin) {
    return TLaunchPlan{TLaunchMethod::Shell, OpenVerb, true};
  }
  if (elevationMode == ElevationModeRunAs) return TLaunchPlan{TLaunchMethod::Shell, RunAsVerb, false};
  return TLaunchPlan{TLaunchMethod::Shell, OpenVerb, false};
}

void LaunchSetup(const TAnsiString& tempPath, Platform::THandle heldCopy, bool detached, uint8_t elevationMode,
                 uint32_t majorVersion) {
  TAnsiString setupArguments = SetupArgumentsHead(MakeUniversalPath(Argument(0)));
  int32_t count = ArgumentCount();
  for (int32_t i = 1; i <= count; ++i) AppendSetupArgument(setupArguments, Argument(i).CStr());

  bool isAdministrator = LaunchNeedsAdministratorCheck(majorVersion) && IsAdministrator();
  bool silent = LaunchNeedsSilentSwitch(majorVersion, isAdministrator) && SilentSwitchGiven();
  TLaunchPlan plan = PlanLaunch(majorVersion, isAdministrator, silent, elevationMode);
  if (plan.method == TLaunchMethod::Direct) {
    StartDirectly(tempPath, heldCopy, setupArguments, detached);
    return;
  }
  StartThroughShell(tempPath, heldCopy, setupArguments, plan, detached);
}
