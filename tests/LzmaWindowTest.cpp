// The decoder's window is never asked to exceed what the program can use.
#include <gtest/gtest.h>

#include <array>
#include <cstdint>
#include <vector>

#include "builder/LzmaEncoder.h"
#include "package/LzmaDecoder.h"
#include "package/NoRTLStream.h"
#include "stub/Decompress.h"

namespace {

using TBytes = std::array<uint8_t, LzmaPropertiesSize>;

TBytes Properties(uint8_t byte, uint32_t dictionary) {
  return {byte, uint8_t(dictionary), uint8_t(dictionary >> 8), uint8_t(dictionary >> 16), uint8_t(dictionary >> 24)};
}

TEST(LzmaWindowTest, DictionaryIsCutToTheProgramSize) {
  struct Row {
    const char* name;
    uint32_t dictionary;
    int32_t unpackedSize;
    uint32_t expected;
  };
  const Row rows[] = {
      {"the example's 4 MiB for a 3000-byte program", 0x400000, 3000, 4096},
      {"4 MiB for exactly 4 MiB", 0x400000, 0x400000, 0x400000},
      {"4 MiB for a larger program stays", 0x400000, 0x500000, 0x400000},
      {"2^31 - 1 for 1 MiB", 0x7FFFFFFF, 0x100000, 0x100000},
      {"2^31 - 1 for the most a stream holds", 0x7FFFFFFF, 0x7FFE0000, 0x7FFE0000},
      {"a small dictionary stays", 1000, 5000, 1000},
      {"an empty program keeps the least window", 0x400000, 0, 4096},
      {"0 stays 0", 0, 0, 0},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.name);
    const TBytes stored = Properties(0x5D, row.dictionary);
    TBytes bounded{};
    BoundedLzmaProperties(stored.data(), row.unpackedSize, bounded.data());
    EXPECT_EQ(bounded, Properties(0x5D, row.expected));
  }
}

// The cut window decodes what the stored one decodes: the data are the
// same bytes, down to a program that fills the window exactly.
TEST(LzmaWindowTest, CutWindowDecodesTheSameProgram) {
  for (size_t size : {size_t(1), size_t(4096), size_t(70000)}) {
    SCOPED_TRACE(size);
    std::vector<uint8_t> program(size);
    for (size_t i = 0; i < size; ++i) program[i] = static_cast<uint8_t>((i % 300) ^ (i / 1000));
    TLzmaEncoding encoding;
    encoding.dictionarySize = 1u << 20;
    const TLzmaPacked packed = CompressLzma(program, encoding);
    TBytes bounded{};
    BoundedLzmaProperties(packed.properties.data(), int32_t(size), bounded.data());
    TStream packedStream;
    packedStream.Write(packed.bytes.data(), int32_t(packed.bytes.size()));
    TStream unpacked;
    LzmaDecodeStream(packedStream, bounded.data(), int32_t(size), unpacked);
    ASSERT_EQ(unpacked.GetSize(), int32_t(size));
    EXPECT_TRUE(std::vector<uint8_t>(unpacked.GetMemory(), unpacked.GetMemory() + size) == program);
  }
}

}  // namespace
