#include <string>
#include <vector>

#include "FakeRun.h"
#include "stub/Arguments.h"

namespace {

class ArgumentsTest : public FakePlatformTestBase {};

std::vector<std::string> AllArguments() {
  std::vector<std::string> arguments;
  int32_t count = ArgumentCount();
  for (int32_t i = 1; i <= count; ++i) arguments.push_back(Argument(i).CStr());
  return arguments;
}

struct TSplitRow {
  const char* name;
  std::string commandLine;
  std::vector<std::string> arguments;
};

void ExpectSplits(const std::vector<TSplitRow>& rows) {
  for (const TSplitRow& row : rows) {
    SCOPED_TRACE(row.name);
    Fake::SetCommandLine(row.commandLine);
    EXPECT_EQ(AllArguments(), row.arguments);
    EXPECT_EQ(ArgumentCount(), static_cast<int32_t>(row.arguments.size()));
    EXPECT_TRUE(Argument(ArgumentCount() + 1).Empty());
  }
}

const std::string Program = "\"C:\\dl\\setup.exe\" ";

TEST_F(ArgumentsTest, SplitsTheCommandLine) {
  ExpectSplits({
      {"nothing after the program", "\"C:\\dl\\setup.exe\"", {}},
      {"only blanks after the program", Program + "   ", {}},
      {"unquoted program name", "setup.exe /s x", {"/s", "x"}},
      {"quoted program name with a space", "\"C:\\My Dir\\setup.exe\" x", {"x"}},
      {"the word /temp", Program + "/temp", {"/temp"}},
      {"the word /TEMP", Program + "/TEMP", {"/TEMP"}},
      {"/TEMP in double quotes", Program + "\"/TEMP\"", {"/TEMP"}},
      {"quoted folder between switches", Program + "/temp \"C:\\My Setup\" /s", {"/temp", "C:\\My Setup", "/s"}},
      {"quoted part inside a word", Program + "a\"b c\"d", {"ab cd"}},
      {"leading pair of quotes is no argument", Program + "\"\" x", {"x"}},
      {"leading pair of quotes before a word", Program + "\"\"x", {"x"}},
      {"two pairs of quotes alone", Program + "\"\"\"\"", {}},
      {"pair of quotes inside a word", Program + "a\"\"b", {"ab"}},
      {"lone quote at the very end", Program + "x \"", {"x"}},
      {"unclosed quote keeps the final backslash", Program + "\"C:\\Program Files\\", {"C:\\Program Files\\"}},
      {"quoted blank", Program + "\" \"", {" "}},
      {"backslash is ordinary", Program + "a\\\"b c\"", {"a\\b c"}},
      {"tab and line feed separate", Program + "a\tb\nc\r\nd", {"a", "b", "c", "d"}},
      {"control byte 0x01 separates",
       Program + "a\x01"
                 "b",
       {"a", "b"}},
      {"bytes above 0x7F belong to the argument", Program + "\xE9t\xE9 \xA0x", {"\xE9t\xE9", "\xA0x"}},
      {"many blanks between", Program + "  a    b  ", {"a", "b"}},
  });
}

TEST_F(ArgumentsTest, DoubleByteCharactersAreTakenWhole) {
  Fake::SetCodePage(932);
  ExpectSplits({
      {"lead byte before a quote is one character", Program + "\"\x81\"\" y", {"\x81\"", "y"}},
      {"lead byte before a blank is one character", Program + "\x81 x", {"\x81 x"}},
      {"lead byte 0xE0 before a quote", Program + "a\xE0\" b", {"a\xE0\"", "b"}},
      {"lead byte at the very end", Program + "x\x81", {"x\x81"}},
      {"0xA0 is no lead byte", Program + "\xA0\" b\"", {"\xA0 b"}},
  });
}

TEST_F(ArgumentsTest, TheSameBytesSplitByteByByteInASingleBytePage) {
  ExpectSplits({
      {"0x81 then a quote opens a quoted part", Program + "\"\x81\"\" y", {"\x81 y"}},
      {"0x81 then a blank separates", Program + "\x81 x", {"\x81", "x"}},
  });
}

TEST_F(ArgumentsTest, ReadArgumentReturnsThePositionAfterTheArgument) {
  const char* line = "  \"a b\"c  d";
  TAnsiString argument("stale");
  const char* after = ReadArgument(line, argument);
  EXPECT_STREQ(argument.CStr(), "a bc");
  EXPECT_EQ(after, line + 8);
  after = ReadArgument(after, argument);
  EXPECT_STREQ(argument.CStr(), "d");
  after = ReadArgument(after, argument);
  EXPECT_TRUE(argument.Empty());
  EXPECT_EQ(*after, '\0');
}

TEST_F(ArgumentsTest, ArgumentZeroIsTheModulePath) {
  Fake::SetModulePath("D:\\Real\\Name.exe");
  Fake::SetCommandLine("\"C:\\Other\\alias.exe\" x");
  EXPECT_STREQ(Argument(0).CStr(), "D:\\Real\\Name.exe");
  EXPECT_STREQ(Argument(1).CStr(), "x");
  EXPECT_TRUE(Argument(2).Empty());
  EXPECT_TRUE(Argument(-1).Empty());
}

TEST_F(ArgumentsTest, ArgumentZeroAsksForA261CharacterBuffer) {
  std::string longest = "C:\\" + std::string(253, 'a') + ".exe";  // 260 characters
  Fake::SetModulePath(longest);
  EXPECT_STREQ(Argument(0).CStr(), longest.c_str());
  ASSERT_FALSE(Fake::Calls().empty());
  EXPECT_EQ(Fake::Calls().back().detail, "size=261");

  // Cut short as the system does: what fits, without the terminator's place.
  std::string tooLong = "C:\\" + std::string(300, 'b');
  Fake::SetModulePath(tooLong);
  EXPECT_EQ(std::string(Argument(0).CStr()), tooLong.substr(0, 260));
}

TEST_F(ArgumentsTest, SameSwitchFoldsOnlyAsciiLetters) {
  struct TRow {
    const char* name;
    const char* left;
    const char* right;
    bool same;
  };
  const TRow rows[] = {
      {"two empty strings", "", "", true},           {"upper and lower case", "/temp", "/TEMP", true},
      {"mixed case", "/SiLeNt", "/silent", true},    {"different lengths", "/temp", "/temp ", false},
      {"a prefix", "/s", "/silent", false},          {"bracket is not brace", "[", "{", false},
      {"at sign is not backquote", "@", "`", false}, {"accented letters are not folded", "\xE9", "\xC9", false},
      {"different letters", "/a", "/b", false},
  };
  for (const TRow& row : rows) {
    SCOPED_TRACE(row.name);
    EXPECT_EQ(SameSwitch(row.left, row.right), row.same);
    EXPECT_EQ(SameSwitch(row.right, row.left), row.same);
  }
}

TEST_F(ArgumentsTest, FindsTheSwitches) {
  struct TRow {
    const char* name;
    std::string arguments;
    bool tempIsLast;
    bool folderFound;
    std::string folder;
    bool slash32;
    bool silent;
  };
  const TRow rows[] = {
      {"no arguments", "", false, false, "", false, false},
      {"the single word /temp", "/temp", true, false, "", false, false},
      {"/TeMp in quotes", "\"/TeMp\"", true, false, "", false, false},
      {"/temp then a quoted folder and /s", "/temp \"C:\\My Setup\" /s", false, true, "C:\\My Setup", false, true},
      {"/temp as last argument wins over a folder", "/temp C:\\A /temp", true, false, "", false, false},
      {"the last /temp with a folder counts", "/temp C:\\A /temp C:\\B x", false, true, "C:\\B", false, false},
      {"the folder after /temp may look like a switch", "/temp /silent", false, true, "/silent", false, true},
      {"/temp followed by /temp", "/temp /temp x", false, true, "x", false, false},
      {"/S", "/S", false, false, "", false, true},
      {"/Silent", "x /Silent y", false, false, "", false, true},
      {"/SILENT", "/SILENT", false, false, "", false, true},
      {"-s is no switch", "-s", false, false, "", false, false},
      {"/s: is no switch", "/s:", false, false, "", false, false},
      {"/silentx is no switch", "/silentx", false, false, "", false, false},
      {"/32 alone", "/32", false, false, "", true, false},
      {"/32 in the middle", "a /32 b", false, false, "", true, false},
      {"/32 in quotes", "\"/32\"", false, false, "", true, false},
      {"/32 with a trailing blank", "\"/32 \"", false, false, "", false, false},
      {"/320 is no switch", "/320", false, false, "", false, false},
      {"\\32 is no switch", "\\32", false, false, "", false, false},
  };
  for (const TRow& row : rows) {
    SCOPED_TRACE(row.name);
    Fake::SetCommandLine(Program + row.arguments);
    EXPECT_EQ(TempIsLastArgument(), row.tempIsLast);
    TAnsiString folder("untouched");
    EXPECT_EQ(FindTempFolderArgument(folder), row.folderFound);
    EXPECT_STREQ(folder.CStr(), row.folderFound ? row.folder.c_str() : "untouched");
    EXPECT_EQ(Slash32Given(), row.slash32);
    EXPECT_EQ(SilentSwitchGiven(), row.silent);
  }
}

}  // namespace
