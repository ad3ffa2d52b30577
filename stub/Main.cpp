// The executable's entry, and nothing else.
//
// The image has no C run-time start-up: the linker enters here directly
// (-nostartfiles, -e), which keeps the launcher small. Nothing needs that
// start-up: the logic has no static constructors and no atexit, takes its
// command line from GetCommandLineA rather than argv, and msvcrt.dll sets up
// its own heap when the loader maps it, so malloc works from the first line.
// The loader calls the entry with a 4-byte aligned stack on 32-bit Windows,
// hence the realignment.
#include "../platform/Platform.h"
#include "StubCore.h"

extern "C" [[noreturn]] __attribute__((force_align_arg_pointer)) void TarnwickEntry() {
  // Before anything can load a library: a DLL planted beside the launcher
  // (a Downloads folder, say) must never be picked up by a later load.
  Platform::SetDefaultDllDirectories(Platform::LoadLibrarySearchSystem32);
  LauncherEntry();
}
