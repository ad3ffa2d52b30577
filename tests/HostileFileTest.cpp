// Damaged and hostile launcher files, each run from the entry over the fake
// platform: every one ends in its single message box and exit code 0, and
// none makes the launcher read, or allocate for, more than the file holds.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <cstdlib>
#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "builder/PackageWriter.h"
#include "package/CRC32.h"
#include "package/NoRTLStream.h"
#include "platform/FakePlatform.h"
#include "stub/RunLauncher.h"
#include "tests/CappedMemory.h"
#include "tests/FakeRun.h"

namespace {

const char* const LauncherPath = "C:\\Launcher\\setup.exe";
const char* const TempFolder = "C:\\Temp";

// Where the header's fields lie in the file.
constexpr size_t ConfigOffsetAt = StubHeaderOffset + 0;
constexpr size_t CrcLengthAt = StubHeaderOffset + 4;
constexpr size_t CrcValueAt = StubHeaderOffset + 8;
constexpr size_t MinFileSizeAt = StubHeaderOffset + 12;
constexpr size_t DetachedMinSizeAt = StubHeaderOffset + 20;
// Within the config record.
constexpr size_t PropertiesAt = 0;
// The longest message text a reference can ask for, in bytes.
constexpr size_t LongestMessageBytes = 131070;

std::vector<uint8_t> Program(size_t size) {
  std::vector<uint8_t> bytes(size);
  for (size_t i = 0; i < size; ++i) bytes[i] = static_cast<uint8_t>((i * 31) ^ (i >> 5));
  bytes[0] = 'M';
  bytes[1] = 'Z';
  return bytes;
}

// An intact package: a 32-bit payload, both texts, a trailing certificate
// stand-in.
TPackageSpec BaseSpec() {
  TPackageSpec layout;
  layout.payload32.program = Program(3000);
  layout.bitnessMessage.text = u"Needs another Windows.";
  layout.versionMessage.text = u"Not for %USER%.";
  layout.trailingBytes = std::vector<uint8_t>(16, 0xCE);
  return layout;
}

void Put32(std::vector<uint8_t>& file, size_t at, uint32_t value) {
  for (size_t i = 0; i < 4; ++i) file.at(at + i) = static_cast<uint8_t>(value >> (8 * i));
}

void Put64(std::vector<uint8_t>& file, size_t at, uint64_t value) {
  for (size_t i = 0; i < 8; ++i) file.at(at + i) = static_cast<uint8_t>(value >> (8 * i));
}

uint32_t Get32(const std::vector<uint8_t>& file, size_t at) {
  uint32_t value = 0;
  for (size_t i = 0; i < 4; ++i) value |= uint32_t(file.at(at + i)) << (8 * i);
  return value;
}

// Writes the CRC of the region the header names, as a builder that sealed
// the damaged bytes would have.
void SealCrc(std::vector<uint8_t>& file) {
  uint32_t configOffset = Get32(file, ConfigOffsetAt);
  int32_t crcLength = static_cast<int32_t>(Get32(file, CrcLengthAt));
  Put32(file, CrcValueAt, CalcCrc32(file.data() + configOffset, crcLength));
}

struct THostileFile {
  std::string name;
  std::vector<uint8_t> file;
  const char* expected;  // the message box text; null: the run hands over
};

std::vector<uint8_t> Built(const std::function<void(TPackageSpec&)>& change) {
  TPackageSpec layout = BaseSpec();
  change(layout);
  return BuildPackage(layout).file;
}

std::vector<uint8_t> Patched(const std::function<void(std::vector<uint8_t>&, const TBuiltPackage&)>& change) {
  TBuiltPackage built = BuildPackage(BaseSpec());
  std::vector<uint8_t> file = built.file;
  change(file, built);
  return file;
}

void AddTruncations(std::vector<THostileFile>& rows) {
  const TBuiltPackage built = BuildPackage(BaseSpec());
  const uint32_t config = built.header.configOffset;
  const TPayloadRef& payload = built.config.payload32;
  const uint32_t payloadEnd = payload.offset + uint32_t(payload.packedSize);
  const TMessageRef& text = built.config.versionMessage;
  struct TCut {
    const char* where;
    size_t size;
  };
  const TCut cuts[] = {
      {"empty file", 0},
      {"before the header", StubHeaderOffset - 1},
      {"at the header", StubHeaderOffset},
      {"inside the header", StubHeaderOffset + 13},
      {"one byte before the header's end", StubHeaderOffset + StubHeaderSize - 1},
      {"at the header's end", StubHeaderOffset + StubHeaderSize},
      {"at the config", config},
      {"inside the config", config + 35},
      {"at the config's end", config + PackageConfigSize},
      {"inside the payload", payload.offset + 1},
      {"one byte before the payload's end", payloadEnd - 1},
      {"at the payload's end", payloadEnd},
      {"inside a text", text.offset + 3},
      {"one byte before the package's end", built.packageEnd - 1},
  };
  for (const TCut& cut : cuts) {
    std::vector<uint8_t> file(built.file.begin(), built.file.begin() + static_cast<std::ptrdiff_t>(cut.size));
    const bool headerWhole = cut.size >= StubHeaderOffset + StubHeaderSize;
    rows.push_back(
        {std::string("cut ") + cut.where, file, headerWhole ? FatalText::PackageTruncated : FatalText::PackageDamaged});
    if (!headerWhole) continue;
    // A header that asks for no least size reports the cut as damage.
    Put64(file, MinFileSizeAt, 0);
    rows.push_back({std::string("cut ") + cut.where + ", least size 0", file, FatalText::PackageDamaged});
  }
  std::vector<uint8_t> detached = Built([](TPackageSpec& layout) { layout.detached = true; });
  detached.resize(detached.size() - BaseSpec().trailingBytes.size() - 1);
  rows.push_back({"detached, cut one byte before the package's end", detached, FatalText::PackageTruncated});
}

void AddHeaderDamage(std::vector<THostileFile>& rows) {
  const size_t size = BuildPackage(BaseSpec()).file.size();
  auto header = [](std::function<void(THeaderOverrides&)> change) {
    return Built([&](TPackageSpec& layout) { change(layout.header); });
  };
  const char* const Damaged = FatalText::PackageDamaged;
  rows.push_back({"no package: configOffset 0", header([](THeaderOverrides& h) { h.configOffset = 0; }), Damaged});
  rows.push_back({"configOffset at the file's end",
                  header([&](THeaderOverrides& h) { h.configOffset = uint32_t(size); }), Damaged});
  rows.push_back({"config reaches past the end, empty CRC region", header([&](THeaderOverrides& h) {
                    h.configOffset = uint32_t(size - 10);
                    h.crcLength = 0;
                    h.crcValue = 0;
                  }),
                  Damaged});
  rows.push_back({"configOffset 2^31, empty CRC region", header([](THeaderOverrides& h) {
                    h.configOffset = 0x80000000u;
                    h.crcLength = 0;
                    h.crcValue = 0;
                  }),
                  Damaged});
  rows.push_back({"configOffset and crcLength wrap past 2^32", header([](THeaderOverrides& h) {
                    h.configOffset = 0xFFFFFFF0u;
                    h.crcLength = 0x20;
                  }),
                  Damaged});
  rows.push_back({"crcLength -1", header([](THeaderOverrides& h) { h.crcLength = -1; }), Damaged});
  rows.push_back({"crcLength -2^31", header([](THeaderOverrides& h) { h.crcLength = INT32_MIN; }), Damaged});
  rows.push_back({"crcLength 2^31 - 1", header([](THeaderOverrides& h) { h.crcLength = INT32_MAX; }), Damaged});
  rows.push_back({"CRC region one byte past the end", Patched([](std::vector<uint8_t>& file, const TBuiltPackage& b) {
                    Put32(file, CrcLengthAt, uint32_t(file.size() - b.header.configOffset + 1));
                  }),
                  Damaged});
  rows.push_back({"crcValue flipped",
                  Patched([](std::vector<uint8_t>& file, const TBuiltPackage&) { file[CrcValueAt] ^= 0x01; }),
                  Damaged});
  rows.push_back({"configOffset one further", Patched([](std::vector<uint8_t>& file, const TBuiltPackage&) {
                    file[ConfigOffsetAt] = static_cast<uint8_t>(file[ConfigOffsetAt] + 1);
                  }),
                  Damaged});
  rows.push_back({"crcLength one longer", Patched([](std::vector<uint8_t>& file, const TBuiltPackage&) {
                    Put32(file, CrcLengthAt, Get32(file, CrcLengthAt) + 1);
                  }),
                  Damaged});
  rows.push_back({"least size one past the end",
                  header([&](THeaderOverrides& h) { h.minFileSize = int64_t(size) + 1; }),
                  FatalText::PackageTruncated});
  rows.push_back({"least size 2^63 - 1", header([](THeaderOverrides& h) { h.minFileSize = INT64_MAX; }),
                  FatalText::PackageTruncated});
  rows.push_back({"detached least size one past the end",
                  header([&](THeaderOverrides& h) { h.detachedMinSize = uint32_t(size) + 1; }),
                  FatalText::PackageTruncated});
  // Signed sizes: a negative least size refuses nothing, and an empty CRC
  // region with the CRC 0 is intact.
  rows.push_back({"negative least size", header([](THeaderOverrides& h) { h.minFileSize = -1; }), nullptr});
  rows.push_back({"empty CRC region with CRC 0", header([](THeaderOverrides& h) {
                    h.crcLength = 0;
                    h.crcValue = 0;
                  }),
                  nullptr});
}

void AddPayloadDamage(std::vector<THostileFile>& rows) {
  const TBuiltPackage built = BuildPackage(BaseSpec());
  const size_t size = built.file.size();
  const uint32_t packedSize = uint32_t(built.config.payload32.packedSize);
  auto payload = [](std::function<void(TPayloadSpec&)> change) {
    return Built([&](TPackageSpec& layout) { change(layout.payload32); });
  };
  const char* const Damaged = FatalText::PackageDamaged;
  rows.push_back({"payload at the file's end", payload([&](TPayloadSpec& p) { p.offset = uint32_t(size); }), Damaged});
  rows.push_back({"payload reaches one byte past the end",
                  payload([&](TPayloadSpec& p) { p.offset = uint32_t(size) - packedSize + 1; }), Damaged});
  rows.push_back({"payload offset 2^31", payload([](TPayloadSpec& p) { p.offset = 0x80000000u; }), Damaged});
  rows.push_back({"payload32 offset 0xFFFFFFFF", payload([](TPayloadSpec& p) { p.offset = 0xFFFFFFFFu; }), Damaged});
  rows.push_back({"payload offset and size add up past 2^31", payload([](TPayloadSpec& p) {
                    p.offset = 0x7FFFFFFFu;
                    p.packedSize = INT32_MAX;
                  }),
                  Damaged});
  rows.push_back({"packedSize -1", payload([](TPayloadSpec& p) { p.packedSize = -1; }), Damaged});
  rows.push_back({"packedSize -2^31", payload([](TPayloadSpec& p) { p.packedSize = INT32_MIN; }), Damaged});
  rows.push_back({"packedSize 2^31 - 1", payload([](TPayloadSpec& p) { p.packedSize = INT32_MAX; }), Damaged});
  rows.push_back({"packed bytes cut to half", payload([](TPayloadSpec& p) { p.packedSize = 40; }), Damaged});
  rows.push_back({"unpackedSize -1", payload([](TPayloadSpec& p) { p.unpackedSize = -1; }), Damaged});
  rows.push_back({"unpackedSize 2^31 - 1", payload([](TPayloadSpec& p) { p.unpackedSize = INT32_MAX; }), Damaged});
  rows.push_back({"unpackedSize the most a stream holds",
                  payload([](TPayloadSpec& p) { p.unpackedSize = MaxStreamSize; }), Damaged});
  rows.push_back(
      {"unpackedSize one more than the program", payload([](TPayloadSpec& p) { p.unpackedSize = 3001; }), Damaged});
  rows.push_back({"LZMA data whose first byte is not 0",
                  Patched([](std::vector<uint8_t>& file, const TBuiltPackage& b) {
                    file[b.config.payload32.offset] = 0xFF;
                    SealCrc(file);
                  }),
                  Damaged});
  auto properties = [](uint8_t byte, uint32_t dictionary) {
    return Built([=](TPackageSpec& layout) {
      TLzmaPropertyBytes bytes{};
      bytes[0] = byte;
      for (size_t i = 0; i < 4; ++i) bytes[1 + i] = static_cast<uint8_t>(dictionary >> (8 * i));
      layout.lzmaProperties = bytes;
    });
  };
  rows.push_back({"properties byte 225", properties(225, 0x400000), Damaged});
  rows.push_back({"dictionary 2 GiB", properties(0x5D, 0x80000000u), Damaged});
  rows.push_back({"dictionary 4 GiB - 1", properties(0x5D, 0xFFFFFFFFu), Damaged});
  rows.push_back({"lc + lp beyond what liblzma decodes", properties((2 * 5 + 1) * 9 + 4, 0x400000), Damaged});
}

void AddMessageDamage(std::vector<THostileFile>& rows) {
  const size_t size = BuildPackage(BaseSpec()).file.size();
  // The version gate refuses every Windows, so the version text is shown.
  auto text = [](std::function<void(TMessageSpec&)> change) {
    return Built([&](TPackageSpec& layout) {
      layout.windowsVersions = 0;
      change(layout.versionMessage);
    });
  };
  const char* const Damaged = FatalText::PackageDamaged;
  rows.push_back({"text at the file's end", text([&](TMessageSpec& m) { m.offset = uint32_t(size); }), Damaged});
  rows.push_back({"text reaches one byte past the end", text([&](TMessageSpec& m) {
                    m.offset = uint32_t(size) - 3;
                    m.length = 2;
                  }),
                  Damaged});
  rows.push_back({"text offset 2^31", text([](TMessageSpec& m) { m.offset = 0x80000000u; }), Damaged});
  rows.push_back({"text offset 0xFFFFFFFF", text([](TMessageSpec& m) { m.offset = 0xFFFFFFFFu; }), Damaged});
  rows.push_back({"text of the longest length", text([](TMessageSpec& m) { m.length = 0xFFFF; }), Damaged});
  rows.push_back({"empty text anywhere", text([](TMessageSpec& m) {
                    m.text.clear();
                    m.offset = 0xFFFFFFFFu;
                    m.length = 0;
                  }),
                  ""});
}

void AddCorruptBytes(std::vector<THostileFile>& rows) {
  auto flip = [](std::function<size_t(const TBuiltPackage&)> where) {
    return Patched([&](std::vector<uint8_t>& file, const TBuiltPackage& b) { file.at(where(b)) ^= 0x20; });
  };
  const char* const Damaged = FatalText::PackageDamaged;
  rows.push_back({"a config byte", flip([](const TBuiltPackage& b) { return b.header.configOffset + 17; }), Damaged});
  rows.push_back({"the properties byte",
                  flip([](const TBuiltPackage& b) { return b.header.configOffset + PropertiesAt; }), Damaged});
  rows.push_back(
      {"a payload byte", flip([](const TBuiltPackage& b) { return b.config.payload32.offset + 20; }), Damaged});
  rows.push_back(
      {"a text byte", flip([](const TBuiltPackage& b) { return b.config.versionMessage.offset + 1; }), Damaged});
  rows.push_back({"the last byte of the CRC region",
                  flip([](const TBuiltPackage& b) { return b.header.configOffset + uint32_t(b.header.crcLength) - 1; }),
                  Damaged});
  // Bytes the CRC does not cover and the launcher does not read.
  rows.push_back({"an image byte outside the header", flip([](const TBuiltPackage&) { return size_t(300); }), nullptr});
  rows.push_back({"a trailing byte", flip([](const TBuiltPackage& b) { return size_t(b.packageEnd) + 3; }), nullptr});
}

std::vector<THostileFile> HostileFiles() {
  std::vector<THostileFile> rows;
  AddTruncations(rows);
  AddHeaderDamage(rows);
  AddPayloadDamage(rows);
  AddMessageDamage(rows);
  AddCorruptBytes(rows);
  return rows;
}

class HostileFile : public FakePlatformTestBase {
 protected:
  // 64-bit Windows 10 release 1909, an ordinary user.
  void Prepare(const std::vector<uint8_t>& file) {
    Fake::Reset();
    Fake::SetModulePath(LauncherPath);
    Fake::SetCommandLine(std::string("\"") + LauncherPath + "\"");
    Fake::AddFolder(TempFolder);
    Fake::SetWow64(1, 1);
    Fake::SetTokenMembership(1, 0);
    Fake::SetVersionKeyPresent(true);
    const std::string release = std::string("1909") + '\0';
    Fake::SetReleaseId(std::vector<uint8_t>(release.begin(), release.end()));
    Fake::AddFile(LauncherPath, file);
  }
};

TEST_F(HostileFile, EachEndsInItsOneMessageOrHandsOver) {
  for (const THostileFile& row : HostileFiles()) {
    SCOPED_TRACE(row.name);
    Prepare(row.file);
    int64_t exitCode = Fake::RunToExit([] { LauncherEntry(); });

    if (row.expected == nullptr) {
      EXPECT_EQ(exitCode, 0);
      EXPECT_TRUE(Fake::MessageBoxes().empty());
      EXPECT_EQ(Fake::StartedProcesses().size(), 1u);
    } else {
      ExpectOneFatalBox(exitCode, row.expected, LauncherPath);
      EXPECT_TRUE(Fake::StartedProcesses().empty());
      // A refused package leaves nothing behind.
      EXPECT_EQ(Fake::Files(), std::vector<std::string>{LauncherPath});
    }
    // Nothing is read, and so nothing allocated, beyond what the file holds;
    // a text asks at most for its 131,070 bytes.
    const size_t mostRead = std::max(row.file.size(), LongestMessageBytes);
    for (const Fake::TReadCall& read : Fake::ReadCalls()) EXPECT_LE(read.requested, mostRead);
    // Every position is one the signed seek reaches.
    for (const Fake::TSeekCall& seek : Fake::SeekCalls()) {
      EXPECT_GE(seek.distance, 0);
      EXPECT_EQ(seek.method, Platform::FileBegin);
    }
  }
}

#if !defined(__SANITIZE_ADDRESS__)
// Runs the entry with the address space capped near what the process
// already uses, and ends the process: 0 when the run ended as expected
// says (a box with that text, or, for null, a hand-over) with exit code 0.
[[noreturn]] void RunWithCappedMemory(const char* expected) {
  CapAddressSpace();
  int64_t exitCode = Fake::RunToExit([] { LauncherEntry(); });
  std::vector<Fake::TMessageBox> boxes = Fake::MessageBoxes();
  bool asExpected = expected == nullptr
                        ? boxes.empty() && Fake::StartedProcesses().size() == 1
                        : boxes.size() == 1 && boxes[0].text == expected && Fake::StartedProcesses().empty();
  std::_Exit(exitCode == 0 && asExpected ? 0 : 1);
}
#endif

// A dictionary of 2^31 - 1 passes the property check, and no 2 GiB window
// can be had here. A small program decodes in a window of its own size; a
// program that claims nearly 2 GiB ends in FatalPackageDamaged, never in an
// out-of-memory death.
TEST_F(HostileFile, HugeDictionaryNeverKillsTheProcess) {
#if defined(__SANITIZE_ADDRESS__)
  GTEST_SKIP() << "the sanitizer's allocator aborts instead of failing an allocation";
#else
  struct Row {
    const char* name;
    std::optional<int32_t> unpackedSize;
    const char* expected;
  };
  const Row rows[] = {
      {"small program", std::nullopt, nullptr},
      {"program claiming the most a stream holds", MaxStreamSize, FatalText::PackageDamaged},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.name);
    Prepare(Built([&](TPackageSpec& layout) {
      layout.lzmaProperties = TLzmaPropertyBytes{0x5D, 0xFF, 0xFF, 0xFF, 0x7F};
      layout.payload32.unpackedSize = row.unpackedSize;
    }));
    EXPECT_EXIT(RunWithCappedMemory(row.expected), testing::ExitedWithCode(0), "");
  }
#endif
}

}  // namespace
