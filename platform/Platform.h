// The thin layer between the launcher's logic and the operating system.
//
// Each routine stands for the Win32 call of the same name and keeps its
// meaning: the same arguments where they matter, the same results, the same
// failure values. The logic includes only this header, never windows.h.
// Two implementations exist and exactly one is linked into a program:
// Win32Platform.cpp for the real launcher and FakePlatform.cpp for tests.
#pragma once

#include <cstddef>
#include <cstdint>

namespace Platform {

using THandle = void*;  // HANDLE, HKEY, HMODULE, HWND
using TBool = int32_t;  // BOOL: zero is false, anything else true
using TProc = void (*)();  // an address found by GetProcAddress, or null

const THandle InvalidHandleValue = reinterpret_cast<THandle>(~std::uintptr_t(0));

// Access, sharing and creation of files.
constexpr uint32_t GenericRead = 0x80000000u;
constexpr uint32_t GenericWrite = 0x40000000u;
constexpr uint32_t FileShareRead = 0x00000001u;
constexpr uint32_t FileShareWrite = 0x00000002u;
constexpr uint32_t CreateNew = 1;
constexpr uint32_t CreateAlways = 2;
constexpr uint32_t OpenExisting = 3;
constexpr uint32_t FileAttributeNormal = 0x00000080u;
constexpr uint32_t FileBegin = 0;
constexpr uint32_t InvalidSetFilePointer = 0xFFFFFFFFu;
constexpr uint32_t InvalidFileSize = 0xFFFFFFFFu;

// Error codes that the logic tells apart.
constexpr uint32_t NoError = 0;
constexpr uint32_t ErrorFileNotFound = 2;
constexpr uint32_t ErrorFileExists = 80;

// Message boxes.
constexpr uint32_t MbOk = 0x00000000u;
constexpr uint32_t MbIconError = 0x00000010u;

// Waiting.
constexpr uint32_t Infinite = 0xFFFFFFFFu;

// Registry.
const THandle HkeyLocalMachine = reinterpret_cast<THandle>(std::uintptr_t(0x80000002u));
constexpr uint32_t KeyRead = 0x00020019u;

// Processes and the shell.
constexpr uint32_t SeeMaskNoCloseProcess = 0x00000040u;
constexpr int32_t SwShow = 5;

// Network paths.
constexpr uint32_t UniversalNameInfoLevel = 1;

// OSVERSIONINFOEXA, field for field. Its first 148 bytes are OSVERSIONINFOA,
// so one record serves both queries; dwOSVersionInfoSize says which it is.
struct TOsVersionInfo {
  uint32_t dwOSVersionInfoSize;
  uint32_t dwMajorVersion;
  uint32_t dwMinorVersion;
  uint32_t dwBuildNumber;
  uint32_t dwPlatformId;
  char szCSDVersion[128];
  uint16_t wServicePackMajor;
  uint16_t wServicePackMinor;
  uint16_t wSuiteMask;
  uint8_t wProductType;
  uint8_t wReserved;
};
constexpr uint32_t OsVersionInfoSize = 148;    // OSVERSIONINFOA
constexpr uint32_t OsVersionInfoExSize = 156;  // OSVERSIONINFOEXA
constexpr uint32_t VerPlatformWin32Nt = 2;
static_assert(sizeof(TOsVersionInfo) == OsVersionInfoExSize, "OSVERSIONINFOEXA layout");

// STARTUPINFOA, field for field. 68 bytes in a 32-bit process; the size field
// always says 68, which is what the launcher hands to the system.
struct TStartupInfo {
  uint32_t cb;
  char* lpReserved;
  char* lpDesktop;
  char* lpTitle;
  uint32_t dwX;
  uint32_t dwY;
  uint32_t dwXSize;
  uint32_t dwYSize;
  uint32_t dwXCountChars;
  uint32_t dwYCountChars;
  uint32_t dwFillAttribute;
  uint32_t dwFlags;
  uint16_t wShowWindow;
  uint16_t cbReserved2;
  uint8_t* lpReserved2;
  THandle hStdInput;
  THandle hStdOutput;
  THandle hStdError;
};
constexpr uint32_t StartupInfoSize = 68;

// PROCESS_INFORMATION, field for field (16 bytes in a 32-bit process).
struct TProcessInformation {
  THandle hProcess;
  THandle hThread;
  uint32_t dwProcessId;
  uint32_t dwThreadId;
};

// SHELLEXECUTEINFOA, field for field. 60 bytes in a 32-bit process.
struct TShellExecuteInfo {
  uint32_t cbSize;
  uint32_t fMask;
  THandle hwnd;
  const char* lpVerb;
  const char* lpFile;
  const char* lpParameters;
  const char* lpDirectory;
  int32_t nShow;
  THandle hInstApp;
  void* lpIDList;
  const char* lpClass;
  THandle hkeyClass;
  uint32_t dwHotKey;
  THandle hIconOrMonitor;
  THandle hProcess;
};
constexpr uint32_t ShellExecuteInfoSize = 60;

#if UINTPTR_MAX == 0xFFFFFFFFu
static_assert(sizeof(TStartupInfo) == StartupInfoSize, "STARTUPINFOA layout");
static_assert(sizeof(TProcessInformation) == 16, "PROCESS_INFORMATION layout");
static_assert(sizeof(TShellExecuteInfo) == ShellExecuteInfoSize, "SHELLEXECUTEINFOA layout");
#endif

// UNIVERSAL_NAME_INFOA: the head of the buffer that WNetGetUniversalNameA fills.
struct TUniversalNameInfo {
  char* lpUniversalName;
};

// SID_IDENTIFIER_AUTHORITY.
struct TSidAuthority {
  uint8_t value[6];
};

// --- Process, module and command line (kernel32, user32) ---

// GetModuleFileNameA(NULL, buffer, size): characters stored, without the NUL.
uint32_t GetModuleFileNameA(char* buffer, uint32_t size);
// GetCommandLineA: the NUL-terminated command line, never changed by the caller.
const char* GetCommandLineA();
// CharNextA: the next character of an ANSI string, stepping over a whole
// double-byte character; at the terminating NUL it returns its argument.
char* CharNextA(const char* current);
// GetACP: the system's ANSI code page.
uint32_t GetACP();
// MultiByteToWideChar and WideCharToMultiByte (no default character, no flag
// for "used default"): with a zero destination length they return the length
// needed; a source length of -1 means NUL-terminated, NUL included.
int32_t MultiByteToWideChar(uint32_t codePage, uint32_t flags, const char* source, int32_t sourceLength,
                            char16_t* destination, int32_t destinationLength);
int32_t WideCharToMultiByte(uint32_t codePage, uint32_t flags, const char16_t* source, int32_t sourceLength,
                            char* destination, int32_t destinationLength);
// MessageBoxA(owner, text, caption, type): the button pressed.
int32_t MessageBoxA(THandle owner, const char* text, const char* caption, uint32_t type);
// ExitProcess: ends the process with the given code and never returns.
[[noreturn]] void ExitProcess(uint32_t exitCode);
// GetLastError: the error code of the last failing call of this layer.
uint32_t GetLastError();
// GetModuleHandleA and GetProcAddress: null when absent.
THandle GetModuleHandleA(const char* moduleName);
TProc GetProcAddress(THandle module, const char* procName);
// GetCurrentProcess: the pseudo handle of the own process.
THandle GetCurrentProcess();
// Calls an IsWow64Process found by GetProcAddress.
TBool CallIsWow64Process(TProc isWow64Process, THandle process, TBool* wow64Process);

// --- Files (kernel32) ---

// CreateFileA(path, access, shareMode, NULL, disposition, flagsAndAttributes, NULL).
THandle CreateFileA(const char* path, uint32_t desiredAccess, uint32_t shareMode, uint32_t creationDisposition,
                    uint32_t flagsAndAttributes);
// SetFilePointer(file, distance, NULL, moveMethod): the new position, or
// InvalidSetFilePointer.
uint32_t SetFilePointer(THandle file, int32_t distance, uint32_t moveMethod);
// ReadFile and WriteFile, synchronous; the count is always stored.
TBool ReadFile(THandle file, void* buffer, uint32_t bytesToRead, uint32_t* bytesRead);
TBool WriteFile(THandle file, const void* buffer, uint32_t bytesToWrite, uint32_t* bytesWritten);
// GetFileSize: the low 32 bits of the size; the high 32 bits into *sizeHigh.
uint32_t GetFileSize(THandle file, uint32_t* sizeHigh);
TBool CloseHandle(THandle object);
TBool DeleteFileA(const char* path);
// GetTempPathA: the temporary folder, with its final backslash.
uint32_t GetTempPathA(uint32_t bufferLength, char* buffer);
// FindFirstFileA(path, &data) with the data thrown away; FindClose.
THandle FindFirstFileA(const char* path);
TBool FindClose(THandle findHandle);

// --- Windows version and registry (kernel32, advapi32) ---

// GetVersionExA: fills the record up to its dwOSVersionInfoSize.
TBool GetVersionExA(TOsVersionInfo* versionInfo);
// RegOpenKeyExA, RegQueryValueExA (no reserved argument), RegCloseKey: 0 on success.
int32_t RegOpenKeyExA(THandle key, const char* subKey, uint32_t options, uint32_t desired, THandle* result);
int32_t RegQueryValueExA(THandle key, const char* valueName, uint32_t* type, uint8_t* data, uint32_t* dataSize);
int32_t RegCloseKey(THandle key);

// --- Administrator check (advapi32) ---

// AllocateAndInitializeSid with eight sub-authorities; non-zero on success.
TBool AllocateAndInitializeSid(const TSidAuthority* authority, uint8_t subAuthorityCount, const uint32_t subAuthorities[8],
                               void** sid);
void* FreeSid(void* sid);
// Calls a CheckTokenMembership found by GetProcAddress.
TBool CallCheckTokenMembership(TProc checkTokenMembership, THandle token, void* sid, TBool* isMember);

// --- Starting the setup program (kernel32, shell32, mpr) ---

// CreateProcessA(NULL, commandLine, NULL, NULL, inheritHandles, creationFlags,
// NULL, currentDirectory, startupInfo, processInformation).
TBool CreateProcessA(char* commandLine, TBool inheritHandles, uint32_t creationFlags, const char* currentDirectory,
                     TStartupInfo* startupInfo, TProcessInformation* processInformation);
TBool ShellExecuteExA(TShellExecuteInfo* executeInfo);
uint32_t WaitForSingleObject(THandle handle, uint32_t milliseconds);
// WNetGetUniversalNameA: NoError when the path lies on a redirected drive.
// mpr.dll is loaded from the system folder at run time; where it cannot be
// loaded the result is an error code, so the path stays as it was.
uint32_t WNetGetUniversalNameA(const char* localPath, uint32_t infoLevel, void* buffer, uint32_t* bufferSize);

// --- Library search (kernel32) ---

// LOAD_LIBRARY_SEARCH_SYSTEM32: libraries loaded later come only from the
// system folder, never from the launcher's own (often a Downloads) folder.
constexpr uint32_t LoadLibrarySearchSystem32 = 0x00000800u;
// SetDefaultDllDirectories, looked up at run time: zero where the system
// lacks it (older systems without the update that brought it).
TBool SetDefaultDllDirectories(uint32_t directoryFlags);

}  // namespace Platform
