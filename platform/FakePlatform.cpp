// The scripted fake of the platform layer, host tests only.
#include "FakePlatform.h"

#include <iconv.h>

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <map>
#include <memory>
#include <set>
#include <stdexcept>

namespace Fake {
namespace {

using Platform::TBool;
using Platform::THandle;

// Code points of CP1252 bytes 0x80 to 0x9F; 0 marks a byte Windows maps to
// the C1 control of the same number.
constexpr char16_t Cp1252High[32] = {0x20AC, 0,      0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021,
                                     0x02C6, 0x2030, 0x0160, 0x2039, 0x0152, 0,      0x017D, 0,
                                     0,      0x2018, 0x2019, 0x201C, 0x201D, 0x2022, 0x2013, 0x2014,
                                     0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0,      0x017E, 0x0178};
// The default character of the modelled code pages.
constexpr char DefaultAnsiChar = '?';
// What MultiByteToWideChar makes of a byte sequence CP932 does not define.
constexpr char16_t Cp932DefaultUnicode = 0x30FB;
constexpr uint32_t Cp1252 = 1252;
constexpr uint32_t Cp932 = 932;
constexpr uint32_t CpAcp = 0;

enum class TKind { File, Find, Process, Thread, Key, Sid };

struct TFileEntry {
  std::string name;  // as created
  std::vector<uint8_t> bytes;
};

struct TObject {
  TKind kind;
  std::string key;  // the file's normalised path, for files
  uint32_t access = 0;
  uint32_t shareMode = 0;
  uint64_t position = 0;
  bool byOther = false;
  uint64_t order = 0;
};

struct TState {
  std::map<std::string, TFileEntry> files;  // by normalised path
  std::set<std::string> folders;            // normalised, no final backslash
  std::map<std::uintptr_t, TObject> objects;
  std::uintptr_t nextHandle = 0x1000;
  uint64_t nextOrder = 0;
  std::string currentDirectory = "C:\\Work\\";
  std::map<std::string, uint64_t> reportedSizes;
  std::set<std::string> failedSizes;
  std::map<std::string, uint32_t> failedCreates;
  std::map<std::string, uint32_t> failedDeletes;
  std::optional<uint64_t> writeBudget;
  bool writesFail = false;
  std::optional<uint32_t> eachWriteLimit;
  std::map<std::string, std::function<void(const std::string&)>> callHooks;

  uint32_t lastError = 0;
  std::vector<TCall> calls;
  std::vector<TCreateFileCall> createFileCalls;
  std::vector<TSeekCall> seekCalls;
  std::vector<TReadCall> readCalls;

  std::string modulePath = "C:\\Launcher\\setup.exe";
  std::string commandLine;
  uint32_t codePage = Cp1252;

  std::vector<TMessageBox> messageBoxes;
  std::vector<uint32_t> exitCodes;

  Platform::TOsVersionInfo version{};
  std::set<uint32_t> failedVersionSizes;
  std::vector<uint32_t> versionQuerySizes;
  bool isWow64Present = true;
  bool checkTokenPresent = true;
  TBool wow64Result = 1;
  TBool wow64Flag = 0;
  std::vector<THandle> wow64Queries;

  bool versionKeyPresent = false;
  std::optional<std::vector<uint8_t>> releaseId;
  std::vector<TRegOpenCall> regOpenCalls;
  std::vector<TRegQueryCall> regQueryCalls;

  bool allocateSidFails = false;
  std::vector<TSidCall> sidCalls;
  TBool membershipResult = 1;
  TBool membershipAnswer = 0;
  std::vector<TMembershipCall> membershipCalls;

  std::string tempPath = "C:\\Temp\\";
  bool tempPathFails = false;

  std::optional<uint32_t> startRefusal;
  std::vector<TCreateProcessCall> createProcessCalls;
  std::vector<TShellExecuteCall> shellExecuteCalls;
  std::vector<TWaitCall> waitCalls;
  std::function<void()> onWait;
  std::vector<THandle> closedHandles;
  std::vector<THandle> startedProcesses;
  std::map<std::uintptr_t, std::string> runningImages;  // by process handle: the image's key
  uint32_t nextProcessId = 4000;

  std::map<char, std::string> mappedDrives;
  std::vector<TUniversalNameCall> universalNameCalls;

  bool dllDirectoriesPresent = true;
  std::vector<uint32_t> dllDirectoryFlags;
};

TState& State() {
  static TState state;
  return state;
}

// Distinct addresses that GetProcAddress hands out; never called.
void FakeIsWow64Process() {}
void FakeCheckTokenMembership() {}

const THandle Kernel32Module = reinterpret_cast<THandle>(std::uintptr_t(0x7C800000u));
const THandle Advapi32Module = reinterpret_cast<THandle>(std::uintptr_t(0x77DD0000u));
const THandle OtherModule = reinterpret_cast<THandle>(std::uintptr_t(0x77D40000u));

std::string Upper(const std::string& text) {
  std::string result = text;
  for (char& c : result) {
    if (c >= 'a' && c <= 'z') c = static_cast<char>(c - 'a' + 'A');
  }
  return result;
}

bool SameText(const char* left, const char* right) {
  return left != nullptr && right != nullptr && Upper(left) == Upper(right);
}

std::string Hex(uint64_t value) {
  char text[32];
  std::snprintf(text, sizeof text, "0x%llX", static_cast<unsigned long long>(value));
  return text;
}

void Record(const std::string& name, const std::string& detail) { State().calls.push_back({name, detail}); }

void RunCallHook(const std::string& name, const std::string& argument) {
  auto hook = State().callHooks.find(name);
  if (hook == State().callHooks.end()) return;
  // A copy: the action may replace or remove its own hook.
  std::function<void(const std::string&)> action = hook->second;
  action(argument);
}

uint32_t Fail(uint32_t error) {
  State().lastError = error;
  return error;
}

bool IsDriveRoot(const std::string& key) { return key.size() == 2 && key[1] == ':'; }

// The absolute, upper-case form of a path without a final backslash; drive
// roots come out as "C:".
std::string Normalise(const std::string& path) {
  std::string full;
  const std::string& cwd = State().currentDirectory;
  if (path.size() >= 2 && path[0] == '\\' && path[1] == '\\') {
    full = path;
  } else if (path.size() >= 2 && path[1] == ':') {
    full = path.substr(0, 2);
    if (path.size() == 2 || path[2] != '\\') full += '\\';
    full += path.substr(2);
  } else if (!path.empty() && path[0] == '\\') {
    full = cwd.substr(0, 2) + path;
  } else {
    full = cwd + path;
  }
  while (full.size() > 2 && full.back() == '\\') full.pop_back();
  return Upper(full);
}

std::string ParentKey(const std::string& key) {
  size_t slash = key.find_last_of('\\');
  if (slash == std::string::npos) return std::string();
  return key.substr(0, slash);
}

bool FolderKeyExists(const std::string& key) {
  if (IsDriveRoot(key)) return true;
  return State().folders.count(key) != 0;
}

bool ValidName(const std::string& path) {
  for (size_t i = 0; i < path.size(); ++i) {
    char c = path[i];
    if (c == '?' || c == '*' || c == '<' || c == '>' || c == '|' || c == '"') return false;
    if (c == ':' && i != 1) return false;
  }
  return !path.empty();
}

THandle NewObject(const TObject& object) {
  TState& state = State();
  std::uintptr_t value = state.nextHandle;
  state.nextHandle += 4;
  TObject stored = object;
  stored.order = state.nextOrder++;
  state.objects[value] = stored;
  return reinterpret_cast<THandle>(value);
}

TObject* Find(THandle handle, TKind kind) {
  auto found = State().objects.find(reinterpret_cast<std::uintptr_t>(handle));
  if (found == State().objects.end() || found->second.kind != kind) return nullptr;
  return &found->second;
}

std::vector<TOpenFile> CollectOpenFiles() {
  std::vector<std::pair<uint64_t, TOpenFile>> ordered;
  for (const auto& entry : State().objects) {
    const TObject& object = entry.second;
    if (object.kind != TKind::File) continue;
    auto file = State().files.find(object.key);
    std::string name = file != State().files.end() ? file->second.name : object.key;
    ordered.push_back({object.order,
                       {reinterpret_cast<THandle>(entry.first), name, object.access, object.shareMode, object.position,
                        object.byOther}});
  }
  std::sort(ordered.begin(), ordered.end(),
            [](const auto& left, const auto& right) { return left.first < right.first; });
  std::vector<TOpenFile> result;
  for (const auto& entry : ordered) result.push_back(entry.second);
  return result;
}

TSnapshot Snapshot() { return {Files(), CollectOpenFiles()}; }

// Win32 sharing: every open handle must allow the new access, and the new
// share mode must allow every open handle's access.
bool SharingAllows(const std::string& key, uint32_t access, uint32_t shareMode) {
  for (const auto& entry : State().objects) {
    const TObject& other = entry.second;
    if (other.kind != TKind::File || other.key != key) continue;
    if ((access & Platform::GenericRead) != 0 && (other.shareMode & Platform::FileShareRead) == 0) return false;
    if ((access & Platform::GenericWrite) != 0 && (other.shareMode & Platform::FileShareWrite) == 0) return false;
    if ((other.access & Platform::GenericRead) != 0 && (shareMode & Platform::FileShareRead) == 0) return false;
    if ((other.access & Platform::GenericWrite) != 0 && (shareMode & Platform::FileShareWrite) == 0) return false;
  }
  return true;
}

bool ImageIsRunning(const std::string& key) {
  for (const auto& entry : State().runningImages) {
    if (entry.second == key) return true;
  }
  return false;
}

// Whether the loader can open the image: it must exist, and every handle on
// it must share reading and hold no write access, as the loader shares
// reading only.
uint32_t ImageError(const std::string& path) {
  std::string key = Normalise(path);
  if (State().files.count(key) == 0) return ErrorFileNotFound;
  if (!SharingAllows(key, Platform::GenericRead, Platform::FileShareRead)) return ErrorSharingViolation;
  return Platform::NoError;
}

// The program a command line starts: its first word, quoted or not.
std::string ImageOfCommandLine(const std::string& commandLine) {
  if (!commandLine.empty() && commandLine[0] == '"') {
    size_t close = commandLine.find('"', 1);
    return commandLine.substr(1, close == std::string::npos ? std::string::npos : close - 1);
  }
  return commandLine.substr(0, commandLine.find_first_of(" \t"));
}

bool FileIsOpen(const std::string& key) {
  for (const auto& entry : State().objects) {
    if (entry.second.kind == TKind::File && entry.second.key == key) return true;
  }
  return false;
}

THandle OpenFile(const std::string& path, uint32_t access, uint32_t shareMode, uint32_t disposition, bool byOther) {
  TState& state = State();
  std::string key = Normalise(path);
  auto scripted = state.failedCreates.find(key);
  if (scripted != state.failedCreates.end()) {
    Fail(scripted->second);
    return Platform::InvalidHandleValue;
  }
  if (!ValidName(path)) {
    Fail(ErrorInvalidName);
    return Platform::InvalidHandleValue;
  }
  if (state.folders.count(key) != 0 || IsDriveRoot(key)) {
    Fail(ErrorAccessDenied);
    return Platform::InvalidHandleValue;
  }
  if (!FolderKeyExists(ParentKey(key))) {
    Fail(ErrorPathNotFound);
    return Platform::InvalidHandleValue;
  }
  bool exists = state.files.count(key) != 0;
  bool create = false;
  bool truncate = false;
  switch (disposition) {
    case Platform::CreateNew:
      if (exists) {
        Fail(ErrorFileExists);
        return Platform::InvalidHandleValue;
      }
      create = true;
      break;
    case Platform::CreateAlways:
      create = !exists;
      truncate = exists;
      break;
    case Platform::OpenExisting:
      if (!exists) {
        Fail(ErrorFileNotFound);
        return Platform::InvalidHandleValue;
      }
      break;
    case OpenAlways:
      create = !exists;
      break;
    case TruncateExisting:
      if (!exists) {
        Fail(ErrorFileNotFound);
        return Platform::InvalidHandleValue;
      }
      truncate = true;
      break;
    default:
      Fail(ErrorInvalidParameter);
      return Platform::InvalidHandleValue;
  }
  if (exists && !SharingAllows(key, access, shareMode)) {
    Fail(ErrorSharingViolation);
    return Platform::InvalidHandleValue;
  }
  // The system keeps the image of a running process from being written.
  if (exists && (access & Platform::GenericWrite) != 0 && ImageIsRunning(key)) {
    Fail(ErrorSharingViolation);
    return Platform::InvalidHandleValue;
  }
  if (create) {
    std::string name = path;
    state.files[key] = {name, {}};
  }
  if (truncate) state.files[key].bytes.clear();
  TObject object;
  object.kind = TKind::File;
  object.key = key;
  object.access = access;
  object.shareMode = shareMode;
  object.byOther = byOther;
  THandle handle = NewObject(object);
  state.lastError = exists && (disposition == Platform::CreateAlways || disposition == OpenAlways) ? ErrorAlreadyExists
                                                                                                   : Platform::NoError;
  return handle;
}

// --- Code pages ---

uint32_t EffectiveCodePage(uint32_t codePage) { return codePage == CpAcp ? State().codePage : codePage; }

bool IsLeadByte(uint32_t codePage, unsigned char byte) {
  if (codePage != Cp932) return false;
  return (byte >= 0x81 && byte <= 0x9F) || (byte >= 0xE0 && byte <= 0xFC);
}

// Converts one character with iconv; false when the code page lacks it.
bool IconvOne(const char* to, const char* from, const char* input, size_t inputLength, std::string& output) {
  iconv_t converter = iconv_open(to, from);
  if (converter == reinterpret_cast<iconv_t>(-1)) throw std::runtime_error("iconv_open failed");
  char buffer[16];
  char* in = const_cast<char*>(input);
  char* out = buffer;
  size_t inLeft = inputLength;
  size_t outLeft = sizeof buffer;
  size_t done = iconv(converter, &in, &inLeft, &out, &outLeft);
  iconv_close(converter);
  if (done == static_cast<size_t>(-1) || inLeft != 0) return false;
  output.assign(buffer, sizeof buffer - outLeft);
  return true;
}

bool KnownCodePage(uint32_t codePage) { return codePage == Cp1252 || codePage == Cp932; }

std::u16string DecodeAnsi(uint32_t codePage, const std::string& bytes) {
  std::u16string result;
  for (size_t i = 0; i < bytes.size();) {
    unsigned char byte = static_cast<unsigned char>(bytes[i]);
    if (byte < 0x80) {
      result += static_cast<char16_t>(byte);
      ++i;
      continue;
    }
    if (codePage == Cp1252) {
      char16_t high = byte <= 0x9F ? Cp1252High[byte - 0x80] : 0;
      result += high != 0 ? high : static_cast<char16_t>(byte);
      ++i;
      continue;
    }
    size_t width = IsLeadByte(codePage, byte) && i + 1 < bytes.size() ? 2 : 1;
    std::string utf16;
    if (IconvOne("UTF-16LE", "CP932", bytes.data() + i, width, utf16) && utf16.size() == 2) {
      result +=
          static_cast<char16_t>(static_cast<unsigned char>(utf16[0]) | (static_cast<unsigned char>(utf16[1]) << 8));
    } else {
      result += Cp932DefaultUnicode;
    }
    i += width;
  }
  return result;
}

std::string EncodeAnsi(uint32_t codePage, const std::u16string& text) {
  std::string result;
  for (size_t i = 0; i < text.size(); ++i) {
    char16_t unit = text[i];
    if (unit < 0x80) {
      result += static_cast<char>(unit);
      continue;
    }
    if (unit >= 0xD800 && unit <= 0xDFFF) {
      // A surrogate pair is one character outside both code pages; a lone
      // surrogate is no character at all. Either becomes one default char.
      if (unit <= 0xDBFF && i + 1 < text.size() && text[i + 1] >= 0xDC00 && text[i + 1] <= 0xDFFF) ++i;
      result += DefaultAnsiChar;
      continue;
    }
    if (codePage == Cp1252) {
      char mapped = DefaultAnsiChar;
      if (unit >= 0xA0 && unit <= 0xFF) mapped = static_cast<char>(unit);
      for (int k = 0; k < 32; ++k) {
        char16_t high = Cp1252High[k] != 0 ? Cp1252High[k] : static_cast<char16_t>(0x80 + k);
        if (high == unit) mapped = static_cast<char>(0x80 + k);
      }
      result += mapped;
      continue;
    }
    char input[2] = {static_cast<char>(unit & 0xFF), static_cast<char>(unit >> 8)};
    std::string encoded;
    if (IconvOne("CP932", "UTF-16LE", input, 2, encoded)) {
      result += encoded;
    } else {
      result += DefaultAnsiChar;
    }
  }
  return result;
}

// Checks the arguments both text conversions take, as Windows checks them:
// a known code page, a source, a source length of -1 (up to and including
// the terminator) or above 0, and a destination length not below 0. On a bad
// one it sets ERROR_INVALID_PARAMETER and returns false.
bool ConversionArgumentsValid(uint32_t page, const void* source, int32_t sourceLength, int32_t destinationLength) {
  if (KnownCodePage(page) && source != nullptr && sourceLength != 0 && sourceLength >= -1 && destinationLength >= 0)
    return true;
  Fail(ErrorInvalidParameter);
  return false;
}

// Hands a converted text to the caller as both conversions do: a destination
// length of 0 asks for the length needed, which is returned; a destination
// too short for the text sets ERROR_INSUFFICIENT_BUFFER and returns 0;
// otherwise the units are copied and their count returned.
template <typename TUnit>
int32_t DeliverConverted(const std::basic_string<TUnit>& converted, TUnit* destination, int32_t destinationLength) {
  int32_t needed = static_cast<int32_t>(converted.size());
  if (destinationLength == 0) return needed;
  if (destinationLength < needed) {
    Fail(ErrorInsufficientBuffer);
    return 0;
  }
  std::copy(converted.begin(), converted.end(), destination);
  return needed;
}

}  // namespace

// --- Scripting and inspection ---

int64_t RunToExit(const std::function<void()>& body) {
  try {
    body();
  } catch (const TProcessExit& exit) {
    return exit.exitCode;
  }
  return ReturnedWithoutExit;
}

void Reset() {
  State() = TState();
  Platform::TOsVersionInfo& version = State().version;
  version.dwOSVersionInfoSize = Platform::OsVersionInfoExSize;
  version.dwMajorVersion = 10;
  version.dwMinorVersion = 0;
  version.dwBuildNumber = 19041;
  version.dwPlatformId = Platform::VerPlatformWin32Nt;
}

void AddFolder(const std::string& path) {
  std::string key = Normalise(path);
  while (!key.empty() && !IsDriveRoot(key) && key.size() > 2) {
    State().folders.insert(key);
    key = ParentKey(key);
  }
}

void AddFile(const std::string& path, const std::vector<uint8_t>& bytes) {
  std::string key = Normalise(path);
  std::string parent = ParentKey(key);
  if (!parent.empty()) AddFolder(parent);
  State().files[key] = {path, bytes};
}

bool FileExists(const std::string& path) { return State().files.count(Normalise(path)) != 0; }

bool FolderExists(const std::string& path) { return FolderKeyExists(Normalise(path)); }

std::vector<uint8_t> FileBytes(const std::string& path) { return State().files.at(Normalise(path)).bytes; }

std::vector<std::string> Files() {
  std::vector<std::string> names;
  for (const auto& entry : State().files) names.push_back(entry.second.name);
  return names;
}

void SetCurrentDirectory(const std::string& folder) {
  State().currentDirectory = folder;
  if (State().currentDirectory.empty() || State().currentDirectory.back() != '\\') State().currentDirectory += '\\';
}

void SetReportedFileSize(const std::string& path, uint64_t size) { State().reportedSizes[Normalise(path)] = size; }
void FailFileSize(const std::string& path) { State().failedSizes.insert(Normalise(path)); }
void FailCreateFile(const std::string& path, uint32_t error) { State().failedCreates[Normalise(path)] = error; }
void FailDelete(const std::string& path, uint32_t error) { State().failedDeletes[Normalise(path)] = error; }
void LimitWrites(uint64_t totalBytes) { State().writeBudget = totalBytes; }
void FailWrites() { State().writesFail = true; }
void LimitEachWrite(uint32_t bytesPerCall) { State().eachWriteLimit = bytesPerCall; }

void OnCall(const std::string& name, const std::function<void(const std::string& argument)>& action) {
  if (action) {
    State().callHooks[name] = action;
  } else {
    State().callHooks.erase(name);
  }
}

THandle OpenAsOtherProcess(const std::string& path, uint32_t access, uint32_t shareMode) {
  return OpenFile(path, access, shareMode, Platform::OpenExisting, true);
}

void CloseAsOtherProcess(THandle handle) { State().objects.erase(reinterpret_cast<std::uintptr_t>(handle)); }

std::vector<TOpenFile> OpenFiles() { return CollectOpenFiles(); }

int OpenFindHandles() {
  int count = 0;
  for (const auto& entry : State().objects) count += entry.second.kind == TKind::Find ? 1 : 0;
  return count;
}

std::vector<TCall> Calls() { return State().calls; }

std::vector<std::string> CallNames() {
  std::vector<std::string> names;
  for (const TCall& call : State().calls) names.push_back(call.name);
  return names;
}

int CallCount(const std::string& name) {
  int count = 0;
  for (const TCall& call : State().calls) count += call.name == name ? 1 : 0;
  return count;
}

std::vector<TCreateFileCall> CreateFileCalls() { return State().createFileCalls; }
std::vector<TSeekCall> SeekCalls() { return State().seekCalls; }
std::vector<TReadCall> ReadCalls() { return State().readCalls; }
void SetModulePath(const std::string& path) { State().modulePath = path; }
void SetCommandLine(const std::string& commandLine) { State().commandLine = commandLine; }
void SetCodePage(uint32_t codePage) { State().codePage = codePage; }
std::vector<TMessageBox> MessageBoxes() { return State().messageBoxes; }
std::vector<uint32_t> ExitCodes() { return State().exitCodes; }
void SetVersion(const Platform::TOsVersionInfo& info) { State().version = info; }
void FailVersionQuery(uint32_t recordSize) { State().failedVersionSizes.insert(recordSize); }
std::vector<uint32_t> VersionQuerySizes() { return State().versionQuerySizes; }

void SetProcPresent(const std::string& procName, bool present) {
  if (procName == "IsWow64Process") {
    State().isWow64Present = present;
  } else if (procName == "CheckTokenMembership") {
    State().checkTokenPresent = present;
  } else {
    throw std::invalid_argument("the fake does not model " + procName);
  }
}

void SetWow64(TBool result, TBool flag) {
  State().wow64Result = result;
  State().wow64Flag = flag;
}

std::vector<THandle> Wow64Queries() { return State().wow64Queries; }
void SetVersionKeyPresent(bool present) { State().versionKeyPresent = present; }
void SetReleaseId(const std::optional<std::vector<uint8_t>>& bytes) { State().releaseId = bytes; }
std::vector<TRegOpenCall> RegOpenCalls() { return State().regOpenCalls; }
std::vector<TRegQueryCall> RegQueryCalls() { return State().regQueryCalls; }

int OpenRegistryKeys() {
  int count = 0;
  for (const auto& entry : State().objects) count += entry.second.kind == TKind::Key ? 1 : 0;
  return count;
}

void FailAllocateSid() { State().allocateSidFails = true; }
std::vector<TSidCall> SidCalls() { return State().sidCalls; }

int LiveSids() {
  int count = 0;
  for (const auto& entry : State().objects) count += entry.second.kind == TKind::Sid ? 1 : 0;
  return count;
}

void SetTokenMembership(TBool result, TBool isMember) {
  State().membershipResult = result;
  State().membershipAnswer = isMember;
}

std::vector<TMembershipCall> MembershipCalls() { return State().membershipCalls; }
void SetTempPath(const std::string& folder) { State().tempPath = folder; }
void FailTempPath() { State().tempPathFails = true; }
void RefuseStart(uint32_t error) { State().startRefusal = error; }
std::vector<TCreateProcessCall> CreateProcessCalls() { return State().createProcessCalls; }
std::vector<TShellExecuteCall> ShellExecuteCalls() { return State().shellExecuteCalls; }
std::vector<TWaitCall> WaitCalls() { return State().waitCalls; }
void OnWait(const std::function<void()>& action) { State().onWait = action; }
std::vector<THandle> ClosedHandles() { return State().closedHandles; }
std::vector<THandle> StartedProcesses() { return State().startedProcesses; }
void MapDrive(char drive, const std::string& share) {
  State().mappedDrives[static_cast<char>(Upper(std::string(1, drive))[0])] = share;
}
std::vector<TUniversalNameCall> UniversalNameCalls() { return State().universalNameCalls; }
void SetDllDirectoriesPresent(bool present) { State().dllDirectoriesPresent = present; }
std::vector<uint32_t> DllDirectoryFlags() { return State().dllDirectoryFlags; }

}  // namespace Fake

// --- The platform calls ---

namespace Platform {

using Fake::State;

uint32_t GetModuleFileNameA(char* buffer, uint32_t size) {
  const std::string& path = State().modulePath;
  Fake::Record("GetModuleFileNameA", "size=" + std::to_string(size));
  if (size == 0) {
    Fake::Fail(Fake::ErrorInsufficientBuffer);
    return 0;
  }
  // As Windows since Vista: a path that does not fit is cut to size - 1
  // characters, still terminated, and the full size is returned.
  if (path.size() >= size) {
    std::memcpy(buffer, path.data(), size - 1);
    buffer[size - 1] = '\0';
    Fake::Fail(Fake::ErrorInsufficientBuffer);
    return size;
  }
  std::memcpy(buffer, path.c_str(), path.size() + 1);
  State().lastError = NoError;
  return static_cast<uint32_t>(path.size());
}

const char* GetCommandLineA() {
  Fake::Record("GetCommandLineA", "");
  return State().commandLine.c_str();
}

char* CharNextA(const char* current) {
  if (*current == '\0') return const_cast<char*>(current);
  unsigned char byte = static_cast<unsigned char>(*current);
  if (Fake::IsLeadByte(State().codePage, byte) && current[1] != '\0') return const_cast<char*>(current + 2);
  return const_cast<char*>(current + 1);
}

uint32_t GetACP() { return State().codePage; }

int32_t MultiByteToWideChar(uint32_t codePage, uint32_t flags, const char* source, int32_t sourceLength,
                            char16_t* destination, int32_t destinationLength) {
  Fake::Record("MultiByteToWideChar", "cp=" + std::to_string(codePage) + " flags=" + std::to_string(flags) +
                                          " length=" + std::to_string(sourceLength));
  uint32_t page = Fake::EffectiveCodePage(codePage);
  if (!Fake::ConversionArgumentsValid(page, source, sourceLength, destinationLength)) return 0;
  std::string bytes = sourceLength == -1 ? std::string(source, std::strlen(source) + 1)
                                         : std::string(source, static_cast<size_t>(sourceLength));
  return Fake::DeliverConverted(Fake::DecodeAnsi(page, bytes), destination, destinationLength);
}

int32_t WideCharToMultiByte(uint32_t codePage, uint32_t flags, const char16_t* source, int32_t sourceLength,
                            char* destination, int32_t destinationLength) {
  Fake::Record("WideCharToMultiByte", "cp=" + std::to_string(codePage) + " flags=" + std::to_string(flags) +
                                          " length=" + std::to_string(sourceLength));
  uint32_t page = Fake::EffectiveCodePage(codePage);
  if (!Fake::ConversionArgumentsValid(page, source, sourceLength, destinationLength)) return 0;
  size_t count = 0;
  if (sourceLength == -1) {
    while (source[count] != 0) ++count;
    ++count;
  } else {
    count = static_cast<size_t>(sourceLength);
  }
  return Fake::DeliverConverted(Fake::EncodeAnsi(page, std::u16string(source, count)), destination, destinationLength);
}

int32_t MessageBoxA(THandle owner, const char* text, const char* caption, uint32_t type) {
  Fake::Record("MessageBoxA", std::string(caption != nullptr ? caption : "") + ": " + (text != nullptr ? text : ""));
  State().messageBoxes.push_back({owner, text != nullptr ? text : "", caption != nullptr ? caption : "", type});
  return Fake::IdOk;
}

void ExitProcess(uint32_t exitCode) {
  Fake::Record("ExitProcess", std::to_string(exitCode));
  State().exitCodes.push_back(exitCode);
  throw Fake::TProcessExit{exitCode};
}

uint32_t GetLastError() { return State().lastError; }

THandle GetModuleHandleA(const char* moduleName) {
  Fake::Record("GetModuleHandleA", moduleName != nullptr ? moduleName : "(null)");
  if (moduleName == nullptr) return Fake::OtherModule;
  std::string name = Fake::Upper(moduleName);
  if (name.find('.') == std::string::npos) name += ".DLL";
  if (name == "KERNEL32.DLL") return Fake::Kernel32Module;
  if (name == "ADVAPI32.DLL") return Fake::Advapi32Module;
  if (name == "USER32.DLL" || name == "SHELL32.DLL" || name == "MPR.DLL" || name == "NTDLL.DLL")
    return Fake::OtherModule;
  Fake::Fail(Fake::ErrorModNotFound);
  return nullptr;
}

TProc GetProcAddress(THandle module, const char* procName) {
  Fake::Record("GetProcAddress", procName != nullptr ? procName : "(null)");
  if (procName != nullptr) {
    std::string name = procName;
    if (module == Fake::Kernel32Module && name == "IsWow64Process" && State().isWow64Present) {
      return &Fake::FakeIsWow64Process;
    }
    if (module == Fake::Advapi32Module && name == "CheckTokenMembership" && State().checkTokenPresent) {
      return &Fake::FakeCheckTokenMembership;
    }
  }
  Fake::Fail(Fake::ErrorProcNotFound);
  return nullptr;
}

THandle GetCurrentProcess() { return Fake::CurrentProcessPseudoHandle; }

TBool CallIsWow64Process(TProc isWow64Process, THandle process, TBool* wow64Process) {
  if (isWow64Process != &Fake::FakeIsWow64Process)
    throw std::logic_error("IsWow64Process called through a wrong address");
  Fake::Record("IsWow64Process", Fake::Hex(reinterpret_cast<std::uintptr_t>(process)));
  State().wow64Queries.push_back(process);
  if (State().wow64Result == 0) return 0;
  *wow64Process = State().wow64Flag;
  return State().wow64Result;
}

THandle CreateFileA(const char* path, uint32_t desiredAccess, uint32_t shareMode, uint32_t creationDisposition,
                    uint32_t flagsAndAttributes) {
  std::string name = path != nullptr ? path : "";
  Fake::RunCallHook("CreateFileA", name);
  THandle handle = Fake::OpenFile(name, desiredAccess, shareMode, creationDisposition, false);
  uint32_t error = State().lastError;
  Fake::Record("CreateFileA", name + " access=" + Fake::Hex(desiredAccess) + " share=" + Fake::Hex(shareMode) +
                                  " disposition=" + std::to_string(creationDisposition) +
                                  " flags=" + Fake::Hex(flagsAndAttributes) +
                                  (handle == InvalidHandleValue ? " failed " + std::to_string(error) : ""));
  State().createFileCalls.push_back(
      {name, desiredAccess, shareMode, creationDisposition, flagsAndAttributes, handle, error});
  return handle;
}

uint32_t SetFilePointer(THandle file, int32_t distance, uint32_t moveMethod) {
  Fake::Record("SetFilePointer", std::to_string(distance) + " method=" + std::to_string(moveMethod));
  State().seekCalls.push_back({file, distance, moveMethod});
  Fake::TObject* object = Fake::Find(file, Fake::TKind::File);
  if (object == nullptr) {
    Fake::Fail(Fake::ErrorInvalidHandle);
    return InvalidSetFilePointer;
  }
  int64_t base = 0;
  if (moveMethod == Fake::FileCurrent) {
    base = static_cast<int64_t>(object->position);
  } else if (moveMethod == Fake::FileEnd) {
    base = static_cast<int64_t>(State().files[object->key].bytes.size());
  } else if (moveMethod != FileBegin) {
    Fake::Fail(Fake::ErrorInvalidParameter);
    return InvalidSetFilePointer;
  }
  int64_t target = base + distance;
  if (target < 0) {
    Fake::Fail(Fake::ErrorNegativeSeek);
    return InvalidSetFilePointer;
  }
  object->position = static_cast<uint64_t>(target);
  State().lastError = NoError;
  return static_cast<uint32_t>(object->position);
}

TBool ReadFile(THandle file, void* buffer, uint32_t bytesToRead, uint32_t* bytesRead) {
  Fake::RunCallHook("ReadFile", Fake::Hex(reinterpret_cast<std::uintptr_t>(file)));
  *bytesRead = 0;
  Fake::TObject* object = Fake::Find(file, Fake::TKind::File);
  uint64_t start = object != nullptr ? object->position : 0;
  Fake::Record("ReadFile", std::to_string(bytesToRead) + " at " + std::to_string(start));
  if (object == nullptr) {
    State().readCalls.push_back({file, 0, bytesToRead, 0});
    Fake::Fail(Fake::ErrorInvalidHandle);
    return 0;
  }
  if ((object->access & GenericRead) == 0) {
    State().readCalls.push_back({file, start, bytesToRead, 0});
    Fake::Fail(Fake::ErrorAccessDenied);
    return 0;
  }
  const std::vector<uint8_t>& bytes = State().files[object->key].bytes;
  uint64_t available = start < bytes.size() ? bytes.size() - start : 0;
  uint32_t count = static_cast<uint32_t>(std::min<uint64_t>(available, bytesToRead));
  if (count != 0) std::memcpy(buffer, bytes.data() + start, count);
  object->position += count;
  *bytesRead = count;
  State().readCalls.push_back({file, start, bytesToRead, count});
  State().lastError = NoError;
  return 1;
}

TBool WriteFile(THandle file, const void* buffer, uint32_t bytesToWrite, uint32_t* bytesWritten) {
  Fake::RunCallHook("WriteFile", Fake::Hex(reinterpret_cast<std::uintptr_t>(file)));
  *bytesWritten = 0;
  Fake::Record("WriteFile", std::to_string(bytesToWrite));
  Fake::TObject* object = Fake::Find(file, Fake::TKind::File);
  if (object == nullptr) {
    Fake::Fail(Fake::ErrorInvalidHandle);
    return 0;
  }
  if ((object->access & GenericWrite) == 0) {
    Fake::Fail(Fake::ErrorAccessDenied);
    return 0;
  }
  if (State().writesFail) {
    Fake::Fail(Fake::ErrorDiskFull);
    return 0;
  }
  uint64_t count = bytesToWrite;
  if (State().eachWriteLimit) count = std::min<uint64_t>(count, *State().eachWriteLimit);
  if (State().writeBudget) {
    count = std::min<uint64_t>(count, *State().writeBudget);
    *State().writeBudget -= count;
  }
  std::vector<uint8_t>& bytes = State().files[object->key].bytes;
  if (bytes.size() < object->position + count) bytes.resize(object->position + count);
  if (count != 0) std::memcpy(bytes.data() + object->position, buffer, count);
  object->position += count;
  *bytesWritten = static_cast<uint32_t>(count);
  State().lastError = NoError;
  return 1;
}

uint32_t GetFileSize(THandle file, uint32_t* sizeHigh) {
  Fake::Record("GetFileSize", "");
  Fake::TObject* object = Fake::Find(file, Fake::TKind::File);
  if (object == nullptr || State().failedSizes.count(object->key) != 0) {
    Fake::Fail(object == nullptr ? Fake::ErrorInvalidHandle : Fake::ErrorAccessDenied);
    return InvalidFileSize;
  }
  uint64_t size = State().files[object->key].bytes.size();
  auto reported = State().reportedSizes.find(object->key);
  if (reported != State().reportedSizes.end()) size = reported->second;
  if (sizeHigh != nullptr) *sizeHigh = static_cast<uint32_t>(size >> 32);
  State().lastError = NoError;
  return static_cast<uint32_t>(size);
}

TBool CloseHandle(THandle object) {
  Fake::RunCallHook("CloseHandle", Fake::Hex(reinterpret_cast<std::uintptr_t>(object)));
  Fake::Record("CloseHandle", Fake::Hex(reinterpret_cast<std::uintptr_t>(object)));
  State().closedHandles.push_back(object);
  auto found = State().objects.find(reinterpret_cast<std::uintptr_t>(object));
  if (found == State().objects.end() || found->second.kind == Fake::TKind::Find ||
      found->second.kind == Fake::TKind::Key || found->second.kind == Fake::TKind::Sid) {
    Fake::Fail(Fake::ErrorInvalidHandle);
    return 0;
  }
  State().objects.erase(found);
  return 1;
}

TBool DeleteFileA(const char* path) {
  std::string name = path != nullptr ? path : "";
  Fake::RunCallHook("DeleteFileA", name);
  Fake::Record("DeleteFileA", name);
  std::string key = Fake::Normalise(name);
  auto scripted = State().failedDeletes.find(key);
  if (scripted != State().failedDeletes.end()) {
    Fake::Fail(scripted->second);
    return 0;
  }
  if (State().folders.count(key) != 0) {
    Fake::Fail(Fake::ErrorAccessDenied);
    return 0;
  }
  if (State().files.count(key) == 0) {
    Fake::Fail(Fake::ErrorFileNotFound);
    return 0;
  }
  if (Fake::ImageIsRunning(key)) {
    Fake::Fail(Fake::ErrorAccessDenied);
    return 0;
  }
  // No handle the launcher opens shares deletion.
  if (Fake::FileIsOpen(key)) {
    Fake::Fail(Fake::ErrorSharingViolation);
    return 0;
  }
  State().files.erase(key);
  return 1;
}

uint32_t GetTempPathA(uint32_t bufferLength, char* buffer) {
  Fake::Record("GetTempPathA", std::to_string(bufferLength));
  if (State().tempPathFails) {
    Fake::Fail(Fake::ErrorInvalidParameter);
    return 0;
  }
  const std::string& folder = State().tempPath;
  if (folder.size() + 1 > bufferLength) return static_cast<uint32_t>(folder.size() + 1);
  std::memcpy(buffer, folder.c_str(), folder.size() + 1);
  return static_cast<uint32_t>(folder.size());
}

THandle FindFirstFileA(const char* path) {
  std::string name = path != nullptr ? path : "";
  Fake::RunCallHook("FindFirstFileA", name);
  Fake::Record("FindFirstFileA", name);
  std::string key = Fake::Normalise(name);
  bool found = State().files.count(key) != 0 || State().folders.count(key) != 0;
  if (!found) {
    Fake::Fail(Fake::FolderKeyExists(Fake::ParentKey(key)) ? Fake::ErrorFileNotFound : Fake::ErrorPathNotFound);
    return InvalidHandleValue;
  }
  Fake::TObject object;
  object.kind = Fake::TKind::Find;
  return Fake::NewObject(object);
}

TBool FindClose(THandle findHandle) {
  Fake::Record("FindClose", "");
  if (Fake::Find(findHandle, Fake::TKind::Find) == nullptr) {
    Fake::Fail(Fake::ErrorInvalidHandle);
    return 0;
  }
  State().objects.erase(reinterpret_cast<std::uintptr_t>(findHandle));
  return 1;
}

TBool GetVersionExA(TOsVersionInfo* versionInfo) {
  uint32_t size = versionInfo->dwOSVersionInfoSize;
  Fake::Record("GetVersionExA", std::to_string(size));
  State().versionQuerySizes.push_back(size);
  if (size != OsVersionInfoSize && size != OsVersionInfoExSize) {
    Fake::Fail(Fake::ErrorInsufficientBuffer);
    return 0;
  }
  if (State().failedVersionSizes.count(size) != 0) {
    Fake::Fail(Fake::ErrorInvalidParameter);
    return 0;
  }
  TOsVersionInfo source = State().version;
  source.dwOSVersionInfoSize = size;
  std::memcpy(versionInfo, &source, size);
  return 1;
}

int32_t RegOpenKeyExA(THandle key, const char* subKey, uint32_t options, uint32_t desired, THandle* result) {
  std::string name = subKey != nullptr ? subKey : "";
  bool matches = key == HkeyLocalMachine && Fake::SameText(subKey, "Software\\Microsoft\\Windows NT\\CurrentVersion");
  int32_t code = matches && State().versionKeyPresent ? 0 : static_cast<int32_t>(Fake::ErrorFileNotFound);
  Fake::Record("RegOpenKeyExA", name + " -> " + std::to_string(code));
  State().regOpenCalls.push_back({key, name, options, desired, code});
  if (code != 0) return code;
  Fake::TObject object;
  object.kind = Fake::TKind::Key;
  *result = Fake::NewObject(object);
  return 0;
}

int32_t RegQueryValueExA(THandle key, const char* valueName, uint32_t* type, uint8_t* data, uint32_t* dataSize) {
  std::string name = valueName != nullptr ? valueName : "";
  uint32_t sizeIn = dataSize != nullptr ? *dataSize : 0;
  int32_t code = 0;
  if (Fake::Find(key, Fake::TKind::Key) == nullptr) {
    code = static_cast<int32_t>(Fake::ErrorInvalidHandle);
  } else if (!Fake::SameText(valueName, "ReleaseId") || !State().releaseId) {
    code = static_cast<int32_t>(Fake::ErrorFileNotFound);
  } else {
    const std::vector<uint8_t>& bytes = *State().releaseId;
    uint32_t size = static_cast<uint32_t>(bytes.size());
    if (type != nullptr) *type = Fake::RegSz;
    if (data != nullptr && (dataSize == nullptr || *dataSize < size)) {
      code = static_cast<int32_t>(Fake::ErrorMoreData);
    } else if (data != nullptr && size != 0) {
      std::memcpy(data, bytes.data(), size);
    }
    if (dataSize != nullptr) *dataSize = size;
  }
  Fake::Record("RegQueryValueExA", name + " -> " + std::to_string(code));
  State().regQueryCalls.push_back({key, name, type != nullptr, sizeIn, code});
  return code;
}

int32_t RegCloseKey(THandle key) {
  Fake::Record("RegCloseKey", "");
  if (Fake::Find(key, Fake::TKind::Key) == nullptr) return static_cast<int32_t>(Fake::ErrorInvalidHandle);
  State().objects.erase(reinterpret_cast<std::uintptr_t>(key));
  return 0;
}

TBool AllocateAndInitializeSid(const TSidAuthority* authority, uint8_t subAuthorityCount,
                               const uint32_t subAuthorities[8], void** sid) {
  Fake::Record("AllocateAndInitializeSid", std::to_string(subAuthorityCount));
  Fake::TSidCall call{};
  call.authority = *authority;
  call.count = subAuthorityCount;
  std::memcpy(call.subAuthorities, subAuthorities, sizeof call.subAuthorities);
  State().sidCalls.push_back(call);
  if (State().allocateSidFails || subAuthorityCount == 0 || subAuthorityCount > 8) {
    Fake::Fail(Fake::ErrorNotEnoughMemory);
    return 0;
  }
  Fake::TObject object;
  object.kind = Fake::TKind::Sid;
  *sid = Fake::NewObject(object);
  return 1;
}

void* FreeSid(void* sid) {
  Fake::Record("FreeSid", "");
  if (Fake::Find(sid, Fake::TKind::Sid) == nullptr) return sid;
  State().objects.erase(reinterpret_cast<std::uintptr_t>(sid));
  return nullptr;
}

TBool CallCheckTokenMembership(TProc checkTokenMembership, THandle token, void* sid, TBool* isMember) {
  if (checkTokenMembership != &Fake::FakeCheckTokenMembership) {
    throw std::logic_error("CheckTokenMembership called through a wrong address");
  }
  Fake::Record("CheckTokenMembership", "");
  State().membershipCalls.push_back({token, Fake::Find(sid, Fake::TKind::Sid) != nullptr});
  if (State().membershipResult == 0) return 0;
  *isMember = State().membershipAnswer;
  return State().membershipResult;
}

namespace {

// A started process and its thread, as the fake hands them out.
void StartProcess(const std::string& image, THandle& process, THandle& thread) {
  Fake::TObject object;
  object.kind = Fake::TKind::Process;
  process = Fake::NewObject(object);
  object.kind = Fake::TKind::Thread;
  thread = Fake::NewObject(object);
  State().startedProcesses.push_back(process);
  State().runningImages[reinterpret_cast<std::uintptr_t>(process)] = Fake::Normalise(image);
}

std::optional<std::string> Copied(const char* text) {
  if (text == nullptr) return std::nullopt;
  return std::string(text);
}

}  // namespace

TBool CreateProcessA(char* commandLine, TBool inheritHandles, uint32_t creationFlags, const char* currentDirectory,
                     TStartupInfo* startupInfo, TProcessInformation* processInformation) {
  Fake::Record("CreateProcessA", commandLine != nullptr ? commandLine : "(null)");
  Fake::TCreateProcessCall call{};
  call.commandLineGiven = commandLine != nullptr;
  call.commandLine = commandLine != nullptr ? commandLine : "";
  call.inheritHandles = inheritHandles;
  call.creationFlags = creationFlags;
  call.currentDirectoryGiven = currentDirectory != nullptr;
  call.currentDirectory = currentDirectory != nullptr ? currentDirectory : "";
  call.startupInfo = *startupInfo;
  call.processInformation = *processInformation;
  call.state = Fake::Snapshot();
  State().createProcessCalls.push_back(call);
  if (State().startRefusal) {
    Fake::Fail(*State().startRefusal);
    return 0;
  }
  std::string image = Fake::ImageOfCommandLine(call.commandLine);
  uint32_t imageError = Fake::ImageError(image);
  if (imageError != NoError) {
    Fake::Fail(imageError);
    return 0;
  }
  StartProcess(image, processInformation->hProcess, processInformation->hThread);
  processInformation->dwProcessId = State().nextProcessId++;
  processInformation->dwThreadId = State().nextProcessId++;
  return 1;
}

TBool ShellExecuteExA(TShellExecuteInfo* executeInfo) {
  Fake::Record("ShellExecuteExA", executeInfo->lpFile != nullptr ? executeInfo->lpFile : "(null)");
  Fake::TShellExecuteCall call{};
  call.info = *executeInfo;
  call.verb = Copied(executeInfo->lpVerb);
  call.file = Copied(executeInfo->lpFile);
  call.parameters = Copied(executeInfo->lpParameters);
  call.directory = Copied(executeInfo->lpDirectory);
  call.state = Fake::Snapshot();
  State().shellExecuteCalls.push_back(call);
  constexpr std::uintptr_t SeErrFileNotFound = 2;
  constexpr std::uintptr_t SeErrAccessDenied = 5;
  constexpr std::uintptr_t ShellSuccess = 42;
  if (State().startRefusal) {
    executeInfo->hInstApp = reinterpret_cast<THandle>(SeErrAccessDenied);
    Fake::Fail(*State().startRefusal);
    return 0;
  }
  std::string image = call.file.value_or("");
  uint32_t imageError = Fake::ImageError(image);
  if (imageError != NoError) {
    executeInfo->hInstApp =
        reinterpret_cast<THandle>(imageError == Fake::ErrorFileNotFound ? SeErrFileNotFound : SeErrAccessDenied);
    Fake::Fail(imageError);
    return 0;
  }
  THandle process = nullptr;
  THandle thread = nullptr;
  StartProcess(image, process, thread);
  State().objects.erase(reinterpret_cast<std::uintptr_t>(thread));
  executeInfo->hInstApp = reinterpret_cast<THandle>(ShellSuccess);
  if ((executeInfo->fMask & SeeMaskNoCloseProcess) != 0) {
    executeInfo->hProcess = process;
  } else {
    State().objects.erase(reinterpret_cast<std::uintptr_t>(process));
  }
  return 1;
}

uint32_t WaitForSingleObject(THandle handle, uint32_t milliseconds) {
  Fake::Record("WaitForSingleObject", std::to_string(milliseconds));
  bool isProcess = Fake::Find(handle, Fake::TKind::Process) != nullptr;
  State().waitCalls.push_back({handle, milliseconds, isProcess, Fake::Snapshot()});
  if (!isProcess) {
    Fake::Fail(Fake::ErrorInvalidHandle);
    return Fake::WaitFailed;
  }
  if (State().onWait) State().onWait();
  // The wait returns when the process has ended: its image is free again.
  State().runningImages.erase(reinterpret_cast<std::uintptr_t>(handle));
  return Fake::WaitObject0;
}

uint32_t WNetGetUniversalNameA(const char* localPath, uint32_t infoLevel, void* buffer, uint32_t* bufferSize) {
  std::string path = localPath != nullptr ? localPath : "";
  uint32_t size = bufferSize != nullptr ? *bufferSize : 0;
  uint32_t result = Fake::ErrorNotConnected;
  auto mapped = path.size() >= 2 && path[1] == ':'
                    ? State().mappedDrives.find(static_cast<char>(Fake::Upper(path.substr(0, 1))[0]))
                    : State().mappedDrives.end();
  if (infoLevel != UniversalNameInfoLevel || bufferSize == nullptr) {
    result = Fake::ErrorInvalidParameter;
  } else if (mapped != State().mappedDrives.end()) {
    std::string universal = mapped->second + path.substr(2);
    uint32_t needed = static_cast<uint32_t>(sizeof(TUniversalNameInfo) + universal.size() + 1);
    if (size < needed) {
      *bufferSize = needed;
      result = Fake::ErrorMoreData;
    } else {
      // As Windows does: the name is stored in the same buffer, after the record.
      char* text = static_cast<char*>(buffer) + sizeof(TUniversalNameInfo);
      std::memcpy(text, universal.c_str(), universal.size() + 1);
      TUniversalNameInfo info{text};
      std::memcpy(buffer, &info, sizeof info);
      result = NoError;
    }
  }
  Fake::Record("WNetGetUniversalNameA", path + " -> " + std::to_string(result));
  State().universalNameCalls.push_back({path, infoLevel, size, result});
  State().lastError = result;
  return result;
}

TBool SetDefaultDllDirectories(uint32_t directoryFlags) {
  Fake::Record("SetDefaultDllDirectories", Fake::Hex(directoryFlags));
  State().dllDirectoryFlags.push_back(directoryFlags);
  if (!State().dllDirectoriesPresent) {
    Fake::Fail(Fake::ErrorProcNotFound);
    return 0;
  }
  return 1;
}

}  // namespace Platform
