#include "Memory.h"

#include <cstdlib>

#include "../platform/Platform.h"

namespace {

[[noreturn]] void OutOfMemory() { Platform::ExitProcess(OutOfMemoryExitCode); }

}  // namespace

void* AllocateBlock(size_t size) {
  void* block = std::malloc(size == 0 ? 1 : size);
  if (block == nullptr) OutOfMemory();
  return block;
}

void* ResizeBlock(void* block, size_t size) {
  void* resized = std::realloc(block, size == 0 ? 1 : size);
  if (resized == nullptr) OutOfMemory();
  return resized;
}

void FreeBlock(void* block) { std::free(block); }
