#include <gtest/gtest.h>

#include <cstdint>
#include <cstring>
#include <vector>

#include "builder/LzmaEncoder.h"
#include "package/LzmaDecoder.h"
#include "package/NoRTLStream.h"
#include "package/OutputReserve.h"

namespace {

constexpr int32_t MiB = 1 << 20;

TEST(OutputReserveTest, FirstReserveIsTheClaimCappedByWhatThePackedBytesCanYield) {
  struct Row {
    const char* name;
    int32_t packed;
    int32_t unpacked;
    int32_t reserve;
  };
  const Row rows[] = {
      {"honest executable", 20 * MiB, 64 * MiB, 64 * MiB},
      {"claim at the plausible limit", 8 * MiB, 64 * MiB, 64 * MiB},
      {"claim past the plausible limit", 1 * MiB, 64 * MiB, 8 * MiB},
      {"lying size of a tiny payload", 100, MaxStreamSize, 800},
      {"empty payload", 0, 0, 0},
      {"no packed bytes, a claimed size", 0, 1000, 0},
      {"packed times the ratio past 2^31", 1024 * MiB, MaxStreamSize, MaxStreamSize},
      {"negative claim", 1000, -5, 0},
      {"negative packed size", -5, 1000, 0},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.name);
    EXPECT_EQ(FirstOutputReserve(row.packed, row.unpacked), row.reserve);
  }
}

TEST(OutputReserveTest, NextReserveDoublesUpToTheClaim) {
  struct Row {
    const char* name;
    int32_t capacity;
    int32_t needed;
    int32_t unpacked;
    int32_t next;
  };
  const Row rows[] = {
      {"doubles", 8 * MiB, 8 * MiB + 1, 64 * MiB, 16 * MiB},
      {"stops at the claim", 48 * MiB, 48 * MiB + 1, 64 * MiB, 64 * MiB},
      {"at least what is needed", 0, 65536, 64 * MiB, 65536},
      {"needed beyond the claim", 64 * MiB, 64 * MiB + 10, 64 * MiB, 64 * MiB + 10},
      {"doubling past the largest stream", 1536 * MiB, 1536 * MiB + 1, MaxStreamSize, MaxStreamSize},
      {"negative claim", 1000, 2000, -1, 2000},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.name);
    EXPECT_EQ(NextOutputReserve(row.capacity, row.needed, row.unpacked), row.next);
  }
}

// Executable-like bytes: runs of code-ish noise with repeats, packing a few
// to one like real programs.
std::vector<uint8_t> ProgramBytes(size_t size) {
  std::vector<uint8_t> data(size);
  uint32_t seed = 0xC0FFEEu;
  for (size_t i = 0; i < size; ++i) {
    seed = seed * 1103515245u + 12345u;
    data[i] = (seed >> 28) < 4 && i >= 64 ? data[i - 64] : static_cast<uint8_t>(seed >> 24);
  }
  return data;
}

// The fastest preset: these tests are about the stream, not the packing.
TLzmaEncoding QuickEncoding(bool endMarker = false) {
  TLzmaEncoding encoding;
  encoding.preset = 0;
  encoding.endMarker = endMarker;
  return encoding;
}

void Fill(TStream& stream, const std::vector<uint8_t>& bytes) {
  stream.SetSize(static_cast<int32_t>(bytes.size()));
  if (!bytes.empty()) std::memcpy(stream.GetMemory(), bytes.data(), bytes.size());
}

int32_t RoundedToGrowthStep(int32_t size) { return (size + StreamGrowthStep - 1) / StreamGrowthStep * StreamGrowthStep; }

// A claim that the packed bytes can plausibly yield is reserved at once, so
// the block need not move while the decoder writes; reserving is not
// sizing: the size is only what the decoder wrote, here half the claim.
TEST(OutputReserveTest, PlausibleClaimIsReservedButNotSized) {
  const std::vector<uint8_t> program = ProgramBytes(256 * 1024 + 123);
  const TLzmaPacked packed = CompressLzma(program, QuickEncoding(true));
  const int32_t claim = 2 * static_cast<int32_t>(program.size());
  ASSERT_LE(claim, static_cast<int32_t>(packed.bytes.size()) * PlausiblePackingRatio);
  TStream packedStream;
  Fill(packedStream, packed.bytes);
  TStream unpacked;
  LzmaDecodeStream(packedStream, packed.properties.data(), claim, unpacked);
  ASSERT_EQ(unpacked.GetSize(), static_cast<int32_t>(program.size()));
  EXPECT_EQ(unpacked.GetCapacity(), RoundedToGrowthStep(claim));
  EXPECT_EQ(std::memcmp(unpacked.GetMemory(), program.data(), program.size()), 0);
}

// A claim far above what the data decode to reserves what the packed bytes
// can plausibly yield and no more; the stream holds what was decoded.
TEST(OutputReserveTest, LyingClaimReservesOnlyWhatThePackedBytesCanYield) {
  const std::vector<uint8_t> program = ProgramBytes(256 * 1024);
  const TLzmaPacked packed = CompressLzma(program, QuickEncoding(true));
  TStream packedStream;
  Fill(packedStream, packed.bytes);
  TStream unpacked;
  LzmaDecodeStream(packedStream, packed.properties.data(), MaxStreamSize, unpacked);
  EXPECT_EQ(unpacked.GetSize(), static_cast<int32_t>(program.size()));
  const int32_t plausible = static_cast<int32_t>(packed.bytes.size()) * PlausiblePackingRatio;
  EXPECT_EQ(unpacked.GetCapacity(), RoundedToGrowthStep(plausible));
}

// Data that pack far better than the plausible ratio still decode: the
// block grows past the first reservation, doubling, up to the claim.
TEST(OutputReserveTest, OutputPastTheFirstReserveGrowsToTheClaim) {
  const std::vector<uint8_t> program(4 * MiB, 0x00);
  const TLzmaPacked packed = CompressLzma(program, QuickEncoding());
  ASSERT_LT(static_cast<int64_t>(packed.bytes.size()) * PlausiblePackingRatio, static_cast<int64_t>(program.size()));
  TStream packedStream;
  Fill(packedStream, packed.bytes);
  TStream unpacked;
  LzmaDecodeStream(packedStream, packed.properties.data(), static_cast<int32_t>(program.size()), unpacked);
  ASSERT_EQ(unpacked.GetSize(), static_cast<int32_t>(program.size()));
  EXPECT_EQ(unpacked.GetCapacity(), static_cast<int32_t>(program.size()));
  EXPECT_EQ(std::memcmp(unpacked.GetMemory(), program.data(), program.size()), 0);
}

}  // namespace
