// The scripted fake of the platform layer, host tests only.
//
// It models what the launcher's logic relies on rather than only returning
// values: an in-memory file system with Win32 sharing rules and file
// positions, code pages with double-byte characters, the registry key of the
// release check, the version query, the administrator check and the start of
// processes. Tests script it before a run and inspect it afterwards; every
// test begins with Reset().
#pragma once

#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "Platform.h"

namespace Fake {

// Win32 error codes the fake reports.
constexpr uint32_t ErrorFileNotFound = 2;
constexpr uint32_t ErrorPathNotFound = 3;
constexpr uint32_t ErrorAccessDenied = 5;
constexpr uint32_t ErrorInvalidHandle = 6;
constexpr uint32_t ErrorSharingViolation = 32;
constexpr uint32_t ErrorFileExists = 80;
constexpr uint32_t ErrorInvalidParameter = 87;
constexpr uint32_t ErrorDiskFull = 112;
constexpr uint32_t ErrorInsufficientBuffer = 122;
constexpr uint32_t ErrorInvalidName = 123;
constexpr uint32_t ErrorModNotFound = 126;
constexpr uint32_t ErrorProcNotFound = 127;
constexpr uint32_t ErrorNegativeSeek = 131;
constexpr uint32_t ErrorAlreadyExists = 183;
constexpr uint32_t ErrorMoreData = 234;
constexpr uint32_t ErrorNotConnected = 2250;
constexpr uint32_t ErrorNotEnoughMemory = 8;
constexpr int32_t IdOk = 1;
constexpr uint32_t WaitObject0 = 0;
constexpr uint32_t WaitFailed = 0xFFFFFFFFu;
constexpr uint32_t RegSz = 1;
constexpr uint32_t FileCurrent = 1;
constexpr uint32_t FileEnd = 2;
constexpr uint32_t OpenAlways = 4;
constexpr uint32_t TruncateExisting = 5;
const Platform::THandle CurrentProcessPseudoHandle = reinterpret_cast<Platform::THandle>(~std::uintptr_t(0));

// What the fake ExitProcess throws: the run under test ends here, and
// unwinding releases what the logic held.
struct TProcessExit {
  uint32_t exitCode;
};

// Returned by RunToExit when the body came back without ending the process.
constexpr int64_t ReturnedWithoutExit = -1;

// Runs body and returns the exit code it ended with, or ReturnedWithoutExit.
int64_t RunToExit(const std::function<void()>& body);

// Puts every piece of scripted and recorded state back to its start: no
// files or folders (not even the temporary folder), current directory
// "C:\Work\", code page 1252, an empty command line, module path
// "C:\Launcher\setup.exe", IsWow64Process and CheckTokenMembership present
// and answering false, version 10.0 build 19041 on the NT platform, no
// registry key, GetTempPathA reporting "C:\Temp\", starts allowed.
void Reset();

// --- File system ---
// Paths compare without regard to ASCII case; only the backslash separates.
// Drive roots always exist; other folders exist once added. A relative path
// is taken from the current directory.

// Adds or replaces a file, creating its folders.
void AddFile(const std::string& path, const std::vector<uint8_t>& bytes);
// Adds a folder and all folders above it.
void AddFolder(const std::string& path);
bool FileExists(const std::string& path);
bool FolderExists(const std::string& path);
// The bytes of a file; throws std::out_of_range when it is missing.
std::vector<uint8_t> FileBytes(const std::string& path);
// Every file, with the spelling it was created with, in sorted order.
std::vector<std::string> Files();
// The folder that relative paths start from; with its final backslash.
void SetCurrentDirectory(const std::string& folder);

// GetFileSize reports this size for the file instead of its true one.
void SetReportedFileSize(const std::string& path, uint64_t size);
// GetFileSize on this file fails (INVALID_FILE_SIZE, high half left alone).
void FailFileSize(const std::string& path);
// CreateFileA on this path fails with the error, before any other rule.
void FailCreateFile(const std::string& path, uint32_t error);
// DeleteFileA on this path fails with the error.
void FailDelete(const std::string& path, uint32_t error);
// From now on WriteFile stores at most this many bytes in all, then
// stores nothing more while still reporting success.
void LimitWrites(uint64_t totalBytes);
// From now on WriteFile fails with ERROR_DISK_FULL and stores nothing.
void FailWrites();
// From now on each WriteFile stores at most this many bytes, reporting
// success and the count it stored, as a write cut short by the system does.
void LimitEachWrite(uint32_t bytesPerCall);

// A handle on a file opened as another process would: the same sharing
// rules apply. InvalidHandleValue when they refuse it.
Platform::THandle OpenAsOtherProcess(const std::string& path, uint32_t access, uint32_t shareMode);
void CloseAsOtherProcess(Platform::THandle handle);

struct TOpenFile {
  Platform::THandle handle;
  std::string path;  // as the file was created
  uint32_t access;
  uint32_t shareMode;
  uint64_t position;
  bool byOtherProcess;
};
// The file handles open right now, in the order they were opened.
std::vector<TOpenFile> OpenFiles();
// The number of find handles not yet closed.
int OpenFindHandles();

// The state of the files at one moment.
struct TSnapshot {
  std::vector<std::string> files;
  std::vector<TOpenFile> openFiles;
};

// --- Every call, in order ---
struct TCall {
  std::string name;    // the Win32 name, e.g. "CreateFileA"
  std::string detail;  // the arguments that matter, as text
};
std::vector<TCall> Calls();
// Runs action just before each call of name (CreateFileA, FindFirstFileA,
// ReadFile, WriteFile, CloseHandle or DeleteFileA) acts, with the call's
// path (file calls) or handle (as hex text), as another process racing the
// launcher would act. An empty action removes the hook.
void OnCall(const std::string& name, const std::function<void(const std::string& argument)>& action);
// The names of the calls only, in order.
std::vector<std::string> CallNames();
// How many calls of that name were made.
int CallCount(const std::string& name);

struct TCreateFileCall {
  std::string path;
  uint32_t access;
  uint32_t shareMode;
  uint32_t disposition;
  uint32_t flags;
  Platform::THandle result;
  uint32_t error;
};
std::vector<TCreateFileCall> CreateFileCalls();

struct TSeekCall {
  Platform::THandle file;
  int32_t distance;
  uint32_t method;
};
std::vector<TSeekCall> SeekCalls();

struct TReadCall {
  Platform::THandle file;
  uint64_t position;  // where the read began
  uint32_t requested;
  uint32_t read;
};
std::vector<TReadCall> ReadCalls();

// --- Module, command line and code pages ---
void SetModulePath(const std::string& path);
void SetCommandLine(const std::string& commandLine);
// 1252 (Western, single-byte) and 932 (Japanese, double-byte: lead bytes
// 0x81-0x9F and 0xE0-0xFC) are modelled; other single-byte pages step byte by
// byte but cannot be converted.
void SetCodePage(uint32_t codePage);

// --- Message boxes and the end of the process ---
struct TMessageBox {
  Platform::THandle owner;
  std::string text;
  std::string caption;
  uint32_t type;
};
std::vector<TMessageBox> MessageBoxes();
// Exit codes of ExitProcess calls (at most one per run under test).
std::vector<uint32_t> ExitCodes();

// --- Version, modules, WOW64 ---
// The record GetVersionExA copies from (up to the caller's size).
void SetVersion(const Platform::TOsVersionInfo& info);
// The query with this record size (148 or 156) returns zero.
void FailVersionQuery(uint32_t recordSize);
// The record sizes of the GetVersionExA calls, in order.
std::vector<uint32_t> VersionQuerySizes();
// Whether GetProcAddress finds the function ("IsWow64Process" in kernel32,
// "CheckTokenMembership" in advapi32).
void SetProcPresent(const std::string& procName, bool present);
// What the looked-up IsWow64Process returns and stores in its flag.
void SetWow64(Platform::TBool result, Platform::TBool flag);
// The process handles IsWow64Process was asked about.
std::vector<Platform::THandle> Wow64Queries();

// --- Registry ---
// Whether HKLM "Software\Microsoft\Windows NT\CurrentVersion" opens.
void SetVersionKeyPresent(bool present);
// The bytes of "ReleaseId" (REG_SZ); nullopt: the value is missing.
void SetReleaseId(const std::optional<std::vector<uint8_t>>& bytes);
struct TRegOpenCall {
  Platform::THandle key;
  std::string subKey;
  uint32_t options;
  uint32_t desired;
  int32_t result;
};
std::vector<TRegOpenCall> RegOpenCalls();
struct TRegQueryCall {
  Platform::THandle key;
  std::string valueName;
  bool typeGiven;
  uint32_t sizeIn;  // *dataSize on entry
  int32_t result;
};
std::vector<TRegQueryCall> RegQueryCalls();
// The number of keys opened and not yet closed.
int OpenRegistryKeys();

// --- Administrator check ---
void FailAllocateSid();
struct TSidCall {
  Platform::TSidAuthority authority;
  uint8_t count;
  uint32_t subAuthorities[8];
};
std::vector<TSidCall> SidCalls();
// The number of SIDs allocated and not yet freed.
int LiveSids();
// What the looked-up CheckTokenMembership returns and stores as the answer.
void SetTokenMembership(Platform::TBool result, Platform::TBool isMember);
struct TMembershipCall {
  Platform::THandle token;
  bool sidLive;  // the SID was allocated and not freed at the time
};
std::vector<TMembershipCall> MembershipCalls();

// --- Temporary folder ---
// What GetTempPathA reports; may be empty.
void SetTempPath(const std::string& folder);
// GetTempPathA returns 0 and writes nothing.
void FailTempPath();

// --- Starting the setup program ---
// A start needs the program's file (the first word of the command line, or
// lpFile): missing, it fails with ERROR_FILE_NOT_FOUND; held by a handle
// with write access or without FILE_SHARE_READ, with
// ERROR_SHARING_VIOLATION. While a started process runs (until a wait on
// its handle returns) its file can be neither deleted nor opened for
// writing.
// CreateProcessA and ShellExecuteExA refuse to start with this error.
void RefuseStart(uint32_t error);
struct TCreateProcessCall {
  std::string commandLine;
  bool commandLineGiven;
  Platform::TBool inheritHandles;
  uint32_t creationFlags;
  std::string currentDirectory;
  bool currentDirectoryGiven;
  Platform::TStartupInfo startupInfo;                // as received
  Platform::TProcessInformation processInformation;  // as received
  TSnapshot state;                                   // files at the start
};
std::vector<TCreateProcessCall> CreateProcessCalls();
struct TShellExecuteCall {
  Platform::TShellExecuteInfo info;  // as received; its strings below
  std::optional<std::string> verb;
  std::optional<std::string> file;
  std::optional<std::string> parameters;
  std::optional<std::string> directory;
  TSnapshot state;
};
std::vector<TShellExecuteCall> ShellExecuteCalls();
struct TWaitCall {
  Platform::THandle handle;
  uint32_t milliseconds;
  bool isProcess;  // the handle belongs to a started process
  TSnapshot state;
};
std::vector<TWaitCall> WaitCalls();
// Runs inside WaitForSingleObject, as the setup program would run.
void OnWait(const std::function<void()>& action);
// The handles given to CloseHandle, in order, valid or not.
std::vector<Platform::THandle> ClosedHandles();
// The process handles the fake started.
std::vector<Platform::THandle> StartedProcesses();

// --- Network drives ---
// Drive letter (e.g. 'Z') mapped to a share such as "\\srv\share".
void MapDrive(char drive, const std::string& share);
struct TUniversalNameCall {
  std::string localPath;
  uint32_t infoLevel;
  uint32_t bufferSize;
  uint32_t result;
};
std::vector<TUniversalNameCall> UniversalNameCalls();

// --- Library search ---
// Whether the system has SetDefaultDllDirectories; without it the call
// returns zero.
void SetDllDirectoriesPresent(bool present);
// The flags of every SetDefaultDllDirectories call, in order.
std::vector<uint32_t> DllDirectoryFlags();

}  // namespace Fake
