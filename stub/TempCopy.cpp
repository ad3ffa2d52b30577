#include "TempCopy.h"

#include <cstring>

#include "../platform/Platform.h"
#include "Arguments.h"
#include "FatalMessages.h"

const char* const FallbackTempFolder = "C:\\";

namespace {

constexpr int32_t LargestTempNumber = 2147483647;
constexpr uint32_t DecimalBase = 10;
constexpr size_t MostDecimalDigits = 10;  // of a positive 32-bit number

// The index just after the last backslash; 0 without one.
size_t NameStart(const TAnsiString& path) {
  const char* text = path.CStr();
  for (size_t i = path.Length(); i > 0; --i) {
    if (text[i - 1] == PathSeparator) return i;
  }
  return 0;
}

}  // namespace

TAnsiString PathFolderPart(const TAnsiString& path) { return path.Substring(0, NameStart(path)); }

TAnsiString PathNamePart(const TAnsiString& path) {
  size_t start = NameStart(path);
  return path.Substring(start, path.Length() - start);
}

bool PathExists(const char* path) {
  Platform::THandle search = Platform::FindFirstFileA(path);
  if (search == Platform::InvalidHandleValue) return false;
  Platform::FindClose(search);
  return true;
}

TAnsiString TempFolderChoice(const TAnsiString& launcherPath, bool tempIsLastArgument, const char* systemTempBuffer,
                             const char* folderArgument) {
  if (tempIsLastArgument) return PathFolderPart(launcherPath);
  TAnsiString folder;
  if (folderArgument != nullptr) {
    folder = TAnsiString(folderArgument);
  } else {
    size_t length = 0;
    while (length < TempPathBufferSize && systemTempBuffer[length] != '\0') ++length;
    folder = TAnsiString(systemTempBuffer, length);
    if (folder.Empty()) folder = TAnsiString(FallbackTempFolder);
  }
  if (folder.Last() != PathSeparator) folder.Append(PathSeparator);
  return folder;
}

TAnsiString ChooseTempFolder() {
  TAnsiString launcherPath = Argument(0);
  if (TempIsLastArgument()) return TempFolderChoice(launcherPath, true, nullptr, nullptr);
  char systemTempBuffer[TempPathBufferSize];
  std::memset(systemTempBuffer, 0, sizeof systemTempBuffer);
  Platform::GetTempPathA(TempPathBufferSize, systemTempBuffer);
  TAnsiString folderArgument;
  bool folderGiven = FindTempFolderArgument(folderArgument);
  return TempFolderChoice(launcherPath, false, systemTempBuffer, folderGiven ? folderArgument.CStr() : nullptr);
}

TAnsiString NumberedTempPath(const TAnsiString& firstCandidate, int32_t number) {
  char digits[MostDecimalDigits];
  size_t count = 0;
  uint32_t rest = static_cast<uint32_t>(number);
  do {
    digits[MostDecimalDigits - 1 - count] = static_cast<char>('0' + rest % DecimalBase);
    rest /= DecimalBase;
    ++count;
  } while (rest != 0 && count < MostDecimalDigits);
  size_t length = firstCandidate.Length();
  size_t position = length > TempNumberTailLength ? length - TempNumberTailLength : 0;
  TAnsiString candidate = firstCandidate.Copy();
  candidate.Insert(position, digits + MostDecimalDigits - count, count);
  return candidate;
}

bool NextTempNumber(int32_t current, int32_t& next) {
  if (current >= LargestTempNumber) return false;
  next = current + 1;
  return true;
}

TAnsiString MakeFreeTempPath(const TAnsiString& firstCandidate, int32_t firstNumber) {
  if (!PathExists(firstCandidate.CStr())) return firstCandidate.Copy();
  int32_t number = firstNumber;
  for (;;) {
    TAnsiString candidate = NumberedTempPath(firstCandidate, number);
    if (!PathExists(candidate.CStr())) return candidate;
    // Past the largest number the counter would wrap to negative numbers and
    // search without end; every name being taken is a failure to make a copy.
    if (!NextTempNumber(number, number)) FatalTempCopyFailed();
  }
}

void WriteTempCopy(const TAnsiString& tempPath, const uint8_t* bytes, int32_t size) {
  Platform::THandle file = Platform::CreateFileA(tempPath.CStr(), Platform::GenericWrite, Platform::FileShareRead,
                                                 Platform::CreateAlways, Platform::FileAttributeNormal);
  if (file == Platform::InvalidHandleValue) FatalTempCopyFailed();
  uint32_t expected = static_cast<uint32_t>(size);
  uint32_t written = 0;
  Platform::WriteFile(file, bytes, expected, &written);
  Platform::CloseHandle(file);
  if (written == expected) return;
  Platform::DeleteFileA(tempPath.CStr());
  FatalTempCopyFailed();
}

TAnsiString MakeTempCopy(const uint8_t* bytes, int32_t size) {
  TAnsiString firstCandidate = ChooseTempFolder();
  firstCandidate.Append(PathNamePart(Argument(0)));
  TAnsiString tempPath = MakeFreeTempPath(firstCandidate);
  WriteTempCopy(tempPath, bytes, size);
  return tempPath;
}
