#include <gtest/gtest.h>
#include <zlib.h>

#include <cstdint>
#include <cstring>
#include <vector>

#include "package/CRC32.h"

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

TEST(Crc32Test, AgreesWithZlibOnUniformBuffers) {
  const uint8_t fills[] = {0x00, 0xFF, 0x5A};
  for (uint8_t fill : fills) {
    SCOPED_TRACE(static_cast<int>(fill));
    std::vector<uint8_t> buffer(100000, fill);
    EXPECT_EQ(CalcCrc32(buffer.data(), static_cast<int32_t>(buffer.size())), ZlibCrc(buffer.data(), buffer.size()));
  }
}

}  // namespace
