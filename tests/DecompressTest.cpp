#include <gtest/gtest.h>

#include <cstdint>
#include <cstring>
#include <string>
#include <vector>

#include "builder/PackageWriter.h"
#include "package/NoRTLStream.h"
#include "platform/FakePlatform.h"
#include "stub/Decompress.h"
#include "stub/FatalMessages.h"

namespace {

const char* const LauncherPath = "C:\\Launcher\\setup.exe";

std::vector<uint8_t> Program(size_t size) {
  std::vector<uint8_t> data(size);
  for (size_t i = 0; i < size; ++i) data[i] = static_cast<uint8_t>((i % 251) ^ (i >> 9));
  if (size >= 2) {
    data[0] = 'M';
    data[1] = 'Z';
  }
  return data;
}

std::vector<uint8_t> Contents(const TStream& stream) {
  const uint8_t* memory = stream.GetMemory();
  return memory == nullptr ? std::vector<uint8_t>() : std::vector<uint8_t>(memory, memory + stream.GetSize());
}

// The box that FatalPackageDamaged shows, as the reference for every refusal.
Fake::TMessageBox DamagedBox() {
  Fake::Reset();
  Fake::RunToExit([] { FatalPackageDamaged(); });
  const std::vector<Fake::TMessageBox> boxes = Fake::MessageBoxes();
  EXPECT_EQ(boxes.size(), 1u);
  return boxes.empty() ? Fake::TMessageBox{} : boxes[0];
}

struct TRun {
  int64_t exitCode;
  std::vector<Fake::TMessageBox> boxes;
  std::vector<uint8_t> unpacked;
  int32_t packedCapacity;
  int32_t unpackedCapacity;
};

// Puts file on the fake disk as the launcher, opens it, and runs
// DecompressPayload on the payload as stored or as given.
TRun RunDecompress(const TBuiltPackage& built, const TPayloadRef& payload, const uint8_t* properties) {
  Fake::Reset();
  Fake::AddFile(LauncherPath, built.file);
  const Platform::THandle file = Platform::CreateFileA(LauncherPath, Platform::GenericRead, Platform::FileShareRead,
                                                       Platform::OpenExisting, Platform::FileAttributeNormal);
  TStream packedStream;
  TStream unpackedStream;
  TRun run;
  run.exitCode = Fake::RunToExit([&] { DecompressPayload(file, payload, properties, packedStream, unpackedStream); });
  run.boxes = Fake::MessageBoxes();
  run.unpacked = Contents(unpackedStream);
  run.packedCapacity = packedStream.GetCapacity();
  run.unpackedCapacity = unpackedStream.GetCapacity();
  return run;
}

TRun RunDecompress(const TBuiltPackage& built) {
  return RunDecompress(built, built.config.payload32, built.config.lzmaProperties);
}

void ExpectDamaged(const TRun& run, const Fake::TMessageBox& damaged) {
  EXPECT_EQ(run.exitCode, 0);
  ASSERT_EQ(run.boxes.size(), 1u);
  EXPECT_EQ(run.boxes[0].text, damaged.text);
  EXPECT_EQ(run.boxes[0].caption, damaged.caption);
  EXPECT_EQ(run.boxes[0].type, damaged.type);
}

TEST(DecompressTest, PayloadIsReadWithOneSeekAndOneReadAndDecoded) {
  const std::vector<uint8_t> program = Program(300000);
  for (bool endMarker : {false, true}) {
    SCOPED_TRACE(endMarker ? "with end marker" : "without end marker");
    TPackageSpec layout = WorkedExampleSpec(program);
    layout.encoding.endMarker = endMarker;
    layout.lzmaProperties.reset();
    const TBuiltPackage built = BuildPackage(layout);
    const TRun run = RunDecompress(built);
    EXPECT_EQ(run.exitCode, Fake::ReturnedWithoutExit);
    EXPECT_TRUE(run.boxes.empty());
    EXPECT_EQ(run.unpacked, program);

    const std::vector<Fake::TSeekCall> seeks = Fake::SeekCalls();
    ASSERT_EQ(seeks.size(), 1u);
    EXPECT_EQ(seeks[0].distance, static_cast<int32_t>(built.config.payload32.offset));
    EXPECT_EQ(seeks[0].method, Platform::FileBegin);
    const std::vector<Fake::TReadCall> reads = Fake::ReadCalls();
    ASSERT_EQ(reads.size(), 1u);
    EXPECT_EQ(reads[0].position, built.config.payload32.offset);
    EXPECT_EQ(reads[0].requested, static_cast<uint32_t>(built.config.payload32.packedSize));
    EXPECT_EQ(run.packedCapacity % StreamGrowthStep, 0);
  }
}

TEST(DecompressTest, ExampleShapedPackageWithTrailingBytesPasses) {
  const std::vector<uint8_t> program = Program(1230);
  const TBuiltPackage built = BuildPackage(WorkedExampleSpec(program, 0x1000));
  const TRun run = RunDecompress(built);
  EXPECT_EQ(run.exitCode, Fake::ReturnedWithoutExit);
  EXPECT_EQ(run.unpacked, program);
}

TEST(DecompressTest, EmptyPayloadReadsNothingAndPasses) {
  TPackageSpec layout;
  layout.payload32.packedBytes = std::vector<uint8_t>();
  const TBuiltPackage built = BuildPackage(layout);
  ASSERT_EQ(built.config.payload32.packedSize, 0);
  ASSERT_EQ(built.config.payload32.unpackedSize, 0);
  const TRun run = RunDecompress(built);
  EXPECT_EQ(run.exitCode, Fake::ReturnedWithoutExit);
  EXPECT_TRUE(run.unpacked.empty());
  EXPECT_EQ(Fake::CallCount("ReadFile"), 0);
}

TEST(DecompressTest, DamagedPayloadsEndInPackageDamaged) {
  const Fake::TMessageBox damaged = DamagedBox();
  const std::vector<uint8_t> program = Program(200000);
  const TBuiltPackage plain = BuildPackage(WorkedExampleSpec(program));
  TPackageSpec markerSpec = WorkedExampleSpec(program);
  markerSpec.encoding.endMarker = true;
  const TBuiltPackage withMarker = BuildPackage(markerSpec);
  const TPayloadRef good = plain.config.payload32;
  const uint32_t fileSize = static_cast<uint32_t>(plain.file.size());

  struct Row {
    const char* name;
    const TBuiltPackage* built;
    TPayloadRef payload;
    std::vector<uint8_t> properties;
  };
  const std::vector<uint8_t> props(plain.config.lzmaProperties, plain.config.lzmaProperties + 5);
  const Row rows[] = {
      {"negative packedSize", &plain, {good.offset, -1, good.unpackedSize}, props},
      {"negative unpackedSize", &plain, {good.offset, good.packedSize, INT32_MIN}, props},
      {"packedSize above what a stream holds", &plain, {good.offset, MaxStreamSize + 1, good.unpackedSize}, props},
      {"unpackedSize above what a stream holds", &plain, {good.offset, good.packedSize, MaxStreamSize + 1}, props},
      {"offset of 2^31", &plain, {0x80000000u, good.packedSize, good.unpackedSize}, props},
      {"payload reaches one byte past the file",
       &plain,
       {fileSize - static_cast<uint32_t>(good.packedSize) + 1, good.packedSize, good.unpackedSize},
       props},
      {"payload starts past the file", &plain, {fileSize + 10, 1, good.unpackedSize}, props},
      {"properties byte 225", &plain, good, {0xE1, 0x00, 0x00, 0x40, 0x00}},
      {"dictionary 2^31", &plain, good, {0x5D, 0x00, 0x00, 0x00, 0x80}},
      {"properties byte 224: accepted, but not decodable", &plain, good, {0xE0, 0x00, 0x00, 0x40, 0x00}},
      {"unpackedSize one too large", &plain, {good.offset, good.packedSize, good.unpackedSize + 1}, props},
      {"end marker before unpackedSize",
       &withMarker,
       {withMarker.config.payload32.offset, withMarker.config.payload32.packedSize, good.unpackedSize + 1},
       props},
      {"data cut short", &plain, {good.offset, good.packedSize / 2, good.unpackedSize}, props},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.name);
    const TRun run = RunDecompress(*row.built, row.payload, row.properties.data());
    ExpectDamaged(run, damaged);
  }
}

// A reference that cannot fit the file is refused before the stream asks
// for any memory, and before the file is read.
TEST(DecompressTest, OversizedReferencesAllocateNothing) {
  const Fake::TMessageBox damaged = DamagedBox();
  TPackageSpec layout = WorkedExampleSpec(Program(5000));
  layout.trailingBytes.clear();
  const TBuiltPackage built = BuildPackage(layout);
  const TPayloadRef good = built.config.payload32;
  const TPayloadRef references[] = {
      {good.offset, 0x7FFE0000, good.unpackedSize},
      {good.offset, good.packedSize + 1, good.unpackedSize},
      {0x80000000u, good.packedSize, good.unpackedSize},
  };
  for (const TPayloadRef& ref : references) {
    SCOPED_TRACE(ref.packedSize);
    const TRun run = RunDecompress(built, ref, built.config.lzmaProperties);
    ExpectDamaged(run, damaged);
    EXPECT_EQ(run.packedCapacity, 0);
    EXPECT_EQ(Fake::CallCount("ReadFile"), 0);
  }
}

// The read count decides: a file that claims to be longer than it is still
// fails at the read.
TEST(DecompressTest, ShortReadEndsInPackageDamaged) {
  const Fake::TMessageBox damaged = DamagedBox();
  TPackageSpec layout = WorkedExampleSpec(Program(5000));
  layout.trailingBytes.clear();
  const TBuiltPackage built = BuildPackage(layout);
  Fake::Reset();
  Fake::AddFile(LauncherPath, built.file);
  Fake::SetReportedFileSize(LauncherPath, built.file.size() + 1000);
  const Platform::THandle file = Platform::CreateFileA(LauncherPath, Platform::GenericRead, Platform::FileShareRead,
                                                       Platform::OpenExisting, Platform::FileAttributeNormal);
  TPayloadRef ref = built.config.payload32;
  ref.packedSize += 500;
  TStream packedStream;
  TStream unpackedStream;
  const int64_t exitCode =
      Fake::RunToExit([&] { DecompressPayload(file, ref, built.config.lzmaProperties, packedStream, unpackedStream); });
  EXPECT_EQ(exitCode, 0);
  const std::vector<Fake::TMessageBox> boxes = Fake::MessageBoxes();
  ASSERT_EQ(boxes.size(), 1u);
  EXPECT_EQ(boxes[0].text, damaged.text);
  const std::vector<Fake::TReadCall> reads = Fake::ReadCalls();
  ASSERT_EQ(reads.size(), 1u);
  EXPECT_LT(reads[0].read, reads[0].requested);
}

// A failed size query is not examined: the payload is judged by the read.
TEST(DecompressTest, FailedSizeQueryLeavesTheDecisionToTheRead) {
  const Fake::TMessageBox damaged = DamagedBox();
  TPackageSpec layout = WorkedExampleSpec(Program(5000));
  layout.trailingBytes.clear();
  const TBuiltPackage built = BuildPackage(layout);
  TPayloadRef pastTheEnd = built.config.payload32;
  pastTheEnd.packedSize += 1;
  struct Row {
    const char* name;
    TPayloadRef payload;
    bool passes;
  };
  const Row rows[] = {
      {"payload inside the file", built.config.payload32, true},
      {"payload one byte past the end", pastTheEnd, false},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.name);
    Fake::Reset();
    Fake::AddFile(LauncherPath, built.file);
    Fake::FailFileSize(LauncherPath);
    const Platform::THandle file = Platform::CreateFileA(LauncherPath, Platform::GenericRead, Platform::FileShareRead,
                                                         Platform::OpenExisting, Platform::FileAttributeNormal);
    TStream packedStream;
    TStream unpackedStream;
    const int64_t exitCode = Fake::RunToExit(
        [&] { DecompressPayload(file, row.payload, built.config.lzmaProperties, packedStream, unpackedStream); });
    EXPECT_EQ(Fake::CallCount("ReadFile"), 1);
    if (row.passes) {
      EXPECT_EQ(exitCode, Fake::ReturnedWithoutExit);
      EXPECT_EQ(Contents(unpackedStream), Program(5000));
    } else {
      EXPECT_EQ(exitCode, 0);
      const std::vector<Fake::TMessageBox> boxes = Fake::MessageBoxes();
      ASSERT_EQ(boxes.size(), 1u);
      EXPECT_EQ(boxes[0].text, damaged.text);
    }
  }
}

// A claimed size far beyond the real data must not be reserved up front:
// the output holds only what was decoded, and the size test refuses it.
TEST(DecompressTest, UnpackedStreamHoldsOnlyWhatWasDecoded) {
  const Fake::TMessageBox damaged = DamagedBox();
  TPackageSpec layout = WorkedExampleSpec(Program(1000));
  layout.encoding.endMarker = true;
  layout.payload32.unpackedSize = 0x10000000;
  const TBuiltPackage built = BuildPackage(layout);
  const TRun run = RunDecompress(built);
  ExpectDamaged(run, damaged);
  EXPECT_EQ(run.unpacked, Program(1000));
  EXPECT_EQ(run.unpackedCapacity, StreamGrowthStep);
}

TEST(DecompressTest, PayloadFitsFileJudgesTheNumbers) {
  struct Row {
    const char* name;
    TPayloadRef payload;
    uint64_t fileSize;
    bool fits;
  };
  const Row rows[] = {
      {"ends at the end of the file", {100, 50, 10}, 150, true},
      {"ends one past", {100, 51, 10}, 150, false},
      {"empty at the end", {150, 0, 0}, 150, true},
      {"largest offset", {0x7FFFFFFFu, 0, 0}, 0x80000000ull, true},
      {"offset 2^31", {0x80000000u, 0, 0}, 0x100000000ull, false},
      {"offset 0xFFFFFFFF", {0xFFFFFFFFu, 0, 0}, 0x200000000ull, false},
      {"largest stream sizes", {0, MaxStreamSize, MaxStreamSize}, 0x80000000ull, true},
      {"packedSize past the largest stream", {0, MaxStreamSize + 1, 0}, 0x80000000ull, false},
      {"unpackedSize past the largest stream", {0, 0, MaxStreamSize + 1}, 0x80000000ull, false},
      {"negative packedSize", {0, -1, 0}, 0x80000000ull, false},
      {"negative unpackedSize", {0, 0, -1}, 0x80000000ull, false},
      {"file over 4 GiB", {0x7FFFFFFFu, MaxStreamSize, 0}, 0x100000000ull, true},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.name);
    EXPECT_EQ(PayloadFitsFile(row.payload, row.fileSize), row.fits);
  }
}

}  // namespace
