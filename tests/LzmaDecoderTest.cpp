#include <gtest/gtest.h>

#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "builder/LzmaEncoder.h"
#include "package/LzmaDecoder.h"
#include "package/NoRTLStream.h"
#include "tests/CappedMemory.h"

namespace {

// Text-like data that compresses, with a little noise so matches vary.
std::vector<uint8_t> SampleProgram(size_t size, uint32_t seed = 1) {
  static const std::string words[] = {"Setup ",   "program ",          "MZ", std::string("\x90\x90", 2),
                                      "install ", std::string(4, '\0')};
  std::vector<uint8_t> data;
  data.reserve(size);
  while (data.size() < size) {
    seed = seed * 1103515245u + 12345u;
    const std::string& word = words[(seed >> 16) % 6];
    data.insert(data.end(), word.begin(), word.end());
    if ((seed & 0xF) == 0) data.push_back(static_cast<uint8_t>(seed >> 8));
  }
  data.resize(size);
  return data;
}

std::vector<uint8_t> NoiseBytes(size_t size, uint32_t seed) {
  std::vector<uint8_t> data(size);
  for (uint8_t& byte : data) {
    seed = seed * 1664525u + 1013904223u;
    byte = static_cast<uint8_t>(seed >> 24);
  }
  return data;
}

void Fill(TStream& stream, const std::vector<uint8_t>& bytes) {
  stream.SetSize(static_cast<int32_t>(bytes.size()));
  if (!bytes.empty()) std::memcpy(stream.GetMemory(), bytes.data(), bytes.size());
}

std::vector<uint8_t> Contents(const TStream& stream) {
  const uint8_t* memory = stream.GetMemory();
  return memory == nullptr ? std::vector<uint8_t>() : std::vector<uint8_t>(memory, memory + stream.GetSize());
}

std::vector<uint8_t> Decode(const std::vector<uint8_t>& packed, const TLzmaPropertyBytes& properties,
                            int32_t unpackedSize, TStream* unpackedOut = nullptr) {
  TStream packedStream;
  Fill(packedStream, packed);
  TStream unpacked;
  LzmaDecodeStream(packedStream, properties.data(), unpackedSize, unpacked);
  if (unpackedOut != nullptr) {
    unpackedOut->Clear();
    unpackedOut->Write(unpacked.GetMemory(), unpacked.GetSize());
  }
  return Contents(unpacked);
}

TEST(LzmaDecoderTest, PropertiesSplitIntoTheirNumbers) {
  struct Row {
    const char* name;
    TLzmaPropertyBytes bytes;
    uint32_t lc, lp, pb, dictionary, window;
  };
  const Row rows[] = {
      {"standard 5D, 4 MiB", {0x5D, 0x00, 0x00, 0x40, 0x00}, 3, 0, 2, 0x400000, 0x400000},
      {"largest accepted byte E0", {0xE0, 0x00, 0x00, 0x01, 0x00}, 8, 4, 4, 0x10000, 0x10000},
      {"all zero: window of 4096", {0x00, 0x00, 0x00, 0x00, 0x00}, 0, 0, 0, 0, 4096},
      {"dictionary below the least window", {0x5D, 0x00, 0x08, 0x00, 0x00}, 3, 0, 2, 0x800, 4096},
      {"refused byte E1", {0xE1, 0xFF, 0xFF, 0xFF, 0x7F}, 0, 0, 5, 0x7FFFFFFF, 0x7FFFFFFF},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.name);
    const TLzmaProperties properties = DecodeLzmaProperties(row.bytes.data());
    EXPECT_EQ(properties.literalContextBits, row.lc);
    EXPECT_EQ(properties.literalPositionBits, row.lp);
    EXPECT_EQ(properties.positionBits, row.pb);
    EXPECT_EQ(properties.dictionarySize, row.dictionary);
    EXPECT_EQ(properties.windowSize, row.window);
  }
}

TEST(LzmaDecoderTest, PropertiesAcceptance) {
  struct Row {
    const char* name;
    TLzmaPropertyBytes bytes;
    bool acceptable;
  };
  const Row rows[] = {
      {"5D 00 00 40 00", {0x5D, 0x00, 0x00, 0x40, 0x00}, true},
      {"byte 224 (pb 4)", {0xE0, 0x00, 0x00, 0x40, 0x00}, true},
      {"byte 225 (pb 5)", {0xE1, 0x00, 0x00, 0x40, 0x00}, false},
      {"byte 255", {0xFF, 0x00, 0x00, 0x40, 0x00}, false},
      {"dictionary 0", {0x5D, 0x00, 0x00, 0x00, 0x00}, true},
      {"dictionary 2^31 - 1", {0x5D, 0xFF, 0xFF, 0xFF, 0x7F}, true},
      {"dictionary 2^31", {0x5D, 0x00, 0x00, 0x00, 0x80}, false},
      {"dictionary 2^32 - 1", {0x5D, 0xFF, 0xFF, 0xFF, 0xFF}, false},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.name);
    EXPECT_EQ(LzmaPropertiesAcceptable(row.bytes.data()), row.acceptable);
  }
}

TEST(LzmaDecoderTest, RoundTripWithAndWithoutEndMarker) {
  struct Row {
    const char* name;
    std::vector<uint8_t> program;
    TLzmaEncoding encoding;
  };
  TLzmaEncoding marker;
  marker.endMarker = true;
  TLzmaEncoding fast;
  fast.preset = 0;
  TLzmaEncoding smallDictionary;
  smallDictionary.dictionarySize = 4096;
  TLzmaEncoding literalBits;
  literalBits.literalContextBits = 0;
  literalBits.literalPositionBits = 2;
  literalBits.positionBits = 0;
  const Row rows[] = {
      {"one byte, no marker", {0x4D}, {}},
      {"one byte, marker", {0x4D}, marker},
      {"300 KiB text, no marker", SampleProgram(300000), {}},
      {"300 KiB text, marker", SampleProgram(300000), marker},
      {"noise, no marker", NoiseBytes(70000, 7), {}},
      {"noise, marker", NoiseBytes(70000, 7), marker},
      {"preset 0", SampleProgram(100000, 3), fast},
      {"4 KiB dictionary", SampleProgram(100000, 4), smallDictionary},
      {"lc 0 lp 2 pb 0", SampleProgram(100000, 5), literalBits},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.name);
    const TLzmaPacked packed = CompressLzma(row.program, row.encoding);
    ASSERT_GE(packed.bytes.size(), 5u);
    EXPECT_EQ(packed.bytes[0], 0) << "a raw stream begins with the range coder's 0";
    EXPECT_TRUE(LzmaPropertiesAcceptable(packed.properties.data()));
    EXPECT_EQ(Decode(packed.bytes, packed.properties, static_cast<int32_t>(row.program.size())), row.program);
  }
}

TEST(LzmaDecoderTest, EncoderGivesTheStandardPropertiesByte) {
  const TLzmaPacked packed = CompressLzma(SampleProgram(1000));
  EXPECT_EQ(packed.properties[0], 0x5D);
}

// What the decoder produces when the stream and the asked size disagree; the
// caller refuses any output whose size is not the asked one.
TEST(LzmaDecoderTest, BrokenStreamsGiveOutputOfAnotherSize) {
  const std::vector<uint8_t> program = SampleProgram(200000, 9);
  const int32_t size = static_cast<int32_t>(program.size());
  TLzmaEncoding marker;
  marker.endMarker = true;
  const TLzmaPacked plain = CompressLzma(program);
  const TLzmaPacked withMarker = CompressLzma(program, marker);

  std::vector<uint8_t> truncated(plain.bytes.begin(), plain.bytes.begin() + plain.bytes.size() / 2);
  std::vector<uint8_t> badStart = plain.bytes;
  badStart[0] = 0x01;
  std::vector<uint8_t> garbage(plain.bytes.begin(), plain.bytes.begin() + 5);
  const std::vector<uint8_t> noise = NoiseBytes(4000, 11);
  garbage.insert(garbage.end(), noise.begin(), noise.end());
  TLzmaPropertyBytes unsupported = plain.properties;
  unsupported[0] = 0xE0;  // lc 8, lp 4: beyond what liblzma decodes

  struct Row {
    const char* name;
    std::vector<uint8_t> packed;
    TLzmaPropertyBytes properties;
    int32_t askedSize;
  };
  const Row rows[] = {
      {"end marker before the asked size", withMarker.bytes, withMarker.properties, size + 1},
      {"no marker, asked size too large", plain.bytes, plain.properties, size + 1000},
      {"data used up too early", truncated, plain.properties, size},
      {"range coder start not 0", badStart, plain.properties, size},
      {"garbage after the range coder start", garbage, plain.properties, size},
      {"properties liblzma cannot decode", plain.bytes, unsupported, size},
      {"no packed bytes at all", {}, plain.properties, size},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.name);
    const std::vector<uint8_t> output = Decode(row.packed, row.properties, row.askedSize);
    EXPECT_NE(static_cast<int64_t>(output.size()), row.askedSize);
    EXPECT_LT(static_cast<int64_t>(output.size()), row.askedSize);
  }
}

TEST(LzmaDecoderTest, EndMarkerRightAfterTheDataPasses) {
  const std::vector<uint8_t> program = SampleProgram(50000, 12);
  TLzmaEncoding marker;
  marker.endMarker = true;
  const TLzmaPacked packed = CompressLzma(program, marker);
  EXPECT_EQ(Decode(packed.bytes, packed.properties, static_cast<int32_t>(program.size())), program);
}

TEST(LzmaDecoderTest, BytesAfterTheDataAreIgnored) {
  const std::vector<uint8_t> program = SampleProgram(80000, 13);
  for (bool endMarker : {false, true}) {
    SCOPED_TRACE(endMarker ? "with end marker" : "without end marker");
    TLzmaEncoding encoding;
    encoding.endMarker = endMarker;
    const TLzmaPacked packed = CompressLzma(program, encoding);
    std::vector<uint8_t> padded = packed.bytes;
    const std::vector<uint8_t> junk = NoiseBytes(200000, 14);
    padded.insert(padded.end(), junk.begin(), junk.end());
    EXPECT_EQ(Decode(padded, packed.properties, static_cast<int32_t>(program.size())), program);
  }
}

// The decoder stops at the asked size; the file's stated size is believed.
TEST(LzmaDecoderTest, StopsAtTheAskedSize) {
  const std::vector<uint8_t> program = SampleProgram(50000, 15);
  const TLzmaPacked packed = CompressLzma(program);
  const std::vector<uint8_t> output = Decode(packed.bytes, packed.properties, 1000);
  EXPECT_EQ(output, std::vector<uint8_t>(program.begin(), program.begin() + 1000));
}

TEST(LzmaDecoderTest, EmptyProgramDecodesToNothing) {
  const TLzmaPacked packed = CompressLzma({});
  EXPECT_TRUE(Decode(packed.bytes, packed.properties, 0).empty());
  EXPECT_TRUE(Decode({}, packed.properties, 0).empty());
}

// The output stream grows only by what was decoded: a size claimed in the
// package validates nothing by itself, and a huge claim over a few packed
// bytes reserves no more than those bytes can plausibly yield.
TEST(LzmaDecoderTest, OutputStreamIsNeverPresized) {
  const std::vector<uint8_t> program = SampleProgram(100, 16);
  TLzmaEncoding marker;
  marker.endMarker = true;
  const TLzmaPacked packed = CompressLzma(program, marker);
  TStream packedStream;
  Fill(packedStream, packed.bytes);
  TStream unpacked;
  LzmaDecodeStream(packedStream, packed.properties.data(), MaxStreamSize, unpacked);
  EXPECT_EQ(unpacked.GetSize(), 100);
  EXPECT_EQ(unpacked.GetCapacity(), StreamGrowthStep);
}

TEST(LzmaDecoderTest, InputIsTakenFromTheStartOfThePackedStream) {
  const std::vector<uint8_t> program = SampleProgram(5000, 17);
  const TLzmaPacked packed = CompressLzma(program);
  TStream packedStream;
  Fill(packedStream, packed.bytes);
  packedStream.Seek(0, SeekFromEnd);
  TStream unpacked;
  LzmaDecodeStream(packedStream, packed.properties.data(), static_cast<int32_t>(program.size()), unpacked);
  EXPECT_EQ(Contents(unpacked), program);
}

// Dictionary bytes of 0 still decode: the window is never below 4096 bytes.
TEST(LzmaDecoderTest, DictionaryOfZeroDecodesWithTheLeastWindow) {
  const std::vector<uint8_t> program = SampleProgram(60000, 19);
  TLzmaEncoding encoding;
  encoding.dictionarySize = LzmaMinDictionarySize;
  const TLzmaPacked packed = CompressLzma(program, encoding);
  TLzmaPropertyBytes zeroDictionary = packed.properties;
  zeroDictionary[1] = zeroDictionary[2] = zeroDictionary[3] = zeroDictionary[4] = 0;
  EXPECT_EQ(Decode(packed.bytes, zeroDictionary, static_cast<int32_t>(program.size())), program);
}

// Decodes with the address space capped near what the process already
// uses, and ends the process: 0 when the output came out short.
[[noreturn, maybe_unused]] void DecodeWithCappedMemory(const TLzmaPacked& packed, const TLzmaPropertyBytes& properties,
                                                       size_t programSize) {
  CapAddressSpace();
  const std::vector<uint8_t> output = Decode(packed.bytes, properties, static_cast<int32_t>(programSize));
  std::_Exit(output.size() < programSize ? 0 : 1);
}

// A window that cannot be allocated makes no crash: the output stays short.
// The cap runs in a child process, so that the 2 GiB window of a dictionary
// of 2^31 - 1 cannot be had.
TEST(LzmaDecoderTest, WindowThatCannotBeAllocatedGivesShortOutput) {
#if defined(__SANITIZE_ADDRESS__)
  GTEST_SKIP() << "the sanitizer's allocator aborts instead of failing an allocation";
#else
  const std::vector<uint8_t> program = SampleProgram(20000, 18);
  const TLzmaPacked packed = CompressLzma(program);
  TLzmaPropertyBytes hugeWindow = packed.properties;
  hugeWindow[1] = 0xFF;
  hugeWindow[2] = 0xFF;
  hugeWindow[3] = 0xFF;
  hugeWindow[4] = 0x7F;
  ASSERT_TRUE(LzmaPropertiesAcceptable(hugeWindow.data()));
  EXPECT_EXIT(DecodeWithCappedMemory(packed, hugeWindow, program.size()), testing::ExitedWithCode(0), "");
#endif
}

}  // namespace
