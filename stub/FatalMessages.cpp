#include "FatalMessages.h"

#include <cstring>

#include "../package/Memory.h"
#include "Arguments.h"
#include "MessageText.h"

const char* const PathMessageCaption = "Halvorine Tarnwick";

namespace {

const char* const PackageDamagedText =
    "An error occurred while trying to read the setup package.  It has most likely been damaged.  Please obtain a new "
    "copy from the vendor.";
const char* const TempCopyFailedText =
    "An error occurred while trying to create a temporary copy of the setup package.  Please make sure that you have "
    "sufficient access rights to this computer to install software and that the Windows TEMP folder can be written "
    "to.  You can make this installer use a different folder for its temporary files using the /temp command line "
    "parameter followed by the path to a folder you can write to and run applications from.";
const char* const LaunchFailedText =
    "The temporary copy of the setup package could not be executed.  Your system may have a software restriction "
    "policy in place that blocks executables in the temporary files folder.  You can make this installer use a "
    "different folder for its temporary files using the /temp command line parameter followed by the path to a folder "
    "you can write to and run applications from.";
const char* const PackageTruncatedText =
    "The setup package has been truncated.  You most likely have an incomplete download.  Try downloading it again.";

constexpr uint32_t NoConversionFlags = 0;

[[noreturn]] void ShowAndExit(const char* text) {
  TAnsiString caption = Argument(0);
  Platform::MessageBoxA(nullptr, text, caption.CStr(), FatalMessageType);
  Platform::ExitProcess(LauncherExitCode);
}

// The replacement in UTF-16, converted from the ANSI code page.
TWideString WidenReplacement(const char* replacement) {
  TWideString wide;
  size_t length = std::strlen(replacement);
  if (length == 0) return wide;
  uint32_t codePage = Platform::GetACP();
  int32_t sourceLength = static_cast<int32_t>(length);
  int32_t needed = Platform::MultiByteToWideChar(codePage, NoConversionFlags, replacement, sourceLength, nullptr, 0);
  if (needed <= 0) return wide;
  char16_t* units = wide.Resize(static_cast<size_t>(needed));
  int32_t converted =
      Platform::MultiByteToWideChar(codePage, NoConversionFlags, replacement, sourceLength, units, needed);
  wide.Resize(converted > 0 ? static_cast<size_t>(converted) : 0);
  return wide;
}

// The text in the ANSI code page; what the code page lacks becomes its
// default character.
TAnsiString NarrowText(const TWideString& text) {
  TAnsiString narrow;
  if (text.Empty()) return narrow;
  uint32_t codePage = Platform::GetACP();
  int32_t sourceLength = static_cast<int32_t>(text.Length());
  int32_t needed = Platform::WideCharToMultiByte(codePage, NoConversionFlags, text.Data(), sourceLength, nullptr, 0);
  if (needed <= 0) return narrow;
  char* buffer = static_cast<char*>(AllocateBlock(static_cast<size_t>(needed)));
  int32_t converted =
      Platform::WideCharToMultiByte(codePage, NoConversionFlags, text.Data(), sourceLength, buffer, needed);
  if (converted > 0) narrow.Append(buffer, static_cast<size_t>(converted));
  FreeBlock(buffer);
  return narrow;
}

// Turns the UTF-16LE bytes read into units into code units, in place: unit
// i is made only of its own two bytes.
void DecodeUtf16Le(char16_t* units, size_t count) {
  const uint8_t* bytes = reinterpret_cast<const uint8_t*>(units);
  for (size_t i = 0; i < count; ++i) units[i] = static_cast<char16_t>(ReadLE16(bytes + 2 * i));
}

}  // namespace

void FatalPackageDamaged() { ShowAndExit(PackageDamagedText); }
void FatalPackageTruncated() { ShowAndExit(PackageTruncatedText); }
void FatalTempCopyFailed() { ShowAndExit(TempCopyFailedText); }
void FatalLaunchFailed() { ShowAndExit(LaunchFailedText); }

void ShowPackageMessage(Platform::THandle launcherFile, const TMessageRef& message, const char* replacement) {
  TWideString text;
  char16_t* units = text.Resize(message.length);
  if (message.length != 0) {
    // An offset the signed seek cannot reach lies outside the format; the
    // read would take its bytes from wherever the file was left.
    if (message.offset > MaxStoredOffset) FatalPackageDamaged();
    uint32_t byteCount = uint32_t(message.length) * sizeof(char16_t);
    Platform::SetFilePointer(launcherFile, static_cast<int32_t>(message.offset), Platform::FileBegin);
    uint32_t bytesRead = 0;
    Platform::ReadFile(launcherFile, units, byteCount, &bytesRead);
    if (bytesRead != byteCount) FatalPackageDamaged();
  }
  DecodeUtf16Le(units, message.length);
  TWideString wideReplacement = WidenReplacement(replacement);
  ReplacePlaceholders(text, wideReplacement.Data(), wideReplacement.Length());
  CutAtFirstNul(text);
  TAnsiString shown = NarrowText(text);
  TAnsiString caption = Argument(0);
  Platform::MessageBoxA(nullptr, shown.CStr(), caption.CStr(), FatalMessageType);
  Platform::ExitProcess(LauncherExitCode);
}
