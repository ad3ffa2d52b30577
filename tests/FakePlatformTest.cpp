// The fake platform's own behaviour, on which the tests of the logic rely.
#include <cstring>
#include <string>
#include <vector>

#include "FakeRun.h"

namespace {

using namespace Platform;

class FakePlatformTest : public FakePlatformTestBase {};

THandle Open(const char* path, uint32_t access, uint32_t share, uint32_t disposition) {
  return CreateFileA(path, access, share, disposition, FileAttributeNormal);
}

TEST_F(FakePlatformTest, SharingFollowsWin32Rules) {
  struct TRow {
    const char* name;
    uint32_t heldAccess;
    uint32_t heldShare;
    uint32_t access;
    uint32_t share;
    bool opens;
  };
  const uint32_t readWrite = FileShareRead | FileShareWrite;
  const TRow rows[] = {
      {"two readers sharing reading", GenericRead, FileShareRead, GenericRead, FileShareRead, true},
      {"reader after a writer that shares both", GenericWrite, readWrite, GenericRead, FileShareRead, false},
      {"reader sharing writing after a writer", GenericWrite, readWrite, GenericRead, readWrite, true},
      {"writer after a reader that shares reading only", GenericRead, FileShareRead, GenericWrite, readWrite, false},
      {"writer after a reader sharing writing", GenericRead, readWrite, GenericWrite, readWrite, true},
      {"reader after a handle that shares nothing", GenericRead, 0, GenericRead, readWrite, false},
      {"writer sharing reading only after a reader", GenericRead, readWrite, GenericWrite, FileShareRead, true},
      {"writer sharing reading only after a writer", GenericWrite, readWrite, GenericWrite, FileShareRead, false},
  };
  for (const TRow& row : rows) {
    SCOPED_TRACE(row.name);
    Fake::Reset();
    Fake::AddFile("C:\\f.bin", {1, 2, 3});
    ASSERT_NE(Fake::OpenAsOtherProcess("C:\\f.bin", row.heldAccess, row.heldShare), InvalidHandleValue);
    THandle handle = Open("c:\\F.BIN", row.access, row.share, OpenExisting);
    EXPECT_EQ(handle != InvalidHandleValue, row.opens);
    if (!row.opens) {
      EXPECT_EQ(GetLastError(), Fake::ErrorSharingViolation);
    }
  }
}

TEST_F(FakePlatformTest, DispositionsAndTheirErrors) {
  Fake::AddFile("C:\\Dir\\old.txt", {9, 9});
  EXPECT_EQ(Open("C:\\Dir\\old.txt", GenericWrite, 0, CreateNew), InvalidHandleValue);
  EXPECT_EQ(GetLastError(), ErrorFileExists);
  EXPECT_EQ(Open("C:\\Dir\\none.txt", GenericRead, 0, OpenExisting), InvalidHandleValue);
  EXPECT_EQ(GetLastError(), ErrorFileNotFound);
  EXPECT_EQ(Open("C:\\Missing\\x.txt", GenericWrite, 0, CreateAlways), InvalidHandleValue);
  EXPECT_EQ(GetLastError(), Fake::ErrorPathNotFound);
  EXPECT_EQ(Open("C:\\Dir", GenericWrite, 0, CreateAlways), InvalidHandleValue);
  EXPECT_EQ(GetLastError(), Fake::ErrorAccessDenied);

  THandle truncated = Open("C:\\DIR\\OLD.TXT", GenericWrite, 0, CreateAlways);
  ASSERT_NE(truncated, InvalidHandleValue);
  EXPECT_EQ(GetLastError(), Fake::ErrorAlreadyExists);
  EXPECT_TRUE(Fake::FileBytes("C:\\Dir\\old.txt").empty());
  EXPECT_NE(Open("C:\\Dir\\new.txt", GenericWrite, 0, CreateNew), InvalidHandleValue);
  EXPECT_TRUE(Fake::FileExists("c:\\dir\\NEW.txt"));
}

TEST_F(FakePlatformTest, PositionsReadsAndWrites) {
  Fake::AddFile("C:\\f.bin", {0, 1, 2, 3, 4, 5, 6, 7, 8, 9});
  THandle file = Open("C:\\f.bin", GenericRead, FileShareRead, OpenExisting);
  EXPECT_EQ(SetFilePointer(file, 6, FileBegin), 6u);
  EXPECT_EQ(SetFilePointer(file, -1, FileBegin), InvalidSetFilePointer);
  EXPECT_EQ(GetLastError(), Fake::ErrorNegativeSeek);
  uint8_t buffer[8] = {};
  uint32_t count = 99;
  EXPECT_NE(ReadFile(file, buffer, 8, &count), 0);
  EXPECT_EQ(count, 4u);  // short at the end, from the position left by the failed seek
  EXPECT_EQ(buffer[0], 6);
  EXPECT_NE(ReadFile(file, buffer, 8, &count), 0);
  EXPECT_EQ(count, 0u);
  EXPECT_EQ(WriteFile(file, buffer, 1, &count), 0);  // opened for reading only
  EXPECT_EQ(count, 0u);

  THandle out = Open("C:\\out.bin", GenericWrite, FileShareRead, CreateAlways);
  Fake::LimitWrites(3);
  const uint8_t data[5] = {1, 2, 3, 4, 5};
  EXPECT_NE(WriteFile(out, data, 5, &count), 0);
  EXPECT_EQ(count, 3u);
  EXPECT_EQ(Fake::FileBytes("C:\\out.bin"), (std::vector<uint8_t>{1, 2, 3}));
  Fake::FailWrites();
  EXPECT_EQ(WriteFile(out, data, 5, &count), 0);
  EXPECT_EQ(count, 0u);
}

TEST_F(FakePlatformTest, FileSizeHasBothHalvesAndCanBeScripted) {
  Fake::AddFile("C:\\f.bin", std::vector<uint8_t>(10));
  THandle file = Open("C:\\f.bin", GenericRead, FileShareRead, OpenExisting);
  uint32_t high = 77;
  EXPECT_EQ(GetFileSize(file, &high), 10u);
  EXPECT_EQ(high, 0u);
  Fake::SetReportedFileSize("C:\\f.bin", 0x500000002ull);
  EXPECT_EQ(GetFileSize(file, &high), 2u);
  EXPECT_EQ(high, 5u);
}

TEST_F(FakePlatformTest, DeletionAndSearch) {
  Fake::AddFile("C:\\T\\a.exe", {1});
  Fake::AddFolder("C:\\T\\setup.exe");
  THandle held = Open("C:\\T\\a.exe", GenericRead, FileShareRead, OpenExisting);
  EXPECT_EQ(DeleteFileA("C:\\T\\a.exe"), 0);
  EXPECT_EQ(GetLastError(), Fake::ErrorSharingViolation);
  CloseHandle(held);
  Fake::FailDelete("C:\\T\\a.exe", Fake::ErrorAccessDenied);
  EXPECT_EQ(DeleteFileA("C:\\T\\a.exe"), 0);
  Fake::Reset();

  Fake::AddFile("C:\\T\\a.exe", {1});
  Fake::AddFolder("C:\\T\\setup.exe");
  for (const char* present : {"C:\\T\\a.exe", "c:\\t\\SETUP.EXE", "C:\\T"}) {
    SCOPED_TRACE(present);
    THandle found = FindFirstFileA(present);
    ASSERT_NE(found, InvalidHandleValue);
    EXPECT_EQ(Fake::OpenFindHandles(), 1);
    EXPECT_NE(FindClose(found), 0);
  }
  EXPECT_EQ(FindFirstFileA("C:\\T\\b.exe"), InvalidHandleValue);
  EXPECT_NE(DeleteFileA("C:\\T\\A.EXE"), 0);
  EXPECT_FALSE(Fake::FileExists("C:\\T\\a.exe"));
}

TEST_F(FakePlatformTest, ModulePathIsCutAsWindowsCutsIt) {
  Fake::SetModulePath("C:\\abc.exe");
  char buffer[8];
  EXPECT_EQ(GetModuleFileNameA(buffer, 8), 8u);
  EXPECT_STREQ(buffer, "C:\\abc.");
  EXPECT_EQ(GetLastError(), Fake::ErrorInsufficientBuffer);
  char whole[32];
  EXPECT_EQ(GetModuleFileNameA(whole, 32), 10u);
  EXPECT_STREQ(whole, "C:\\abc.exe");
}

TEST_F(FakePlatformTest, CharNextStepsOverDoubleByteCharacters) {
  const char text[] = "\x81\"a\xE0";
  EXPECT_EQ(CharNextA(text), text + 1);  // code page 1252
  Fake::SetCodePage(932);
  EXPECT_EQ(CharNextA(text), text + 2);
  EXPECT_EQ(CharNextA(text + 2), text + 3);
  EXPECT_EQ(CharNextA(text + 3), text + 4);  // a lead byte before the end
  EXPECT_EQ(CharNextA(text + 4), text + 4);
}

TEST_F(FakePlatformTest, ConversionsUseTheCodePageAndItsDefaultCharacter) {
  struct TRow {
    const char* name;
    uint32_t codePage;
    std::string ansi;
    std::u16string wide;
  };
  const TRow rows[] = {
      {"Western letters", 1252, "Caf\xE9 \x80", u"Caf\u00E9 \u20AC"},
      {"Japanese hiragana", 932,
       "\x82\xA0"
       "a",
       u"\u3042a"},
  };
  for (const TRow& row : rows) {
    SCOPED_TRACE(row.name);
    int32_t wideLength =
        MultiByteToWideChar(row.codePage, 0, row.ansi.data(), static_cast<int32_t>(row.ansi.size()), nullptr, 0);
    std::u16string wide(static_cast<size_t>(wideLength), u'\0');
    MultiByteToWideChar(row.codePage, 0, row.ansi.data(), static_cast<int32_t>(row.ansi.size()), wide.data(),
                        wideLength);
    EXPECT_EQ(wide, row.wide);
    int32_t ansiLength =
        WideCharToMultiByte(row.codePage, 0, row.wide.data(), static_cast<int32_t>(row.wide.size()), nullptr, 0);
    std::string ansi(static_cast<size_t>(ansiLength), '\0');
    WideCharToMultiByte(row.codePage, 0, row.wide.data(), static_cast<int32_t>(row.wide.size()), ansi.data(),
                        ansiLength);
    EXPECT_EQ(ansi, row.ansi);
  }
  char narrow[8] = {};
  EXPECT_EQ(WideCharToMultiByte(1252, 0, u"\u4E00x", 2, narrow, 8), 2);
  EXPECT_STREQ(narrow, "?x");
  EXPECT_EQ(WideCharToMultiByte(1252, 0, u"abc", 3, narrow, 2), 0);  // too small
  EXPECT_EQ(GetLastError(), Fake::ErrorInsufficientBuffer);
}

TEST_F(FakePlatformTest, ExitProcessEndsTheRunUnderTest) {
  EXPECT_EQ(Fake::RunToExit([] { ExitProcess(7); }), 7);
  EXPECT_EQ(Fake::RunToExit([] {}), Fake::ReturnedWithoutExit);
  EXPECT_EQ(Fake::ExitCodes(), std::vector<uint32_t>{7});
}

TEST_F(FakePlatformTest, VersionQueryFillsOnlyTheRecordSizeAsked) {
  TOsVersionInfo scripted{};
  scripted.dwMajorVersion = 5;
  scripted.wServicePackMajor = 3;
  Fake::SetVersion(scripted);
  TOsVersionInfo info;
  std::memset(&info, 0xAB, sizeof info);
  info.dwOSVersionInfoSize = OsVersionInfoSize;
  EXPECT_NE(GetVersionExA(&info), 0);
  EXPECT_EQ(info.dwMajorVersion, 5u);
  EXPECT_EQ(info.wServicePackMajor, 0xABABu);
  info.dwOSVersionInfoSize = OsVersionInfoExSize;
  EXPECT_NE(GetVersionExA(&info), 0);
  EXPECT_EQ(info.wServicePackMajor, 3u);
  Fake::FailVersionQuery(OsVersionInfoExSize);
  EXPECT_EQ(GetVersionExA(&info), 0);
  EXPECT_EQ(Fake::VersionQuerySizes(), (std::vector<uint32_t>{148, 156, 156}));
}

TEST_F(FakePlatformTest, ReleaseIdLongerThanTheBufferIsMoreData) {
  Fake::SetVersionKeyPresent(true);
  Fake::SetReleaseId(std::vector<uint8_t>(70, '1'));
  THandle key = nullptr;
  ASSERT_EQ(RegOpenKeyExA(HkeyLocalMachine, "Software\\Microsoft\\Windows NT\\CurrentVersion", 0, KeyRead, &key), 0);
  uint8_t data[64];
  uint32_t size = sizeof data;
  uint32_t type = 0;
  EXPECT_EQ(RegQueryValueExA(key, "ReleaseId", &type, data, &size), static_cast<int32_t>(Fake::ErrorMoreData));
  EXPECT_EQ(size, 70u);
  EXPECT_EQ(Fake::OpenRegistryKeys(), 1);
  EXPECT_EQ(RegCloseKey(key), 0);
  EXPECT_EQ(Fake::OpenRegistryKeys(), 0);
}

TEST_F(FakePlatformTest, UniversalNamePointsIntoTheSameBuffer) {
  Fake::MapDrive('z', "\\\\srv\\share");
  alignas(TUniversalNameInfo) char buffer[2000];
  uint32_t size = sizeof buffer;
  ASSERT_EQ(WNetGetUniversalNameA("Z:\\pkgs\\setup.exe", UniversalNameInfoLevel, buffer, &size), NoError);
  TUniversalNameInfo info;
  std::memcpy(&info, buffer, sizeof info);
  EXPECT_GE(info.lpUniversalName, buffer);
  EXPECT_LT(info.lpUniversalName, buffer + sizeof buffer);
  EXPECT_STREQ(info.lpUniversalName, "\\\\srv\\share\\pkgs\\setup.exe");
  uint32_t small = 8;
  EXPECT_EQ(WNetGetUniversalNameA("Z:\\pkgs\\setup.exe", UniversalNameInfoLevel, buffer, &small), Fake::ErrorMoreData);
  EXPECT_NE(WNetGetUniversalNameA("C:\\local.exe", UniversalNameInfoLevel, buffer, &size), NoError);
}

TEST_F(FakePlatformTest, StartsRecordWhatTheyReceiveAndTheFilesAtThatMoment) {
  Fake::AddFile("C:\\Temp\\setup.exe", {1});
  TStartupInfo startup{};
  startup.cb = StartupInfoSize;
  TProcessInformation process{};
  char commandLine[] = "\"C:\\Temp\\setup.exe\" \"C:\\dl\\setup.exe\"";
  ASSERT_NE(CreateProcessA(commandLine, 0, 0, "C:\\dl\\", &startup, &process), 0);
  EXPECT_EQ(WaitForSingleObject(process.hProcess, Infinite), Fake::WaitObject0);
  std::vector<Fake::TCreateProcessCall> starts = Fake::CreateProcessCalls();
  ASSERT_EQ(starts.size(), 1u);
  EXPECT_EQ(starts[0].commandLine, commandLine);
  EXPECT_EQ(starts[0].currentDirectory, "C:\\dl\\");
  EXPECT_EQ(starts[0].startupInfo.cb, StartupInfoSize);
  EXPECT_EQ(starts[0].state.files, std::vector<std::string>{"C:\\Temp\\setup.exe"});
  ASSERT_EQ(Fake::WaitCalls().size(), 1u);
  EXPECT_TRUE(Fake::WaitCalls()[0].isProcess);

  Fake::RefuseStart(Fake::ErrorAccessDenied);
  TShellExecuteInfo execute{};
  execute.cbSize = ShellExecuteInfoSize;
  execute.lpVerb = "runas";
  EXPECT_EQ(ShellExecuteExA(&execute), 0);
  ASSERT_EQ(Fake::ShellExecuteCalls().size(), 1u);
  EXPECT_EQ(Fake::ShellExecuteCalls()[0].verb, std::optional<std::string>("runas"));
  EXPECT_FALSE(Fake::ShellExecuteCalls()[0].file.has_value());
}

TEST_F(FakePlatformTest, AStartNeedsItsProgramAndKeepsItWhileRunning) {
  struct TRow {
    const char* name;
    uint32_t heldAccess;  // 0: the program is not held open
    uint32_t heldShare;
    bool present;
    bool starts;
    uint32_t error;
  };
  const TRow rows[] = {
      {"present and not open", 0, 0, true, true, NoError},
      {"missing", 0, 0, false, false, ErrorFileNotFound},
      {"held for reading, sharing reading", GenericRead, FileShareRead, true, true, NoError},
      {"held for writing", GenericWrite, FileShareRead, true, false, Fake::ErrorSharingViolation},
      {"held without sharing reading", GenericRead, 0, true, false, Fake::ErrorSharingViolation},
  };
  const char* const program = "C:\\Temp\\setup.exe";
  for (const TRow& row : rows) {
    SCOPED_TRACE(row.name);
    for (bool shell : {false, true}) {
      SCOPED_TRACE(shell ? "through the shell" : "directly");
      Fake::Reset();
      if (row.present) Fake::AddFile(program, {'M', 'Z'});
      if (row.heldAccess != 0) Fake::OpenAsOtherProcess(program, row.heldAccess, row.heldShare);
      TBool started = 0;
      if (shell) {
        TShellExecuteInfo execute{};
        execute.cbSize = ShellExecuteInfoSize;
        execute.fMask = SeeMaskNoCloseProcess;
        execute.lpFile = program;
        started = ShellExecuteExA(&execute);
      } else {
        TStartupInfo startup{};
        TProcessInformation process{};
        char commandLine[] = "\"C:\\Temp\\setup.exe\" /x";
        started = CreateProcessA(commandLine, 0, 0, nullptr, &startup, &process);
      }
      EXPECT_EQ(started != 0, row.starts);
      if (!row.starts) {
        EXPECT_EQ(GetLastError(), row.error);
      }
    }
  }

  Fake::Reset();
  Fake::AddFile(program, {'M', 'Z'});
  TShellExecuteInfo execute{};
  execute.fMask = SeeMaskNoCloseProcess;
  execute.lpFile = program;
  ASSERT_NE(ShellExecuteExA(&execute), 0);
  EXPECT_EQ(DeleteFileA(program), 0);
  EXPECT_EQ(Open(program, GenericWrite, 0, CreateAlways), InvalidHandleValue);
  WaitForSingleObject(execute.hProcess, Infinite);
  EXPECT_NE(DeleteFileA(program), 0);
}

}  // namespace
