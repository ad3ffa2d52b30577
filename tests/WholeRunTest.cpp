// Whole runs of the launcher over the fake platform: from the entry to the
// end of the setup program, checked against what the system receives.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "builder/PackageWriter.h"
#include "platform/FakePlatform.h"
#include "stub/RunLauncher.h"
#include "tests/FakeRun.h"

namespace {

const char* const LauncherPath = "C:\\Launcher\\setup.exe";
const char* const LauncherFolder = "C:\\Launcher\\";
const char* const TempCopyPath = "C:\\Temp\\setup.exe";
const char* const QuotedLauncher = "\"C:\\Launcher\\setup.exe\"";

std::vector<uint8_t> SetupProgram(size_t size, uint8_t seed) {
  std::vector<uint8_t> bytes(size);
  uint32_t state = seed;
  for (size_t i = 0; i < size; ++i) {
    state = state * 1103515245u + 12345u;
    bytes[i] = static_cast<uint8_t>((i % 7 == 0) ? (state >> 24) : i / 97);
  }
  bytes[0] = 'M';
  bytes[1] = 'Z';
  return bytes;
}

Platform::TOsVersionInfo Version(uint32_t major, uint32_t minor, uint16_t servicePack = 0) {
  Platform::TOsVersionInfo info{};
  info.dwOSVersionInfoSize = Platform::OsVersionInfoExSize;
  info.dwMajorVersion = major;
  info.dwMinorVersion = minor;
  info.dwBuildNumber = 1;
  info.dwPlatformId = Platform::VerPlatformWin32Nt;
  info.wServicePackMajor = servicePack;
  return info;
}

std::vector<uint8_t> Ascii(const std::string& text) { return std::vector<uint8_t>(text.begin(), text.end()); }

class WholeRun : public FakePlatformTestBase {
 protected:
  // 64-bit Windows 10 release 1909, an ordinary user, a 32-bit payload only.
  void SetUp() override {
    FakePlatformTestBase::SetUp();
    Fake::SetModulePath(LauncherPath);
    Fake::SetCommandLine(QuotedLauncher);
    Fake::AddFolder("C:\\Temp");
    Fake::SetVersion(Version(10, 0));
    Fake::SetWow64(1, 1);
    Fake::SetTokenMembership(1, 0);
    Fake::SetVersionKeyPresent(true);
    Fake::SetReleaseId(Ascii(std::string("1909") + '\0'));
    program32 = SetupProgram(300000, 32);
    program64 = SetupProgram(200000, 64);
    layout.payload32.program = program32;
  }

  void Install() { Fake::AddFile(LauncherPath, BuildPackage(layout).file); }

  // Runs the entry and returns its exit code.
  int64_t Run(const std::string& arguments = "") {
    Install();
    Fake::SetCommandLine(std::string(QuotedLauncher) + (arguments.empty() ? "" : " ") + arguments);
    // The setup program sees its copy, complete, while the launcher waits.
    Fake::OnWait([this] { bytesSeenBySetup = Fake::FileBytes(startedPath); });
    return Fake::RunToExit([] { LauncherEntry(); });
  }

  void ExpectOnlyTheHeldCopyOpen(const Fake::TSnapshot& state) {
    ASSERT_EQ(state.openFiles.size(), 1u);
    EXPECT_EQ(state.openFiles[0].path, startedPath);
    EXPECT_EQ(state.openFiles[0].access, Platform::GenericRead);
    EXPECT_EQ(state.openFiles[0].shareMode, Platform::FileShareRead);
  }

  void ExpectNoMessage(int64_t exitCode) {
    EXPECT_EQ(exitCode, 0);
    EXPECT_EQ(Fake::ExitCodes(), std::vector<uint32_t>{0});
    EXPECT_TRUE(Fake::MessageBoxes().empty()) << Fake::MessageBoxes()[0].text;
  }

  TPackageSpec layout;
  std::vector<uint8_t> program32;
  std::vector<uint8_t> program64;
  std::string startedPath = TempCopyPath;
  std::vector<uint8_t> bytesSeenBySetup;
};

TEST_F(WholeRun, TypicalRunStartsThroughTheShellWaitsAndDeletes) {
  int64_t exitCode = Run();
  ExpectNoMessage(exitCode);

  std::vector<Fake::TShellExecuteCall> starts = Fake::ShellExecuteCalls();
  ASSERT_EQ(starts.size(), 1u);
  EXPECT_TRUE(Fake::CreateProcessCalls().empty());
  const Fake::TShellExecuteCall& start = starts[0];
  EXPECT_EQ(start.info.cbSize, Platform::ShellExecuteInfoSize);
  EXPECT_EQ(start.info.fMask, Platform::SeeMaskNoCloseProcess);
  EXPECT_EQ(start.info.nShow, Platform::SwShow);
  EXPECT_EQ(start.info.hwnd, nullptr);
  EXPECT_EQ(start.verb, std::optional<std::string>("open"));
  EXPECT_EQ(start.file, std::optional<std::string>(TempCopyPath));
  EXPECT_EQ(start.parameters, std::optional<std::string>(std::string(QuotedLauncher) + " /noadmin"));
  EXPECT_EQ(start.directory, std::nullopt);

  // The launcher file is closed before the start; only the hold on the
  // copy is open, reading and sharing reading only.
  ExpectOnlyTheHeldCopyOpen(start.state);
  EXPECT_EQ(bytesSeenBySetup, program32);

  std::vector<Fake::TWaitCall> waits = Fake::WaitCalls();
  ASSERT_EQ(waits.size(), 1u);
  EXPECT_EQ(waits[0].milliseconds, Platform::Infinite);
  EXPECT_TRUE(waits[0].isProcess);
  EXPECT_FALSE(Fake::FileExists(TempCopyPath));
  EXPECT_TRUE(Fake::FileExists(LauncherPath));
}

TEST_F(WholeRun, LauncherFileIsOpenForReadingOnlyUntilTheCopyIsWritten) {
  Run();
  std::vector<Fake::TCreateFileCall> opens = Fake::CreateFileCalls();
  ASSERT_GE(opens.size(), 2u);
  EXPECT_EQ(opens[0].path, LauncherPath);
  EXPECT_EQ(opens[0].access, Platform::GenericRead);
  EXPECT_EQ(opens[0].shareMode, Platform::FileShareRead);
  EXPECT_EQ(opens[0].disposition, Platform::OpenExisting);
  EXPECT_EQ(opens[1].path, TempCopyPath);
  EXPECT_EQ(opens[1].access, Platform::GenericWrite);

  // The launcher handle is closed after the copy's handle and before the start.
  std::vector<std::string> names = Fake::CallNames();
  auto position = [&](const std::string& name, size_t from) {
    for (size_t i = from; i < names.size(); ++i)
      if (names[i] == name) return i;
    return names.size();
  };
  size_t copyCreated = position("CreateFileA", position("CreateFileA", 0) + 1);
  size_t copyWritten = position("WriteFile", copyCreated);
  size_t firstClose = position("CloseHandle", copyWritten);
  size_t secondClose = position("CloseHandle", firstClose + 1);
  size_t start = position("ShellExecuteExA", 0);
  EXPECT_LT(copyWritten, firstClose);
  EXPECT_LT(secondClose, start);
  EXPECT_EQ(Fake::ClosedHandles().front(), opens[1].result);
  EXPECT_EQ(Fake::ClosedHandles()[1], opens[0].result);
}

TEST_F(WholeRun, ElevatedAdministratorStartsDirectlyFromTheLauncherFolder) {
  Fake::SetTokenMembership(1, 1);
  ExpectNoMessage(Run("/x \"C:\\Program Files\\Y\""));

  EXPECT_TRUE(Fake::ShellExecuteCalls().empty());
  std::vector<Fake::TCreateProcessCall> starts = Fake::CreateProcessCalls();
  ASSERT_EQ(starts.size(), 1u);
  const Fake::TCreateProcessCall& start = starts[0];
  EXPECT_EQ(start.commandLine,
            std::string("\"") + TempCopyPath + "\" " + QuotedLauncher + " /x \"C:\\Program Files\\Y\"");
  EXPECT_EQ(start.currentDirectory, LauncherFolder);
  EXPECT_EQ(start.startupInfo.cb, Platform::StartupInfoSize);
  EXPECT_EQ(start.inheritHandles, 0);
  EXPECT_EQ(start.creationFlags, 0u);
  ExpectOnlyTheHeldCopyOpen(start.state);
  EXPECT_EQ(bytesSeenBySetup, program32);
  EXPECT_EQ(Fake::WaitCalls().size(), 1u);
  EXPECT_FALSE(Fake::FileExists(TempCopyPath));
}

// The shell start by the silent switches and the package's elevation mode.
TEST_F(WholeRun, ShellVerbAndSuffixFollowSilentSwitchAndElevationMode) {
  struct Row {
    const char* name;
    const char* arguments;
    uint8_t elevationMode;
    const char* verb;
    const char* parameters;
  };
  const Row rows[] = {
      {"silent, mode 1", "/S", 1, "runas", " /S"},
      {"silent, mode 2", "/silent", 2, "open", " /silent /noadmin"},
      {"silent, mode 0", "/s", 0, "open", " /s"},
      {"not silent, mode 1", "/x", 1, "open", " /x /noadmin"},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.name);
    SetUp();
    layout.elevationMode = row.elevationMode;
    ExpectNoMessage(Run(row.arguments));
    std::vector<Fake::TShellExecuteCall> starts = Fake::ShellExecuteCalls();
    ASSERT_EQ(starts.size(), 1u);
    EXPECT_EQ(starts[0].verb, std::optional<std::string>(row.verb));
    EXPECT_EQ(starts[0].parameters, std::optional<std::string>(std::string(QuotedLauncher) + row.parameters));
  }
}

TEST_F(WholeRun, WindowsXpStartsDirectlyWithoutAskingForAdministrator) {
  Fake::SetVersion(Version(5, 1));
  Fake::SetWow64(1, 0);
  ExpectNoMessage(Run("/s"));
  EXPECT_EQ(Fake::CreateProcessCalls().size(), 1u);
  EXPECT_TRUE(Fake::SidCalls().empty());
  EXPECT_EQ(Fake::CallCount("CheckTokenMembership"), 0);
  EXPECT_FALSE(Fake::FileExists(TempCopyPath));
}

TEST_F(WholeRun, FailedVersionQueryPassesTheGateAndStartsDirectly) {
  Fake::FailVersionQuery(Platform::OsVersionInfoSize);
  layout.windowsVersions = 0;
  ExpectNoMessage(Run());
  EXPECT_EQ(Fake::CreateProcessCalls().size(), 1u);
  EXPECT_TRUE(Fake::SidCalls().empty());
}

TEST_F(WholeRun, MappedDriveHandsOverTheUniversalPath) {
  Fake::SetModulePath("Z:\\pkgs\\setup.exe");
  Fake::MapDrive('Z', "\\\\srv\\share");
  Fake::SetTokenMembership(1, 1);
  Fake::AddFile("Z:\\pkgs\\setup.exe", BuildPackage(layout).file);
  Fake::SetCommandLine("setup.exe");
  ExpectNoMessage(Fake::RunToExit([] { LauncherEntry(); }));
  std::vector<Fake::TCreateProcessCall> starts = Fake::CreateProcessCalls();
  ASSERT_EQ(starts.size(), 1u);
  EXPECT_EQ(starts[0].commandLine, "\"C:\\Temp\\setup.exe\" \"\\\\srv\\share\\pkgs\\setup.exe\"");
  EXPECT_EQ(starts[0].currentDirectory, "Z:\\pkgs\\");
}

TEST_F(WholeRun, DetachedPackageNeitherWaitsNorDeletes) {
  layout.detached = true;
  ExpectNoMessage(Run());
  EXPECT_EQ(Fake::ShellExecuteCalls().size(), 1u);
  EXPECT_TRUE(Fake::WaitCalls().empty());
  EXPECT_EQ(Fake::FileBytes(TempCopyPath), program32);
}

TEST_F(WholeRun, RefusedStartShowsLaunchFailedAndLeavesTheCopy) {
  Fake::RefuseStart(Fake::ErrorAccessDenied);
  ExpectOneFatalBox(Run(), FatalText::LaunchFailed, LauncherPath);
  EXPECT_EQ(Fake::FileBytes(TempCopyPath), program32);
}

TEST_F(WholeRun, ShortWriteDeletesTheCopyAndShowsTempCopyFailed) {
  Fake::LimitWrites(1000);
  ExpectOneFatalBox(Run(), FatalText::TempCopyFailed, LauncherPath);
  EXPECT_FALSE(Fake::FileExists(TempCopyPath));
  EXPECT_TRUE(Fake::ShellExecuteCalls().empty());
}

TEST_F(WholeRun, TakenNamesGetTheNextNumber) {
  Fake::AddFile(TempCopyPath, {1});
  Fake::AddFolder("C:\\Temp\\setup2.exe");
  startedPath = "C:\\Temp\\setup3.exe";
  ExpectNoMessage(Run());
  EXPECT_EQ(Fake::ShellExecuteCalls().at(0).file, std::optional<std::string>(startedPath));
  EXPECT_EQ(bytesSeenBySetup, program32);
  EXPECT_EQ(Fake::FileBytes(TempCopyPath), std::vector<uint8_t>{1});
}

TEST_F(WholeRun, SixtyFourBitWindowsTakesPayload64UnlessSlash32) {
  layout.payload64.program = program64;
  ExpectNoMessage(Run());
  EXPECT_EQ(bytesSeenBySetup, program64);

  SetUp();
  layout.payload64.program = program64;
  ExpectNoMessage(Run("/32"));
  EXPECT_EQ(bytesSeenBySetup, program32);
}

// Every refusal shows the package's own text; the version gate puts the
// version's name in place of both placeholders.
TEST_F(WholeRun, RefusalsShowThePackageText) {
  const std::u16string stored = u"Needs another Windows than %USER% (%user%, %User%).";
  struct Row {
    const char* name;
    uint32_t major, minor;
    uint16_t servicePack;
    bool wow64;
    bool no32;
    uint64_t versions;
    std::string releaseId;
    std::string expected;
  };
  const uint64_t all = ~0ull;
  const Row rows[] = {
      {"no payload for 32-bit Windows", 10, 0, 0, false, true, all, "1909",
       "Needs another Windows than %USER% (%user%, %User%)."},
      {"Windows XP not accepted", 5, 1, 0, false, false, all & ~(1ull << 5), "",
       "Needs another Windows than Windows XP (Windows XP, %User%)."},
      {"Windows 6.4 always refused", 6, 4, 0, false, false, all, "",
       "Needs another Windows than Windows 6.4 (Windows 6.4, %User%)."},
      {"Windows 2000 without service pack", 5, 0, 2, false, false, 1ull << 4, "",
       "Needs another Windows than Windows 2000 Service Pack 2 (Windows 2000 Service Pack 2, %User%)."},
      {"Windows 10 release below the range", 10, 0, 0, true, false, all, "1809",
       "Needs another Windows than Windows 10 1809 (October 2018 Update) (Windows 10 1809 (October 2018 Update), "
       "%User%)."},
      {"Windows 11 without the later bit", 11, 0, 0, true, false, all & ~(1ull << 63), "",
       "Needs another Windows than Windows 11.0 (Windows 11.0, %User%)."},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.name);
    SetUp();
    Fake::SetVersion(Version(row.major, row.minor, row.servicePack));
    Fake::SetWow64(1, row.wow64 ? 1 : 0);
    Fake::SetReleaseId(Ascii(row.releaseId + '\0'));
    layout.minReleaseId = 1903;
    layout.windowsVersions = row.versions;
    layout.bitnessMessage.text = stored;
    layout.versionMessage.text = stored;
    if (row.no32) {
      layout.payload32 = TPayloadSpec{};
      layout.payload64.program = program64;
    }
    ExpectOneFatalBox(Run(), row.expected, LauncherPath);
    EXPECT_TRUE(Fake::Files() == std::vector<std::string>{LauncherPath});
  }
}

TEST_F(WholeRun, PathWithReplacedCharactersOpensNothing) {
  Fake::SetModulePath("C:\\Downloads\\s?tup.exe");
  Fake::SetCommandLine("x");
  int64_t exitCode = Fake::RunToExit([] { LauncherEntry(); });
  EXPECT_EQ(exitCode, 0);
  ASSERT_EQ(Fake::MessageBoxes().size(), 1u);
  EXPECT_EQ(Fake::MessageBoxes()[0].caption, "Halvorine Tarnwick");
  EXPECT_TRUE(Fake::CreateFileCalls().empty());
  EXPECT_TRUE(Fake::CreateProcessCalls().empty());
}

}  // namespace
