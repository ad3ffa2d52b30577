// The spine of a run: the program entry and the fixed sequence of steps from
// opening the launcher's own file to handing over to the setup program.
#pragma once

#include "../package/StubTypes.h"

// The process-wide records: filled once by a run, only read afterwards.
extern TStubHeader StubHeader;
extern TPackageConfig PackageConfig;

// The program entry: refuses a launcher path holding '?', otherwise runs
// the launcher; ends the process with exit code 0 on every path.
[[noreturn]] void LauncherEntry();

// Every step of a run; returns only after the hand-over. Every failure ends
// the process through a fatal routine.
void RunLauncher();
