#include "NoRTLStream.h"

#include <cstddef>
#include <cstring>

#include "../platform/Platform.h"
#include "Memory.h"

namespace {

constexpr uint32_t GrowthRoundUp = static_cast<uint32_t>(StreamGrowthStep) - 1u;
constexpr uint32_t GrowthMask = ~GrowthRoundUp;

// A size the stream cannot hold is treated like a block the system cannot
// give: the same end as a failed allocation.
[[noreturn]] void CapacityOutOfReach() { Platform::ExitProcess(OutOfMemoryExitCode); }

}  // namespace

TStream::TStream() : Memory(nullptr), Size(0), Position(0), Capacity(0) {}

TStream::~TStream() { Clear(); }

void TStream::SetCapacity(int32_t newCapacity) {
  if (newCapacity < 0 || newCapacity > MaxStreamSize) CapacityOutOfReach();
  int32_t n = newCapacity;
  // A request for exactly the current size is honoured to the byte.
  if (n > 0 && n != Size) n = static_cast<int32_t>((static_cast<uint32_t>(n) + GrowthRoundUp) & GrowthMask);
  if (n == Capacity) return;
  if (n == 0) {
    FreeBlock(Memory);
    Memory = nullptr;
  } else if (Capacity == 0) {
    Memory = static_cast<uint8_t*>(AllocateBlock(static_cast<size_t>(n)));
  } else {
    Memory = static_cast<uint8_t*>(ResizeBlock(Memory, static_cast<size_t>(n)));
  }
  Capacity = n;
  // Bytes past the block are gone: never let the size claim them.
  if (Size > Capacity) Size = Capacity;
}

void TStream::SetSize(int32_t newSize) {
  const int32_t oldPosition = Position;
  SetCapacity(newSize);
  Size = newSize;
  if (newSize < oldPosition) Position = newSize;
}

int32_t TStream::Read(void* buffer, int32_t count) {
  if (Position < 0 || count < 0) return 0;
  const int32_t available = Size - Position;
  if (available <= 0) return 0;
  const int32_t copied = count < available ? count : available;
  if (copied > 0) std::memcpy(buffer, Memory + Position, static_cast<size_t>(copied));
  Position += copied;
  return copied;
}

int32_t TStream::Write(const void* buffer, int32_t count) {
  if (Position < 0 || count < 0) return 0;
  // Both are non-negative 32-bit values, so their sum fits in 64 bits.
  const int64_t end = static_cast<int64_t>(Position) + count;
  if (end <= 0) return 0;
  if (end > MaxStreamSize) CapacityOutOfReach();
  const int32_t newEnd = static_cast<int32_t>(end);
  if (newEnd > Size) {
    if (newEnd > Capacity) SetCapacity(newEnd);
    Size = newEnd;
  }
  if (count > 0) std::memcpy(Memory + Position, buffer, static_cast<size_t>(count));
  Position = newEnd;
  return count;
}

int32_t TStream::Seek(int32_t offset, int32_t origin) {
  // The position is not clamped; arithmetic past the 32-bit range wraps
  // rather than being undefined.
  uint32_t base;
  switch (origin) {
    case SeekFromBeginning:
      base = 0;
      break;
    case SeekFromCurrent:
      base = static_cast<uint32_t>(Position);
      break;
    case SeekFromEnd:
      base = static_cast<uint32_t>(Size);
      break;
    default:
      return Position;
  }
  Position = static_cast<int32_t>(base + static_cast<uint32_t>(offset));
  return Position;
}

void TStream::Clear() {
  SetCapacity(0);
  Size = 0;
  Position = 0;
}
