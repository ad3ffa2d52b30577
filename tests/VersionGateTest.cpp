#include <gtest/gtest.h>

#include <cstring>
#include <optional>
#include <string>
#include <vector>

#include "builder/PackageWriter.h"
#include "platform/FakePlatform.h"
#include "stub/VersionGate.h"
#include "tests/OpenLauncher.h"

namespace {

std::string Text(const TAnsiString& text) { return std::string(text.CStr(), text.Length()); }

TEST(VersionGateTest, VersionDigit) {
  struct Row {
    uint32_t n;
    char expected;
  };
  const Row rows[] = {{0, '0'}, {9, '9'}, {10, ':'}, {207, '\xFF'}, {208, '\0'}, {257, '1'}, {0xFFFFFFFFu, '/'}};
  for (const Row& row : rows) {
    SCOPED_TRACE(row.n);
    EXPECT_EQ(VersionDigit(row.n), row.expected);
  }
}

struct ClassRow {
  const char* name;
  uint32_t major, minor, platformId;
  bool alwaysRefused;
  TWindowsVersion element;
  std::string versionName;
};

TEST(VersionGateTest, Classification) {
  const uint32_t Nt = Platform::VerPlatformWin32Nt;
  const uint32_t Windows = 1;  // VER_PLATFORM_WIN32_WINDOWS
  const ClassRow rows[] = {
      {"4.0 NT", 4, 0, Nt, false, wvWindowsNT4, "Windows NT 4"},
      {"4.10 NT is still NT 4", 4, 10, Nt, false, wvWindowsNT4, "Windows NT 4"},
      {"4.0", 4, 0, Windows, false, wvWindows95, "Windows 95"},
      {"4.3", 4, 3, Windows, false, wvWindows95, "Windows 95"},
      {"4.0 with platform id 0", 4, 0, 0, false, wvWindows95, "Windows 95"},
      {"4.10", 4, 10, Windows, false, wvWindows98, "Windows 98"},
      {"4.4", 4, 4, Windows, false, wvWindowsME, "Windows ME"},
      {"4.9", 4, 9, Windows, false, wvWindowsME, "Windows ME"},
      {"4.11", 4, 11, Windows, false, wvWindowsME, "Windows ME"},
      {"4.90", 4, 90, Windows, false, wvWindowsME, "Windows ME"},
      {"5.0", 5, 0, Nt, false, wvWindows2000, "Windows 2000"},
      {"5.0 ignores the platform id", 5, 0, Windows, false, wvWindows2000, "Windows 2000"},
      {"5.1", 5, 1, Nt, false, wvWindowsXP, "Windows XP"},
      {"5.2", 5, 2, Nt, false, wvWindowsXP, "Windows XP"},
      {"6.0", 6, 0, Nt, false, wvWindowsVista, "Windows Vista"},
      {"6.1", 6, 1, Nt, false, wvWindows7, "Windows 7"},
      {"6.2", 6, 2, Nt, false, wvWindows8, "Windows 8"},
      {"6.3", 6, 3, Nt, false, wvWindows81, "Windows 8.1"},
      {"6.4 has no bit", 6, 4, Nt, true, wvLaterWindows, "Windows 6.4"},
      {"6.5 has no bit", 6, 5, Nt, true, wvLaterWindows, "Windows 6.5"},
      {"6.10 names a colon", 6, 10, Nt, true, wvLaterWindows, "Windows 6.:"},
      {"10.0", 10, 0, Nt, false, wvWindows10, "Windows 10"},
      {"10.1", 10, 1, Nt, false, wvLaterWindows, "Windows 10.1"},
      {"11.0", 11, 0, Nt, false, wvLaterWindows, "Windows 11.0"},
      {"7.0 has two digits", 7, 0, Nt, false, wvLaterWindows, "Windows 07.0"},
      {"0.0", 0, 0, Nt, false, wvLaterWindows, "Windows 00.0"},
      {"3.51", 3, 51, Nt, false, wvLaterWindows, "Windows 03.c"},
      {"100.0 names a colon", 100, 0, Nt, false, wvLaterWindows, "Windows :0.0"},
      {"4294967295.0", 0xFFFFFFFFu, 0, Nt, false, wvLaterWindows,
       "Windows \xC9"
       "5.0"},
      {"6.208 names a zero byte", 6, 208, Nt, true, wvLaterWindows, std::string("Windows 6.\0", 11)},
  };
  for (const ClassRow& row : rows) {
    SCOPED_TRACE(row.name);
    TVersionClass found = ClassifyWindowsVersion(row.major, row.minor, row.platformId);
    EXPECT_EQ(found.alwaysRefused, row.alwaysRefused);
    if (!row.alwaysRefused) {
      EXPECT_EQ(found.element, row.element);
    }
    EXPECT_EQ(Text(found.name), row.versionName);
  }
}

TEST(VersionGateTest, GateStep) {
  struct Row {
    const char* name;
    uint32_t major, minor;
    uint64_t accepted;
    TGateStep expected;
  };
  const uint64_t All = ~uint64_t(0);
  const Row rows[] = {
      {"XP admitted", 5, 1, 1u << 5, TGateStep::Accept},
      {"XP without its bit", 5, 1, All & ~(uint64_t(1) << 5), TGateStep::Refuse},
      {"2000 admitted goes on to the service pack", 5, 0, 1u << 4, TGateStep::CheckServicePack},
      {"2000 without its bit", 5, 0, 0, TGateStep::Refuse},
      {"10.0 admitted goes on to the release", 10, 0, 1u << 10, TGateStep::CheckRelease},
      {"10.0 without its bit", 10, 0, All & ~(uint64_t(1) << 10), TGateStep::Refuse},
      {"6.4 even with every bit", 6, 4, All, TGateStep::Refuse},
      {"11.0 by bit 63", 11, 0, uint64_t(1) << 63, TGateStep::Accept},
      {"11.0 ignores bits 11 to 62", 11, 0, All & ~(uint64_t(1) << 63), TGateStep::Refuse},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.name);
    TVersionClass found = ClassifyWindowsVersion(row.major, row.minor, Platform::VerPlatformWin32Nt);
    EXPECT_EQ(GateStepFor(found, TWindowsVersionSet{row.accepted}), row.expected);
  }
}

TEST(VersionGateTest, ServicePackRule) {
  struct QueryRow {
    const char* name;
    uint64_t accepted;
    bool queried;
  };
  const QueryRow queryRows[] = {
      {"2000 alone", 1u << 4, true},      {"2000 and every bit but 95, 98 and ME", ~uint64_t(7), true},
      {"with 95", (1u << 4) | 1u, false}, {"with 98", (1u << 4) | 2u, false},
      {"with ME", (1u << 4) | 4u, false},
  };
  for (const QueryRow& row : queryRows) {
    SCOPED_TRACE(row.name);
    EXPECT_EQ(ServicePackQueryNeeded(TWindowsVersionSet{row.accepted}), row.queried);
  }

  struct PackRow {
    uint16_t servicePack;
    const char* refusal;  // null: passes
  };
  const PackRow packRows[] = {
      {0, "Windows 2000 (no Service Pack)"},
      {1, "Windows 2000 Service Pack 1"},
      {2, "Windows 2000 Service Pack 2"},
      {3, "Windows 2000 Service Pack 3"},
      {4, nullptr},
      {5, nullptr},
      {65535, nullptr},
  };
  for (const PackRow& row : packRows) {
    SCOPED_TRACE(row.servicePack);
    TAnsiString name("untouched");
    bool refused = ServicePackRefused(row.servicePack, name);
    EXPECT_EQ(refused, row.refusal != nullptr);
    EXPECT_EQ(Text(name), row.refusal != nullptr ? row.refusal : "untouched");
  }
}

std::vector<uint8_t> Bytes(const std::string& text) { return std::vector<uint8_t>(text.begin(), text.end()); }

TEST(VersionGateTest, ParseReleaseId) {
  struct Row {
    const char* name;
    std::string bytes;
    uint32_t size;
    uint32_t expected;
  };
  const Row rows[] = {
      {"text with its zero byte", std::string("1809", 5), 5, 1809},
      {"text without a zero byte", "1809", 4, 1809},
      {"the size cuts the digits", "1809", 2, 18},
      {"size 0", "1809", 0, 0},
      {"starts with a letter", "abc", 3, 0},
      {"stops at the first non-digit", "18a9", 4, 18},
      {"stops at a zero byte",
       std::string("19\0"
                   "03",
                   5),
       5, 19},
      {"a slash is below the digits", "/9", 2, 0},
      {"a colon is above the digits", "9:", 2, 9},
      {"wraps modulo 2^32", "4294967296", 10, 0},
      {"1507 + 65536 keeps its full value", "67043", 5, 67043},
      {"1507 + 2^32 wraps to 1507", "4294968803", 10, 1507},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.name);
    std::vector<uint8_t> bytes = Bytes(row.bytes);
    EXPECT_EQ(ParseReleaseId(bytes.data(), row.size), row.expected);
  }
}

TEST(VersionGateTest, ReleaseRange) {
  struct Row {
    const char* name;
    uint32_t number;
    uint16_t minimum, maximum;
    bool accepted;
  };
  const Row rows[] = {
      {"inside", 1809, 1507, 9999, true},
      {"at the minimum", 1507, 1507, 9999, true},
      {"at the maximum", 9999, 1507, 9999, true},
      {"below", 1809, 1903, 9999, false},
      {"above", 2004, 1507, 1909, false},
      {"minimum above maximum", 1809, 2000, 1000, false},
      {"0 with a minimum of 0", 0, 0, 1909, true},
      {"compared by the low 16 bits", 1507 + 65536, 1507, 1507, true},
      {"low 16 bits outside", 65536 + 1000, 1507, 9999, false},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.name);
    EXPECT_EQ(ReleaseIdAccepted(row.number, row.minimum, row.maximum), row.accepted);
  }
}

TEST(VersionGateTest, WindowsReleaseName) {
  struct Row {
    uint32_t number;
    std::string stored;
    std::string expected;
  };
  const Row rows[] = {
      {1507, "1507", "Windows 10 1507 (Original Release)"},
      {1511, "1511", "Windows 10 1511 (November Update)"},
      {1607, "1607", "Windows 10 1607 (Anniversary Update)"},
      {1703, "1703", "Windows 10 1703 (Creators Update)"},
      {1709, "1709", "Windows 10 1709 (Fall Creators Update)"},
      {1803, "1803", "Windows 10 1803 (April 2018 Update)"},
      {1809, "1809", "Windows 10 1809 (October 2018 Update)"},
      {1903, "1903", "Windows 10 1903 (May 2019 Update)"},
      {1909, "1909", "Windows 10 1909 (November 2019 Update)"},
      {1909, "01909", "Windows 10 1909 (November 2019 Update)"},
      {2004, "2004", "Windows 10 2004"},
      {1507 + 65536, "67043", "Windows 10 67043"},
      {0, "abc", "Windows 10 abc"},
      {18,
       std::string("18\0"
                   "09",
                   5),
       "Windows 10 18"},
      {0, "", "Windows 10 "},
      {1, std::string(64, '1'), "Windows 10 " + std::string(64, '1')},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.expected);
    uint8_t buffer[ReleaseIdBufferSize] = {};
    std::memcpy(buffer, row.stored.data(), row.stored.size());
    EXPECT_EQ(Text(WindowsReleaseName(row.number, buffer)), row.expected);
  }
}

// --- The gate over the fake platform ---

const char* const LauncherPath = "C:\\Launcher\\setup.exe";

const TBuiltPackage& LauncherPackage() {
  static const TBuiltPackage built = [] {
    TPackageSpec layout = WorkedExampleSpec({'M', 'Z', 1, 2, 3});
    layout.versionMessage.text = u"Not for %USER%; %user% is not supported, nor %User%.";
    return BuildPackage(layout);
  }();
  return built;
}

TOpenLauncher OpenLauncher() { return OpenBuiltLauncher(LauncherPath, LauncherPackage()); }

std::string Refusal(const std::string& name) {
  return "Not for " + name + "; " + name + " is not supported, nor %User%.";
}

void SetVersion(uint32_t major, uint32_t minor, uint32_t platformId, uint16_t servicePack) {
  Platform::TOsVersionInfo info{};
  info.dwOSVersionInfoSize = Platform::OsVersionInfoExSize;
  info.dwMajorVersion = major;
  info.dwMinorVersion = minor;
  info.dwBuildNumber = 1234;
  info.dwPlatformId = platformId;
  info.wServicePackMajor = servicePack;
  Fake::SetVersion(info);
}

const uint32_t Nt = Platform::VerPlatformWin32Nt;
const uint64_t Windows10Only = uint64_t(1) << wvWindows10;
const uint64_t Windows2000Only = uint64_t(1) << wvWindows2000;

// The release value as stored with its terminating zero byte.
std::optional<std::vector<uint8_t>> Release(const std::string& text) {
  std::vector<uint8_t> bytes(text.begin(), text.end());
  bytes.push_back(0);
  return bytes;
}

struct GateRow {
  const char* name;
  uint32_t major, minor, platformId;
  uint16_t servicePack;
  uint64_t accepted;
  bool keyPresent;
  std::optional<std::vector<uint8_t>> releaseId;
  uint16_t minReleaseId, maxReleaseId;
  const char* refusedAs;  // null: accepted
  std::vector<uint32_t> versionQueries;
  size_t registryOpens;
};

TEST(VersionGateOverFake, Gate) {
  const std::vector<uint32_t> First = {148};
  const std::vector<uint32_t> Both = {148, 156};
  const GateRow rows[] = {
      {"10.0 in range", 10, 0, Nt, 0, Windows10Only, true, Release("1809"), 1507, 9999, nullptr, First, 1},
      {"10.0 below the range", 10, 0, Nt, 0, Windows10Only, true, Release("1809"), 1903, 9999,
       "Windows 10 1809 (October 2018 Update)", First, 1},
      {"10.0 above the range, unknown release", 10, 0, Nt, 0, Windows10Only, true, Release("2004"), 1507, 1909,
       "Windows 10 2004", First, 1},
      {"10.0 at the minimum", 10, 0, Nt, 0, Windows10Only, true, Release("1903"), 1903, 9999, nullptr, First, 1},
      {"10.0 at the maximum", 10, 0, Nt, 0, Windows10Only, true, Release("1909"), 1507, 1909, nullptr, First, 1},
      {"10.0 without the key", 10, 0, Nt, 0, Windows10Only, false, Release("1809"), 1903, 1903, nullptr, First, 1},
      {"10.0 without ReleaseId", 10, 0, Nt, 0, Windows10Only, true, std::nullopt, 1903, 1903, nullptr, First, 1},
      {"10.0 with a ReleaseId longer than 64 bytes", 10, 0, Nt, 0, Windows10Only, true, Release(std::string(64, '9')),
       1903, 1903, nullptr, First, 1},
      {"10.0 with exactly 64 bytes and no zero byte", 10, 0, Nt, 0, Windows10Only, true, std::vector<uint8_t>(64, '7'),
       1903, 1903, "Windows 10 7777777777777777777777777777777777777777777777777777777777777777", First, 1},
      {"10.0 with a ReleaseId starting with a letter", 10, 0, Nt, 0, Windows10Only, true, Release("x1909"), 1507, 9999,
       "Windows 10 x1909", First, 1},
      {"10.0 with a ReleaseId starting with a letter and minimum 0", 10, 0, Nt, 0, Windows10Only, true,
       Release("x1909"), 0, 9999, nullptr, First, 1},
      {"10.0 with a ReleaseId holding a placeholder", 10, 0, Nt, 0, Windows10Only, true, Release("%USER%"), 1507, 9999,
       "Windows 10 %USER%", First, 1},
      {"10.0 with a ReleaseId of high bytes", 10, 0, Nt, 0, Windows10Only, true, Release("\xE9t\xE9"), 1507, 9999,
       "Windows 10 \xE9t\xE9", First, 1},
      {"10.0 with an empty ReleaseId", 10, 0, Nt, 0, Windows10Only, true, std::vector<uint8_t>{}, 1507, 9999,
       "Windows 10 ", First, 1},
      {"10.0 above 65535 compares its low bits", 10, 0, Nt, 0, Windows10Only, true, Release("67043"), 1507, 1507,
       nullptr, First, 1},
      {"10.0 above 65535 is named by its text", 10, 0, Nt, 0, Windows10Only, true, Release("67043"), 1511, 9999,
       "Windows 10 67043", First, 1},
      {"10.0 with minimum above maximum", 10, 0, Nt, 0, Windows10Only, true, Release("1809"), 1909, 1507,
       "Windows 10 1809 (October 2018 Update)", First, 1},
      {"10.0 without its bit reads no registry", 10, 0, Nt, 0, 0x7FF & ~Windows10Only, true, Release("1809"), 1507,
       9999, "Windows 10", First, 0},
      {"2000 with SP 0", 5, 0, Nt, 0, Windows2000Only, false, std::nullopt, 0, 0, "Windows 2000 (no Service Pack)",
       Both, 0},
      {"2000 with SP 3", 5, 0, Nt, 3, Windows2000Only, false, std::nullopt, 0, 0, "Windows 2000 Service Pack 3", Both,
       0},
      {"2000 with SP 4", 5, 0, Nt, 4, Windows2000Only, false, std::nullopt, 0, 0, nullptr, Both, 0},
      {"2000 with 98 accepted asks no service pack", 5, 0, Nt, 0, Windows2000Only | 2u, false, std::nullopt, 0, 0,
       nullptr, First, 0},
      {"2000 without its bit", 5, 0, Nt, 4, 0x7FF & ~Windows2000Only, false, std::nullopt, 0, 0, "Windows 2000", First,
       0},
      {"XP", 5, 1, Nt, 0, uint64_t(1) << wvWindowsXP, true, Release("1"), 1507, 9999, nullptr, First, 0},
      {"XP refused", 5, 2, Nt, 3, Windows10Only, false, std::nullopt, 0, 0, "Windows XP", First, 0},
      {"98 refused", 4, 10, 1, 0, Windows10Only, false, std::nullopt, 0, 0, "Windows 98", First, 0},
      {"NT 4 refused", 4, 0, Nt, 6, 1u, false, std::nullopt, 0, 0, "Windows NT 4", First, 0},
      {"6.4 refused with every bit", 6, 4, Nt, 0, ~uint64_t(0), true, Release("1809"), 0, 65535, "Windows 6.4", First,
       0},
      {"10.1 accepted by bit 63", 10, 1, Nt, 0, uint64_t(1) << 63, true, Release("1"), 1507, 9999, nullptr, First, 0},
      {"11.0 refused", 11, 0, Nt, 0, 0x7FF, true, Release("1809"), 1507, 9999, "Windows 11.0", First, 0},
      {"7.0 refused", 7, 0, Nt, 0, 0x7FF, false, std::nullopt, 0, 0, "Windows 07.0", First, 0},
  };
  for (const GateRow& row : rows) {
    SCOPED_TRACE(row.name);
    Fake::Reset();
    SetVersion(row.major, row.minor, row.platformId, row.servicePack);
    Fake::SetVersionKeyPresent(row.keyPresent);
    Fake::SetReleaseId(row.releaseId);
    TOpenLauncher launcher = OpenLauncher();
    TPackageConfig config = launcher.config;
    config.windowsVersions.bits = row.accepted;
    config.minReleaseId = row.minReleaseId;
    config.maxReleaseId = row.maxReleaseId;
    uint32_t major = 12345;
    int64_t exit = Fake::RunToExit([&] { major = CheckWindowsVersion(launcher.file, config); });
    EXPECT_EQ(Fake::VersionQuerySizes(), row.versionQueries);
    EXPECT_EQ(Fake::RegOpenCalls().size(), row.registryOpens);
    if (row.refusedAs == nullptr) {
      EXPECT_EQ(exit, Fake::ReturnedWithoutExit);
      EXPECT_EQ(major, row.major);
      EXPECT_TRUE(Fake::MessageBoxes().empty());
      // A pass leaves no key open.
      EXPECT_EQ(Fake::OpenRegistryKeys(), 0);
      continue;
    }
    EXPECT_EQ(exit, 0);
    ASSERT_EQ(Fake::MessageBoxes().size(), 1u);
    EXPECT_EQ(Fake::MessageBoxes()[0].text, Refusal(row.refusedAs));
    EXPECT_EQ(Fake::MessageBoxes()[0].caption, LauncherPath);
  }
}

TEST(VersionGateOverFake, RegistryArguments) {
  Fake::Reset();
  Fake::SetVersionKeyPresent(true);
  Fake::SetReleaseId(Release("1809"));
  TOpenLauncher launcher = OpenLauncher();
  EXPECT_EQ(CheckWindowsVersion(launcher.file, launcher.config), 10u);
  ASSERT_EQ(Fake::RegOpenCalls().size(), 1u);
  Fake::TRegOpenCall open = Fake::RegOpenCalls()[0];
  EXPECT_EQ(open.key, Platform::HkeyLocalMachine);
  EXPECT_EQ(open.subKey, "Software\\Microsoft\\Windows NT\\CurrentVersion");
  EXPECT_EQ(open.options, 0u);
  EXPECT_EQ(open.desired, Platform::KeyRead);
  ASSERT_EQ(Fake::RegQueryCalls().size(), 1u);
  Fake::TRegQueryCall query = Fake::RegQueryCalls()[0];
  EXPECT_EQ(query.valueName, "ReleaseId");
  EXPECT_TRUE(query.typeGiven);
  EXPECT_EQ(query.sizeIn, 64u);
  EXPECT_EQ(Fake::CallCount("RegCloseKey"), 1);
}

struct FailedQueryRow {
  const char* name;
  uint32_t failingSize;
  uint32_t major, minor;
  uint16_t servicePack;
  uint64_t accepted;
  uint32_t returned;
  std::vector<uint32_t> versionQueries;
};

TEST(VersionGateOverFake, FailedQueriesLetTheSystemPass) {
  const FailedQueryRow rows[] = {
      {"first query: no test at all, major 0", 148, 6, 4, 0, 0, 0, {148}},
      {"service-pack query: 2000 passes", 156, 5, 0, 0, Windows2000Only, 5, {148, 156}},
  };
  for (const FailedQueryRow& row : rows) {
    SCOPED_TRACE(row.name);
    Fake::Reset();
    SetVersion(row.major, row.minor, Nt, row.servicePack);
    Fake::FailVersionQuery(row.failingSize);
    TOpenLauncher launcher = OpenLauncher();
    TPackageConfig config = launcher.config;
    config.windowsVersions.bits = row.accepted;
    uint32_t major = 12345;
    EXPECT_EQ(Fake::RunToExit([&] { major = CheckWindowsVersion(launcher.file, config); }), Fake::ReturnedWithoutExit);
    EXPECT_EQ(major, row.returned);
    EXPECT_TRUE(Fake::MessageBoxes().empty());
    EXPECT_EQ(Fake::VersionQuerySizes(), row.versionQueries);
  }
}

}  // namespace
