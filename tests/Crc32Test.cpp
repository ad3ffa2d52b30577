#include <gtest/gtest.h>
#include <zlib.h>

#include <cstdint>
#include <cstring>
#include <string>
#include <vector>

#include "package/CRC32.h"
#include "package/CRC32Fold.h"

namespace {

uint32_t ZlibCrc(const uint8_t* data, size_t count) {
  return static_cast<uint32_t>(crc32(0L, data, static_cast<uInt>(count)));
}

TEST(Crc32Test, CheckValueOfTheNineDigits) {
  const char* digits = "123456789";
  EXPECT_EQ(CalcCrc32(digits, 9), 0xCBF43926u);
}

TEST(Crc32Test, TableHoldsThePublishedEntries) {
  struct Row {
    const char* name;
    uint32_t index;
    uint32_t entry;
  };
  const Row rows[] = {
      {"entry 0", 0, 0x00000000u},
      {"entry 1", 1, 0x77073096u},
      {"entry 128", 128, 0xEDB88320u},
      {"entry 255", 255, 0x2D02EF8Du},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.name);
    EXPECT_EQ(Crc32TableEntry(row.index), row.entry);
  }
}

TEST(Crc32Test, CountOfZeroOrLessGivesZeroAndReadsNothing) {
  const uint8_t byte = 0xAB;
  const int32_t counts[] = {0, -1, -9, INT32_MIN};
  for (int32_t count : counts) {
    SCOPED_TRACE(count);
    EXPECT_EQ(CalcCrc32(&byte, count), 0u);
    // A null pointer would fault if the routine touched it.
    EXPECT_EQ(CalcCrc32(nullptr, count), 0u);
  }
}

// The sliced loop and the byte tail must meet at every split: lengths around
// multiples of eight, at every start alignment.
TEST(Crc32Test, AgreesWithZlibAtEveryLengthAndAlignment) {
  std::vector<uint8_t> buffer(4096 + 16);
  uint32_t seed = 0x12345678u;
  for (uint8_t& byte : buffer) {
    seed = seed * 1103515245u + 12345u;
    byte = static_cast<uint8_t>(seed >> 24);
  }
  for (size_t alignment = 0; alignment < 16; ++alignment) {
    for (size_t length = 0; length <= 300; ++length) {
      const uint8_t* start = buffer.data() + alignment;
      ASSERT_EQ(CalcCrc32(start, static_cast<int32_t>(length)), ZlibCrc(start, length))
          << "alignment " << alignment << ", length " << length;
    }
  }
  const size_t longLengths[] = {1023, 1024, 1025, 4096};
  for (size_t length : longLengths) {
    SCOPED_TRACE(length);
    EXPECT_EQ(CalcCrc32(buffer.data() + 3, static_cast<int32_t>(length)), ZlibCrc(buffer.data() + 3, length));
  }
}

// Each of CalcCrc32's paths on its own, register in and out as the
// dispatcher uses it: the tables on every CPU, the folding path where this
// CPU has it. Lengths cover the four-lane loop, the single-lane loop and
// the byte tail at every split, from every start alignment.
struct TCrcPath {
  const char* name;
  uint32_t (*update)(uint32_t, const uint8_t*, size_t);
  size_t shortest;
};

std::vector<TCrcPath> AvailablePaths() {
  std::vector<TCrcPath> paths = {{"portable", Crc32UpdatePortable, 0}};
  if (Crc32FoldSupported()) paths.push_back({"folded", Crc32UpdateFolded, Crc32FoldMinimum});
  return paths;
}

std::vector<uint8_t> NoiseBuffer(size_t size, uint32_t seed) {
  std::vector<uint8_t> buffer(size);
  for (uint8_t& byte : buffer) {
    seed = seed * 1103515245u + 12345u;
    byte = static_cast<uint8_t>(seed >> 24);
  }
  return buffer;
}

TEST(Crc32Test, EachPathAgreesWithZlibAtEveryLengthAndAlignment) {
  const std::vector<uint8_t> buffer = NoiseBuffer(70000 + 32, 0x9E3779B9u);
  for (const TCrcPath& path : AvailablePaths()) {
    SCOPED_TRACE(path.name);
    for (size_t alignment = 0; alignment < 16; ++alignment) {
      const uint8_t* start = buffer.data() + alignment;
      for (size_t length = path.shortest; length <= 400; ++length) {
        ASSERT_EQ(path.update(0xFFFFFFFFu, start, length) ^ 0xFFFFFFFFu, ZlibCrc(start, length))
            << "alignment " << alignment << ", length " << length;
      }
      const size_t longLengths[] = {4095, 4096, 4097, 65536 + 15, 70000};
      for (size_t length : longLengths) {
        ASSERT_EQ(path.update(0xFFFFFFFFu, start, length) ^ 0xFFFFFFFFu, ZlibCrc(start, length))
            << "alignment " << alignment << ", length " << length;
      }
    }
  }
}

// A register carried from one call into the next gives the CRC of the whole:
// the folding path takes any register, not only the initial one.
TEST(Crc32Test, EachPathContinuesFromAnyRegister) {
  const std::vector<uint8_t> buffer = NoiseBuffer(5000, 0x2545F491u);
  const size_t splits[] = {1, 63, 64, 100, 1000, 4936};
  for (const TCrcPath& path : AvailablePaths()) {
    SCOPED_TRACE(path.name);
    for (size_t split : splits) {
      SCOPED_TRACE(split);
      const uint32_t head = Crc32UpdatePortable(0xFFFFFFFFu, buffer.data(), split);
      const size_t rest = buffer.size() - split;
      ASSERT_GE(rest, path.shortest);
      EXPECT_EQ(path.update(head, buffer.data() + split, rest) ^ 0xFFFFFFFFu, ZlibCrc(buffer.data(), buffer.size()));
    }
  }
}

// The paths meet the known answers on data that exercise the reduction's
// edges: all zero, all one bits, one set bit at the very end.
TEST(Crc32Test, EachPathAgreesWithZlibOnEdgePatterns) {
  std::vector<uint8_t> lastBit(1024, 0x00);
  lastBit.back() = 0x80;
  const struct {
    const char* name;
    std::vector<uint8_t> bytes;
  } rows[] = {
      {"zeros", std::vector<uint8_t>(1024, 0x00)},
      {"ones", std::vector<uint8_t>(1024, 0xFF)},
      {"last bit", lastBit},
  };
  for (const TCrcPath& path : AvailablePaths()) {
    for (const auto& row : rows) {
      SCOPED_TRACE(std::string(path.name) + ", " + row.name);
      EXPECT_EQ(path.update(0xFFFFFFFFu, row.bytes.data(), row.bytes.size()) ^ 0xFFFFFFFFu,
                ZlibCrc(row.bytes.data(), row.bytes.size()));
    }
  }
}

TEST(Crc32Test, AgreesWithZlibOnUniformBuffers) {
  const uint8_t fills[] = {0x00, 0xFF, 0x5A};
  for (uint8_t fill : fills) {
    SCOPED_TRACE(static_cast<int>(fill));
    std::vector<uint8_t> buffer(100000, fill);
    EXPECT_EQ(CalcCrc32(buffer.data(), static_cast<int32_t>(buffer.size())), ZlibCrc(buffer.data(), buffer.size()));
  }
}

}  // namespace
