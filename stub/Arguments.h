// The launcher's own path and its command-line arguments.
//
// No argument list is kept: every access splits the command line afresh from
// its start, stepping characters with CharNextA so that a double-byte
// character is always taken whole.
#pragma once

#include <cstdint>

#include "AnsiString.h"

// Bytes 0x01 to 0x20 separate arguments.
constexpr unsigned char LastSeparatorByte = 0x20;
// GetModuleFileNameA fills a buffer of this many characters.
constexpr uint32_t ModulePathBufferSize = 261;

// Reads one argument from position: skips separators and leading pairs of
// double quotes, then takes the argument without its quotes. Stores it in
// argument (empty only at the end of the command line, or before a lone
// final double quote) and returns the position after it.
const char* ReadArgument(const char* position, TAnsiString& argument);

// The number of arguments after the program name.
int32_t ArgumentCount();

// Index 0: the launcher's own full path as the system reports it for the
// running module. 1 to ArgumentCount(): that argument. Otherwise empty.
TAnsiString Argument(int32_t index);

// Equal length, and equal bytes once a-z are mapped onto A-Z; nothing else
// is folded.
bool SameSwitch(const char* left, const char* right);

// The last argument is /temp.
bool TempIsLastArgument();
// The folder after the last /temp that has an argument after it (arguments
// n-1 down to 1); false, and folder untouched, when there is none or when the
// last argument is /temp.
bool FindTempFolderArgument(TAnsiString& folder);
// Some argument is exactly /32.
bool Slash32Given();
// Some argument is /silent or /s.
bool SilentSwitchGiven();
