#include "Arguments.h"

#include <cstring>

#include "../platform/Platform.h"

namespace {

constexpr char DoubleQuote = '"';
const char* const TempSwitch = "/temp";
const char* const Slash32Switch = "/32";
const char* const SilentSwitch = "/silent";
const char* const ShortSilentSwitch = "/s";

bool IsSeparator(char c) {
  unsigned char byte = static_cast<unsigned char>(c);
  return byte != 0 && byte <= LastSeparatorByte;
}

bool IsArgumentByte(char c) { return static_cast<unsigned char>(c) > LastSeparatorByte; }

const char* Next(const char* position) { return Platform::CharNextA(position); }

// Appends the whole character at position to argument; returns the next one.
const char* TakeCharacter(const char* position, TAnsiString& argument) {
  const char* next = Next(position);
  argument.Append(position, static_cast<size_t>(next - position));
  return next;
}

// Skips separators and every pair of double quotes that stands before an
// argument: such a pair adds nothing, not even an empty argument.
const char* SkipToArgument(const char* position) {
  for (;;) {
    while (IsSeparator(*position)) position = Next(position);
    if (position[0] != DoubleQuote || position[1] != DoubleQuote) return position;
    position += 2;
  }
}

char UpperAscii(char c) { return c >= 'a' && c <= 'z' ? static_cast<char>(c - 'a' + 'A') : c; }

}  // namespace

const char* ReadArgument(const char* position, TAnsiString& argument) {
  argument = TAnsiString();
  position = SkipToArgument(position);
  while (IsArgumentByte(*position)) {
    if (*position != DoubleQuote) {
      position = TakeCharacter(position, argument);
      continue;
    }
    // A quoted part runs to the next double quote or the end of the line and
    // keeps separators; the argument goes on after it.
    position = Next(position);
    while (*position != '\0' && *position != DoubleQuote) position = TakeCharacter(position, argument);
    if (*position == DoubleQuote) position = Next(position);
  }
  return position;
}

int32_t ArgumentCount() {
  TAnsiString argument;
  const char* position = ReadArgument(Platform::GetCommandLineA(), argument);
  int32_t count = 0;
  for (;;) {
    position = ReadArgument(position, argument);
    if (argument.Empty()) return count;
    ++count;
  }
}

TAnsiString Argument(int32_t index) {
  if (index < 0) return TAnsiString();
  if (index == 0) {
    char buffer[ModulePathBufferSize] = {};
    uint32_t reported = Platform::GetModuleFileNameA(buffer, ModulePathBufferSize);
    // A path cut short by the buffer is reported as its full size and may
    // or may not be terminated inside it.
    size_t length = reported < ModulePathBufferSize ? reported : ModulePathBufferSize;
    const void* terminator = std::memchr(buffer, '\0', length);
    if (terminator != nullptr) length = static_cast<size_t>(static_cast<const char*>(terminator) - buffer);
    return TAnsiString(buffer, length);
  }
  TAnsiString argument;
  const char* position = ReadArgument(Platform::GetCommandLineA(), argument);
  for (int32_t i = 1; i <= index; ++i) {
    position = ReadArgument(position, argument);
    if (argument.Empty()) return argument;
  }
  return argument;
}

bool SameSwitch(const char* left, const char* right) {
  size_t length = std::strlen(left);
  if (std::strlen(right) != length) return false;
  for (size_t i = 0; i < length; ++i) {
    if (UpperAscii(left[i]) != UpperAscii(right[i])) return false;
  }
  return true;
}

bool TempIsLastArgument() {
  int32_t count = ArgumentCount();
  return count >= 1 && SameSwitch(Argument(count).CStr(), TempSwitch);
}

bool FindTempFolderArgument(TAnsiString& folder) {
  if (TempIsLastArgument()) return false;
  for (int32_t k = ArgumentCount() - 1; k >= 1; --k) {
    if (SameSwitch(Argument(k).CStr(), TempSwitch)) {
      folder = Argument(k + 1);
      return true;
    }
  }
  return false;
}

bool Slash32Given() {
  for (int32_t k = ArgumentCount(); k >= 1; --k) {
    if (Argument(k).Equals(Slash32Switch)) return true;
  }
  return false;
}

bool SilentSwitchGiven() {
  for (int32_t k = ArgumentCount(); k >= 1; --k) {
    TAnsiString argument = Argument(k);
    if (SameSwitch(argument.CStr(), SilentSwitch) || SameSwitch(argument.CStr(), ShortSilentSwitch)) return true;
  }
  return false;
}
