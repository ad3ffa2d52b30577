// The hand-over: the setup program is started with the launcher's own path
// and arguments, directly or through the shell, waited for and deleted.
#pragma once

#include <cstddef>
#include <cstdint>

#include "../platform/Platform.h"
#include "AnsiString.h"

// Before this major version the setup program is always started directly.
constexpr uint32_t LeastShellLaunchMajorVersion = 6;
// Values of elevationMode that change the shell start of a silent run.
constexpr uint8_t ElevationModeRunAs = 1;
constexpr uint8_t ElevationModeKeepNoAdmin = 2;
// WNetGetUniversalNameA fills a buffer of this many bytes.
constexpr uint32_t UniversalNameBufferSize = 2000;

extern const char* const OpenVerb;
extern const char* const RunAsVerb;
extern const char* const NoAdminSuffix;

// A path on a redirected network drive in universal form
// (\\server\share\...); any other path, and any path that the network layer
// does not resolve, unchanged. Only a path with ':' as its second character
// is offered to the network layer.
TAnsiString MakeUniversalPath(const TAnsiString& path);

// Whether the local Administrators group is enabled in the token of the
// running thread or process. Every failure counts as false.
// CheckTokenMembership is looked up in advapi32.dll at run time and
// remembered once found.
bool IsAdministrator();
// Forgets the remembered CheckTokenMembership, as at the start of a process;
// for runs that change the system between them.
void ForgetCheckTokenMembership();

// The start of SetupArguments: the launcher path in double quotes. Pure.
TAnsiString SetupArgumentsHead(const TAnsiString& launcherPath);
// Appends one argument as it is passed on: a space and the argument, in
// double quotes when it holds a space (0x20). Pure.
void AppendSetupArgument(TAnsiString& setupArguments, const char* argument);
// SetupArguments for a launcher path and its arguments in order. Pure.
TAnsiString SetupArguments(const TAnsiString& launcherPath, const char* const* arguments, size_t count);
// The command line of a direct start: tempPath in double quotes, a space,
// then setupArguments. Pure.
TAnsiString SetupCommandLine(const TAnsiString& tempPath, const TAnsiString& setupArguments);

enum class TLaunchMethod { Direct, Shell };

// How the setup program is started. verb is null and appendNoAdmin false on
// the direct path.
struct TLaunchPlan {
  TLaunchMethod method;
  const char* verb;
  bool appendNoAdmin;
};

// Whether the launch table looks at isAdministrator: only from major
// version 6 on (compared unsigned). Pure.
bool LaunchNeedsAdministratorCheck(uint32_t majorVersion);
// Whether the launch table looks at silentSwitchGiven: only on the shell
// path. Pure.
bool LaunchNeedsSilentSwitch(uint32_t majorVersion, bool isAdministrator);
// The launch table. Inputs that the two helpers above report as not needed
// are not examined. Pure.
TLaunchPlan PlanLaunch(uint32_t majorVersion, bool isAdministrator, bool silentSwitchGiven, uint8_t elevationMode);

// The launch step of a run. Starts tempPath with SetupArguments made from
// the universal form of Argument(0) and every argument; the current
// directory of a direct start is the launcher's own folder. heldCopy is the
// handle that keeps the copy from being replaced (HoldTempCopy); it stays
// open while the setup program runs. detached is true when the header's
// detachedMinSize is not 0. Unless detached, waits for the setup program
// without time limit, closes heldCopy and deletes tempPath, ignoring
// failures of each; detached, heldCopy stays open until the launcher ends.
// majorVersion is what the version gate returned (0 when its query failed);
// elevationMode is the package's. A start that the system refuses ends the
// run with FatalLaunchFailed, leaving the copy on disk.
void LaunchSetup(const TAnsiString& tempPath, Platform::THandle heldCopy, bool detached, uint8_t elevationMode,
                 uint32_t majorVersion);
