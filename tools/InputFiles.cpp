#include "InputFiles.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>

#include "ToolError.h"

namespace {

std::string Named(const std::string& role, const std::string& path) { return role + ": '" + path + "'"; }

[[noreturn]] void FailWithReason(const std::string& role, const std::string& path, const std::string& what) {
  throw WorkError(Named(role, path) + " " + what + ": " + std::strerror(errno));
}

// Closes the descriptor on every path out.
class TDescriptor {
 public:
  explicit TDescriptor(int descriptor) : descriptor_(descriptor) {}
  ~TDescriptor() {
    if (descriptor_ >= 0) close(descriptor_);
  }
  TDescriptor(const TDescriptor&) = delete;
  TDescriptor& operator=(const TDescriptor&) = delete;
  int Get() const { return descriptor_; }

 private:
  int descriptor_;
};

uint64_t CheckedSize(const std::string& role, const std::string& path, int descriptor) {
  struct stat info;
  if (fstat(descriptor, &info) != 0) FailWithReason(role, path, "cannot be examined");
  if (S_ISDIR(info.st_mode)) throw WorkError(Named(role, path) + " is a folder, not a file");
  if (!S_ISREG(info.st_mode)) throw WorkError(Named(role, path) + " is not a regular file");
  return static_cast<uint64_t>(info.st_size);
}

}  // namespace

uint64_t InputFileSize(const std::string& role, const std::string& path) {
  TDescriptor file(open(path.c_str(), O_RDONLY | O_CLOEXEC));
  if (file.Get() < 0) FailWithReason(role, path, "cannot be opened");
  return CheckedSize(role, path, file.Get());
}

std::vector<uint8_t> ReadInputFile(const std::string& role, const std::string& path, uint64_t maxSize) {
  TDescriptor file(open(path.c_str(), O_RDONLY | O_CLOEXEC));
  if (file.Get() < 0) FailWithReason(role, path, "cannot be opened");
  const uint64_t size = CheckedSize(role, path, file.Get());
  if (size > maxSize)
    throw WorkError(Named(role, path) + " is " + std::to_string(size) + " bytes; at most " + std::to_string(maxSize) +
                    " can be used");
  std::vector<uint8_t> bytes(static_cast<size_t>(size));
  size_t done = 0;
  while (done < bytes.size()) {
    const ssize_t got = read(file.Get(), bytes.data() + done, bytes.size() - done);
    if (got < 0 && errno == EINTR) continue;
    if (got < 0) FailWithReason(role, path, "cannot be read");
    if (got == 0) break;
    done += static_cast<size_t>(got);
  }
  bytes.resize(done);
  return bytes;
}
