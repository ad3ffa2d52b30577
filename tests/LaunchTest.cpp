#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <optional>
#include <string>
#include <vector>

#include "platform/FakePlatform.h"
#include "stub/Launch.h"

namespace {

std::string Text(const TAnsiString& text) { return std::string(text.CStr(), text.Length()); }

const char* const LaunchFailedText =
    "The temporary copy of the setup package could not be executed.  Your system may have a software restriction "
    "policy in place that blocks executables in the temporary files folder.  You can make this installer use a "
    "different folder for its temporary files using the /temp command line parameter followed by the path to a "
    "folder you can write to and run applications from.";

TEST(LaunchTest, SetupArguments) {
  struct Row {
    const char* name;
    const char* launcher;
    std::vector<const char*> arguments;
    const char* expected;
  };
  const Row rows[] = {
      {"no arguments", "C:\\dl\\setup.exe", {}, "\"C:\\dl\\setup.exe\""},
      {"plain arguments", "C:\\dl\\setup.exe", {"/s", "x"}, "\"C:\\dl\\setup.exe\" /s x"},
      {"an argument with a space is quoted",
       "C:\\dl\\setup.exe",
       {"/s", "C:\\Program Files\\X"},
       "\"C:\\dl\\setup.exe\" /s \"C:\\Program Files\\X\""},
      {"a tab is no space", "C:\\dl\\setup.exe", {"a\tb"}, "\"C:\\dl\\setup.exe\" a\tb"},
      {"a final backslash is kept as it is",
       "C:\\dl\\setup.exe",
       {"C:\\Program Files\\"},
       "\"C:\\dl\\setup.exe\" \"C:\\Program Files\\\""},
      {"a launcher path with a space", "C:\\My Downloads\\setup.exe", {"x"}, "\"C:\\My Downloads\\setup.exe\" x"},
      {"a universal launcher path", "\\\\srv\\share\\pkgs\\setup.exe", {}, "\"\\\\srv\\share\\pkgs\\setup.exe\""},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.name);
    TAnsiString arguments = SetupArguments(TAnsiString(row.launcher), row.arguments.data(), row.arguments.size());
    EXPECT_EQ(Text(arguments), row.expected);
  }
}

TEST(LaunchTest, SetupCommandLine) {
  struct Row {
    const char* tempPath;
    const char* arguments;
    const char* expected;
  };
  const Row rows[] = {
      {"C:\\Temp\\setup.exe", "\"C:\\dl\\setup.exe\"", "\"C:\\Temp\\setup.exe\" \"C:\\dl\\setup.exe\""},
      {"C:\\My Temp\\setup2.exe", "\"C:\\dl\\setup.exe\" /s", "\"C:\\My Temp\\setup2.exe\" \"C:\\dl\\setup.exe\" /s"},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.expected);
    EXPECT_EQ(Text(SetupCommandLine(TAnsiString(row.tempPath), TAnsiString(row.arguments))), row.expected);
  }
}

enum class TInput { No, Yes, NotExamined };

std::vector<bool> Values(TInput input) {
  if (input == TInput::NotExamined) return {false, true};
  return {input == TInput::Yes};
}

TEST(LaunchTest, LaunchTable) {
  struct Row {
    const char* name;
    uint32_t major;
    TInput administrator;
    TInput silent;
    std::vector<uint8_t> elevationModes;
    TLaunchMethod method;
    const char* verb;  // null: direct
    bool noAdmin;
  };
  const std::vector<uint8_t> AnyMode = {0, 1, 2, 3, 255};
  const Row rows[] = {
      {"failed version query", 0, TInput::NotExamined, TInput::NotExamined, AnyMode, TLaunchMethod::Direct, nullptr,
       false},
      {"Windows XP", 5, TInput::NotExamined, TInput::NotExamined, AnyMode, TLaunchMethod::Direct, nullptr, false},
      {"Windows 10, administrator", 10, TInput::Yes, TInput::NotExamined, AnyMode, TLaunchMethod::Direct, nullptr,
       false},
      {"Vista, administrator", 6, TInput::Yes, TInput::NotExamined, AnyMode, TLaunchMethod::Direct, nullptr, false},
      {"Windows 10, user, not silent", 10, TInput::No, TInput::No, AnyMode, TLaunchMethod::Shell, "open", true},
      {"Vista, user, not silent", 6, TInput::No, TInput::No, AnyMode, TLaunchMethod::Shell, "open", true},
      {"silent, mode 2", 10, TInput::No, TInput::Yes, {2}, TLaunchMethod::Shell, "open", true},
      {"silent, mode 1", 10, TInput::No, TInput::Yes, {1}, TLaunchMethod::Shell, "runas", false},
      {"silent, any other mode", 10, TInput::No, TInput::Yes, {0, 3, 4, 255}, TLaunchMethod::Shell, "open", false},
      {"major 0xFFFFFFFF is compared unsigned",
       0xFFFFFFFFu,
       TInput::No,
       TInput::No,
       {0},
       TLaunchMethod::Shell,
       "open",
       true},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.name);
    EXPECT_EQ(LaunchNeedsAdministratorCheck(row.major), row.administrator != TInput::NotExamined);
    for (bool administrator : Values(row.administrator)) {
      EXPECT_EQ(LaunchNeedsSilentSwitch(row.major, administrator), row.silent != TInput::NotExamined);
      for (bool silent : Values(row.silent)) {
        for (uint8_t mode : row.elevationModes) {
          SCOPED_TRACE("administrator " + std::to_string(administrator) + ", silent " + std::to_string(silent) +
                       ", mode " + std::to_string(mode));
          TLaunchPlan plan = PlanLaunch(row.major, administrator, silent, mode);
          EXPECT_EQ(plan.method, row.method);
          EXPECT_EQ(plan.appendNoAdmin, row.noAdmin);
          if (row.verb == nullptr) {
            EXPECT_EQ(plan.verb, nullptr);
          } else {
            ASSERT_NE(plan.verb, nullptr);
            EXPECT_STREQ(plan.verb, row.verb);
          }
        }
      }
    }
  }
}

// --- Over the fake platform ---

class LaunchOverFake : public ::testing::Test {
 protected:
  void SetUp() override {
    Fake::Reset();
    // A new process: nothing looked up yet.
    ForgetCheckTokenMembership();
  }
};

TEST_F(LaunchOverFake, MakeUniversalPath) {
  struct Row {
    const char* path;
    const char* expected;
    bool asksNetwork;
  };
  const Row rows[] = {
      {"Z:\\pkgs\\setup.exe", "\\\\srv\\share\\pkgs\\setup.exe", true},
      {"z:\\pkgs\\setup.exe", "\\\\srv\\share\\pkgs\\setup.exe", true},
      {"C:\\dl\\setup.exe", "C:\\dl\\setup.exe", true},
      {"\\\\srv\\share\\setup.exe", "\\\\srv\\share\\setup.exe", false},
      {"setup.exe", "setup.exe", false},
      {"Z", "Z", false},
      {"", "", false},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.path);
    Fake::Reset();
    Fake::MapDrive('Z', "\\\\srv\\share");
    EXPECT_EQ(Text(MakeUniversalPath(TAnsiString(row.path))), row.expected);
    std::vector<Fake::TUniversalNameCall> calls = Fake::UniversalNameCalls();
    ASSERT_EQ(calls.size(), row.asksNetwork ? 1u : 0u);
    if (!row.asksNetwork) continue;
    EXPECT_EQ(calls[0].infoLevel, Platform::UniversalNameInfoLevel);
    EXPECT_EQ(calls[0].bufferSize, 2000u);
  }
}

TEST_F(LaunchOverFake, MakeUniversalPathKeepsPathsTooLongForTheBuffer) {
  Fake::MapDrive('Z', "\\\\srv\\" + std::string(1990, 's'));
  EXPECT_EQ(Text(MakeUniversalPath(TAnsiString("Z:\\setup.exe"))), "Z:\\setup.exe");
}

TEST_F(LaunchOverFake, IsAdministrator) {
  struct Row {
    const char* name;
    bool sidFails;
    bool present;
    Platform::TBool result;
    Platform::TBool answer;
    bool expected;
    size_t membershipCalls;
  };
  const Row rows[] = {
      {"enabled administrator", false, true, 1, 1, true, 1},
      {"any non-zero answer", false, true, 1, 7, true, 1},
      {"not a member, or not elevated", false, true, 1, 0, false, 1},
      {"failing check", false, true, 0, 1, false, 1},
      {"no CheckTokenMembership", false, false, 1, 1, false, 0},
      {"no SID", true, true, 1, 1, false, 0},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.name);
    Fake::Reset();
    ForgetCheckTokenMembership();
    if (row.sidFails) Fake::FailAllocateSid();
    Fake::SetProcPresent("CheckTokenMembership", row.present);
    Fake::SetTokenMembership(row.result, row.answer);
    EXPECT_EQ(IsAdministrator(), row.expected);
    ASSERT_EQ(Fake::SidCalls().size(), 1u);
    Fake::TSidCall sid = Fake::SidCalls()[0];
    const uint8_t ntAuthority[6] = {0, 0, 0, 0, 0, 5};
    EXPECT_EQ(std::memcmp(sid.authority.value, ntAuthority, 6), 0);
    EXPECT_EQ(sid.count, 2u);
    const uint32_t subAuthorities[8] = {32, 544, 0, 0, 0, 0, 0, 0};
    EXPECT_EQ(std::memcmp(sid.subAuthorities, subAuthorities, sizeof subAuthorities), 0);
    ASSERT_EQ(Fake::MembershipCalls().size(), row.membershipCalls);
    if (row.membershipCalls != 0) {
      EXPECT_EQ(Fake::MembershipCalls()[0].token, nullptr);
      EXPECT_TRUE(Fake::MembershipCalls()[0].sidLive);
    }
    EXPECT_EQ(Fake::LiveSids(), 0);
    EXPECT_EQ(Fake::CallCount("FreeSid"), row.sidFails ? 0 : 1);
  }
}

TEST_F(LaunchOverFake, CheckTokenMembershipIsRememberedOnceFound) {
  Fake::SetTokenMembership(1, 1);
  EXPECT_TRUE(IsAdministrator());
  EXPECT_TRUE(IsAdministrator());
  EXPECT_EQ(Fake::CallCount("GetProcAddress"), 1);
  for (const Fake::TCall& call : Fake::Calls()) {
    if (call.name == "GetModuleHandleA") {
      EXPECT_EQ(call.detail, "advapi32.dll");
    }
  }
}

TEST_F(LaunchOverFake, AFailedLookupIsTriedAgain) {
  Fake::SetTokenMembership(1, 1);
  Fake::SetProcPresent("CheckTokenMembership", false);
  EXPECT_FALSE(IsAdministrator());
  Fake::SetProcPresent("CheckTokenMembership", true);
  EXPECT_TRUE(IsAdministrator());
  EXPECT_EQ(Fake::CallCount("GetProcAddress"), 2);
}

const char* const TempPath = "C:\\Temp\\setup.exe";

struct LaunchRow {
  const char* name;
  const char* modulePath;
  const char* arguments;
  uint32_t major;
  bool administrator;
  uint8_t elevationMode;
  bool detached;
  TLaunchMethod method;
  const char* verb;       // shell only
  const char* passed;     // the command line of a direct start, the parameters of a shell start
  const char* directory;  // direct only
  bool asksAdministrator;
};

// The copy on disk, held open as the temporary-copy step leaves it.
Platform::THandle PlaceHeldCopy() {
  Fake::AddFile(TempPath, {'M', 'Z'});
  return Platform::CreateFileA(TempPath, Platform::GenericRead, Platform::FileShareRead, Platform::OpenExisting, 0);
}

Platform::THandle Prepare(const LaunchRow& row) {
  Fake::Reset();
  ForgetCheckTokenMembership();
  Fake::SetModulePath(row.modulePath);
  Fake::SetCommandLine(std::string("setup.exe ") + row.arguments);
  Fake::SetTokenMembership(1, row.administrator ? 1 : 0);
  Fake::MapDrive('Z', "\\\\srv\\share");
  return PlaceHeldCopy();
}

// Starts a case from a fresh fake, for a user who is an administrator or
// not, with the copy in place and held; returns the hold's handle.
Platform::THandle PlaceHeldCopyFor(bool administrator) {
  Fake::Reset();
  ForgetCheckTokenMembership();
  Fake::SetTokenMembership(1, administrator ? 1 : 0);
  return PlaceHeldCopy();
}

TEST_F(LaunchOverFake, LaunchSetup) {
  const char* const Own = "C:\\Launcher\\setup.exe";
  const LaunchRow rows[] = {
      {"typical: Windows 10 user", Own, "", 10, false, 2, false, TLaunchMethod::Shell, "open",
       "\"C:\\Launcher\\setup.exe\" /noadmin", nullptr, true},
      {"Windows 10 user, mode 1, not silent", Own, "x", 10, false, 1, false, TLaunchMethod::Shell, "open",
       "\"C:\\Launcher\\setup.exe\" x /noadmin", nullptr, true},
      {"elevated administrator", Own, "", 10, true, 2, false, TLaunchMethod::Direct, nullptr,
       "\"C:\\Temp\\setup.exe\" \"C:\\Launcher\\setup.exe\"", "C:\\Launcher\\", true},
      {"silent, mode 1", Own, "/S", 10, false, 1, false, TLaunchMethod::Shell, "runas",
       "\"C:\\Launcher\\setup.exe\" /S", nullptr, true},
      {"/silent, mode 1", Own, "/Silent", 10, false, 1, false, TLaunchMethod::Shell, "runas",
       "\"C:\\Launcher\\setup.exe\" /Silent", nullptr, true},
      {"silent, mode 2", Own, "/s", 10, false, 2, false, TLaunchMethod::Shell, "open",
       "\"C:\\Launcher\\setup.exe\" /s /noadmin", nullptr, true},
      {"silent, mode 0", Own, "/s", 10, false, 0, false, TLaunchMethod::Shell, "open", "\"C:\\Launcher\\setup.exe\" /s",
       nullptr, true},
      {"/silentx is not silent", Own, "/silentx", 10, false, 1, false, TLaunchMethod::Shell, "open",
       "\"C:\\Launcher\\setup.exe\" /silentx /noadmin", nullptr, true},
      {"Windows XP, silent, mode 1", Own, "/s", 5, false, 1, false, TLaunchMethod::Direct, nullptr,
       "\"C:\\Temp\\setup.exe\" \"C:\\Launcher\\setup.exe\" /s", "C:\\Launcher\\", false},
      {"failed version query", Own, "", 0, false, 2, false, TLaunchMethod::Direct, nullptr,
       "\"C:\\Temp\\setup.exe\" \"C:\\Launcher\\setup.exe\"", "C:\\Launcher\\", false},
      {"mapped drive, direct", "Z:\\pkgs\\setup.exe", "", 10, true, 2, false, TLaunchMethod::Direct, nullptr,
       "\"C:\\Temp\\setup.exe\" \"\\\\srv\\share\\pkgs\\setup.exe\"", "Z:\\pkgs\\", true},
      {"mapped drive, shell", "Z:\\pkgs\\setup.exe", "", 10, false, 2, false, TLaunchMethod::Shell, "open",
       "\"\\\\srv\\share\\pkgs\\setup.exe\" /noadmin", nullptr, true},
      {"share path", "\\\\srv\\share\\setup.exe", "", 5, false, 2, false, TLaunchMethod::Direct, nullptr,
       "\"C:\\Temp\\setup.exe\" \"\\\\srv\\share\\setup.exe\"", "\\\\srv\\share\\", false},
      {"arguments re-quoted", Own, "/s \"C:\\Program Files\\X\"", 10, false, 0, false, TLaunchMethod::Shell, "open",
       "\"C:\\Launcher\\setup.exe\" /s \"C:\\Program Files\\X\"", nullptr, true},
      {"detached, direct", Own, "", 5, false, 2, true, TLaunchMethod::Direct, nullptr,
       "\"C:\\Temp\\setup.exe\" \"C:\\Launcher\\setup.exe\"", "C:\\Launcher\\", false},
      {"detached, shell", Own, "", 10, false, 2, true, TLaunchMethod::Shell, "open",
       "\"C:\\Launcher\\setup.exe\" /noadmin", nullptr, true},
  };
  for (const LaunchRow& row : rows) {
    SCOPED_TRACE(row.name);
    Platform::THandle held = Prepare(row);
    EXPECT_EQ(
        Fake::RunToExit([&] { LaunchSetup(TAnsiString(TempPath), held, row.detached, row.elevationMode, row.major); }),
        Fake::ReturnedWithoutExit);
    EXPECT_TRUE(Fake::MessageBoxes().empty());
    EXPECT_EQ(Fake::SidCalls().size(), row.asksAdministrator ? 1u : 0u);
    std::vector<Platform::THandle> started = Fake::StartedProcesses();
    ASSERT_EQ(started.size(), 1u);

    if (row.method == TLaunchMethod::Direct) {
      EXPECT_TRUE(Fake::ShellExecuteCalls().empty());
      ASSERT_EQ(Fake::CreateProcessCalls().size(), 1u);
      Fake::TCreateProcessCall call = Fake::CreateProcessCalls()[0];
      EXPECT_EQ(call.commandLine, row.passed);
      EXPECT_EQ(call.inheritHandles, 0);
      EXPECT_EQ(call.creationFlags, 0u);
      EXPECT_TRUE(call.currentDirectoryGiven);
      EXPECT_EQ(call.currentDirectory, row.directory);
      Platform::TStartupInfo startupInfo{};
      startupInfo.cb = 68;
      EXPECT_EQ(std::memcmp(&call.startupInfo, &startupInfo, sizeof startupInfo), 0);
      Platform::TProcessInformation processInformation{};
      EXPECT_EQ(std::memcmp(&call.processInformation, &processInformation, sizeof processInformation), 0);
      // The process and thread handles end with the launcher.
      EXPECT_EQ(Fake::ClosedHandles(),
                row.detached ? std::vector<Platform::THandle>{} : std::vector<Platform::THandle>{held});
    } else {
      EXPECT_TRUE(Fake::CreateProcessCalls().empty());
      ASSERT_EQ(Fake::ShellExecuteCalls().size(), 1u);
      Fake::TShellExecuteCall call = Fake::ShellExecuteCalls()[0];
      EXPECT_EQ(call.verb, std::optional<std::string>(row.verb));
      EXPECT_EQ(call.file, std::optional<std::string>(TempPath));
      EXPECT_EQ(call.parameters, std::optional<std::string>(row.passed));
      EXPECT_EQ(call.directory, std::nullopt);
      const Platform::TShellExecuteInfo& info = call.info;
      EXPECT_EQ(info.cbSize, 60u);
      EXPECT_EQ(info.fMask, 0x40u);
      EXPECT_EQ(info.hwnd, nullptr);
      EXPECT_EQ(info.nShow, 5);
      EXPECT_EQ(info.hInstApp, nullptr);
      EXPECT_EQ(info.lpIDList, nullptr);
      EXPECT_EQ(info.lpClass, nullptr);
      EXPECT_EQ(info.hkeyClass, nullptr);
      EXPECT_EQ(info.dwHotKey, 0u);
      EXPECT_EQ(info.hIconOrMonitor, nullptr);
      EXPECT_EQ(info.hProcess, nullptr);
      const std::vector<Platform::THandle> closed =
          row.detached ? std::vector<Platform::THandle>{} : std::vector<Platform::THandle>{started[0], held};
      EXPECT_EQ(Fake::ClosedHandles(), closed);
    }

    if (row.detached) {
      EXPECT_TRUE(Fake::WaitCalls().empty());
      EXPECT_EQ(Fake::CallCount("DeleteFileA"), 0);
      EXPECT_TRUE(Fake::FileExists(TempPath));
      // Held until the launcher itself ends.
      ASSERT_EQ(Fake::OpenFiles().size(), 1u);
      EXPECT_EQ(Fake::OpenFiles()[0].handle, held);
      continue;
    }
    ASSERT_EQ(Fake::WaitCalls().size(), 1u);
    Fake::TWaitCall wait = Fake::WaitCalls()[0];
    EXPECT_EQ(wait.handle, started[0]);
    EXPECT_EQ(wait.milliseconds, Platform::Infinite);
    // The copy is deleted only once the setup program has ended.
    EXPECT_EQ(std::count(wait.state.files.begin(), wait.state.files.end(), std::string(TempPath)), 1);
    ASSERT_EQ(wait.state.openFiles.size(), 1u);
    EXPECT_EQ(wait.state.openFiles[0].handle, held);
    EXPECT_FALSE(Fake::FileExists(TempPath));
    EXPECT_TRUE(Fake::OpenFiles().empty());
  }
}

struct HoldRow {
  const char* name;
  bool administrator;
  std::vector<std::string> order;
};

const HoldRow HoldRows[] = {
    {"direct", true, {"CreateProcessA", "WaitForSingleObject", "CloseHandle held", "DeleteFileA"}},
    {"shell",
     false,
     {"ShellExecuteExA", "WaitForSingleObject", "CloseHandle process", "CloseHandle held", "DeleteFileA"}},
};

// The handle of the shell start and the hold of the copy are closed once
// the setup program has ended, and before the copy is deleted.
TEST_F(LaunchOverFake, HandlesAreClosedBeforeTheDelete) {
  for (const HoldRow& row : HoldRows) {
    SCOPED_TRACE(row.name);
    Platform::THandle held = PlaceHeldCopyFor(row.administrator);
    LaunchSetup(TAnsiString(TempPath), held, false, 2, 10);
    std::vector<Platform::THandle> started = Fake::StartedProcesses();
    ASSERT_EQ(started.size(), 1u);
    // Each CloseHandle call, in order, is one entry of ClosedHandles.
    std::vector<Platform::THandle> closed = Fake::ClosedHandles();
    size_t closes = 0;
    std::vector<std::string> order;
    for (const std::string& name : Fake::CallNames()) {
      if (name == "CloseHandle" && closes < closed.size()) {
        Platform::THandle handle = closed[closes++];
        order.push_back(handle == held ? "CloseHandle held" : handle == started[0] ? "CloseHandle process" : name);
      } else if (name == "ShellExecuteExA" || name == "CreateProcessA" || name == "WaitForSingleObject" ||
                 name == "DeleteFileA") {
        order.push_back(name);
      }
    }
    EXPECT_EQ(order, row.order);
    EXPECT_FALSE(Fake::FileExists(TempPath));
    EXPECT_TRUE(Fake::OpenFiles().empty());
  }
}

// While the setup program runs no other process can write, replace or
// delete its copy; the setup program can still read it.
TEST_F(LaunchOverFake, CopyCannotBeReplacedWhileTheSetupProgramRuns) {
  for (const HoldRow& row : HoldRows) {
    SCOPED_TRACE(row.name);
    Platform::THandle held = PlaceHeldCopyFor(row.administrator);
    bool writeRefused = false;
    bool deleteRefused = false;
    bool readAllowed = false;
    Fake::OnWait([&] {
      writeRefused =
          Fake::OpenAsOtherProcess(TempPath, Platform::GenericWrite,
                                   Platform::FileShareRead | Platform::FileShareWrite) == Platform::InvalidHandleValue;
      deleteRefused = Platform::DeleteFileA(TempPath) == 0;
      Platform::THandle reader = Fake::OpenAsOtherProcess(TempPath, Platform::GenericRead, Platform::FileShareRead);
      readAllowed = reader != Platform::InvalidHandleValue;
      if (readAllowed) Fake::CloseAsOtherProcess(reader);
    });
    LaunchSetup(TAnsiString(TempPath), held, false, 2, 10);
    EXPECT_TRUE(writeRefused);
    EXPECT_TRUE(deleteRefused);
    EXPECT_TRUE(readAllowed);
    EXPECT_FALSE(Fake::FileExists(TempPath));
  }
}

TEST_F(LaunchOverFake, RefusedStartLeavesTheCopy) {
  struct Row {
    const char* name;
    uint32_t major;
    bool administrator;
  };
  const Row rows[] = {{"direct", 10, true}, {"shell", 10, false}, {"before Vista", 5, false}};
  for (const Row& row : rows) {
    SCOPED_TRACE(row.name);
    Platform::THandle held = PlaceHeldCopyFor(row.administrator);
    Fake::RefuseStart(Fake::ErrorAccessDenied);
    EXPECT_EQ(Fake::RunToExit([&] { LaunchSetup(TAnsiString(TempPath), held, false, 1, row.major); }), 0);
    ASSERT_EQ(Fake::MessageBoxes().size(), 1u);
    EXPECT_EQ(Fake::MessageBoxes()[0].text, LaunchFailedText);
    EXPECT_EQ(Fake::MessageBoxes()[0].caption, "C:\\Launcher\\setup.exe");
    EXPECT_TRUE(Fake::FileExists(TempPath));
    EXPECT_TRUE(Fake::WaitCalls().empty());
    EXPECT_EQ(Fake::CallCount("DeleteFileA"), 0);
    EXPECT_TRUE(Fake::ClosedHandles().empty());
  }
}

TEST_F(LaunchOverFake, AFailingDeleteIsIgnored) {
  Platform::THandle held = PlaceHeldCopy();
  Fake::FailDelete(TempPath, Fake::ErrorAccessDenied);
  EXPECT_EQ(Fake::RunToExit([&] { LaunchSetup(TAnsiString(TempPath), held, false, 2, 10); }),
            Fake::ReturnedWithoutExit);
  EXPECT_TRUE(Fake::MessageBoxes().empty());
  EXPECT_TRUE(Fake::FileExists(TempPath));
}

}  // namespace
