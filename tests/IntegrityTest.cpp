#include <string>
#include <vector>

#include "FakeRun.h"
#include "builder/PackageWriter.h"
#include "stub/Integrity.h"

namespace {

constexpr uint64_t FourGiB = 0x100000000ull;

TStubHeader Header(int64_t minFileSize, uint32_t detachedMinSize) {
  TStubHeader header{};
  header.configOffset = 0x400;
  header.minFileSize = minFileSize;
  header.detachedMinSize = detachedMinSize;
  return header;
}

TEST(FileIsTruncatedTest, ComparesTheLeastSizeWithTheFileSize) {
  struct TRow {
    const char* name;
    TStubHeader header;
    uint64_t fileSize;
    bool truncated;
  };
  const TRow rows[] = {
      {"exactly the least size", Header(1000, 0), 1000, false},
      {"one byte shorter", Header(1000, 0), 999, true},
      {"longer, e.g. a certificate after the package", Header(1000, 0), 5000, false},
      {"above 4 GiB and long enough", Header(int64_t(FourGiB) + 10, 0), FourGiB + 10, false},
      {"above 4 GiB and one byte short", Header(int64_t(FourGiB) + 10, 0), FourGiB + 9, true},
      {"low half larger does not make up for the high half", Header(int64_t(FourGiB), 0), 0xFFFFFFFFull, true},
      {"a least size of 0 passes an empty file", Header(0, 0), 0, false},
      {"a negative least size passes", Header(-5, 0), 0, false},
      {"a size with the high bit set counts as negative", Header(0, 0), 0x8000000000000000ull, true},
      {"detached: exactly its size", Header(0, 1000), 1000, false},
      {"detached: one byte shorter", Header(0, 1000), 999, true},
      {"detached: minFileSize is ignored", Header(int64_t(FourGiB) * 2, 1000), 1000, false},
      {"detached: only the low half counts", Header(0, 1000), FourGiB + 999, true},
      {"detached: compared unsigned", Header(0, 0x80000000u), 0x7FFFFFFFull, true},
  };
  for (const TRow& row : rows) {
    SCOPED_TRACE(row.name);
    uint32_t low = static_cast<uint32_t>(row.fileSize);
    uint32_t high = static_cast<uint32_t>(row.fileSize >> 32);
    EXPECT_EQ(FileIsTruncated(row.header, low, high), row.truncated);
  }
}

TStubHeader Region(uint32_t configOffset, int32_t crcLength) {
  TStubHeader header{};
  header.configOffset = configOffset;
  header.crcLength = crcLength;
  return header;
}

TEST(CrcRegionInFileTest, TheRegionMustLieInsideTheFile) {
  struct TRow {
    const char* name;
    TStubHeader header;
    uint64_t fileSize;
    bool inFile;
  };
  const TRow rows[] = {
      {"ends at the end of the file", Region(100, 900), 1000, true},
      {"ends one byte past the end", Region(100, 901), 1000, false},
      {"an empty region always fits", Region(0xFFFFFFFFu, 0), 0, true},
      {"a negative length never fits", Region(100, -1), 1000, false},
      {"the most negative length", Region(100, INT32_MIN), FourGiB * 4, false},
      {"offset 2^31 is out of the seek's reach", Region(0x80000000u, 1), FourGiB * 4, false},
      {"offset 2^31 - 1 is within reach", Region(0x7FFFFFFFu, 1), 0x80000000ull, true},
      {"largest offset and length, one byte short", Region(0x7FFFFFFFu, INT32_MAX), 0xFFFFFFFDull, false},
      {"largest offset and length, fitting", Region(0x7FFFFFFFu, INT32_MAX), 0xFFFFFFFEull, true},
  };
  for (const TRow& row : rows) {
    SCOPED_TRACE(row.name);
    EXPECT_EQ(CrcRegionInFile(row.header, row.fileSize), row.inFile);
  }
}

const char* const LauncherPath = "C:\\dl\\setup.exe";

// The three steps, in order, over the fake file system.
class IntegrityTest : public FakePlatformTestBase {
 protected:
  static TPackageSpec SampleLayout() {
    TPackageSpec layout;
    layout.payload32.packedBytes = std::vector<uint8_t>(300, 0x5A);
    layout.versionMessage.text = u"Not for %USER%.";
    layout.coveredTail = std::vector<uint8_t>(40, 0xC0);
    layout.uncoveredTail = std::vector<uint8_t>(20, 0xE0);
    return layout;
  }

  // Runs the steps on this file and header; the exit code or
  // ReturnedWithoutExit when all of them passed.
  int64_t RunSteps(const std::vector<uint8_t>& file, const TStubHeader& header) {
    Fake::SetModulePath(LauncherPath);
    Fake::AddFile(LauncherPath, file);
    Platform::THandle handle =
        Platform::CreateFileA(LauncherPath, Platform::GenericRead, Platform::FileShareRead, Platform::OpenExisting, 0);
    return Fake::RunToExit([&] {
      CheckFileSize(handle, header);
      CheckPackageCrc(handle, header);
      ReadPackageConfig(handle, header, config_);
    });
  }

  void ExpectDamaged(int64_t exitCode) { ExpectOneFatalBox(exitCode, FatalText::PackageDamaged, LauncherPath); }

  TPackageConfig config_{};
};

TEST_F(IntegrityTest, AnIntactPackagePassesAndItsConfigIsRead) {
  TBuiltPackage built = BuildPackage(SampleLayout());
  EXPECT_EQ(RunSteps(built.file, built.header), Fake::ReturnedWithoutExit);
  EXPECT_TRUE(Fake::MessageBoxes().empty());
  EXPECT_EQ(EncodePackageConfig(config_), EncodePackageConfig(built.config));
}

TEST_F(IntegrityTest, TheConfigIsReadAfreshAfterTheCrcRegion) {
  TBuiltPackage built = BuildPackage(SampleLayout());
  RunSteps(built.file, built.header);
  std::vector<Fake::TReadCall> reads = Fake::ReadCalls();
  ASSERT_EQ(reads.size(), 2u);
  EXPECT_EQ(reads[0].position, built.header.configOffset);
  EXPECT_EQ(reads[0].requested, static_cast<uint32_t>(built.header.crcLength));
  EXPECT_EQ(reads[1].position, built.header.configOffset);
  EXPECT_EQ(reads[1].requested, PackageConfigSize);
}

TEST_F(IntegrityTest, TheLeastFileSizeDecidesTruncation) {
  TPackageSpec layout = SampleLayout();
  TBuiltPackage built = BuildPackage(layout);
  std::vector<uint8_t> shorter = built.file;
  shorter.pop_back();
  ExpectOneFatalBox(RunSteps(shorter, built.header), FatalText::PackageTruncated, LauncherPath);

  Fake::Reset();
  layout.trailingBytes = std::vector<uint8_t>(64, 0xCE);  // a certificate table after the package
  built = BuildPackage(layout);
  EXPECT_EQ(RunSteps(built.file, built.header), Fake::ReturnedWithoutExit);
}

TEST_F(IntegrityTest, DetachedSizeIsComparedWithTheLowHalfOnly) {
  TPackageSpec layout = SampleLayout();
  layout.detached = true;
  layout.header.minFileSize = int64_t(FourGiB) * 3;
  TBuiltPackage built = BuildPackage(layout);
  EXPECT_EQ(RunSteps(built.file, built.header), Fake::ReturnedWithoutExit);

  Fake::Reset();
  Fake::SetReportedFileSize(LauncherPath, FourGiB + built.packageEnd - 1);
  ExpectOneFatalBox(RunSteps(built.file, built.header), FatalText::PackageTruncated, LauncherPath);
}

TEST_F(IntegrityTest, SizeAbove4GiBIsComparedWhole) {
  TPackageSpec layout = SampleLayout();
  layout.header.minFileSize = int64_t(FourGiB) + 100;
  TBuiltPackage built = BuildPackage(layout);
  Fake::SetReportedFileSize(LauncherPath, FourGiB + 100);
  EXPECT_EQ(RunSteps(built.file, built.header), Fake::ReturnedWithoutExit);

  Fake::Reset();
  Fake::SetReportedFileSize(LauncherPath, FourGiB + 99);
  ExpectOneFatalBox(RunSteps(built.file, built.header), FatalText::PackageTruncated, LauncherPath);
}

TEST_F(IntegrityTest, TruncationIsReportedBeforeDamage) {
  TPackageSpec layout = SampleLayout();
  layout.header.crcValue = 0xDEADBEEFu;
  TBuiltPackage built = BuildPackage(layout);
  built.file.resize(built.file.size() - 30);
  ExpectOneFatalBox(RunSteps(built.file, built.header), FatalText::PackageTruncated, LauncherPath);
}

TEST_F(IntegrityTest, AnEmptyRegionHasTheCrcZero) {
  struct TRow {
    const char* name;
    uint32_t crcValue;
    bool passes;
  };
  const TRow rows[] = {{"crcValue 0 passes", 0, true}, {"crcValue 1 is damage", 1, false}};
  for (const TRow& row : rows) {
    SCOPED_TRACE(row.name);
    Fake::Reset();
    TPackageSpec layout = SampleLayout();
    layout.header.crcLength = 0;
    layout.header.crcValue = row.crcValue;
    TBuiltPackage built = BuildPackage(layout);
    int64_t exitCode = RunSteps(built.file, built.header);
    if (row.passes) {
      EXPECT_EQ(exitCode, Fake::ReturnedWithoutExit);
    } else {
      ExpectDamaged(exitCode);
    }
  }
}

TEST_F(IntegrityTest, ChangedBytesInsideTheRegionAreDamage) {
  TBuiltPackage built = BuildPackage(SampleLayout());
  struct TRow {
    const char* name;
    size_t position;
    bool passes;
  };
  const size_t regionEnd = built.header.configOffset + static_cast<size_t>(built.header.crcLength);
  const TRow rows[] = {
      {"first byte of the config", built.header.configOffset, false},
      {"inside the payload", built.config.payload32.offset + 10, false},
      {"last byte of the region", regionEnd - 1, false},
      {"first byte after the region", regionEnd, true},
      {"inside the header, which the CRC does not cover", StubHeaderOffset + 22, true},
  };
  for (const TRow& row : rows) {
    SCOPED_TRACE(row.name);
    Fake::Reset();
    std::vector<uint8_t> file = built.file;
    file[row.position] ^= 0x01;
    int64_t exitCode = RunSteps(file, built.header);
    if (row.passes) {
      EXPECT_EQ(exitCode, Fake::ReturnedWithoutExit);
    } else {
      ExpectDamaged(exitCode);
    }
  }
}

TEST_F(IntegrityTest, ARegionThatCannotBeReadWholeIsDamageWithoutReading) {
  struct TRow {
    const char* name;
    THeaderOverrides header;
  };
  THeaderOverrides negative;
  negative.crcLength = -1;
  THeaderOverrides mostNegative;
  mostNegative.crcLength = INT32_MIN;
  THeaderOverrides pastTheEnd;
  pastTheEnd.crcLength = 0x7FFFFFF0;
  THeaderOverrides farOffset;
  farOffset.configOffset = 0x80000000u;
  THeaderOverrides farOffsetEmptyRegion;
  farOffsetEmptyRegion.configOffset = 0xFFFFFF00u;
  farOffsetEmptyRegion.crcLength = 0;
  farOffsetEmptyRegion.crcValue = 0;
  const TRow rows[] = {
      {"crcLength -1", negative},
      {"crcLength 0x80000000", mostNegative},
      {"region reaching far past the end of the file", pastTheEnd},
      {"configOffset 2^31", farOffset},
      {"configOffset beyond 2^31 with an empty region", farOffsetEmptyRegion},
  };
  for (const TRow& row : rows) {
    SCOPED_TRACE(row.name);
    Fake::Reset();
    TPackageSpec layout = SampleLayout();
    layout.header = row.header;
    layout.header.minFileSize = 0;
    TBuiltPackage built = BuildPackage(layout);
    ExpectDamaged(RunSteps(built.file, built.header));
    EXPECT_TRUE(Fake::ReadCalls().empty());
  }
}

TEST_F(IntegrityTest, ShortReadsAreDamage) {
  TBuiltPackage built = BuildPackage(SampleLayout());
  struct TRow {
    const char* name;
    std::vector<uint8_t> file;
    TStubHeader header;
    uint64_t reportedSize;  // 0: the true size
  };
  std::vector<uint8_t> cutInRegion = built.file;
  cutInRegion.resize(built.header.configOffset + 10);
  TStubHeader noLeastSize = built.header;
  noLeastSize.minFileSize = 0;
  TStubHeader configAtTheEnd{};
  configAtTheEnd.configOffset = static_cast<uint32_t>(built.file.size() - PackageConfigSize + 1);
  const TRow rows[] = {
      {"file cut inside the region with no least size", cutInRegion, noLeastSize, 0},
      {"size reported longer than the bytes there", cutInRegion, noLeastSize, built.file.size()},
      {"config record one byte past the end", built.file, configAtTheEnd, 0},
  };
  for (const TRow& row : rows) {
    SCOPED_TRACE(row.name);
    Fake::Reset();
    if (row.reportedSize != 0) Fake::SetReportedFileSize(LauncherPath, row.reportedSize);
    ExpectDamaged(RunSteps(row.file, row.header));
  }
}

}  // namespace
