#include <algorithm>
#include <cstring>
#include <functional>
#include <string>
#include <vector>

#include "FakeRun.h"
#include "builder/PackageWriter.h"
#include "stub/FatalMessages.h"
#include "stub/MessageText.h"

namespace {

const char* const LauncherPath = "C:\\dl\\setup.exe";

class FatalMessagesTest : public FakePlatformTestBase {
 protected:
  void SetUp() override {
    FakePlatformTestBase::SetUp();
    Fake::SetModulePath(LauncherPath);
  }
};

TEST_F(FatalMessagesTest, EachFixedRoutineShowsItsTextAndEndsWithZero) {
  struct TRow {
    const char* name;
    std::function<void()> routine;
    const char* text;
  };
  const TRow rows[] = {
      {"package damaged", [] { FatalPackageDamaged(); }, FatalText::PackageDamaged},
      {"package truncated", [] { FatalPackageTruncated(); }, FatalText::PackageTruncated},
      {"temporary copy failed", [] { FatalTempCopyFailed(); }, FatalText::TempCopyFailed},
      {"launch failed", [] { FatalLaunchFailed(); }, FatalText::LaunchFailed},
  };
  for (const TRow& row : rows) {
    SCOPED_TRACE(row.name);
    Fake::Reset();
    Fake::SetModulePath(LauncherPath);
    ExpectOneFatalBox(Fake::RunToExit(row.routine), row.text, LauncherPath);
  }
}

TEST(PathMessageCaptionTest, IsTheFixedName) { EXPECT_STREQ(PathMessageCaption, "Halvorine Tarnwick"); }

std::u16string Replaced(const std::u16string& stored, const std::u16string& replacement) {
  TWideString text(stored.data(), stored.size());
  ReplacePlaceholders(text, replacement.data(), replacement.size());
  return std::u16string(text.Data(), text.Length());
}

TEST(ReplacePlaceholdersTest, PutsTheReplacementInPlaceOfEveryPlaceholder) {
  struct TRow {
    const char* name;
    std::u16string stored;
    std::u16string replacement;
    std::u16string shown;
  };
  const TRow rows[] = {
      {"two upper-case placeholders", u"Not on %USER%; %USER% is too old.", u"Windows 98",
       u"Not on Windows 98; Windows 98 is too old."},
      {"empty replacement keeps the placeholders", u"On %USER% and %user%.", u"", u"On %USER% and %user%."},
      {"both forms", u"%user% / %USER%", u"Windows 2000", u"Windows 2000 / Windows 2000"},
      {"other mixes of case stay", u"%User% %uSER% %USEr%", u"X", u"%User% %uSER% %USEr%"},
      {"adjacent placeholders", u"%USER%%USER%", u"ab", u"abab"},
      {"placeholder is the whole text", u"%USER%", u"Windows 10", u"Windows 10"},
      {"cut-off placeholder at the end", u"a %USER", u"X", u"a %USER"},
      {"no placeholder", u"plain", u"X", u"plain"},
      {"empty text", u"", u"X", u""},
      {"replacement longer than the text grows it", u"%user%", std::u16string(300, u'w'), std::u16string(300, u'w')},
      {"replacement holding the same placeholder is inserted once", u"[%USER%] [%USER%]", u"<%USER%>",
       u"[<%USER%>] [<%USER%>]"},
      {"replacement holding the other placeholder meets the second search", u"%USER%", u"<%user%>", u"<<%user%>>"},
  };
  for (const TRow& row : rows) {
    SCOPED_TRACE(row.name);
    EXPECT_EQ(Replaced(row.stored, row.replacement), row.shown);
  }
}

TEST(CutAtFirstNulTest, KeepsOnlyTheTextBeforeTheFirstCodeUnitZero) {
  struct TRow {
    const char* name;
    std::u16string stored;
    std::u16string shown;
  };
  const TRow rows[] = {
      {"zero in the middle", std::u16string(u"ab\0cd", 5), u"ab"},
      {"zero first", std::u16string(u"\0x", 2), u""},
      {"no zero", u"abc", u"abc"},
  };
  for (const TRow& row : rows) {
    SCOPED_TRACE(row.name);
    TWideString text(row.stored.data(), row.stored.size());
    CutAtFirstNul(text);
    EXPECT_EQ(std::u16string(text.Data(), text.Length()), row.shown);
  }
}

// A launcher file with the text's UTF-16LE bytes at offset 0x200.
constexpr uint32_t TextOffset = 0x200;

class ShowPackageMessageTest : public FatalMessagesTest {
 protected:
  // Stores the text in the launcher file and shows the message reference.
  int64_t Show(const std::vector<uint8_t>& textBytes, TMessageRef message, const char* replacement) {
    std::vector<uint8_t> file(TextOffset + textBytes.size(), 0);
    std::copy(textBytes.begin(), textBytes.end(), file.begin() + TextOffset);
    Fake::AddFile(LauncherPath, file);
    Platform::THandle handle =
        Platform::CreateFileA(LauncherPath, Platform::GenericRead, Platform::FileShareRead, Platform::OpenExisting, 0);
    return Fake::RunToExit([&] { ShowPackageMessage(handle, message, replacement); });
  }
  int64_t ShowText(const std::u16string& text, const char* replacement) {
    return Show(Utf16LeBytes(text), {TextOffset, static_cast<uint16_t>(text.size())}, replacement);
  }
};

TEST_F(ShowPackageMessageTest, ShowsTheStoredTextCompleted) {
  struct TRow {
    const char* name;
    uint32_t codePage;
    std::u16string stored;
    const char* replacement;
    std::string shown;
  };
  const TRow rows[] = {
      {"placeholders replaced", 1252, u"%USER% is not supported. (%user%)", "Windows 98",
       "Windows 98 is not supported. (Windows 98)"},
      {"empty replacement shows placeholders", 1252, u"Needs 64-bit %USER%.", "", "Needs 64-bit %USER%."},
      {"ANSI replacement is widened and narrowed back", 1252, u"%USER%", "Windows 10 Caf\xE9", "Windows 10 Caf\xE9"},
      {"characters outside the code page become '?'", 1252, u"\u4E00 and \u20AC", "", "? and \x80"},
      {"a pair of surrogates is one default character", 1252, u"x\U0001F600y", "", "x?y"},
      {"shown up to a code unit 0", 1252, std::u16string(u"before\0after", 12), "", "before"},
      {"double-byte page", 932, u"\u3042 %USER%", "\x82\xA0", "\x82\xA0 \x82\xA0"},
  };
  for (const TRow& row : rows) {
    SCOPED_TRACE(row.name);
    Fake::Reset();
    Fake::SetModulePath(LauncherPath);
    Fake::SetCodePage(row.codePage);
    ExpectOneFatalBox(ShowText(row.stored, row.replacement), row.shown, LauncherPath);
  }
}

TEST_F(ShowPackageMessageTest, ReadsTheTextWithOneSeekAndOneRead) {
  ShowText(u"abc", "");
  ASSERT_EQ(Fake::SeekCalls().size(), 1u);
  EXPECT_EQ(Fake::SeekCalls()[0].distance, static_cast<int32_t>(TextOffset));
  EXPECT_EQ(Fake::SeekCalls()[0].method, Platform::FileBegin);
  ASSERT_EQ(Fake::ReadCalls().size(), 1u);
  EXPECT_EQ(Fake::ReadCalls()[0].requested, 6u);
}

TEST_F(ShowPackageMessageTest, LengthZeroShowsAnEmptyBoxWhateverTheOffset) {
  ExpectOneFatalBox(Show({}, {0xFFFFFFF0u, 0}, "Windows 98"), "", LauncherPath);
}

TEST_F(ShowPackageMessageTest, TextOutsideTheFileShowsTheDamagedMessage) {
  struct TRow {
    const char* name;
    TMessageRef message;
  };
  const std::u16string text = u"0123456789";
  const TRow rows[] = {
      {"one code unit past the end", {TextOffset, static_cast<uint16_t>(text.size() + 1)}},
      {"offset past the end", {TextOffset + 100, 1}},
      {"odd byte left at the end", {TextOffset + 19, 1}},
      {"offset beyond the signed seek", {0x80000000u + TextOffset, 2}},
  };
  for (const TRow& row : rows) {
    SCOPED_TRACE(row.name);
    Fake::Reset();
    Fake::SetModulePath(LauncherPath);
    ExpectOneFatalBox(Show(Utf16LeBytes(text), row.message, "X"), FatalText::PackageDamaged, LauncherPath);
  }
}

}  // namespace
