#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <functional>
#include <string>
#include <vector>

#include "platform/FakePlatform.h"
#include "stub/TempCopy.h"

namespace {

std::string Text(const TAnsiString& text) { return std::string(text.CStr(), text.Length()); }

const char* const TempCopyFailedText =
    "An error occurred while trying to create a temporary copy of the setup package.  Please make sure that you "
    "have sufficient access rights to this computer to install software and that the Windows TEMP folder can be "
    "written to.  You can make this installer use a different folder for its temporary files using the /temp "
    "command line parameter followed by the path to a folder you can write to and run applications from.";

TEST(TempCopyTest, PathParts) {
  struct Row {
    const char* path;
    const char* folder;
    const char* name;
  };
  const Row rows[] = {
      {"C:\\Downloads\\setup.exe", "C:\\Downloads\\", "setup.exe"},
      {"\\\\srv\\share\\setup.exe", "\\\\srv\\share\\", "setup.exe"},
      {"setup.exe", "", "setup.exe"},
      {"C:\\dir\\", "C:\\dir\\", ""},
      {"C:/dir/setup.exe", "", "C:/dir/setup.exe"},
      {"C:\\a/b\\c/d.exe", "C:\\a/b\\", "c/d.exe"},
      {"", "", ""},
      {"\\", "\\", ""},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.path);
    TAnsiString path(row.path);
    EXPECT_EQ(Text(PathFolderPart(path)), row.folder);
    EXPECT_EQ(Text(PathNamePart(path)), row.name);
  }
}

// A GetTempPathA buffer: the text, zero-filled to its full size.
std::vector<char> SystemBuffer(const std::string& text) {
  std::vector<char> buffer(TempPathBufferSize, '\0');
  std::memcpy(buffer.data(), text.data(), std::min(text.size(), buffer.size()));
  return buffer;
}

TEST(TempCopyTest, FolderChoice) {
  struct Row {
    const char* name;
    const char* launcher;
    bool tempIsLast;
    std::string system;
    const char* folderArgument;
    std::string expected;
  };
  const Row rows[] = {
      {"system folder with its backslash", "C:\\dl\\setup.exe", false, "C:\\Users\\u\\AppData\\Local\\Temp\\", nullptr,
       "C:\\Users\\u\\AppData\\Local\\Temp\\"},
      {"system folder without a backslash gets one", "C:\\dl\\setup.exe", false, "C:\\Temp", nullptr, "C:\\Temp\\"},
      {"empty system folder", "C:\\dl\\setup.exe", false, "", nullptr, "C:\\"},
      {"/temp last: the launcher's folder", "C:\\Downloads\\setup.exe", true, "C:\\Temp\\", nullptr, "C:\\Downloads\\"},
      {"/temp last without a backslash in the path", "setup.exe", true, "C:\\Temp\\", nullptr, ""},
      {"/temp folder", "C:\\dl\\setup.exe", false, "C:\\Temp\\", "D:\\Work", "D:\\Work\\"},
      {"/temp folder with its backslash", "C:\\dl\\setup.exe", false, "C:\\Temp\\", "D:\\Work\\", "D:\\Work\\"},
      {"/temp drive", "C:\\dl\\setup.exe", false, "C:\\Temp\\", "D:", "D:\\"},
      {"/temp relative folder", "C:\\dl\\setup.exe", false, "C:\\Temp\\", "work", "work\\"},
      {"/temp folder with a forward slash", "C:\\dl\\setup.exe", false, "C:\\Temp\\", "D:\\Work/", "D:\\Work/\\"},
      {"/temp folder over an empty system folder", "C:\\dl\\setup.exe", false, "", "D:\\Work", "D:\\Work\\"},
      {"a system folder filling the whole buffer", "C:\\dl\\setup.exe", false, std::string(256, 'x'), nullptr,
       std::string(256, 'x') + "\\"},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.name);
    std::vector<char> buffer = SystemBuffer(row.system);
    TAnsiString folder = TempFolderChoice(TAnsiString(row.launcher), row.tempIsLast, buffer.data(), row.folderArgument);
    EXPECT_EQ(Text(folder), row.expected);
  }
}

TEST(TempCopyTest, FreeNameNumbering) {
  struct Row {
    const char* candidate;
    int32_t number;
    const char* expected;
  };
  const Row rows[] = {
      {"C:\\Temp\\setup.exe", 2, "C:\\Temp\\setup2.exe"},
      {"C:\\Temp\\setup.exe", 10, "C:\\Temp\\setup10.exe"},
      {"C:\\Temp\\setup.exe", 2147483647, "C:\\Temp\\setup2147483647.exe"},
      {"C:\\Temp\\installer", 2, "C:\\Temp\\insta2ller"},
      {"C:\\Temp\\setup.msi.exe", 3, "C:\\Temp\\setup.msi3.exe"},
      {"abcd", 2, "2abcd"},
      {"abc", 2, "2abc"},
      {"", 2, "2"},
      {"abcde", 0, "a0bcde"},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(std::string(row.candidate) + " #" + std::to_string(row.number));
    EXPECT_EQ(Text(NumberedTempPath(TAnsiString(row.candidate), row.number)), row.expected);
  }
}

TEST(TempCopyTest, NumberingEndsAtTheLargestNumber) {
  struct Row {
    int32_t current;
    bool more;
    int32_t next;
  };
  const Row rows[] = {{2, true, 3}, {9, true, 10}, {2147483646, true, 2147483647}, {2147483647, false, 0}};
  for (const Row& row : rows) {
    SCOPED_TRACE(row.current);
    int32_t next = 0;
    EXPECT_EQ(NextTempNumber(row.current, next), row.more);
    EXPECT_EQ(next, row.next);
  }
}

// --- Over the fake platform ---

class TempCopyOverFake : public ::testing::Test {
 protected:
  void SetUp() override { Fake::Reset(); }
};

TEST_F(TempCopyOverFake, PathExists) {
  Fake::AddFile("C:\\Temp\\setup.exe", {1});
  Fake::AddFolder("C:\\Temp\\folder");
  struct Row {
    const char* path;
    bool exists;
  };
  const Row rows[] = {
      {"C:\\Temp\\setup.exe", true},   {"c:\\temp\\SETUP.EXE", true},     {"C:\\Temp\\folder", true},
      {"C:\\Temp\\setup2.exe", false}, {"C:\\Missing\\setup.exe", false},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.path);
    EXPECT_EQ(PathExists(row.path), row.exists);
  }
  EXPECT_EQ(Fake::CallCount("FindClose"), 3);
  EXPECT_EQ(Fake::OpenFindHandles(), 0);
}

struct ChooseRow {
  const char* name;
  const char* arguments;
  const char* systemFolder;  // null: the query fails
  const char* expected;
  bool asksSystem;
};

TEST_F(TempCopyOverFake, ChooseTempFolder) {
  const ChooseRow rows[] = {
      {"no switches", "", "C:\\Users\\u\\AppData\\Local\\Temp\\", "C:\\Users\\u\\AppData\\Local\\Temp\\", true},
      {"empty system folder", "", "", "C:\\", true},
      {"failing query", "", nullptr, "C:\\", true},
      {"/temp last", "a /temp", "C:\\Temp\\", "C:\\Launcher\\", false},
      {"/TEMP in quotes last", "\"/TEMP\"", "C:\\Temp\\", "C:\\Launcher\\", false},
      {"/temp folder", "/temp D:\\Work x", "C:\\Temp\\", "D:\\Work\\", true},
      {"/temp folder with spaces, then /s", "/temp \"C:\\My Setup\" /s", "C:\\Temp\\", "C:\\My Setup\\", true},
      {"the last /temp with a folder counts", "/temp C:\\A /temp C:\\B x", "C:\\Temp\\", "C:\\B\\", true},
      {"/temp last wins over an earlier folder", "/temp C:\\A /temp", "C:\\Temp\\", "C:\\Launcher\\", false},
      {"/temp before /silent takes it as the folder", "/temp /silent", "C:\\Temp\\", "/silent\\", true},
  };
  for (const ChooseRow& row : rows) {
    SCOPED_TRACE(row.name);
    Fake::Reset();
    Fake::SetCommandLine(std::string("setup.exe ") + row.arguments);
    if (row.systemFolder != nullptr) {
      Fake::SetTempPath(row.systemFolder);
    } else {
      Fake::FailTempPath();
    }
    EXPECT_EQ(Text(ChooseTempFolder()), row.expected);
    EXPECT_EQ(Fake::CallCount("GetTempPathA"), row.asksSystem ? 1 : 0);
    for (const Fake::TCall& call : Fake::Calls()) {
      if (call.name == "GetTempPathA") {
        EXPECT_EQ(call.detail, "256");
      }
    }
  }
}

TEST_F(TempCopyOverFake, FreeNameSkipsFilesAndFolders) {
  struct Row {
    const char* name;
    std::vector<const char*> files;
    std::vector<const char*> folders;
    const char* expected;
  };
  const Row rows[] = {
      {"nothing there", {}, {}, "C:\\Temp\\setup.exe"},
      {"setup.exe and setup2.exe taken", {"C:\\Temp\\setup.exe", "C:\\Temp\\setup2.exe"}, {}, "C:\\Temp\\setup3.exe"},
      {"a folder counts as taken", {}, {"C:\\Temp\\setup.exe"}, "C:\\Temp\\setup2.exe"},
      {"a gap is taken", {"C:\\Temp\\setup.exe", "C:\\Temp\\setup3.exe"}, {}, "C:\\Temp\\setup2.exe"},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.name);
    Fake::Reset();
    for (const char* file : row.files) Fake::AddFile(file, {1});
    for (const char* folder : row.folders) Fake::AddFolder(folder);
    EXPECT_EQ(Text(MakeFreeTempPath(TAnsiString("C:\\Temp\\setup.exe"))), row.expected);
    EXPECT_EQ(Fake::OpenFindHandles(), 0);
  }
}

TEST_F(TempCopyOverFake, FreeNameWithEveryNumberTakenEndsTheRun) {
  Fake::AddFile("C:\\Temp\\setup.exe", {1});
  Fake::AddFile("C:\\Temp\\setup2147483646.exe", {1});
  Fake::AddFile("C:\\Temp\\setup2147483647.exe", {1});
  int64_t exit = Fake::RunToExit([] { MakeFreeTempPath(TAnsiString("C:\\Temp\\setup.exe"), 2147483646); });
  EXPECT_EQ(exit, 0);
  ASSERT_EQ(Fake::MessageBoxes().size(), 1u);
  EXPECT_EQ(Fake::MessageBoxes()[0].text, TempCopyFailedText);
  // The search stops at the largest number instead of wrapping.
  EXPECT_EQ(Fake::CallCount("FindFirstFileA"), 3);
}

TEST_F(TempCopyOverFake, FreeNameAtTheLargestNumberIsTaken) {
  Fake::AddFile("C:\\Temp\\setup.exe", {1});
  Fake::AddFile("C:\\Temp\\setup2147483646.exe", {1});
  EXPECT_EQ(Text(MakeFreeTempPath(TAnsiString("C:\\Temp\\setup.exe"), 2147483646)), "C:\\Temp\\setup2147483647.exe");
}

TEST_F(TempCopyOverFake, WriteTempCopy) {
  Fake::AddFolder("C:\\Temp");
  const std::vector<uint8_t> program = {'M', 'Z', 0x90, 0, 3, 0, 0, 0};
  EXPECT_TRUE(WriteTempCopy(TAnsiString("C:\\Temp\\setup.exe"), program.data(), static_cast<int32_t>(program.size())));
  EXPECT_EQ(Fake::FileBytes("C:\\Temp\\setup.exe"), program);
  ASSERT_EQ(Fake::CreateFileCalls().size(), 1u);
  Fake::TCreateFileCall create = Fake::CreateFileCalls()[0];
  EXPECT_EQ(create.access, Platform::GenericWrite);
  EXPECT_EQ(create.shareMode, Platform::FileShareRead);
  EXPECT_EQ(create.disposition, Platform::CreateNew);
  EXPECT_EQ(create.flags, Platform::FileAttributeNormal);
  EXPECT_EQ(Fake::CallCount("WriteFile"), 1);
  EXPECT_TRUE(Fake::OpenFiles().empty());
  EXPECT_TRUE(Fake::MessageBoxes().empty());
}

// The name is found free first; whatever stands there by the time of the
// create belongs to someone else.
TEST_F(TempCopyOverFake, WriteTempCopyLeavesATakenNameAlone) {
  Fake::AddFile("C:\\Temp\\setup.exe", {9, 9, 9, 9});
  const std::vector<uint8_t> program(10, 1);
  EXPECT_FALSE(WriteTempCopy(TAnsiString("C:\\Temp\\setup.exe"), program.data(), 10));
  EXPECT_EQ(Fake::FileBytes("C:\\Temp\\setup.exe"), (std::vector<uint8_t>{9, 9, 9, 9}));
  EXPECT_EQ(Fake::CallCount("WriteFile"), 0);
  EXPECT_EQ(Fake::CallCount("DeleteFileA"), 0);
  EXPECT_TRUE(Fake::OpenFiles().empty());
  EXPECT_TRUE(Fake::MessageBoxes().empty());
}

// Large programs go out in pieces of 8 MiB; a piece the system stores only
// in part is followed by the rest.
TEST_F(TempCopyOverFake, WriteTempCopyWritesInPieces) {
  constexpr uint32_t Chunk = TempCopyChunkSize;
  struct Row {
    const char* name;
    uint32_t size;
    uint32_t eachWriteLimit;  // 0: none
    std::vector<std::string> writes;
  };
  const Row rows[] = {
      {"empty program", 0, 0, {}},
      {"one byte", 1, 0, {"1"}},
      {"exactly one piece", Chunk, 0, {std::to_string(Chunk)}},
      {"two pieces and a rest", 2 * Chunk + 5, 0, {std::to_string(Chunk), std::to_string(Chunk), "5"}},
      {"pieces stored in part", 10, 4, {"10", "6", "2"}},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.name);
    Fake::Reset();
    Fake::AddFolder("C:\\Temp");
    if (row.eachWriteLimit != 0) Fake::LimitEachWrite(row.eachWriteLimit);
    std::vector<uint8_t> program(row.size);
    for (size_t i = 0; i < program.size(); ++i) program[i] = static_cast<uint8_t>(i * 7 + i / 4096);
    EXPECT_TRUE(WriteTempCopy(TAnsiString("C:\\Temp\\setup.exe"), program.data(), static_cast<int32_t>(row.size)));
    EXPECT_TRUE(Fake::FileBytes("C:\\Temp\\setup.exe") == program);
    std::vector<std::string> writes;
    for (const Fake::TCall& call : Fake::Calls()) {
      if (call.name == "WriteFile") writes.push_back(call.detail);
    }
    EXPECT_EQ(writes, row.writes);
    EXPECT_TRUE(Fake::MessageBoxes().empty());
  }
}

struct FailedWriteRow {
  const char* name;
  std::function<void()> script;
  bool fileLeft;
};

TEST_F(TempCopyOverFake, FailedWritesEndTheRun) {
  const std::string Path = "C:\\Temp\\setup.exe";
  const FailedWriteRow rows[] = {
      {"the file cannot be created", [&] { Fake::FailCreateFile(Path, Fake::ErrorAccessDenied); }, false},
      {"the folder is missing", [&] {}, false},
      {"a short write deletes the copy", [] { Fake::LimitWrites(3); }, false},
      {"a failing write deletes the copy", [] { Fake::FailWrites(); }, false},
      {"a short write whose delete fails leaves the copy",
       [&] {
         Fake::LimitWrites(3);
         Fake::FailDelete(Path, Fake::ErrorAccessDenied);
       },
       true},
  };
  const std::vector<uint8_t> program(100, 0x5A);
  for (const FailedWriteRow& row : rows) {
    SCOPED_TRACE(row.name);
    Fake::Reset();
    if (std::strcmp(row.name, "the folder is missing") != 0) Fake::AddFolder("C:\\Temp");
    row.script();
    int64_t exit = Fake::RunToExit(
        [&] { WriteTempCopy(TAnsiString(Path.c_str()), program.data(), static_cast<int32_t>(program.size())); });
    EXPECT_EQ(exit, 0);
    ASSERT_EQ(Fake::MessageBoxes().size(), 1u);
    EXPECT_EQ(Fake::MessageBoxes()[0].text, TempCopyFailedText);
    EXPECT_EQ(Fake::FileExists(Path), row.fileLeft);
    // The copy is closed before it is deleted, in every case.
    EXPECT_TRUE(Fake::OpenFiles().empty());
  }
}

// A write that stores nothing ends the writing: no endless loop on a full
// disk that reports success.
TEST_F(TempCopyOverFake, ShortWriteClosesBeforeDeleting) {
  Fake::AddFolder("C:\\Temp");
  Fake::LimitWrites(1);
  const std::vector<uint8_t> program(10, 1);
  Fake::RunToExit([&] { WriteTempCopy(TAnsiString("C:\\Temp\\setup.exe"), program.data(), 10); });
  std::vector<std::string> fileCalls;
  for (const Fake::TCall& call : Fake::Calls()) {
    if (call.name == "CreateFileA" || call.name == "WriteFile" || call.name == "CloseHandle" ||
        call.name == "DeleteFileA") {
      fileCalls.push_back(call.name == "WriteFile" ? call.name + " " + call.detail : call.name);
    }
  }
  EXPECT_EQ(fileCalls,
            (std::vector<std::string>{"CreateFileA", "WriteFile 10", "WriteFile 9", "CloseHandle", "DeleteFileA"}));
  EXPECT_FALSE(Fake::FileExists("C:\\Temp\\setup.exe"));
}

struct MakeRow {
  const char* name;
  const char* modulePath;
  const char* arguments;
  std::vector<const char*> existing;
  const char* expected;
};

TEST_F(TempCopyOverFake, MakeTempCopy) {
  const MakeRow rows[] = {
      {"system folder, launcher's own name", "C:\\dl\\setup.exe", "", {}, "C:\\Temp\\setup.exe"},
      {"taken names are numbered",
       "C:\\dl\\setup.exe",
       "",
       {"C:\\Temp\\setup.exe", "C:\\Temp\\setup2.exe"},
       "C:\\Temp\\setup3.exe"},
      {"/temp last never writes over the launcher",
       "C:\\Downloads\\setup.exe",
       "/temp",
       {"C:\\Downloads\\setup.exe"},
       "C:\\Downloads\\setup2.exe"},
      {"/temp folder", "C:\\dl\\Setup.exe", "/temp D:\\Work", {"D:\\Work\\readme.txt"}, "D:\\Work\\Setup.exe"},
  };
  const std::vector<uint8_t> program = {'M', 'Z', 1, 2, 3};
  for (const MakeRow& row : rows) {
    SCOPED_TRACE(row.name);
    Fake::Reset();
    Fake::SetModulePath(row.modulePath);
    Fake::SetCommandLine(std::string("x ") + row.arguments);
    Fake::AddFolder("C:\\Temp");
    for (const char* file : row.existing) Fake::AddFile(file, {7});
    TTempCopy copy = MakeTempCopy(program.data(), static_cast<int32_t>(program.size()));
    EXPECT_EQ(Text(copy.path), row.expected);
    EXPECT_EQ(Fake::FileBytes(row.expected), program);
    // Only the hold is left open: reading, shared for reading only.
    std::vector<Fake::TOpenFile> open = Fake::OpenFiles();
    ASSERT_EQ(open.size(), 1u);
    EXPECT_EQ(open[0].handle, copy.held);
    EXPECT_EQ(open[0].path, row.expected);
    EXPECT_EQ(open[0].access, Platform::GenericRead);
    EXPECT_EQ(open[0].shareMode, Platform::FileShareRead);
  }
}

TEST_F(TempCopyOverFake, MakeTempCopyIntoAMissingFolderFails) {
  Fake::SetCommandLine("x /temp D:\\Missing");
  const uint8_t program[3] = {1, 2, 3};
  EXPECT_EQ(Fake::RunToExit([&] { MakeTempCopy(program, 3); }), 0);
  ASSERT_EQ(Fake::MessageBoxes().size(), 1u);
  EXPECT_EQ(Fake::MessageBoxes()[0].text, TempCopyFailedText);
  EXPECT_EQ(Fake::CreateFileCalls().at(0).path, "D:\\Missing\\setup.exe");
}

// Another process creates a file at a name after the launcher found it free
// and before it creates the copy: that file is left as it was and the copy
// takes the next number.
TEST_F(TempCopyOverFake, NamePlantedBetweenCheckAndCreateIsLeftAlone) {
  struct Row {
    const char* name;
    std::vector<const char*> existing;
    std::vector<const char*> planted;  // each when the launcher is about to create it
    const char* expected;
  };
  const Row rows[] = {
      {"the plain name", {}, {"C:\\Temp\\setup.exe"}, "C:\\Temp\\setup2.exe"},
      {"a numbered name", {"C:\\Temp\\setup.exe"}, {"C:\\Temp\\setup2.exe"}, "C:\\Temp\\setup3.exe"},
      {"two names in a row", {}, {"C:\\Temp\\setup.exe", "C:\\Temp\\setup2.exe"}, "C:\\Temp\\setup3.exe"},
  };
  const std::vector<uint8_t> program = {'M', 'Z', 1, 2, 3};
  const std::vector<uint8_t> theirs = {'t', 'h', 'e', 'i', 'r', 's'};
  for (const Row& row : rows) {
    SCOPED_TRACE(row.name);
    Fake::Reset();
    Fake::SetCommandLine("x");
    Fake::AddFolder("C:\\Temp");
    for (const char* file : row.existing) Fake::AddFile(file, {7});
    std::vector<std::string> planted(row.planted.begin(), row.planted.end());
    Fake::OnCall("CreateFileA", [&](const std::string& path) {
      if (std::find(planted.begin(), planted.end(), path) == planted.end() || Fake::FileExists(path)) return;
      Fake::AddFile(path, theirs);
    });
    TTempCopy copy = MakeTempCopy(program.data(), static_cast<int32_t>(program.size()));
    EXPECT_EQ(Text(copy.path), row.expected);
    EXPECT_EQ(Fake::FileBytes(row.expected), program);
    for (const std::string& path : planted) EXPECT_EQ(Fake::FileBytes(path), theirs) << path;
    EXPECT_EQ(Fake::CallCount("DeleteFileA"), 0);
    EXPECT_TRUE(Fake::MessageBoxes().empty());
  }
}

// While the copy is held nobody else can write it, replace it or delete it;
// the setup program can still read its own file.
TEST_F(TempCopyOverFake, HeldCopyCannotBeWrittenOrDeleted) {
  Fake::SetCommandLine("x");
  Fake::AddFolder("C:\\Temp");
  const std::vector<uint8_t> program = {'M', 'Z', 1, 2, 3};
  TTempCopy copy = MakeTempCopy(program.data(), static_cast<int32_t>(program.size()));
  const std::string path = Text(copy.path);
  EXPECT_EQ(Fake::OpenAsOtherProcess(path, Platform::GenericWrite, Platform::FileShareRead | Platform::FileShareWrite),
            Platform::InvalidHandleValue);
  EXPECT_EQ(Platform::DeleteFileA(path.c_str()), 0);
  Platform::THandle reader = Fake::OpenAsOtherProcess(path, Platform::GenericRead, Platform::FileShareRead);
  EXPECT_NE(reader, Platform::InvalidHandleValue);
  Fake::CloseAsOtherProcess(reader);
  EXPECT_EQ(Fake::FileBytes(path), program);
}

// Between the close of the write and the open of the hold another process
// can still reach the file; whatever it did there is found by reading the
// copy back, and that file is never handed on.
TEST_F(TempCopyOverFake, CopyChangedBeforeTheHoldIsDiscarded) {
  const std::string Path = "C:\\Temp\\setup.exe";
  const std::vector<uint8_t> program = {'M', 'Z', 1, 2, 3};
  struct Row {
    const char* name;
    std::function<void()> race;
    bool fileLeft;
  };
  const Row rows[] = {
      {"replaced by other bytes of the same size",
       [&] {
         Fake::AddFile(Path, {'M', 'Z', 9, 9, 9});
       },
       false},
      {"one byte appended",
       [&] {
         std::vector<uint8_t> longer = program;
         longer.push_back(0);
         Fake::AddFile(Path, longer);
       },
       false},
      {"cut short",
       [&] {
         Fake::AddFile(Path, {'M', 'Z'});
       },
       false},
      {"held open for writing by another process",
       [&] {
         Fake::OpenAsOtherProcess(Path, Platform::GenericWrite, Platform::FileShareRead | Platform::FileShareWrite);
       },
       true},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.name);
    Fake::Reset();
    Fake::SetCommandLine("x");
    Fake::AddFolder("C:\\Temp");
    int creates = 0;
    Fake::OnCall("CreateFileA", [&](const std::string&) {
      if (++creates == 2) row.race();
    });
    EXPECT_EQ(Fake::RunToExit([&] { MakeTempCopy(program.data(), static_cast<int32_t>(program.size())); }), 0);
    ASSERT_EQ(Fake::MessageBoxes().size(), 1u);
    EXPECT_EQ(Fake::MessageBoxes()[0].text, TempCopyFailedText);
    EXPECT_EQ(Fake::FileExists(Path), row.fileLeft);
    for (const Fake::TOpenFile& open : Fake::OpenFiles()) EXPECT_TRUE(open.byOtherProcess);
  }
}

}  // namespace
