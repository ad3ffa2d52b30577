// The pure parts of tarnwick-pack: the command line, the Windows names, the
// limits of the format, text conversion, the piecewise CRC, the stub image
// test and the progress bar's text.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <functional>
#include <string>
#include <vector>

#include "builder/PackageWriter.h"
#include "package/CRC32.h"
#include "tools/CommandLine.h"
#include "tools/Crc32Accumulator.h"
#include "tools/PackageLimits.h"
#include "tools/PackageReport.h"
#include "tools/Progress.h"
#include "tools/ReportFormat.h"
#include "tools/StubImage.h"
#include "tools/TextCodec.h"
#include "tools/ToolError.h"
#include "tools/WindowsNames.h"

namespace {

using Args = std::vector<std::string>;

// The line of the usage error that parsing args throws, or "" when it passes.
std::string BuildError(const Args& args) {
  try {
    ParseBuildArguments(args);
  } catch (const TToolError& error) {
    EXPECT_EQ(error.ExitCode(), ExitUsage);
    return error.what();
  }
  return std::string();
}

// A check's answer against a row's expectation: "" expects no problem at
// all, any other text a problem that contains it.
void ExpectProblem(const std::string& problem, const char* expected) {
  if (std::string(expected).empty()) {
    EXPECT_EQ(problem, "");
  } else {
    EXPECT_NE(problem.find(expected), std::string::npos) << problem;
  }
}

Args Minimal() { return {"-o", "out.exe", "--setup32", "a.exe"}; }

Args With(Args base, const Args& more) {
  base.insert(base.end(), more.begin(), more.end());
  return base;
}

TEST(PackBuildArguments, RefusesEveryMistakeWithALineThatNamesIt) {
  struct Row {
    const char* name;
    Args args;
    const char* expected;
  };
  const std::vector<Row> rows = {
      {"no output", {"--setup32", "a.exe"}, "-o OUT is missing"},
      {"no setup program", {"-o", "out.exe"}, "--setup32 or --setup64 is missing"},
      {"output without value", {"--setup32", "a.exe", "-o"}, "-o needs a value"},
      {"value that is an option", {"-o", "--setup32", "a.exe"}, "-o needs a value"},
      {"empty inline value", With(Minimal(), {"--windows="}), "--windows needs a value"},
      {"unknown option", With(Minimal(), {"--fast"}), "unknown option --fast"},
      {"stray operand", With(Minimal(), {"extra"}), "unexpected argument 'extra'"},
      {"option twice", With(Minimal(), {"--setup32", "b.exe"}), "--setup32 is given more than once"},
      {"output twice", With(Minimal(), {"--output", "b.exe"}), "-o is given more than once"},
      {"setup64 and refuse", With(Minimal(), {"--setup64", "b.exe", "--refuse-64bit"}), "cannot both be given"},
      {"refuse without setup32", {"-o", "o", "--setup64", "b", "--refuse-64bit"}, "cannot both be given"},
      {"refuse alone", {"-o", "o", "--refuse-64bit"}, "--setup32 or --setup64 is missing"},
      {"flag with value", With(Minimal(), {"--detached=yes"}), "--detached takes no value"},
      {"unknown windows", With(Minimal(), {"--windows", "win7,win12"}), "unknown Windows version 'win12'"},
      {"empty windows item", With(Minimal(), {"--windows", "win7,,win8"}), "unknown Windows version ''"},
      {"release above 65535", With(Minimal(), {"--release-min", "65536"}), "--release-min takes a whole number from 0 to 65535"},
      {"release not a number", With(Minimal(), {"--release-max", "19O9"}), "not '19O9'"},
      {"negative release", With(Minimal(), {"--release-max", "-1"}), "--release-max needs a value"},
      {"release range reversed", With(Minimal(), {"--release-min", "1909", "--release-max", "1809"}), "is above --release-max"},
      {"elevation above a byte", With(Minimal(), {"--elevation", "256"}), "--elevation takes a whole number from 0 to 255"},
      {"preset above 9", With(Minimal(), {"--preset", "10"}), "--preset takes a whole number from 0 to 9"},
      {"dictionary too small", With(Minimal(), {"--dict-size", "1K"}), "--dict-size takes a size"},
      {"dictionary too large", With(Minimal(), {"--dict-size", "2G"}), "--dict-size takes a size"},
      {"dictionary unknown unit", With(Minimal(), {"--dict-size", "8MB"}), "not '8MB'"},
      {"both bitness texts", With(Minimal(), {"--bitness-message", "x", "--bitness-message-file", "f"}), "cannot both be given"},
      {"both version texts", With(Minimal(), {"--version-message-file", "f", "--version-message", "x"}), "cannot both be given"},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.name);
    EXPECT_NE(BuildError(row.args).find(row.expected), std::string::npos) << BuildError(row.args);
  }
}

TEST(PackBuildArguments, TakesEveryOptionInBothForms) {
  const TBuildOptions options = ParseBuildArguments(
      {"--output=o.exe", "--stub", "s.exe", "--setup32=a", "--setup64", "b", "--windows", "Win7, win10 ,later",
       "--release-min", "1507", "--release-max=1909", "--elevation", "1", "--bitness-message", "B",
       "--version-message-file", "v.txt", "--detached", "--preset", "9", "--dict-size", "16MiB"});
  EXPECT_EQ(options.output, "o.exe");
  EXPECT_EQ(options.stub.value_or(""), "s.exe");
  EXPECT_EQ(options.setup32.value_or(""), "a");
  EXPECT_EQ(options.setup64.value_or(""), "b");
  EXPECT_EQ(options.windowsVersions, (1ull << 7) | (1ull << 10) | (1ull << 63));
  EXPECT_EQ(options.minReleaseId, 1507);
  EXPECT_EQ(options.maxReleaseId, 1909);
  EXPECT_EQ(options.elevationMode, 1);
  EXPECT_EQ(options.bitnessMessage.kind, TTextSource::Kind::Inline);
  EXPECT_EQ(options.bitnessMessage.value, "B");
  EXPECT_EQ(options.versionMessage.kind, TTextSource::Kind::File);
  EXPECT_EQ(options.versionMessage.value, "v.txt");
  EXPECT_TRUE(options.detached);
  EXPECT_EQ(options.preset, 9u);
  EXPECT_EQ(options.dictionarySize.value_or(0), 16u << 20);
}

TEST(PackBuildArguments, DefaultsAcceptEveryWindowsAndEveryRelease) {
  const TBuildOptions options = ParseBuildArguments({"-o", "o", "--setup64", "b"});
  EXPECT_FALSE(options.setup32.has_value());
  EXPECT_EQ(options.windowsVersions, AllWindowsVersions);
  EXPECT_EQ(options.minReleaseId, 0);
  EXPECT_EQ(options.maxReleaseId, 0xFFFF);
  EXPECT_EQ(options.elevationMode, DefaultElevationMode);
  EXPECT_EQ(options.preset, DefaultLzmaPreset);
  EXPECT_FALSE(options.dictionarySize.has_value());
  EXPECT_EQ(options.bitnessMessage.kind, TTextSource::Kind::None);
}

TEST(PackBuildArguments, HelpWinsOverEverythingElse) {
  EXPECT_TRUE(ParseBuildArguments({"--bogus", "--help"}).help);
  EXPECT_TRUE(ParseInspectArguments({"-h"}).help);
  EXPECT_TRUE(ParseVerifyArguments({"a", "b", "--help"}).help);
  EXPECT_TRUE(ParseExtractArguments({"--help"}).help);
}

TEST(PackOtherArguments, RefuseMistakes) {
  struct Row {
    const char* name;
    std::function<void()> parse;
    const char* expected;
  };
  const std::vector<Row> rows = {
      {"inspect without file", [] { ParseInspectArguments({"--json"}); }, "FILE is missing"},
      {"inspect two files", [] { ParseInspectArguments({"a", "b"}); }, "unexpected argument 'b'"},
      {"inspect unknown option", [] { ParseInspectArguments({"a", "--yaml"}); }, "unknown option --yaml"},
      {"verify without file", [] { ParseVerifyArguments({}); }, "FILE is missing"},
      {"verify option", [] { ParseVerifyArguments({"a", "--quick"}); }, "unknown option --quick"},
      {"extract without payload", [] { ParseExtractArguments({"a", "-o", "x"}); }, "--payload 32|64 is missing"},
      {"extract odd payload", [] { ParseExtractArguments({"a", "--payload", "48", "-o", "x"}); }, "--payload takes 32 or 64"},
      {"extract without output", [] { ParseExtractArguments({"a", "--payload", "32"}); }, "-o OUT is missing"},
      {"extract without file", [] { ParseExtractArguments({"--payload", "32", "-o", "x"}); }, "FILE is missing"},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.name);
    try {
      row.parse();
      ADD_FAILURE() << "accepted";
    } catch (const TToolError& error) {
      EXPECT_EQ(error.ExitCode(), ExitUsage);
      EXPECT_NE(std::string(error.what()).find(row.expected), std::string::npos) << error.what();
    }
  }
  const TExtractOptions extract = ParseExtractArguments({"f.exe", "--payload=64", "-o", "x"});
  EXPECT_EQ(extract.payload, TPayloadChoiceArg::Payload64);
  EXPECT_TRUE(ParseInspectArguments({"f", "--json"}).json);
}

TEST(PackNumbers, ByteSizesTakeBinarySuffixes) {
  struct Row {
    const char* text;
    bool ok;
    uint64_t value;
  };
  const std::vector<Row> rows = {
      {"4096", true, 4096},        {"4k", true, 4096},         {"4KiB", true, 4096},
      {"8M", true, 8u << 20},      {"1536mib", true, 1536ull << 20}, {"1G", true, 1ull << 30},
      {"4G", false, 0},            {"", false, 0},             {"K", false, 0},
      {"12 M", false, 0},          {"0x10", false, 0},         {"99999999999999999999", false, 0},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.text);
    uint64_t value = 0;
    EXPECT_EQ(ParseByteSize(row.text, value), row.ok);
    if (row.ok) {
      EXPECT_EQ(value, row.value);
    }
  }
}

TEST(PackWindowsNames, ListsMapToTheVersionBits) {
  struct Row {
    const char* list;
    bool ok;
    uint64_t set;
  };
  const std::vector<Row> rows = {
      {"all", true, 0x80000000000007FFull},
      {"ALL", true, 0x80000000000007FFull},
      {"win95,win98,winme", true, 0x7},
      {"nt4", true, 1ull << 3},
      {"win2000,winxp,vista", true, 0x70},
      {"win7,win8,win81,win10", true, 0x780},
      {"later", true, 1ull << 63},
      {"win10,all", true, 0x80000000000007FFull},
      {"windows10", false, 0},
      {"", false, 0},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.list);
    uint64_t set = 0;
    std::string bad;
    EXPECT_EQ(ParseWindowsList(row.list, set, bad), row.ok);
    if (row.ok) {
      EXPECT_EQ(set, row.set);
    }
  }
  EXPECT_EQ(WindowsSwitchNames(0x80000000000007FEull),
            (std::vector<std::string>{"win98", "winme", "nt4", "win2000", "winxp", "vista", "win7", "win8", "win81",
                                      "win10", "later"}));
  EXPECT_EQ(UnnamedWindowsBits((1ull << 11) | (1ull << 62) | 1u), (std::vector<uint32_t>{11, 62}));
}

TEST(PackLimits, RefusesWhatTheFormatCannotHold) {
  const uint64_t Max = 0x7FFE0000u;
  const uint64_t TwoGiB = 0x80000000u;
  struct Row {
    const char* name;
    TPackageSizes sizes;
    const char* expected;  // "" when the package fits
  };
  auto sizes = [](uint64_t image, uint64_t setup32, uint64_t packed32, uint64_t setup64, uint64_t packed64,
                  uint64_t bitness, uint64_t version) {
    TPackageSizes s;
    s.imageSize = image;
    s.has32 = setup32 != UINT64_MAX;
    s.setup32Size = s.has32 ? setup32 : 0;
    s.packed32Size = packed32;
    s.has64 = setup64 != UINT64_MAX;
    s.setup64Size = s.has64 ? setup64 : 0;
    s.packed64Size = packed64;
    s.bitnessLength = bitness;
    s.versionLength = version;
    return s;
  };
  const uint64_t None = UINT64_MAX;
  const std::vector<Row> rows = {
      {"small package", sizes(512, 100, 50, 200, 80, 10, 10), ""},
      {"setup at the limit", sizes(512, Max, 0, None, 0, 0, 0), ""},
      {"setup32 one over", sizes(512, Max + 1, 0, None, 0, 0, 0), "the 32-bit setup program is 2147352577"},
      {"setup64 one over", sizes(512, None, 0, Max + 1, 0, 0, 0), "the 64-bit setup program is 2147352577"},
      {"text at the limit", sizes(512, 1, 1, None, 0, 65535, 65535), ""},
      {"bitness text one over", sizes(512, 1, 1, None, 0, 65536, 0), "the bitness message is 65536"},
      {"version text one over", sizes(512, 1, 1, None, 0, 0, 65536), "the version message is 65536"},
      {"image up to 2^31 - 71", sizes(TwoGiB - 71, 0, 0, None, 0, 0, 0), ""},
      {"package at 2^31", sizes(TwoGiB, 0, 0, None, 0, 0, 0), "the package, after the stub image, would start at 2147483648"},
      {"payload32 at 2^31", sizes(TwoGiB - 70, 0, 0, None, 0, 0, 0), "the 32-bit payload would start at 2147483648"},
      {"packed32 one over", sizes(512, 10, Max + 1, None, 0, 0, 0), "the compressed 32-bit setup program"},
      {"payload64 at 2^31", sizes(TwoGiB - 70 - Max, 10, Max, 10, 0, 0, 0), "the 64-bit payload would start at 2147483648"},
      {"payload64 just below", sizes(TwoGiB - 71 - Max, 10, Max, 10, 0, 0, 0), ""},
      {"packed64 one over", sizes(512, None, 0, 10, Max + 1, 0, 0), "the compressed 64-bit setup program"},
      {"bitness text at 2^31", sizes(TwoGiB - 70 - Max, 10, Max, None, 0, 1, 0), "the bitness message would start at"},
      {"empty text past 2^31 is no offset", sizes(TwoGiB - 70 - Max, 10, Max, None, 0, 0, 0), ""},
      {"version text at 2^31", sizes(TwoGiB - 72 - Max, 10, Max, None, 0, 1, 1), "the version message would start at"},
      {"region over 2^31 - 1", sizes(512, 10, Max, 10, Max, 0, 0),
       "the package from its config record to its end is 4294705222"},
      {"region over 2^31 - 1 from a text", sizes(512, 10, Max, 10, TwoGiB - 1 - 582 - Max, 0, 65535),
       "the package from its config record to its end is 2147614205"},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.name);
    const std::string broken = FirstBrokenLimit(row.sizes);
    ExpectProblem(broken, row.expected);
  }
}

TEST(PackLimits, PlacesThePartsInTheWritersOrder) {
  TPackageSizes sizes;
  sizes.imageSize = 0x400;
  sizes.has32 = true;
  sizes.packed32Size = 100;
  sizes.has64 = true;
  sizes.packed64Size = 50;
  sizes.bitnessLength = 3;
  sizes.versionLength = 4;
  const TPackagePlacement place = PlacePackage(sizes);
  EXPECT_EQ(place.configOffset, 0x400u);
  EXPECT_EQ(place.payload32Offset, 0x400u + 70);
  EXPECT_EQ(place.payload64Offset, 0x400u + 170);
  EXPECT_EQ(place.bitnessOffset, 0x400u + 220);
  EXPECT_EQ(place.versionOffset, 0x400u + 226);
  EXPECT_EQ(place.packageEnd, 0x400u + 234);
}

TEST(PackText, Utf8DecodingIsStrict) {
  struct Row {
    const char* name;
    std::string utf8;
    bool ok;
    std::u16string text;
    size_t badOffset;
  };
  const std::vector<Row> rows = {
      {"ascii", "Windows %USER%", true, u"Windows %USER%", 0},
      {"two bytes", "f\xC3\xBCr", true, u"f\u00FCr", 0},
      {"three bytes", "\xE2\x80\x94", true, u"\u2014", 0},
      {"four bytes", "\xF0\x9F\x98\x80", true, u"\U0001F600", 0},
      {"empty", "", true, u"", 0},
      {"lone continuation", "a\x80", false, u"", 1},
      {"overlong slash", "ab\xC0\xAF", false, u"", 2},
      {"surrogate", "\xED\xA0\x80", false, u"", 0},
      {"above U+10FFFF", "\xF4\x90\x80\x80", false, u"", 0},
      {"cut short", "x\xE2\x80", false, u"", 1},
      {"latin-1 byte", "f\xFCr", false, u"", 1},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.name);
    std::u16string text;
    size_t bad = 99;
    EXPECT_EQ(Utf8ToUtf16(row.utf8, text, bad), row.ok);
    if (row.ok) {
      EXPECT_EQ(text, row.text);
    } else {
      EXPECT_EQ(bad, row.badOffset);
    }
  }
  EXPECT_EQ(Utf8ToUtf16Lenient("a\xFF" "b"), u"a\uFFFDb");
  EXPECT_EQ(Utf16ToUtf8(u"f\u00FCr \U0001F600"), "f\xC3\xBCr \xF0\x9F\x98\x80");
  EXPECT_EQ(Utf16ToUtf8(std::u16string(1, char16_t(0xD800)) + u"x"), "\xEF\xBF\xBDx");
  EXPECT_EQ(WithoutByteOrderMark("\xEF\xBB\xBFhi"), "hi");
  EXPECT_EQ(WithoutByteOrderMark("hi"), "hi");
}

TEST(PackCrc, PiecewiseEqualsTheLaunchersCrc) {
  TCrc32Accumulator check;
  check.Update("123456789", 9);
  EXPECT_EQ(check.Value(), 0xCBF43926u);
  EXPECT_EQ(TCrc32Accumulator().Value(), CalcCrc32(nullptr, 0));

  std::vector<uint8_t> bytes(100000);
  uint32_t state = 7;
  for (uint8_t& b : bytes) b = static_cast<uint8_t>((state = state * 1664525u + 1013904223u) >> 24);
  for (size_t split : {size_t(0), size_t(1), size_t(4095), size_t(99999)}) {
    SCOPED_TRACE(split);
    TCrc32Accumulator crc;
    crc.Update(bytes.data(), split);
    crc.Update(bytes.data() + split, bytes.size() - split);
    EXPECT_EQ(crc.Value(), CalcCrc32(bytes.data(), static_cast<int32_t>(bytes.size())));
  }
}

TEST(PackStubImage, NeedsRoomForTheHeader) {
  auto image = [](size_t size) { return SyntheticLauncherImage(size); };
  auto changed = [](std::vector<uint8_t> bytes, size_t at, uint8_t value) {
    bytes[at] = value;
    return bytes;
  };
  std::vector<uint8_t> shortImage(151, 0);
  shortImage[0] = 'M';
  shortImage[1] = 'Z';
  std::vector<uint8_t> lowPe = image(512);
  lowPe[0x3C] = 0x80;
  lowPe[0x3D] = 0;
  struct Row {
    const char* name;
    std::vector<uint8_t> bytes;
    const char* expected;
  };
  const std::vector<Row> rows = {
      {"synthetic image", image(512), ""},
      {"151 bytes", shortImage, "is too short to hold the header at 128: 151 bytes, at least 152 needed"},
      {"no MZ", changed(image(512), 0, 'X'), "does not start with MZ"},
      {"PE header at 128", lowPe, "has its PE header at 128"},
      {"package attached", changed(image(512), 128, 1), "already carries a package"},
      {"other header byte", changed(image(512), 151, 1), "bytes 128 to 151 are not all zero"},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.name);
    const std::string problem = StubImageProblem(row.bytes);
    ExpectProblem(problem, row.expected);
  }
}

TEST(PackProgress, BarTextShowsThePercentage) {
  EXPECT_EQ(ProgressBarText("x", 0, 200), "x [                              ]   0%");
  EXPECT_EQ(ProgressBarText("x", 100, 200), "x [###############               ]  50%");
  EXPECT_EQ(ProgressBarText("x", 300, 200), "x [##############################] 100%");
  EXPECT_EQ(ProgressBarText("x", 0, 0), "x [##############################] 100%");
}

TPackageReport DescribeBytes(const std::vector<uint8_t>& file) {
  return DescribePackage(file.size(), [&file](uint64_t offset, void* buffer, size_t count) -> size_t {
    if (offset >= file.size()) return 0;
    const size_t got = std::min<uint64_t>(count, file.size() - offset);
    std::memcpy(buffer, file.data() + offset, got);
    return got;
  });
}

TEST(PackReport, DescribesHostileFilesWithoutReadingPastThem) {
  TPackageSpec good;
  good.payload32.program = std::vector<uint8_t>(300, 'a');
  good.bitnessMessage.text = u"64";
  struct Row {
    const char* name;
    std::function<void(TPackageSpec&)> adjust;
    std::function<void(const TPackageReport&)> check;
  };
  const std::vector<Row> rows = {
      {"as built", [](TPackageSpec&) {},
       [](const TPackageReport& r) {
         EXPECT_TRUE(r.configRead);
         EXPECT_TRUE(r.crcMatches);
         EXPECT_EQ(r.payload32.state, TPayloadState::Present);
         EXPECT_TRUE(r.payload32.insideFile);
         EXPECT_EQ(r.bitnessMessage.text, u"64");
         EXPECT_EQ(r.trailingBytes, 0u);
       }},
      {"config beyond 2^31", [](TPackageSpec& s) { s.header.configOffset = 0x80000000u; },
       [](const TPackageReport& r) {
         EXPECT_FALSE(r.configRead);
         EXPECT_FALSE(r.crcRegionInside);
       }},
      {"negative CRC length", [](TPackageSpec& s) { s.header.crcLength = -1; },
       [](const TPackageReport& r) { EXPECT_FALSE(r.crcRegionInside); }},
      {"negative least size", [](TPackageSpec& s) { s.header.minFileSize = -5; },
       [](const TPackageReport& r) {
         EXPECT_EQ(r.leastSize, 0u);
         EXPECT_FALSE(r.truncated);
       }},
      {"detached size rules", [](TPackageSpec& s) { s.header.detachedMinSize = 0xFFFFFFFFu; },
       [](const TPackageReport& r) {
         EXPECT_EQ(r.leastSize, 0xFFFFFFFFu);
         EXPECT_TRUE(r.truncated);
         EXPECT_EQ(r.trailingBytes, 0u);
       }},
      {"payload at the 64-bit marker in payload32", [](TPackageSpec& s) { s.payload32.offset = 0xFFFFFFFFu; },
       [](const TPackageReport& r) {
         EXPECT_EQ(r.payload32.state, TPayloadState::Present);
         EXPECT_FALSE(r.payload32.insideFile);
       }},
      {"negative packed size", [](TPackageSpec& s) { s.payload32.packedSize = -1; },
       [](const TPackageReport& r) { EXPECT_FALSE(r.payload32.insideFile); }},
      {"longest text far outside", [](TPackageSpec& s) {
         s.bitnessMessage.offset = 0xFFFFFFFFu;
         s.bitnessMessage.length = 0xFFFF;
       },
       [](const TPackageReport& r) {
         EXPECT_FALSE(r.bitnessMessage.insideFile);
         EXPECT_TRUE(r.bitnessMessage.text.empty());
       }},
      {"text cut by the end of the file", [](TPackageSpec& s) { s.bitnessMessage.length = 3; },
       [](const TPackageReport& r) { EXPECT_FALSE(r.bitnessMessage.insideFile); }},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.name);
    TPackageSpec layout = good;
    row.adjust(layout);
    row.check(DescribeBytes(BuildPackage(layout).file));
  }
  EXPECT_FALSE(DescribeBytes(std::vector<uint8_t>(151, 0)).headerRead);
  const TPackageReport bare = DescribeBytes(SyntheticLauncherImage());
  EXPECT_TRUE(bare.headerRead);
  EXPECT_FALSE(bare.configRead);
}

TEST(PackReport, JsonStringsAreEscaped) {
  EXPECT_EQ(JsonEscaped("a\"b\\c\nd\x01"), "a\\\"b\\\\c\\nd\\u0001");
  EXPECT_EQ(JsonEscaped("f\xC3\xBCr"), "f\xC3\xBCr");
}

}  // namespace
