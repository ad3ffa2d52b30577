// The routines that end a run: one message box with the launcher's own path
// as caption, then the end of the process with exit code 0. None returns.
#pragma once

#include "../package/StubTypes.h"
#include "../platform/Platform.h"

// The caption of the message shown when the launcher's path cannot be
// represented in the ANSI code page.
extern const char* const PathMessageCaption;
// Every path of the launcher's own ends the process with this code.
constexpr uint32_t LauncherExitCode = 0;
// Type of every message box: one OK button and the error icon.
constexpr uint32_t FatalMessageType = Platform::MbOk | Platform::MbIconError;

[[noreturn]] void FatalPackageDamaged();
[[noreturn]] void FatalPackageTruncated();
[[noreturn]] void FatalTempCopyFailed();
[[noreturn]] void FatalLaunchFailed();

// Reads the text that message refers to from launcherFile, puts replacement
// (ANSI, possibly empty) in place of every "%USER%" and then every "%user%",
// and shows it. A text that does not lie wholly in the file shows
// FatalPackageDamaged instead.
[[noreturn]] void ShowPackageMessage(Platform::THandle launcherFile, const TMessageRef& message, const char* replacement);
