// A new file that appears at its path only when it is complete: it is
// written as a temporary file beside the target and renamed into place.
// Until then, and on every failure, nothing is left at the target or beside
// it (also when the command is interrupted by a signal). Host-only (POSIX).
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

class TAtomicFile {
 public:
  // Creates the temporary file in the target's folder. Throws a work
  // TToolError when the folder cannot take it or the target is a folder.
  explicit TAtomicFile(const std::string& target);
  // Removes the temporary file unless Commit succeeded.
  ~TAtomicFile();
  TAtomicFile(const TAtomicFile&) = delete;
  TAtomicFile& operator=(const TAtomicFile&) = delete;

  // Appends bytes at the end of what was written; throws on a short write.
  void Write(const void* bytes, size_t count);
  // Overwrites bytes already written, at an absolute offset.
  void WriteAt(uint64_t offset, const void* bytes, size_t count);
  // Reads back bytes already written; throws when fewer are there.
  void ReadAt(uint64_t offset, void* bytes, size_t count);
  // Bytes written so far.
  uint64_t Size() const { return size_; }

  // Flushes the file to disk and renames it to the target, replacing a
  // file there. Throws on failure; the temporary file is then removed.
  void Commit();

  const std::string& TemporaryPath() const { return temporaryPath_; }

 private:
  [[noreturn]] void Fail(const std::string& what) const;

  std::string target_;
  std::string temporaryPath_;
  int descriptor_ = -1;
  uint64_t size_ = 0;
  bool committed_ = false;
};
