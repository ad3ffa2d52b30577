// TStream: the launcher's growable in-memory byte stream. A plain block with
// a size, a position and a capacity; the block grows in steps of
// StreamGrowthStep, and every out-of-range request is answered with 0
// instead of an error.
#pragma once

#include <cstdint>

// A growing capacity is rounded up to a multiple of this.
constexpr int32_t StreamGrowthStep = 131072;
// The largest multiple of StreamGrowthStep below 2^31: the most a stream holds.
constexpr int32_t MaxStreamSize = 0x7FFE0000;

// Origins of Seek.
constexpr int32_t SeekFromBeginning = 0;
constexpr int32_t SeekFromCurrent = 1;
constexpr int32_t SeekFromEnd = 2;

// Not thread-safe; one owner. The destructor is deliberately not virtual:
// nothing derives from the stream, and a virtual one would drag the global
// operator delete into the launcher.
class TStream {
 public:
  // An empty stream: no block, size, position and capacity 0.
  TStream();
  // Frees the block, as Clear does.
  ~TStream();
  TStream(const TStream&) = delete;
  TStream& operator=(const TStream&) = delete;

  // Copies up to count bytes from the position into buffer and advances the
  // position by as many. A negative position or count, or a position at or
  // past the end, copies nothing and gives 0.
  int32_t Read(void* buffer, int32_t count);
  // Copies count bytes from buffer to the position, extending the size when
  // they end past it (bytes between the old size and the position stay
  // uninitialised), and moves the position to their end. Gives count, or 0
  // when the position or count is negative or nothing lies past position 0.
  int32_t Write(const void* buffer, int32_t count);
  // Moves the position by offset from origin (SeekFrom*), unclamped; any
  // other origin leaves it. Gives the new position.
  int32_t Seek(int32_t offset, int32_t origin);
  // The size; the position is left as it was.
  int32_t GetSize() const { return Size; }
  // Sets the size; the capacity follows by SetCapacity's rule, and a
  // position past the new size is pulled back to it.
  void SetSize(int32_t newSize);
  // Sets the block length: rounded up to a multiple of StreamGrowthStep,
  // except when it equals the size or is 0. The block keeps its first bytes
  // and may move. A size larger than the new capacity is cut to it. A
  // request below 0 or above MaxStreamSize cannot be met and ends the
  // process like exhausted memory.
  void SetCapacity(int32_t newCapacity);
  // Frees the block; size and position become 0.
  void Clear();

  // The block, for reading or filling bytes below the size directly; null
  // while the capacity is 0. Only the stream frees or replaces it.
  uint8_t* GetMemory() { return Memory; }
  const uint8_t* GetMemory() const { return Memory; }
  int32_t GetPosition() const { return Position; }
  int32_t GetCapacity() const { return Capacity; }

 private:
  uint8_t* Memory;
  int32_t Size;
  int32_t Position;
  int32_t Capacity;
};
