// The scripted fake of the platform layer, host tests only.
#include "FakePlatform.h"

#include <cstdlib>

namespace Fake {
void Reset() {}
}  // namespace Fake

namespace Platform {

uint32_t GetModuleFileNameA(char* buffer, uint32_t size) {
  if (size > 0) buffer[0] = '\0';
  return 0;
}
const char* GetCommandLineA() { return ""; }
char* CharNextA(const char* current) { return const_cast<char*>(*current != '\0' ? current + 1 : current); }
uint32_t GetACP() { return 1252; }
int32_t MultiByteToWideChar(uint32_t, uint32_t, const char*, int32_t, char16_t*, int32_t) { return 0; }
int32_t WideCharToMultiByte(uint32_t, uint32_t, const char16_t*, int32_t, char*, int32_t) { return 0; }
int32_t MessageBoxA(THandle, const char*, const char*, uint32_t) { return 1; }
void ExitProcess(uint32_t exitCode) { std::exit(static_cast<int>(exitCode)); }
uint32_t GetLastError() { return 0; }
THandle GetModuleHandleA(const char*) { return nullptr; }
TProc GetProcAddress(THandle, const char*) { return nullptr; }
THandle GetCurrentProcess() { return reinterpret_cast<THandle>(~std::uintptr_t(0)); }
TBool CallIsWow64Process(TProc, THandle, TBool*) { return 0; }
THandle CreateFileA(const char*, uint32_t, uint32_t, uint32_t, uint32_t) { return InvalidHandleValue; }
uint32_t SetFilePointer(THandle, int32_t, uint32_t) { return InvalidSetFilePointer; }
TBool ReadFile(THandle, void*, uint32_t, uint32_t* bytesRead) {
  *bytesRead = 0;
  return 0;
}
TBool WriteFile(THandle, const void*, uint32_t, uint32_t* bytesWritten) {
  *bytesWritten = 0;
  return 0;
}
uint32_t GetFileSize(THandle, uint32_t* sizeHigh) {
  if (sizeHigh != nullptr) *sizeHigh = 0;
  return InvalidFileSize;
}
TBool CloseHandle(THandle) { return 0; }
TBool DeleteFileA(const char*) { return 0; }
uint32_t GetTempPathA(uint32_t, char*) { return 0; }
THandle FindFirstFileA(const char*) { return InvalidHandleValue; }
TBool FindClose(THandle) { return 0; }
TBool GetVersionExA(TOsVersionInfo*) { return 0; }
int32_t RegOpenKeyExA(THandle, const char*, uint32_t, uint32_t, THandle*) { return 2; }
int32_t RegQueryValueExA(THandle, const char*, uint32_t*, uint8_t*, uint32_t*) { return 2; }
int32_t RegCloseKey(THandle) { return 0; }
TBool AllocateAndInitializeSid(const TSidAuthority*, uint8_t, const uint32_t[8], void** sid) {
  *sid = nullptr;
  return 0;
}
void* FreeSid(void*) { return nullptr; }
TBool CallCheckTokenMembership(TProc, THandle, void*, TBool*) { return 0; }
TBool CreateProcessA(char*, TBool, uint32_t, const char*, TStartupInfo*, TProcessInformation*) { return 0; }
TBool ShellExecuteExA(TShellExecuteInfo*) { return 0; }
uint32_t WaitForSingleObject(THandle, uint32_t) { return 0; }
uint32_t WNetGetUniversalNameA(const char*, uint32_t, void*, uint32_t*) { return 2; }

}  // namespace Platform
