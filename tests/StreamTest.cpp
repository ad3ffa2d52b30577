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

struct StreamRow {
  const char* name;
  int32_t size, capacity, position;  // the stream before; all 0: new
  std::function<int32_t(TStream&)> operation;
  TExpected expected;
};

TEST(StreamTest, EdgeCases) {
  uint8_t buffer[64] = {};
  const StreamRow rows[] = {
      {"new: GetSize", 0, 0, 0, [](TStream& s) { return s.GetSize(); }, {0, 0, 0, 0}},
      {"new: Read of any count", 0, 0, 0, [&](TStream& s) { return s.Read(buffer, 10); }, {0, 0, 0, 0}},
      {"new: SetSize 1", 0, 0, 0, [](TStream& s) { s.SetSize(1); return 0; }, {0, 1, 0, 131072}},
      {"new: SetSize 131072", 0, 0, 0, [](TStream& s) { s.SetSize(131072); return 0; }, {0, 131072, 0, 131072}},
      {"new: SetSize 131073", 0, 0, 0, [](TStream& s) { s.SetSize(131073); return 0; }, {0, 131073, 0, 262144}},
      {"size 100: SetSize 100 sizes the block exactly", 100, 131072, 0,
       [](TStream& s) { s.SetSize(100); return 0; }, {0, 100, 0, 100}},
      {"size 100 at 50: SetSize 0 frees the block", 100, 131072, 50,
       [](TStream& s) { s.SetSize(0); return 0; }, {0, 0, 0, 0}},
      {"size 100 at 50: SetSize 10 pulls the position back", 100, 131072, 50,
       [](TStream& s) { s.SetSize(10); return 0; }, {0, 10, 10, 131072}},
      {"size 100 at 5: SetSize 10 keeps the position", 100, 131072, 5,
       [](TStream& s) { s.SetSize(10); return 0; }, {0, 10, 5, 131072}},
      {"4 left: Read of 10", 100, 131072, 96, [&](TStream& s) { return s.Read(buffer, 10); }, {4, 100, 100, 131072}},
      {"4 left: Read of 10, then another", 100, 131072, 96,
       [&](TStream& s) { s.Read(buffer, 10); return s.Read(buffer, 10); }, {0, 100, 100, 131072}},
      {"at 0: Write of 0 bytes", 100, 131072, 0, [&](TStream& s) { return s.Write(buffer, 0); }, {0, 100, 0, 131072}},
      {"new: Write of 10", 0, 0, 0, [&](TStream& s) { return s.Write(buffer, 10); }, {10, 10, 10, 131072}},
      {"size 10 at 20: Write of 5", 10, 131072, 20, [&](TStream& s) { return s.Write(buffer, 5); }, {5, 25, 25, 131072}},
      {"size 10 at 20: Write of 0", 10, 131072, 20, [&](TStream& s) { return s.Write(buffer, 0); }, {0, 20, 20, 131072}},
      {"size 10: Seek 5 from the end", 10, 131072, 0, [](TStream& s) { return s.Seek(5, SeekFromEnd); },
       {15, 10, 15, 131072}},
      {"size 10: Seek 5 from the end, -3 from current", 10, 131072, 0,
       [](TStream& s) { s.Seek(5, SeekFromEnd); return s.Seek(-3, SeekFromCurrent); }, {12, 10, 12, 131072}},
      {"size 10: Seek ..., then 0 from origin 7", 10, 131072, 0,
       [](TStream& s) { s.Seek(5, SeekFromEnd); s.Seek(-3, SeekFromCurrent); return s.Seek(0, 7); },
       {12, 10, 12, 131072}},
      // Beyond the table: refused requests change nothing.
      {"negative position: Read", 10, 131072, 0,
       [&](TStream& s) { s.Seek(-1, SeekFromBeginning); return s.Read(buffer, 5); }, {0, 10, -1, 131072}},
      {"negative position: Write", 10, 131072, 0,
       [&](TStream& s) { s.Seek(-1, SeekFromBeginning); return s.Write(buffer, 5); }, {0, 10, -1, 131072}},
      {"negative count: Read", 10, 131072, 0, [&](TStream& s) { return s.Read(buffer, -1); }, {0, 10, 0, 131072}},
      {"negative count: Write", 10, 131072, 0, [&](TStream& s) { return s.Write(buffer, -1); }, {0, 10, 0, 131072}},
      {"write within capacity past the end of a new stream", 0, 0, 0,
       [&](TStream& s) { s.Seek(20, SeekFromBeginning); return s.Write(buffer, 0); }, {0, 20, 20, 131072}},
      {"write that crosses a growth step", 131000, 131072, 131000, [&](TStream& s) { return s.Write(buffer, 64); },
       {64, 131064, 131064, 131072}},
      {"write that ends past the capacity", 131072, 131072, 131072, [&](TStream& s) { return s.Write(buffer, 1); },
       {1, 131073, 131073, 262144}},
      {"Clear", 100, 131072, 50, [](TStream& s) { s.Clear(); return 0; }, {0, 0, 0, 0}},
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
       [&](TStream& s) { s.Seek(MaxStreamSize, SeekFromBeginning); s.Write(&byte, 1); }},
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
