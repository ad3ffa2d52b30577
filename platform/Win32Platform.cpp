// Win32 only: the platform layer of the real launcher, one Win32 call per
// routine, with the arguments that Platform.h fixes. No logic lives here.
#include <windows.h>
#include <winnetwk.h>

#include <cstddef>

#include "Platform.h"

namespace Platform {

// The records of Platform.h are handed to Win32 as they are.
static_assert(sizeof(TOsVersionInfo) == sizeof(OSVERSIONINFOEXA), "OSVERSIONINFOEXA");
static_assert(offsetof(TOsVersionInfo, wServicePackMajor) == offsetof(OSVERSIONINFOEXA, wServicePackMajor),
              "OSVERSIONINFOEXA");
static_assert(sizeof(TStartupInfo) == sizeof(STARTUPINFOA), "STARTUPINFOA");
static_assert(offsetof(TStartupInfo, hStdError) == offsetof(STARTUPINFOA, hStdError), "STARTUPINFOA");
static_assert(sizeof(TProcessInformation) == sizeof(PROCESS_INFORMATION), "PROCESS_INFORMATION");
static_assert(sizeof(TShellExecuteInfo) == sizeof(SHELLEXECUTEINFOA), "SHELLEXECUTEINFOA");
static_assert(offsetof(TShellExecuteInfo, hProcess) == offsetof(SHELLEXECUTEINFOA, hProcess), "SHELLEXECUTEINFOA");
static_assert(sizeof(TUniversalNameInfo) == sizeof(UNIVERSAL_NAME_INFOA), "UNIVERSAL_NAME_INFOA");
static_assert(sizeof(TSidAuthority) == sizeof(SID_IDENTIFIER_AUTHORITY), "SID_IDENTIFIER_AUTHORITY");
static_assert(sizeof(char16_t) == sizeof(WCHAR), "UTF-16 code unit");
static_assert(GenericRead == GENERIC_READ && GenericWrite == GENERIC_WRITE, "access");
static_assert(FileShareRead == FILE_SHARE_READ && FileShareWrite == FILE_SHARE_WRITE, "sharing");
static_assert(CreateNew == CREATE_NEW && CreateAlways == CREATE_ALWAYS && OpenExisting == OPEN_EXISTING, "disposition");
static_assert(FileAttributeNormal == FILE_ATTRIBUTE_NORMAL && FileBegin == FILE_BEGIN, "files");
static_assert(InvalidSetFilePointer == INVALID_SET_FILE_POINTER && InvalidFileSize == INVALID_FILE_SIZE, "files");
static_assert(NoError == NO_ERROR && ErrorFileNotFound == ERROR_FILE_NOT_FOUND && ErrorFileExists == ERROR_FILE_EXISTS,
              "errors");
static_assert(MbOk == MB_OK && MbIconError == MB_ICONERROR && Infinite == INFINITE, "boxes and waits");
static_assert(KeyRead == KEY_READ && OsVersionInfoSize == sizeof(OSVERSIONINFOA), "registry and versions");
static_assert(VerPlatformWin32Nt == VER_PLATFORM_WIN32_NT, "versions");
static_assert(SeeMaskNoCloseProcess == SEE_MASK_NOCLOSEPROCESS && SwShow == SW_SHOW, "shell");
static_assert(UniversalNameInfoLevel == UNIVERSAL_NAME_INFO_LEVEL, "network paths");

namespace {

using TIsWow64Process = BOOL(WINAPI*)(HANDLE, PBOOL);
using TCheckTokenMembership = BOOL(WINAPI*)(HANDLE, PSID, PBOOL);
using TSetDefaultDllDirectories = BOOL(WINAPI*)(DWORD);
using TWNetGetUniversalName = DWORD(WINAPI*)(LPCSTR, DWORD, LPVOID, LPDWORD);

// LOAD_LIBRARY_SEARCH_SYSTEM32 for LoadLibraryExA; the headers of older
// toolchains lack it.
constexpr DWORD SearchSystem32 = 0x00000800u;
static_assert(SearchSystem32 == LoadLibrarySearchSystem32, "library search");

// What WNetGetUniversalNameA answers when the network layer cannot be had.
constexpr DWORD NoNetworkLayer = ERROR_NOT_SUPPORTED;

const char MprLibrary[] = "mpr.dll";

HMODULE Kernel32() { return ::GetModuleHandleA("kernel32"); }

// mpr.dll from the system folder only: a planted copy beside the launcher
// must never be loaded. The LOAD_LIBRARY_SEARCH flags are understood exactly
// where AddDllDirectory exists; elsewhere the full system path does the same.
HMODULE LoadSystemLibrary(const char* name) {
  if (::GetProcAddress(Kernel32(), "AddDllDirectory") != nullptr) {
    return ::LoadLibraryExA(name, nullptr, SearchSystem32);
  }
  char path[MAX_PATH];
  const UINT folderLength = ::GetSystemDirectoryA(path, MAX_PATH);
  const size_t nameLength = ::lstrlenA(name);
  if (folderLength == 0 || folderLength + 1 + nameLength + 1 > MAX_PATH) return nullptr;
  path[folderLength] = '\\';
  ::CopyMemory(path + folderLength + 1, name, nameLength + 1);
  return ::LoadLibraryA(path);
}

}  // namespace

// --- Process, module and command line ---

uint32_t GetModuleFileNameA(char* buffer, uint32_t size) { return ::GetModuleFileNameA(nullptr, buffer, size); }

const char* GetCommandLineA() { return ::GetCommandLineA(); }

char* CharNextA(const char* current) { return ::CharNextA(current); }

uint32_t GetACP() { return ::GetACP(); }

int32_t MultiByteToWideChar(uint32_t codePage, uint32_t flags, const char* source, int32_t sourceLength,
                            char16_t* destination, int32_t destinationLength) {
  return ::MultiByteToWideChar(codePage, flags, source, sourceLength, reinterpret_cast<LPWSTR>(destination),
                               destinationLength);
}

int32_t WideCharToMultiByte(uint32_t codePage, uint32_t flags, const char16_t* source, int32_t sourceLength,
                            char* destination, int32_t destinationLength) {
  return ::WideCharToMultiByte(codePage, flags, reinterpret_cast<LPCWSTR>(source), sourceLength, destination,
                               destinationLength, nullptr, nullptr);
}

int32_t MessageBoxA(THandle owner, const char* text, const char* caption, uint32_t type) {
  return ::MessageBoxA(static_cast<HWND>(owner), text, caption, type);
}

void ExitProcess(uint32_t exitCode) { ::ExitProcess(exitCode); }

uint32_t GetLastError() { return ::GetLastError(); }

THandle GetModuleHandleA(const char* moduleName) { return ::GetModuleHandleA(moduleName); }

TProc GetProcAddress(THandle module, const char* procName) {
  return reinterpret_cast<TProc>(::GetProcAddress(static_cast<HMODULE>(module), procName));
}

THandle GetCurrentProcess() { return ::GetCurrentProcess(); }

TBool CallIsWow64Process(TProc isWow64Process, THandle process, TBool* wow64Process) {
  BOOL answer = FALSE;
  const BOOL result = reinterpret_cast<TIsWow64Process>(isWow64Process)(process, &answer);
  *wow64Process = answer;
  return result;
}

// --- Files ---

THandle CreateFileA(const char* path, uint32_t desiredAccess, uint32_t shareMode, uint32_t creationDisposition,
                    uint32_t flagsAndAttributes) {
  return ::CreateFileA(path, desiredAccess, shareMode, nullptr, creationDisposition, flagsAndAttributes, nullptr);
}

uint32_t SetFilePointer(THandle file, int32_t distance, uint32_t moveMethod) {
  return ::SetFilePointer(file, distance, nullptr, moveMethod);
}

// The count starts at 0 so that it is stored even when the call fails
// before it touches it (an invalid handle).
TBool ReadFile(THandle file, void* buffer, uint32_t bytesToRead, uint32_t* bytesRead) {
  DWORD count = 0;
  const BOOL result = ::ReadFile(file, buffer, bytesToRead, &count, nullptr);
  *bytesRead = count;
  return result;
}

TBool WriteFile(THandle file, const void* buffer, uint32_t bytesToWrite, uint32_t* bytesWritten) {
  DWORD count = 0;
  const BOOL result = ::WriteFile(file, buffer, bytesToWrite, &count, nullptr);
  *bytesWritten = count;
  return result;
}

uint32_t GetFileSize(THandle file, uint32_t* sizeHigh) {
  DWORD high = 0;
  const DWORD low = ::GetFileSize(file, &high);
  *sizeHigh = high;
  return low;
}

TBool CloseHandle(THandle object) { return ::CloseHandle(object); }

TBool DeleteFileA(const char* path) { return ::DeleteFileA(path); }

uint32_t GetTempPathA(uint32_t bufferLength, char* buffer) { return ::GetTempPathA(bufferLength, buffer); }

THandle FindFirstFileA(const char* path) {
  WIN32_FIND_DATAA data;
  return ::FindFirstFileA(path, &data);
}

TBool FindClose(THandle findHandle) { return ::FindClose(findHandle); }

// --- Windows version and registry ---

TBool GetVersionExA(TOsVersionInfo* versionInfo) {
  return ::GetVersionExA(reinterpret_cast<OSVERSIONINFOA*>(versionInfo));
}

int32_t RegOpenKeyExA(THandle key, const char* subKey, uint32_t options, uint32_t desired, THandle* result) {
  HKEY opened = nullptr;
  const LONG status = ::RegOpenKeyExA(static_cast<HKEY>(key), subKey, options, desired, &opened);
  *result = opened;
  return status;
}

int32_t RegQueryValueExA(THandle key, const char* valueName, uint32_t* type, uint8_t* data, uint32_t* dataSize) {
  DWORD valueType = 0;
  DWORD size = dataSize != nullptr ? *dataSize : 0;
  const LONG status =
      ::RegQueryValueExA(static_cast<HKEY>(key), valueName, nullptr, type != nullptr ? &valueType : nullptr, data,
                         dataSize != nullptr ? &size : nullptr);
  if (type != nullptr) *type = valueType;
  if (dataSize != nullptr) *dataSize = size;
  return status;
}

int32_t RegCloseKey(THandle key) { return ::RegCloseKey(static_cast<HKEY>(key)); }

// --- Administrator check ---

TBool AllocateAndInitializeSid(const TSidAuthority* authority, uint8_t subAuthorityCount,
                               const uint32_t subAuthorities[8], void** sid) {
  SID_IDENTIFIER_AUTHORITY identifier;
  ::CopyMemory(identifier.Value, authority->value, sizeof(identifier.Value));
  return ::AllocateAndInitializeSid(&identifier, subAuthorityCount, subAuthorities[0], subAuthorities[1],
                                    subAuthorities[2], subAuthorities[3], subAuthorities[4], subAuthorities[5],
                                    subAuthorities[6], subAuthorities[7], sid);
}

void* FreeSid(void* sid) { return ::FreeSid(sid); }

TBool CallCheckTokenMembership(TProc checkTokenMembership, THandle token, void* sid, TBool* isMember) {
  BOOL answer = FALSE;
  const BOOL result = reinterpret_cast<TCheckTokenMembership>(checkTokenMembership)(token, sid, &answer);
  *isMember = answer;
  return result;
}

// --- Starting the setup program ---

TBool CreateProcessA(char* commandLine, TBool inheritHandles, uint32_t creationFlags, const char* currentDirectory,
                     TStartupInfo* startupInfo, TProcessInformation* processInformation) {
  return ::CreateProcessA(nullptr, commandLine, nullptr, nullptr, inheritHandles, creationFlags, nullptr,
                          currentDirectory, reinterpret_cast<STARTUPINFOA*>(startupInfo),
                          reinterpret_cast<PROCESS_INFORMATION*>(processInformation));
}

TBool ShellExecuteExA(TShellExecuteInfo* executeInfo) {
  return ::ShellExecuteExA(reinterpret_cast<SHELLEXECUTEINFOA*>(executeInfo));
}

uint32_t WaitForSingleObject(THandle handle, uint32_t milliseconds) {
  return ::WaitForSingleObject(handle, milliseconds);
}

uint32_t WNetGetUniversalNameA(const char* localPath, uint32_t infoLevel, void* buffer, uint32_t* bufferSize) {
  const HMODULE mpr = LoadSystemLibrary(MprLibrary);
  if (mpr == nullptr) return NoNetworkLayer;
  const auto call =
      reinterpret_cast<TWNetGetUniversalName>(reinterpret_cast<TProc>(::GetProcAddress(mpr, "WNetGetUniversalNameA")));
  if (call == nullptr) return NoNetworkLayer;
  DWORD size = *bufferSize;
  const DWORD result = call(localPath, infoLevel, buffer, &size);
  *bufferSize = size;
  return result;
}

// --- Library search ---

TBool SetDefaultDllDirectories(uint32_t directoryFlags) {
  const auto call = reinterpret_cast<TSetDefaultDllDirectories>(
      reinterpret_cast<TProc>(::GetProcAddress(Kernel32(), "SetDefaultDllDirectories")));
  if (call == nullptr) return FALSE;
  return call(directoryFlags);
}

}  // namespace Platform
