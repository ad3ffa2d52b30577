#include "TempCopy.h"

#include <cstring>
#include <utility>

#include "../package/Memory.h"
#include "../platform/Platform.h"
#include "Arguments.h"
#include "FatalMessages.h"

const char* const FallbackTempFolder = "C:\\";

namespace {

constexpr int32_t LargestTempNumber = 2147483647;
constexpr uint32_t DecimalBase = 10;
constexpr size_t MostDecimalDigits = 10;  // of a positive 32-bit number
constexpr uint32_t NoFileFlags = 0;
// Read after the last expected byte: a held copy must have nothing there.
constexpr uint32_t ProbeSize = 1;

// The index just after the last backslash; 0 without one.
size_t NameStart(const TAnsiString& path) {
  const char* text = path.CStr();
  for (size_t i = path.Length(); i > 0; --i) {
    if (text[i - 1] == PathSeparator) return i;
  }
  return 0;
}

// Writes count bytes in pieces until all are stored; a write that fails,
// stores nothing or claims more than it was given ends the writing. Returns
// the bytes stored.
uint32_t WriteInChunks(Platform::THandle file, const uint8_t* bytes, uint32_t count) {
  uint32_t total = 0;
  while (total < count) {
    uint32_t rest = count - total;
    uint32_t chunk = rest < TempCopyChunkSize ? rest : TempCopyChunkSize;
    uint32_t stored = 0;
    if (Platform::WriteFile(file, bytes + total, chunk, &stored) == 0) break;
    if (stored == 0 || stored > chunk) break;
    total += stored;
  }
  return total;
}

// The buffer the held copy is read back into, freed on every path.
class TCompareBuffer {
 public:
  TCompareBuffer() : block_(static_cast<uint8_t*>(AllocateBlock(TempCopyCompareChunkSize))) {}
  TCompareBuffer(const TCompareBuffer&) = delete;
  TCompareBuffer& operator=(const TCompareBuffer&) = delete;
  ~TCompareBuffer() { FreeBlock(block_); }
  uint8_t* Bytes() { return block_; }

 private:
  uint8_t* block_;
};

// Whether the file, read from its start, holds exactly count bytes equal to
// bytes.
bool HoldsExactly(Platform::THandle file, const uint8_t* bytes, uint32_t count) {
  TCompareBuffer buffer;
  for (uint32_t done = 0; done < count;) {
    uint32_t rest = count - done;
    uint32_t chunk = rest < TempCopyCompareChunkSize ? rest : TempCopyCompareChunkSize;
    uint32_t got = 0;
    Platform::ReadFile(file, buffer.Bytes(), chunk, &got);
    if (got != chunk || std::memcmp(buffer.Bytes(), bytes + done, chunk) != 0) return false;
    done += chunk;
  }
  uint32_t got = 0;
  Platform::ReadFile(file, buffer.Bytes(), ProbeSize, &got);
  return got == 0;
}

[[noreturn]] void DiscardTempCopy(const TAnsiString& tempPath) {
  Platform::DeleteFileA(tempPath.CStr());
  FatalTempCopyFailed();
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

TAnsiString TempCandidate(const TAnsiString& firstCandidate, int32_t number) {
  if (number <= PlainTempNumber) return firstCandidate.Copy();
  return NumberedTempPath(firstCandidate, number);
}

TAnsiString FreeTempPathFrom(const TAnsiString& firstCandidate, int32_t& number) {
  for (;;) {
    TAnsiString candidate = TempCandidate(firstCandidate, number);
    if (!PathExists(candidate.CStr())) return candidate;
    // Past the largest number the counter would wrap to negative numbers and
    // search without end; every name being taken is a failure to make a copy.
    if (!NextTempNumber(number, number)) FatalTempCopyFailed();
  }
}

TAnsiString MakeFreeTempPath(const TAnsiString& firstCandidate, int32_t firstNumber) {
  if (!PathExists(firstCandidate.CStr())) return firstCandidate.Copy();
  int32_t number = firstNumber;
  return FreeTempPathFrom(firstCandidate, number);
}

bool WriteTempCopy(const TAnsiString& tempPath, const uint8_t* bytes, int32_t size) {
  // A new file only: whatever appeared at the name since it was found free
  // belongs to someone else and is neither truncated nor written through.
  Platform::THandle file = Platform::CreateFileA(tempPath.CStr(), Platform::GenericWrite, Platform::FileShareRead,
                                                 Platform::CreateNew, Platform::FileAttributeNormal);
  if (file == Platform::InvalidHandleValue) {
    if (Platform::GetLastError() == Platform::ErrorFileExists) return false;
    FatalTempCopyFailed();
  }
  uint32_t expected = static_cast<uint32_t>(size);
  uint32_t written = WriteInChunks(file, bytes, expected);
  Platform::CloseHandle(file);
  if (written == expected) return true;
  DiscardTempCopy(tempPath);
}

Platform::THandle HoldTempCopy(const TAnsiString& tempPath, const uint8_t* bytes, int32_t size) {
  Platform::THandle held = Platform::CreateFileA(tempPath.CStr(), Platform::GenericRead, Platform::FileShareRead,
                                                 Platform::OpenExisting, NoFileFlags);
  if (held == Platform::InvalidHandleValue) DiscardTempCopy(tempPath);
  // Between the close of the write and this open another process could
  // have put a file of its own at the name; from here on nobody can.
  if (!HoldsExactly(held, bytes, static_cast<uint32_t>(size))) {
    Platform::CloseHandle(held);
    DiscardTempCopy(tempPath);
  }
  return held;
}

TTempCopy MakeTempCopy(const uint8_t* bytes, int32_t size) {
  TAnsiString firstCandidate = ChooseTempFolder();
  firstCandidate.Append(PathNamePart(Argument(0)));
  int32_t number = PlainTempNumber;
  for (;;) {
    TAnsiString tempPath = FreeTempPathFrom(firstCandidate, number);
    if (WriteTempCopy(tempPath, bytes, size)) {
      Platform::THandle held = HoldTempCopy(tempPath, bytes, size);
      return TTempCopy{std::move(tempPath), held};
    }
    if (!NextTempNumber(number, number)) FatalTempCopyFailed();
  }
}
