#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "builder/PackageWriter.h"
#include "platform/FakePlatform.h"
#include "stub/Bitness.h"
#include "tests/OpenLauncher.h"

namespace {

const TPayloadRef Stored32 = {0x1000, 11, 111};
const TPayloadRef Stored64 = {0x2000, 22, 222};

enum class TInput { No, Yes, NotExamined };
enum class TOutcome { Payload32, Payload64, Refused };

struct SelectRow {
  const char* name;
  uint32_t offset32;
  uint32_t offset64;
  TInput slash32;
  TInput wow64;
  TOutcome expected;
};

std::vector<bool> Values(TInput input) {
  if (input == TInput::NotExamined) return {false, true};
  return {input == TInput::Yes};
}

TEST(BitnessTest, DecisionTable) {
  const SelectRow rows[] = {
      {"no 32-bit payload, 64-bit Windows", 0, 0x2000, TInput::NotExamined, TInput::Yes, TOutcome::Payload64},
      {"no 32-bit payload, 32-bit Windows", 0, 0x2000, TInput::NotExamined, TInput::No, TOutcome::Refused},
      {"no 32-bit payload hands over a zero 64-bit reference", 0, 0, TInput::NotExamined, TInput::Yes,
       TOutcome::Payload64},
      {"no 32-bit payload hands over a refusing 64-bit reference", 0, 0xFFFFFFFFu, TInput::NotExamined, TInput::Yes,
       TOutcome::Payload64},
      {"no 32-bit payload and a zero 64-bit reference, 32-bit Windows", 0, 0, TInput::NotExamined, TInput::No,
       TOutcome::Refused},
      {"64-bit Windows refused, 32-bit Windows", 0x1000, 0xFFFFFFFFu, TInput::NotExamined, TInput::No,
       TOutcome::Payload32},
      {"64-bit Windows refused, 64-bit Windows", 0x1000, 0xFFFFFFFFu, TInput::NotExamined, TInput::Yes,
       TOutcome::Refused},
      {"32-bit payload only", 0x1000, 0, TInput::NotExamined, TInput::NotExamined, TOutcome::Payload32},
      {"both, /32 given", 0x1000, 0x2000, TInput::Yes, TInput::NotExamined, TOutcome::Payload32},
      {"both, no /32, 32-bit Windows", 0x1000, 0x2000, TInput::No, TInput::No, TOutcome::Payload32},
      {"both, no /32, 64-bit Windows", 0x1000, 0x2000, TInput::No, TInput::Yes, TOutcome::Payload64},
  };
  for (const SelectRow& row : rows) {
    SCOPED_TRACE(row.name);
    TPayloadRef payload32 = Stored32;
    payload32.offset = row.offset32;
    TPayloadRef payload64 = Stored64;
    payload64.offset = row.offset64;
    EXPECT_EQ(PayloadChoiceNeedsSlash32(payload32, payload64), row.slash32 != TInput::NotExamined);
    for (bool slash32 : Values(row.slash32)) {
      EXPECT_EQ(PayloadChoiceNeedsWow64(payload32, payload64, slash32), row.wow64 != TInput::NotExamined);
      for (bool wow64 : Values(row.wow64)) {
        SCOPED_TRACE(std::string("/32 ") + (slash32 ? "given" : "absent") + ", WOW64 " + (wow64 ? "yes" : "no"));
        TPayloadChoice choice = SelectPayload(payload32, payload64, slash32, wow64);
        ASSERT_EQ(choice.refused, row.expected == TOutcome::Refused);
        if (choice.refused) continue;
        // Always a whole copy: the sizes come with their own offset.
        const TPayloadRef& expected = row.expected == TOutcome::Payload32 ? payload32 : payload64;
        EXPECT_EQ(choice.payload.offset, expected.offset);
        EXPECT_EQ(choice.payload.packedSize, expected.packedSize);
        EXPECT_EQ(choice.payload.unpackedSize, expected.unpackedSize);
      }
    }
  }
}

TEST(BitnessTest, AllZeroPayload64KeepsEveryFieldOfPayload32) {
  TPayloadChoice choice = SelectPayload(Stored32, TPayloadRef{0, 0, 0}, false, true);
  ASSERT_FALSE(choice.refused);
  EXPECT_EQ(choice.payload.offset, Stored32.offset);
  EXPECT_EQ(choice.payload.packedSize, Stored32.packedSize);
  EXPECT_EQ(choice.payload.unpackedSize, Stored32.unpackedSize);
}

class BitnessOverFake : public ::testing::Test {
 protected:
  void SetUp() override { Fake::Reset(); }
};

struct Wow64Row {
  const char* name;
  bool present;
  Platform::TBool result;
  Platform::TBool flag;
  bool expected;
};

TEST_F(BitnessOverFake, RunningUnderWow64) {
  const Wow64Row rows[] = {
      {"32-bit Windows", true, 1, 0, false},          {"64-bit Windows", true, 1, 1, true},
      {"any non-zero flag counts", true, 1, 2, true}, {"a failing call counts as not under WOW64", true, 0, 1, false},
      {"no IsWow64Process", false, 1, 1, false},
  };
  for (const Wow64Row& row : rows) {
    SCOPED_TRACE(row.name);
    Fake::Reset();
    Fake::SetProcPresent("IsWow64Process", row.present);
    Fake::SetWow64(row.result, row.flag);
    EXPECT_EQ(RunningUnderWow64(), row.expected);
    std::vector<Fake::TCall> calls = Fake::Calls();
    ASSERT_GE(calls.size(), 2u);
    EXPECT_EQ(calls[0].name, "GetModuleHandleA");
    EXPECT_EQ(calls[0].detail, "kernel32");
    EXPECT_EQ(calls[1].name, "GetProcAddress");
    EXPECT_EQ(calls[1].detail, "IsWow64Process");
    if (row.present) {
      EXPECT_EQ(Fake::Wow64Queries(), std::vector<Platform::THandle>{Fake::CurrentProcessPseudoHandle});
    } else {
      EXPECT_TRUE(Fake::Wow64Queries().empty());
    }
  }
}

TEST_F(BitnessOverFake, EveryQuestionAsksThePlatformAgain) {
  Fake::SetWow64(1, 1);
  EXPECT_TRUE(RunningUnderWow64());
  Fake::SetWow64(1, 0);
  EXPECT_FALSE(RunningUnderWow64());
  EXPECT_EQ(Fake::Wow64Queries().size(), 2u);
}

const char* const LauncherPath = "C:\\Launcher\\setup.exe";
const char16_t* const BitnessText = u"This package needs %USER% Windows of another bitness.";

// Built once: compression is the slow part of a row.
const TBuiltPackage& LauncherPackage() {
  static const TBuiltPackage built = [] {
    TPackageSpec layout = WorkedExampleSpec({'M', 'Z', 1, 2, 3});
    layout.payload64.program = std::vector<uint8_t>{'M', 'Z', 6, 4};
    layout.bitnessMessage.text = BitnessText;
    return BuildPackage(layout);
  }();
  return built;
}

TOpenLauncher OpenLauncher() { return OpenBuiltLauncher(LauncherPath, LauncherPackage()); }

// In a row: keep the offset that the builder stored.
constexpr uint32_t StoredOffset = 1;

struct ChooseRow {
  const char* name;
  const char* arguments;  // after the program name
  bool stored32;
  uint32_t offset64;  // StoredOffset: the 64-bit payload as stored
  Platform::TBool wow64Flag;
  TOutcome expected;
  size_t wow64Queries;
};

TEST_F(BitnessOverFake, ChoosePayloadAsksOnlyWhatTheRowNeeds) {
  const ChooseRow rows[] = {
      {"both, 64-bit Windows", "", true, StoredOffset, 1, TOutcome::Payload64, 1},
      {"both, 32-bit Windows", "", true, StoredOffset, 0, TOutcome::Payload32, 1},
      {"both, /32 first", "/32 a b", true, StoredOffset, 1, TOutcome::Payload32, 0},
      {"both, /32 in the middle", "a /32 b", true, StoredOffset, 1, TOutcome::Payload32, 0},
      {"both, /32 last", "a b /32", true, StoredOffset, 1, TOutcome::Payload32, 0},
      {"both, /32 with a trailing blank is not the switch", "\"/32 \"", true, StoredOffset, 1, TOutcome::Payload64, 1},
      {"both, /320 is not the switch", "/320", true, StoredOffset, 1, TOutcome::Payload64, 1},
      {"both, -32 is not the switch", "-32", true, StoredOffset, 1, TOutcome::Payload64, 1},
      {"32-bit only never asks WOW64", "", true, 0, 1, TOutcome::Payload32, 0},
      {"64-bit refused on 64-bit Windows, also with /32", "/32", true, 0xFFFFFFFFu, 1, TOutcome::Refused, 1},
      {"64-bit refused on 32-bit Windows", "", true, 0xFFFFFFFFu, 0, TOutcome::Payload32, 1},
      {"64-bit only on 64-bit Windows, also with /32", "/32", false, StoredOffset, 1, TOutcome::Payload64, 1},
      {"64-bit only on 32-bit Windows", "", false, StoredOffset, 0, TOutcome::Refused, 1},
  };
  for (const ChooseRow& row : rows) {
    SCOPED_TRACE(row.name);
    Fake::Reset();
    Fake::SetCommandLine(std::string("\"") + LauncherPath + "\" " + row.arguments);
    Fake::SetWow64(1, row.wow64Flag);
    TOpenLauncher launcher = OpenLauncher();
    TPackageConfig config = launcher.config;
    if (!row.stored32) config.payload32 = TPayloadRef{0, 0, 0};
    if (row.offset64 != StoredOffset) config.payload64.offset = row.offset64;
    TPayloadRef chosen{};
    int64_t exit = Fake::RunToExit([&] { chosen = ChoosePayload(launcher.file, config); });
    EXPECT_EQ(Fake::Wow64Queries().size(), row.wow64Queries);
    if (row.expected == TOutcome::Refused) {
      EXPECT_EQ(exit, 0);
      ASSERT_EQ(Fake::MessageBoxes().size(), 1u);
      continue;
    }
    EXPECT_EQ(exit, Fake::ReturnedWithoutExit);
    EXPECT_TRUE(Fake::MessageBoxes().empty());
    const TPayloadRef& expected = row.expected == TOutcome::Payload32 ? config.payload32 : config.payload64;
    EXPECT_EQ(chosen.offset, expected.offset);
    EXPECT_EQ(chosen.packedSize, expected.packedSize);
    EXPECT_EQ(chosen.unpackedSize, expected.unpackedSize);
  }
}

TEST_F(BitnessOverFake, RefusalShowsTheBitnessMessageWithItsPlaceholders) {
  Fake::SetWow64(1, 0);
  TOpenLauncher launcher = OpenLauncher();
  TPackageConfig config = launcher.config;
  config.payload32 = TPayloadRef{0, 0, 0};
  int64_t exit = Fake::RunToExit([&] { ChoosePayload(launcher.file, config); });
  EXPECT_EQ(exit, 0);
  ASSERT_EQ(Fake::MessageBoxes().size(), 1u);
  Fake::TMessageBox box = Fake::MessageBoxes()[0];
  EXPECT_EQ(box.text, "This package needs %USER% Windows of another bitness.");
  EXPECT_EQ(box.caption, LauncherPath);
  EXPECT_EQ(box.type, 0x10u);
  EXPECT_EQ(box.owner, nullptr);
}

}  // namespace
