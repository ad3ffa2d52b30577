#include <functional>
#include <string>
#include <vector>

#include "FakeRun.h"
#include "builder/PackageWriter.h"
#include "stub/RunLauncher.h"

namespace {

const char* const LauncherPath = "C:\\dl\\setup.exe";

class RunLauncherTest : public FakePlatformTestBase {
 protected:
  void SetUp() override {
    FakePlatformTestBase::SetUp();
    Fake::SetModulePath(LauncherPath);
    Fake::SetCommandLine("\"C:\\dl\\setup.exe\"");
  }

  static TPackageSpec SampleLayout() {
    TPackageSpec layout;
    layout.payload32.packedBytes = std::vector<uint8_t>(200, 0x5A);
    layout.coveredTail = std::vector<uint8_t>(16, 0xC0);
    layout.uncoveredTail = std::vector<uint8_t>(16, 0xE0);
    return layout;
  }

  static int64_t RunEntry() {
    return Fake::RunToExit([] { LauncherEntry(); });
  }
};

TEST_F(RunLauncherTest, APathWithQuestionMarksShowsOnlyThePathMessage) {
  const char* const path = "C:\\Users\\J?rg\\Downloads\\setup.exe";
  Fake::SetModulePath(path);
  Fake::AddFile(path, BuildPackage(SampleLayout()).file);
  int64_t exitCode = RunEntry();
  EXPECT_EQ(exitCode, 0);
  std::vector<Fake::TMessageBox> boxes = Fake::MessageBoxes();
  ASSERT_EQ(boxes.size(), 1u);
  EXPECT_EQ(boxes[0].text,
            "The path to the installer C:\\Users\\J?rg\\Downloads\\setup.exe contains characters that have been "
            "replaced with question marks because they could not be represented in your computer's default code "
            "page.  Please rename the installer and/or the folder it is in to remove the unsupported characters.  "
            "Then run the installer again.");
  EXPECT_EQ(boxes[0].caption, "Halvorine Tarnwick");
  EXPECT_EQ(boxes[0].type, ErrorBoxType);
  EXPECT_EQ(boxes[0].owner, nullptr);
  EXPECT_EQ(Fake::CallCount("CreateFileA"), 0);
  EXPECT_TRUE(Fake::CreateProcessCalls().empty());
  EXPECT_TRUE(Fake::ShellExecuteCalls().empty());
}

TEST_F(RunLauncherTest, OpensItsOwnFileForReadingAndReadsTheHeaderAt128) {
  TBuiltPackage built = BuildPackage(SampleLayout());
  Fake::AddFile(LauncherPath, built.file);
  RunEntry();
  std::vector<Fake::TCreateFileCall> opens = Fake::CreateFileCalls();
  ASSERT_FALSE(opens.empty());
  EXPECT_EQ(opens[0].path, LauncherPath);
  EXPECT_EQ(opens[0].access, Platform::GenericRead);
  EXPECT_EQ(opens[0].shareMode, Platform::FileShareRead);
  EXPECT_EQ(opens[0].disposition, Platform::OpenExisting);
  EXPECT_EQ(opens[0].flags, 0u);
  std::vector<Fake::TReadCall> reads = Fake::ReadCalls();
  ASSERT_FALSE(reads.empty());
  EXPECT_EQ(reads[0].file, opens[0].result);
  EXPECT_EQ(reads[0].position, StubHeaderOffset);
  EXPECT_EQ(reads[0].requested, StubHeaderSize);
}

TEST_F(RunLauncherTest, EveryFailureOfTheFirstStepsShowsOneMessageAndEndsWithZero) {
  struct TRow {
    const char* name;
    std::function<void()> prepare;
    const char* text;
  };
  auto withHeader = [](const std::function<void(THeaderOverrides&)>& force) {
    return [force] {
      TPackageSpec layout = SampleLayout();
      force(layout.header);
      Fake::AddFile(LauncherPath, BuildPackage(layout).file);
    };
  };
  const TRow rows[] = {
      {"the file is missing", [] {}, FatalText::PackageDamaged},
      {"another process holds the file open for writing",
       [] {
         Fake::AddFile(LauncherPath, BuildPackage(SampleLayout()).file);
         Fake::OpenAsOtherProcess(LauncherPath, Platform::GenericWrite,
                                  Platform::FileShareRead | Platform::FileShareWrite);
       },
       FatalText::PackageDamaged},
      {"the file ends before offset 152",
       [] { Fake::AddFile(LauncherPath, std::vector<uint8_t>(StubHeaderOffset + StubHeaderSize - 1, 0x11)); },
       FatalText::PackageDamaged},
      {"zeros at 128 to 151: no package",
       [] {
         std::vector<uint8_t> file = BuildPackage(SampleLayout()).file;
         std::fill(file.begin() + StubHeaderOffset, file.begin() + StubHeaderOffset + StubHeaderSize, 0);
         Fake::AddFile(LauncherPath, file);
       },
       FatalText::PackageDamaged},
      {"configOffset 0 with the other fields set", withHeader([](THeaderOverrides& h) { h.configOffset = 0; }),
       FatalText::PackageDamaged},
      {"one byte shorter than minFileSize",
       [] {
         std::vector<uint8_t> file = BuildPackage(SampleLayout()).file;
         file.pop_back();
         Fake::AddFile(LauncherPath, file);
       },
       FatalText::PackageTruncated},
      {"a changed byte inside the CRC region",
       [] {
         TBuiltPackage built = BuildPackage(SampleLayout());
         built.file[built.config.payload32.offset + 3] ^= 0x80;
         Fake::AddFile(LauncherPath, built.file);
       },
       FatalText::PackageDamaged},
      {"a wrong crcValue", withHeader([](THeaderOverrides& h) { h.crcValue = 0x12345678u; }),
       FatalText::PackageDamaged},
      {"a negative crcLength", withHeader([](THeaderOverrides& h) { h.crcLength = -70; }), FatalText::PackageDamaged},
      {"a CRC region past the end of the file", withHeader([](THeaderOverrides& h) { h.crcLength = 0x10000000; }),
       FatalText::PackageDamaged},
      {"configOffset beyond the signed seek", withHeader([](THeaderOverrides& h) {
         h.configOffset = 0x80000000u;
         h.crcLength = 0;
         h.crcValue = 0;
       }),
       FatalText::PackageDamaged},
      {"the config record past the end of the file", withHeader([](THeaderOverrides& h) {
         h.configOffset = 0x10000;
         h.crcLength = 0;
         h.crcValue = 0;
       }),
       FatalText::PackageDamaged},
  };
  for (const TRow& row : rows) {
    SCOPED_TRACE(row.name);
    Fake::Reset();
    Fake::SetModulePath(LauncherPath);
    Fake::SetCommandLine("\"C:\\dl\\setup.exe\"");
    row.prepare();
    ExpectOneFatalBox(RunEntry(), row.text, LauncherPath);
    EXPECT_TRUE(Fake::CreateProcessCalls().empty());
    EXPECT_TRUE(Fake::ShellExecuteCalls().empty());
  }
}

TEST_F(RunLauncherTest, AnIntactFileRunsToTheEndAndFillsTheRecords) {
  struct TRow {
    const char* name;
    std::function<void()> prepare;
  };
  TPackageSpec layout = SampleLayout();
  layout.payload32.packedBytes.reset();
  layout.payload32.program = std::vector<uint8_t>(5000, 0x4D);
  const TBuiltPackage built = BuildPackage(layout);
  const TRow rows[] = {
      {"nobody else has the file open", [] {}},
      {"another reader shares it for reading",
       [] { Fake::OpenAsOtherProcess(LauncherPath, Platform::GenericRead, Platform::FileShareRead); }},
  };
  for (const TRow& row : rows) {
    SCOPED_TRACE(row.name);
    Fake::Reset();
    Fake::SetModulePath(LauncherPath);
    Fake::SetCommandLine("\"C:\\dl\\setup.exe\"");
    Fake::AddFolder("C:\\Temp");
    Fake::AddFile(LauncherPath, built.file);
    row.prepare();
    EXPECT_EQ(RunEntry(), 0);
    EXPECT_EQ(Fake::ExitCodes(), std::vector<uint32_t>{0});
    EXPECT_TRUE(Fake::MessageBoxes().empty());
    EXPECT_EQ(Fake::ShellExecuteCalls().size() + Fake::CreateProcessCalls().size(), 1u);
    EXPECT_EQ(EncodeStubHeader(StubHeader), EncodeStubHeader(built.header));
    EXPECT_EQ(EncodePackageConfig(PackageConfig), EncodePackageConfig(built.config));
  }
}

}  // namespace
