#include "FuzzRun.h"

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

#include "builder/PackageWriter.h"
#include "package/CRC32.h"
#include "platform/FakePlatform.h"
#include "stub/RunLauncher.h"

namespace {

const char* const LauncherPath = "C:\\Launcher\\setup.exe";
const char* const TempFolder = "C:\\Temp";
constexpr uint32_t ErrorBoxType = 0x10;
constexpr size_t LongestMessageBytes = 131070;

const char* const PackageDamagedText =
    "An error occurred while trying to read the setup package.  It has most likely been damaged.  Please obtain a new "
    "copy from the vendor.";
// The fake is never told to fail a write or a start, so these have no cause.
const char* const TempCopyFailedHead = "An error occurred while trying to create a temporary copy";
const char* const LaunchFailedHead = "The temporary copy of the setup package could not be executed.";

[[noreturn]] void Broken(const char* rule, const std::string& detail = std::string()) {
  std::fprintf(stderr, "launcher run broke a rule: %s %s\n", rule, detail.c_str());
  std::abort();
}

void Check(bool kept, const char* rule, const std::string& detail = std::string()) {
  if (!kept) Broken(rule, detail);
}

bool StartsWith(const std::string& text, const char* head) { return text.compare(0, std::strlen(head), head) == 0; }

// The systems a run meets, chosen by the file's size so that every input
// runs the same way each time and mutations reach all three: 64-bit
// Windows 10 with an ordinary user (shell start), the same with an elevated
// administrator and a silent switch (direct start), and 32-bit Windows XP.
enum class TSystem { Windows10User, Windows10Administrator, WindowsXp, Count };

void PrepareSystem(const std::vector<uint8_t>& file) {
  const TSystem system = static_cast<TSystem>(file.size() % static_cast<size_t>(TSystem::Count));
  Fake::Reset();
  Fake::SetModulePath(LauncherPath);
  std::string commandLine = std::string("\"") + LauncherPath + "\"";
  if (system == TSystem::Windows10Administrator) commandLine += " /s \"C:\\Program Files\\X\"";
  Fake::SetCommandLine(commandLine);
  Fake::AddFolder(TempFolder);
  Fake::SetWow64(1, system == TSystem::WindowsXp ? 0 : 1);
  Fake::SetTokenMembership(1, system == TSystem::Windows10Administrator ? 1 : 0);
  if (system == TSystem::WindowsXp) {
    Platform::TOsVersionInfo xp{};
    xp.dwOSVersionInfoSize = Platform::OsVersionInfoExSize;
    xp.dwMajorVersion = 5;
    xp.dwMinorVersion = 1;
    xp.dwBuildNumber = 2600;
    xp.dwPlatformId = Platform::VerPlatformWin32Nt;
    xp.wServicePackMajor = 3;
    Fake::SetVersion(xp);
  }
  Fake::SetVersionKeyPresent(true);
  const std::string release = std::string("1909") + '\0';
  Fake::SetReleaseId(std::vector<uint8_t>(release.begin(), release.end()));
  Fake::AddFile(LauncherPath, file);
}

void Put32(std::vector<uint8_t>& file, size_t at, uint32_t value) {
  for (size_t i = 0; i < 4; ++i) file[at + i] = static_cast<uint8_t>(value >> (8 * i));
}

void Put64(std::vector<uint8_t>& file, size_t at, uint64_t value) {
  for (size_t i = 0; i < 8; ++i) file[at + i] = static_cast<uint8_t>(value >> (8 * i));
}

}  // namespace

void RunLauncherFile(const std::vector<uint8_t>& file) {
  PrepareSystem(file);
  const int64_t exitCode = Fake::RunToExit([] { LauncherEntry(); });
  Check(exitCode == 0, "exit code 0", std::to_string(exitCode));
  Check(Fake::ExitCodes() == std::vector<uint32_t>{0}, "one ExitProcess with 0");

  const std::vector<Fake::TMessageBox> boxes = Fake::MessageBoxes();
  const size_t starts = Fake::CreateProcessCalls().size() + Fake::ShellExecuteCalls().size();
  Check(boxes.size() <= 1, "at most one message box");
  const bool handedOver = boxes.empty();
  if (handedOver) {
    Check(starts == 1 && Fake::StartedProcesses().size() == 1, "a run without a message hands over once");
  } else {
    const Fake::TMessageBox& box = boxes[0];
    Check(starts == 0, "a refused run starts nothing");
    Check(box.caption == LauncherPath && box.type == ErrorBoxType && box.owner == nullptr, "the box's form");
    Check(!StartsWith(box.text, TempCopyFailedHead) && !StartsWith(box.text, LaunchFailedHead),
          "a fatal message with no cause", box.text);
    Check(Fake::Files() == std::vector<std::string>{LauncherPath}, "a refused package leaves no file");
  }

  // The first handle opened is the launcher file's.
  const std::vector<Fake::TCreateFileCall> opens = Fake::CreateFileCalls();
  Check(!opens.empty() && opens[0].path == LauncherPath, "the launcher file is opened first");
  const Platform::THandle launcherFile = opens[0].result;
  const size_t mostRead = std::max(file.size(), LongestMessageBytes);
  for (const Fake::TReadCall& read : Fake::ReadCalls()) {
    if (read.file != launcherFile) continue;
    Check(read.requested <= mostRead, "no read beyond what the file or a text holds", std::to_string(read.requested));
    if (read.read != read.requested) {
      Check(!handedOver && boxes[0].text == PackageDamagedText, "a short read ends as damaged",
            std::to_string(read.read) + " of " + std::to_string(read.requested));
    }
  }
  for (const Fake::TSeekCall& seek : Fake::SeekCalls()) {
    if (seek.file != launcherFile) continue;
    Check(seek.distance >= 0 && seek.method == Platform::FileBegin, "seeks from the start to reachable positions");
  }
}

std::vector<uint8_t> SealPackage(const uint8_t* bytes, size_t size) {
  std::vector<uint8_t> file = SyntheticLauncherImage(FuzzImageSize);
  file.insert(file.end(), bytes, bytes + size);
  const int32_t crcLength = static_cast<int32_t>(size);
  Put32(file, StubHeaderOffset + 0, static_cast<uint32_t>(FuzzImageSize));
  Put32(file, StubHeaderOffset + 4, static_cast<uint32_t>(crcLength));
  Put32(file, StubHeaderOffset + 8, CalcCrc32(bytes, crcLength));
  Put64(file, StubHeaderOffset + 12, file.size());
  Put32(file, StubHeaderOffset + 20, 0);
  return file;
}
