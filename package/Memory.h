// The launcher's one allocator. A request that cannot be met ends the
// process with OutOfMemoryExitCode: the launcher adds no message of its own,
// and no caller ever sees a null block.
#pragma once

#include <cstddef>
#include <cstdint>

// STATUS_NO_MEMORY, what a run time's own allocation failure ends with.
constexpr uint32_t OutOfMemoryExitCode = 0xC0000017u;

// A block of at least one byte; size 0 is taken as 1.
void* AllocateBlock(size_t size);
// The block resized, its first min(old, new) bytes kept; it may move.
void* ResizeBlock(void* block, size_t size);
// Frees a block of AllocateBlock or ResizeBlock; null is ignored.
void FreeBlock(void* block);
