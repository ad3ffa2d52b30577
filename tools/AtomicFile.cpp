#include "AtomicFile.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <csignal>
#include <cstdlib>
#include <cstring>

#include "ToolError.h"

namespace {

constexpr const char* TemporarySuffix = ".tmp-XXXXXX";
constexpr mode_t NewFileMode = 0666;
constexpr size_t MaxPathBytes = 4096;

// The temporary file that a signal handler removes: a plain buffer, since
// a handler may only call async-signal-safe functions.
char PendingPath[MaxPathBytes];
volatile sig_atomic_t PathPending = 0;
const int CleanupSignals[] = {SIGINT, SIGTERM, SIGHUP};
constexpr size_t CleanupSignalCount = sizeof CleanupSignals / sizeof CleanupSignals[0];
// Signals that were ignored when the command started stay ignored.
bool Armed[CleanupSignalCount];

extern "C" void RemovePendingAndRaise(int signalNumber) {
  if (PathPending) unlink(PendingPath);
  signal(signalNumber, SIG_DFL);
  raise(signalNumber);
}

void SetPending(const std::string& path) {
  if (path.size() >= MaxPathBytes) return;
  std::memcpy(PendingPath, path.c_str(), path.size() + 1);
  PathPending = 1;
  for (size_t i = 0; i < CleanupSignalCount; ++i) {
    struct sigaction current;
    sigaction(CleanupSignals[i], nullptr, &current);
    Armed[i] = current.sa_handler != SIG_IGN;
    if (Armed[i]) signal(CleanupSignals[i], RemovePendingAndRaise);
  }
}

void ClearPending() {
  PathPending = 0;
  for (size_t i = 0; i < CleanupSignalCount; ++i)
    if (Armed[i]) signal(CleanupSignals[i], SIG_DFL);
}

std::string FolderOf(const std::string& path) {
  const size_t slash = path.rfind('/');
  if (slash == std::string::npos) return ".";
  if (slash == 0) return "/";
  return path.substr(0, slash);
}

std::string NameOf(const std::string& path) {
  const size_t slash = path.rfind('/');
  return slash == std::string::npos ? path : path.substr(slash + 1);
}

std::string SystemReason() { return std::strerror(errno); }

// Moves count bytes between memory and the file from offset on, one call
// of transfer (a pread or pwrite of at most left bytes at position) at a
// time: a call cut short by a signal is made again, and a partial one goes
// on where it stopped. Returns true when every byte moved; false with errno
// set when a call fails, or set to nothingMovedError when one moves nothing.
template <typename TByte, typename TTransfer>
bool TransferAll(TTransfer transfer, uint64_t offset, TByte* bytes, size_t count, int nothingMovedError) {
  TByte* next = bytes;
  uint64_t position = offset;
  size_t left = count;
  while (left > 0) {
    const ssize_t done = transfer(next, left, static_cast<off_t>(position));
    if (done < 0 && errno == EINTR) continue;
    if (done <= 0) {
      if (done == 0) errno = nothingMovedError;
      return false;
    }
    next += done;
    position += static_cast<uint64_t>(done);
    left -= static_cast<size_t>(done);
  }
  return true;
}

}  // namespace

TAtomicFile::TAtomicFile(const std::string& target) : target_(target) {
  struct stat info;
  if (stat(target.c_str(), &info) == 0 && S_ISDIR(info.st_mode))
    throw WorkError("'" + target + "' is a folder, not a file name");
  const std::string name = NameOf(target);
  if (name.empty()) throw WorkError("'" + target + "' names a folder, not a file");
  std::string pattern = FolderOf(target) + "/." + name + TemporarySuffix;
  // A signal between creating the file and arming its removal would leave
  // it behind; hold such signals until both are done.
  sigset_t cleanupSignals;
  sigset_t previous;
  sigemptyset(&cleanupSignals);
  for (int signalNumber : CleanupSignals) sigaddset(&cleanupSignals, signalNumber);
  sigprocmask(SIG_BLOCK, &cleanupSignals, &previous);
  descriptor_ = mkstemp(&pattern[0]);
  const int createError = errno;
  if (descriptor_ >= 0) {
    temporaryPath_ = pattern;
    SetPending(temporaryPath_);
  }
  sigprocmask(SIG_SETMASK, &previous, nullptr);
  errno = createError;
  if (descriptor_ < 0) throw WorkError("cannot create a file in '" + FolderOf(target) + "': " + SystemReason());
  // mkstemp makes the file private; give it the mode of any new file.
  const mode_t mask = umask(0);
  umask(mask);
  fchmod(descriptor_, NewFileMode & ~mask);
}

TAtomicFile::~TAtomicFile() {
  if (descriptor_ >= 0) close(descriptor_);
  if (!committed_) {
    unlink(temporaryPath_.c_str());
    ClearPending();
  }
}

void TAtomicFile::Fail(const std::string& what) const {
  throw WorkError("cannot write '" + target_ + "': " + what + ": " + SystemReason());
}

void TAtomicFile::Write(const void* bytes, size_t count) {
  WriteAt(size_, bytes, count);
}

void TAtomicFile::WriteAt(uint64_t offset, const void* bytes, size_t count) {
  auto write = [this](const uint8_t* at, size_t left, off_t position) {
    return pwrite(descriptor_, at, left, position);
  };
  // A write that takes nothing means the disk is full.
  if (!TransferAll(write, offset, static_cast<const uint8_t*>(bytes), count, ENOSPC)) Fail("write failed");
  if (offset + count > size_) size_ = offset + count;
}

void TAtomicFile::ReadAt(uint64_t offset, void* bytes, size_t count) {
  auto read = [this](uint8_t* at, size_t left, off_t position) { return pread(descriptor_, at, left, position); };
  // A read that gives nothing means the file ends before what was written.
  if (!TransferAll(read, offset, static_cast<uint8_t*>(bytes), count, EIO)) Fail("reading back failed");
}

void TAtomicFile::Commit() {
  if (fsync(descriptor_) != 0) Fail("flushing to disk failed");
  const int descriptor = descriptor_;
  descriptor_ = -1;
  if (close(descriptor) != 0) Fail("closing failed");
  if (rename(temporaryPath_.c_str(), target_.c_str()) != 0) Fail("renaming into place failed");
  committed_ = true;
  ClearPending();
}
