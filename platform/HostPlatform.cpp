// The platform layer over POSIX, for the package command on the host only:
// files are real files; a message box is a line on standard error; ending
// the process ends the command, never with status 0 (the launcher only
// ends itself that way after a failure). Calls that have no meaning on the
// host fail as their Win32 counterparts fail.
#include "HostPlatform.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

#include "../tools/TextCodec.h"
#include "../tools/ToolError.h"
#include "Platform.h"

namespace {

// Win32 values that these calls report.
constexpr uint32_t ErrorAccessDenied = 5;
constexpr uint32_t ErrorInvalidHandle = 6;
constexpr uint32_t ErrorInvalidParameter = 87;
constexpr uint32_t ErrorInsufficientBuffer = 122;
constexpr uint32_t ErrorNegativeSeek = 131;
constexpr uint32_t ErrorCallNotImplemented = 120;
constexpr uint32_t ErrorNotConnected = 2250;
constexpr uint32_t FileCurrent = 1;
constexpr uint32_t FileEnd = 2;
constexpr uint32_t WaitFailed = 0xFFFFFFFFu;
constexpr int32_t RegistryFileNotFound = 2;
constexpr uint32_t LowHalfBits = 32;
constexpr uint32_t LowHalfMask = 0xFFFFFFFFu;
constexpr uint32_t ExitCodeByte = 0xFFu;
constexpr uint32_t OutOfMemoryStatus = 0xC0000017u;
constexpr unsigned char ContinuationMask = 0xC0;
constexpr unsigned char ContinuationBits = 0x80;

std::string ModulePath;
void (*BeforeMessage)() = nullptr;
bool Shown = false;
std::string Message;
uint32_t LastError = 0;

// A file handle is a heap record holding the descriptor.
struct THostFile {
  int descriptor;
};

THostFile* FileOf(Platform::THandle handle) {
  if (handle == nullptr || handle == Platform::InvalidHandleValue) return nullptr;
  return static_cast<THostFile*>(handle);
}

uint32_t ErrorOfErrno() {
  switch (errno) {
    case ENOENT:
      return Platform::ErrorFileNotFound;
    case EEXIST:
      return Platform::ErrorFileExists;
    case EACCES:
    case EPERM:
      return ErrorAccessDenied;
    default:
      return ErrorInvalidParameter;
  }
}

// Win32's length rules: a source length of -1 takes the NUL too; with a
// destination length of 0 the needed length is returned; a destination too
// small gives 0.
template <typename TUnit, typename TString>
int32_t CopyConverted(const TString& converted, TUnit* destination, int32_t destinationLength) {
  const int32_t needed = static_cast<int32_t>(converted.size());
  if (destinationLength == 0) return needed;
  if (destinationLength < needed) {
    LastError = ErrorInsufficientBuffer;
    return 0;
  }
  for (int32_t i = 0; i < needed; ++i) destination[i] = static_cast<TUnit>(converted[static_cast<size_t>(i)]);
  return needed;
}

}  // namespace

namespace HostPlatform {

void SetModulePath(const std::string& path) { ModulePath = path; }
void SetBeforeMessage(void (*hook)()) { BeforeMessage = hook; }
bool MessageShown() { return Shown; }
const std::string& LastMessage() { return Message; }

}  // namespace HostPlatform

namespace Platform {

uint32_t GetModuleFileNameA(char* buffer, uint32_t size) {
  if (size == 0) return 0;
  const uint32_t length = static_cast<uint32_t>(ModulePath.size());
  const uint32_t copied = length < size ? length : size - 1;
  std::memcpy(buffer, ModulePath.data(), copied);
  buffer[copied] = '\0';
  return length < size ? length : size;
}

const char* GetCommandLineA() {
  static std::string commandLine;
  commandLine = "\"" + ModulePath + "\"";
  return commandLine.c_str();
}

char* CharNextA(const char* current) {
  if (*current == '\0') return const_cast<char*>(current);
  const char* next = current + 1;
  while ((static_cast<unsigned char>(*next) & ContinuationMask) == ContinuationBits) ++next;
  return const_cast<char*>(next);
}

uint32_t GetACP() { return HostPlatform::CodePageUtf8; }

int32_t MultiByteToWideChar(uint32_t, uint32_t, const char* source, int32_t sourceLength, char16_t* destination,
                            int32_t destinationLength) {
  if (source == nullptr || sourceLength == 0 || sourceLength < -1 || destinationLength < 0) {
    LastError = ErrorInvalidParameter;
    return 0;
  }
  const size_t length = sourceLength == -1 ? std::strlen(source) + 1 : static_cast<size_t>(sourceLength);
  return CopyConverted(Utf8ToUtf16Lenient(std::string(source, length)), destination, destinationLength);
}

int32_t WideCharToMultiByte(uint32_t, uint32_t, const char16_t* source, int32_t sourceLength, char* destination,
                            int32_t destinationLength) {
  if (source == nullptr || sourceLength == 0 || sourceLength < -1 || destinationLength < 0) {
    LastError = ErrorInvalidParameter;
    return 0;
  }
  size_t length = 0;
  if (sourceLength == -1) {
    while (source[length] != u'\0') ++length;
    ++length;
  } else {
    length = static_cast<size_t>(sourceLength);
  }
  return CopyConverted(Utf16ToUtf8(std::u16string(source, length)), destination, destinationLength);
}

int32_t MessageBoxA(THandle, const char* text, const char*, uint32_t) {
  if (BeforeMessage != nullptr) BeforeMessage();
  Shown = true;
  Message = text;
  std::fprintf(stderr, "%s\n", text);
  std::fflush(stderr);
  return 1;
}

void ExitProcess(uint32_t exitCode) {
  if (!Shown) {
    if (BeforeMessage != nullptr) BeforeMessage();
    if (exitCode == OutOfMemoryStatus) std::fputs("tarnwick-pack: out of memory\n", stderr);
    else std::fprintf(stderr, "tarnwick-pack: the launcher's code ended without a message (exit code %u)\n", exitCode);
  }
  std::fflush(stdout);
  std::fflush(stderr);
  const uint32_t status = exitCode & ExitCodeByte;
  std::exit(Shown || status == 0 ? ExitFailure : static_cast<int>(status));
}

uint32_t GetLastError() { return LastError; }

THandle GetModuleHandleA(const char*) { return nullptr; }
TProc GetProcAddress(THandle, const char*) { return nullptr; }
THandle GetCurrentProcess() { return InvalidHandleValue; }
TBool CallIsWow64Process(TProc, THandle, TBool*) { return 0; }

THandle CreateFileA(const char* path, uint32_t desiredAccess, uint32_t, uint32_t creationDisposition, uint32_t) {
  int flags = O_CLOEXEC;
  if ((desiredAccess & GenericWrite) != 0) flags |= (desiredAccess & GenericRead) != 0 ? O_RDWR : O_WRONLY;
  else flags |= O_RDONLY;
  if (creationDisposition == CreateNew) flags |= O_CREAT | O_EXCL;
  else if (creationDisposition == CreateAlways) flags |= O_CREAT | O_TRUNC;
  else if (creationDisposition != OpenExisting) {
    LastError = ErrorInvalidParameter;
    return InvalidHandleValue;
  }
  const int descriptor = open(path, flags, 0666);
  if (descriptor < 0) {
    LastError = ErrorOfErrno();
    return InvalidHandleValue;
  }
  struct stat info;
  if (fstat(descriptor, &info) != 0 || S_ISDIR(info.st_mode)) {
    close(descriptor);
    LastError = ErrorAccessDenied;
    return InvalidHandleValue;
  }
  return new THostFile{descriptor};
}

uint32_t SetFilePointer(THandle file, int32_t distance, uint32_t moveMethod) {
  THostFile* host = FileOf(file);
  if (host == nullptr) {
    LastError = ErrorInvalidHandle;
    return InvalidSetFilePointer;
  }
  const int whence = moveMethod == FileBegin ? SEEK_SET : moveMethod == FileCurrent ? SEEK_CUR : SEEK_END;
  if (moveMethod != FileBegin && moveMethod != FileCurrent && moveMethod != FileEnd) {
    LastError = ErrorInvalidParameter;
    return InvalidSetFilePointer;
  }
  // As on Windows, a move before the start fails and leaves the position.
  const off_t current = lseek(host->descriptor, 0, SEEK_CUR);
  const off_t base = whence == SEEK_SET ? 0 : whence == SEEK_CUR ? current : lseek(host->descriptor, 0, SEEK_END);
  lseek(host->descriptor, current, SEEK_SET);
  if (base + distance < 0) {
    LastError = ErrorNegativeSeek;
    return InvalidSetFilePointer;
  }
  const off_t position = lseek(host->descriptor, base + distance, SEEK_SET);
  return static_cast<uint32_t>(static_cast<uint64_t>(position) & LowHalfMask);
}

TBool ReadFile(THandle file, void* buffer, uint32_t bytesToRead, uint32_t* bytesRead) {
  *bytesRead = 0;
  THostFile* host = FileOf(file);
  if (host == nullptr) {
    LastError = ErrorInvalidHandle;
    return 0;
  }
  uint32_t done = 0;
  while (done < bytesToRead) {
    const ssize_t got = read(host->descriptor, static_cast<uint8_t*>(buffer) + done, bytesToRead - done);
    if (got < 0 && errno == EINTR) continue;
    if (got < 0) {
      LastError = ErrorOfErrno();
      *bytesRead = done;
      return 0;
    }
    if (got == 0) break;
    done += static_cast<uint32_t>(got);
  }
  *bytesRead = done;
  return 1;
}

TBool WriteFile(THandle file, const void* buffer, uint32_t bytesToWrite, uint32_t* bytesWritten) {
  *bytesWritten = 0;
  THostFile* host = FileOf(file);
  if (host == nullptr) {
    LastError = ErrorInvalidHandle;
    return 0;
  }
  uint32_t done = 0;
  while (done < bytesToWrite) {
    const ssize_t put = write(host->descriptor, static_cast<const uint8_t*>(buffer) + done, bytesToWrite - done);
    if (put < 0 && errno == EINTR) continue;
    if (put <= 0) {
      LastError = ErrorOfErrno();
      *bytesWritten = done;
      return 0;
    }
    done += static_cast<uint32_t>(put);
  }
  *bytesWritten = done;
  return 1;
}

uint32_t GetFileSize(THandle file, uint32_t* sizeHigh) {
  THostFile* host = FileOf(file);
  struct stat info;
  if (host == nullptr || fstat(host->descriptor, &info) != 0) {
    LastError = ErrorInvalidHandle;
    if (sizeHigh != nullptr) *sizeHigh = 0;
    return InvalidFileSize;
  }
  const uint64_t size = static_cast<uint64_t>(info.st_size);
  if (sizeHigh != nullptr) *sizeHigh = static_cast<uint32_t>(size >> LowHalfBits);
  return static_cast<uint32_t>(size & LowHalfMask);
}

TBool CloseHandle(THandle object) {
  THostFile* host = FileOf(object);
  if (host == nullptr) {
    LastError = ErrorInvalidHandle;
    return 0;
  }
  close(host->descriptor);
  delete host;
  return 1;
}

TBool DeleteFileA(const char* path) {
  if (unlink(path) == 0) return 1;
  LastError = ErrorOfErrno();
  return 0;
}

uint32_t GetTempPathA(uint32_t bufferLength, char* buffer) {
  const char* folder = std::getenv("TMPDIR");
  std::string path = folder != nullptr && *folder != '\0' ? folder : "/tmp";
  if (path.back() != '/') path += '/';
  const uint32_t length = static_cast<uint32_t>(path.size());
  if (bufferLength <= length) return length + 1;
  std::memcpy(buffer, path.c_str(), length + 1);
  return length;
}

THandle FindFirstFileA(const char* path) {
  struct stat info;
  if (stat(path, &info) != 0) {
    LastError = Platform::ErrorFileNotFound;
    return InvalidHandleValue;
  }
  // Nothing is enumerated; the handle only says that the name exists.
  return new THostFile{-1};
}

TBool FindClose(THandle findHandle) {
  THostFile* host = FileOf(findHandle);
  if (host == nullptr) return 0;
  delete host;
  return 1;
}

TBool GetVersionExA(TOsVersionInfo*) {
  LastError = ErrorCallNotImplemented;
  return 0;
}

int32_t RegOpenKeyExA(THandle, const char*, uint32_t, uint32_t, THandle* result) {
  *result = nullptr;
  return RegistryFileNotFound;
}

int32_t RegQueryValueExA(THandle, const char*, uint32_t*, uint8_t*, uint32_t*) { return RegistryFileNotFound; }
int32_t RegCloseKey(THandle) { return 0; }

TBool AllocateAndInitializeSid(const TSidAuthority*, uint8_t, const uint32_t[8], void** sid) {
  *sid = nullptr;
  LastError = ErrorCallNotImplemented;
  return 0;
}

void* FreeSid(void*) { return nullptr; }
TBool CallCheckTokenMembership(TProc, THandle, void*, TBool*) { return 0; }

TBool CreateProcessA(char*, TBool, uint32_t, const char*, TStartupInfo*, TProcessInformation*) {
  LastError = ErrorCallNotImplemented;
  return 0;
}

TBool ShellExecuteExA(TShellExecuteInfo*) {
  LastError = ErrorCallNotImplemented;
  return 0;
}

uint32_t WaitForSingleObject(THandle, uint32_t) { return WaitFailed; }

uint32_t WNetGetUniversalNameA(const char*, uint32_t, void*, uint32_t*) { return ErrorNotConnected; }

TBool SetDefaultDllDirectories(uint32_t) { return 0; }

}  // namespace Platform
