// Whole runs in which another process races the launcher in the temporary
// folder: a file planted at the free name, and attempts to replace the copy
// while the setup program starts and runs.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "builder/PackageWriter.h"
#include "platform/FakePlatform.h"
#include "stub/RunLauncher.h"
#include "tests/FakeRun.h"

namespace {

const char* const LauncherPath = "C:\\Launcher\\setup.exe";
const char* const FirstName = "C:\\Temp\\setup.exe";
const char* const SecondName = "C:\\Temp\\setup2.exe";

std::vector<uint8_t> Program() {
  std::vector<uint8_t> bytes(5000);
  for (size_t i = 0; i < bytes.size(); ++i) bytes[i] = static_cast<uint8_t>(i * 13 + i / 251);
  bytes[0] = 'M';
  bytes[1] = 'Z';
  return bytes;
}

class HandOverRace : public FakePlatformTestBase {
 protected:
  void SetUp() override {
    FakePlatformTestBase::SetUp();
    Fake::SetModulePath(LauncherPath);
    Fake::SetCommandLine(std::string("\"") + LauncherPath + "\"");
    Fake::AddFolder("C:\\Temp");
    Fake::SetWow64(1, 1);
    program = Program();
    TPackageSpec layout;
    layout.payload32.program = program;
    Fake::AddFile(LauncherPath, BuildPackage(layout).file);
  }

  std::vector<uint8_t> program;
};

// Between the check that finds setup.exe free and the create, another
// process puts a file there: it is neither truncated nor written, and the
// setup program runs from setup2.exe.
TEST_F(HandOverRace, FilePlantedAtTheFreeNameIsLeftAlone) {
  const std::vector<uint8_t> theirs = {'t', 'h', 'e', 'i', 'r', 's'};
  Fake::OnCall("CreateFileA", [&](const std::string& path) {
    if (path == FirstName && !Fake::FileExists(FirstName)) Fake::AddFile(FirstName, theirs);
  });
  std::vector<uint8_t> seenBySetup;
  Fake::OnWait([&] { seenBySetup = Fake::FileBytes(SecondName); });

  EXPECT_EQ(Fake::RunToExit([] { LauncherEntry(); }), 0);
  EXPECT_TRUE(Fake::MessageBoxes().empty());
  ASSERT_EQ(Fake::ShellExecuteCalls().size(), 1u);
  EXPECT_EQ(Fake::ShellExecuteCalls()[0].file, std::optional<std::string>(SecondName));
  EXPECT_EQ(seenBySetup, program);
  EXPECT_EQ(Fake::FileBytes(FirstName), theirs);
  EXPECT_FALSE(Fake::FileExists(SecondName));
}

// From the write to the delete, no other process can write the copy or
// delete it to put another program in its place; the hold is the last
// handle closed before the delete.
TEST_F(HandOverRace, CopyCannotBeReplacedFromWriteToDelete) {
  struct Attempt {
    bool writeRefused = false;
    bool deleteRefused = false;
  };
  std::vector<Attempt> attempts;
  auto attack = [&] {
    Attempt attempt;
    attempt.writeRefused =
        Fake::OpenAsOtherProcess(FirstName, Platform::GenericWrite,
                                 Platform::FileShareRead | Platform::FileShareWrite) == Platform::InvalidHandleValue;
    attempt.deleteRefused = Platform::DeleteFileA(FirstName) == 0;
    attempts.push_back(attempt);
  };
  // Right before the start, and while the setup program runs.
  Fake::OnCall("CloseHandle", [&](const std::string&) {
    if (Fake::FileExists(FirstName) && Fake::StartedProcesses().empty() && Fake::CallCount("CloseHandle") == 1) {
      attack();
    }
  });
  Fake::OnWait(attack);

  EXPECT_EQ(Fake::RunToExit([] { LauncherEntry(); }), 0);
  EXPECT_TRUE(Fake::MessageBoxes().empty());
  ASSERT_EQ(attempts.size(), 2u);
  for (const Attempt& attempt : attempts) {
    EXPECT_TRUE(attempt.writeRefused);
    EXPECT_TRUE(attempt.deleteRefused);
  }
  // The launcher's own delete came after the hold was closed, and worked.
  EXPECT_FALSE(Fake::FileExists(FirstName));
  EXPECT_TRUE(Fake::OpenFiles().empty());
  std::vector<std::string> names = Fake::CallNames();
  size_t lastDelete = names.size();
  for (size_t i = 0; i < names.size(); ++i) {
    if (names[i] == "DeleteFileA") lastDelete = i;
  }
  ASSERT_LT(lastDelete, names.size());
  ASSERT_GT(lastDelete, 0u);
  EXPECT_EQ(names[lastDelete - 1], "CloseHandle");
}

}  // namespace
