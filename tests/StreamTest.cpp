#include <gtest/gtest.h>

#include <cstdint>
#include <cstring>
#include <functional>
#include <vector>

#include "package/Memory.h"
#include "package/NoRTLStream.h"
#include "platform/FakePlatform.h"

namespace {

// Brings a stream to the given size, capacity and position by the stream's
// own operations: a write of size bytes, then exact sizing or growth.
void Prepare(TStream& stream, int32_t size, int32_t capacity, int32_t position) {
  std::vector<uint8_t> bytes(static_cast<size_t>(size));
  for (size_t i = 0; i < bytes.size(); ++i) bytes[i] = static_cast<uint8_t>(i);
  stream.Write(bytes.data(), size);
  stream.SetCapacity(capacity);
  stream.Seek(position, SeekFromBeginning);
  ASSERT_EQ(stream.GetSize(), size);
  ASSERT_EQ(stream.GetCapacity(), capacity);
  ASSERT_EQ(stream.GetPosition(), position);
}

struct TExpected {
  int32_t result;  // what the last operation gave
  int32_t size;
  int32_t position;
  int32_t capacity;
};

using TOperation = std::function<int32_t(TStream&)>;

// The operations of the table, each giving what the stream call gave (0 for
// calls without a result).
uint8_t Scratch[64];
TOperation SetSizeTo(int32_t size) {
  return [size](TStream& s) {
    s.SetSize(size);
    return 0;
  };
}
TOperation ReadOf(int32_t count) {
  return [count](TStream& s) { return s.Read(Scratch, count); };
}
TOperation WriteOf(int32_t count) {
  return [count](TStream& s) { return s.Write(Scratch, count); };
}
TOperation SeekBy(int32_t offset, int32_t origin) {
  return [offset, origin](TStream& s) { return s.Seek(offset, origin); };
}
TOperation GetSize() {
  return [](TStream& s) { return s.GetSize(); };
}
TOperation ClearIt() {
  return [](TStream& s) {
    s.Clear();
    return 0;
  };
}
// Runs first, then gives what second gives.
TOperation Then(TOperation first, TOperation second) {
  return [first, second](TStream& s) {
    first(s);
    return second(s);
  };
}

struct StreamRow {
  const char* name;
  int32_t size, capacity, position;  // the stream before; capacity 0: new
  TOperation operation;
  TExpected expected;
};

TEST(StreamTest, EdgeCases) {
  const StreamRow rows[] = {
      {"new: GetSize", 0, 0, 0, GetSize(), {0, 0, 0, 0}},
      {"new: Read of any count", 0, 0, 0, ReadOf(10), {0, 0, 0, 0}},
      {"new: SetSize 1", 0, 0, 0, SetSizeTo(1), {0, 1, 0, 131072}},
      {"new: SetSize 131072", 0, 0, 0, SetSizeTo(131072), {0, 131072, 0, 131072}},
      {"new: SetSize 131073", 0, 0, 0, SetSizeTo(131073), {0, 131073, 0, 262144}},
      {"size 100: SetSize 100 sizes the block exactly", 100, 131072, 0, SetSizeTo(100), {0, 100, 0, 100}},
      {"size 100 at 50: SetSize 0 frees the block", 100, 131072, 50, SetSizeTo(0), {0, 0, 0, 0}},
      {"size 100 at 50: SetSize 10 pulls the position back", 100, 131072, 50, SetSizeTo(10), {0, 10, 10, 131072}},
      {"size 100 at 5: SetSize 10 keeps the position", 100, 131072, 5, SetSizeTo(10), {0, 10, 5, 131072}},
      {"4 left: Read of 10", 100, 131072, 96, ReadOf(10), {4, 100, 100, 131072}},
      {"4 left: Read of 10, then another", 100, 131072, 96, Then(ReadOf(10), ReadOf(10)), {0, 100, 100, 131072}},
      {"at 0: Write of 0 bytes", 100, 131072, 0, WriteOf(0), {0, 100, 0, 131072}},
      {"new: Write of 10", 0, 0, 0, WriteOf(10), {10, 10, 10, 131072}},
      {"size 10 at 20: Write of 5", 10, 131072, 20, WriteOf(5), {5, 25, 25, 131072}},
      {"size 10 at 20: Write of 0", 10, 131072, 20, WriteOf(0), {0, 20, 20, 131072}},
      {"size 10: Seek 5 from the end", 10, 131072, 0, SeekBy(5, SeekFromEnd), {15, 10, 15, 131072}},
      {"size 10: then -3 from current",
       10,
       131072,
       0,
       Then(SeekBy(5, SeekFromEnd), SeekBy(-3, SeekFromCurrent)),
       {12, 10, 12, 131072}},
      {"size 10: then 0 from origin 7",
       10,
       131072,
       0,
       Then(Then(SeekBy(5, SeekFromEnd), SeekBy(-3, SeekFromCurrent)), SeekBy(0, 7)),
       {12, 10, 12, 131072}},
      // Beyond the table: refused requests change nothing.
      {"negative position: Read", 10, 131072, 0, Then(SeekBy(-1, SeekFromBeginning), ReadOf(5)), {0, 10, -1, 131072}},
      {"negative position: Write", 10, 131072, 0, Then(SeekBy(-1, SeekFromBeginning), WriteOf(5)), {0, 10, -1, 131072}},
      {"negative count: Read", 10, 131072, 0, ReadOf(-1), {0, 10, 0, 131072}},
      {"negative count: Write", 10, 131072, 0, WriteOf(-1), {0, 10, 0, 131072}},
      {"new: empty write past the end allocates",
       0,
       0,
       0,
       Then(SeekBy(20, SeekFromBeginning), WriteOf(0)),
       {0, 20, 20, 131072}},
      {"write that ends within the capacity", 131000, 131072, 131000, WriteOf(64), {64, 131064, 131064, 131072}},
      {"write that ends past the capacity", 131072, 131072, 131072, WriteOf(1), {1, 131073, 131073, 262144}},
      {"Clear", 100, 131072, 50, ClearIt(), {0, 0, 0, 0}},
  };
  for (const StreamRow& row : rows) {
    SCOPED_TRACE(row.name);
    TStream stream;
    if (row.capacity != 0) Prepare(stream, row.size, row.capacity, row.position);
    const int32_t result = row.operation(stream);
    EXPECT_EQ(result, row.expected.result);
    EXPECT_EQ(stream.GetSize(), row.expected.size);
    EXPECT_EQ(stream.GetPosition(), row.expected.position);
    EXPECT_EQ(stream.GetCapacity(), row.expected.capacity);
    EXPECT_EQ(stream.GetMemory() == nullptr, stream.GetCapacity() == 0);
  }
}

// A write that ends within the capacity never moves the block.
TEST(StreamTest, WriteWithinTheCapacityKeepsTheBlock) {
  TStream stream;
  Prepare(stream, 10, 131072, 10);
  const uint8_t* block = stream.GetMemory();
  std::vector<uint8_t> bytes(131062, 0x5A);
  ASSERT_EQ(stream.Write(bytes.data(), static_cast<int32_t>(bytes.size())), 131062);
  EXPECT_EQ(stream.GetMemory(), block);
  EXPECT_EQ(stream.GetCapacity(), 131072);
}

TEST(StreamTest, ReadAndWriteCarryTheBytes) {
  TStream stream;
  const char text[] = "The quick brown fox";
  ASSERT_EQ(stream.Write(text, 19), 19);
  stream.Seek(4, SeekFromBeginning);
  char out[8] = {};
  ASSERT_EQ(stream.Read(out, 5), 5);
  EXPECT_EQ(std::memcmp(out, "quick", 5), 0);
  EXPECT_EQ(std::memcmp(stream.GetMemory(), text, 19), 0);
}

// Many small appends keep their bytes while the block grows and moves.
TEST(StreamTest, GrowthKeepsTheBytesAndStepsBy128KiB) {
  TStream stream;
  std::vector<uint8_t> expected;
  uint8_t chunk[1000];
  int grows = 0;
  int32_t lastCapacity = 0;
  for (int i = 0; i < 700; ++i) {
    for (int j = 0; j < 1000; ++j) chunk[j] = static_cast<uint8_t>(i * 7 + j);
    ASSERT_EQ(stream.Write(chunk, 1000), 1000);
    expected.insert(expected.end(), chunk, chunk + 1000);
    if (stream.GetCapacity() != lastCapacity) ++grows;
    lastCapacity = stream.GetCapacity();
    ASSERT_EQ(stream.GetCapacity() % StreamGrowthStep, 0);
  }
  EXPECT_EQ(stream.GetSize(), 700000);
  EXPECT_EQ(stream.GetCapacity(), 786432);
  EXPECT_EQ(grows, 6);
  EXPECT_EQ(std::memcmp(stream.GetMemory(), expected.data(), expected.size()), 0);
}

// Cutting the block below the size must not leave the size pointing past it.
TEST(StreamTest, SetCapacityBelowTheSizeCutsTheSize) {
  TStream stream;
  Prepare(stream, 100, 131072, 80);
  stream.SetCapacity(0);
  EXPECT_EQ(stream.GetCapacity(), 0);
  EXPECT_EQ(stream.GetSize(), 0);
  uint8_t out[4];
  EXPECT_EQ(stream.Read(out, 4), 0);
}

TEST(StreamTest, SizesBeyondReachEndLikeExhaustedMemory) {
  struct Row {
    const char* name;
    std::function<void(TStream&)> request;
  };
  const uint8_t byte = 0;
  const Row rows[] = {
      {"SetSize negative", [](TStream& s) { s.SetSize(-1); }},
      {"SetSize above the largest", [](TStream& s) { s.SetSize(MaxStreamSize + 1); }},
      {"SetCapacity INT32_MAX", [](TStream& s) { s.SetCapacity(INT32_MAX); }},
      {"Write ending above the largest",
       [&](TStream& s) {
         s.Seek(MaxStreamSize, SeekFromBeginning);
         s.Write(&byte, 1);
       }},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.name);
    Fake::Reset();
    const int64_t exitCode = Fake::RunToExit([&] {
      TStream stream;
      row.request(stream);
    });
    EXPECT_EQ(exitCode, static_cast<int64_t>(OutOfMemoryExitCode));
  }
}

TEST(StreamTest, SeekWrapsInsteadOfOverflowing) {
  TStream stream;
  stream.Seek(INT32_MAX, SeekFromBeginning);
  EXPECT_EQ(stream.Seek(1, SeekFromCurrent), INT32_MIN);
  uint8_t out[1];
  EXPECT_EQ(stream.Read(out, 1), 0);
}

}  // namespace
