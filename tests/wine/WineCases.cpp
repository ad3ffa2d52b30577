// Writes the launcher files of the end-to-end cases under Wine: the real
// launcher image with a package of our own encoder appended, its payloads
// being the stand-in setup program with a tag after it.
//
// usage: wine_cases LAUNCHER STANDIN OUTDIR [CASE...]
// Writes OUTDIR/CASE.exe for each case named (all cases when none is), with
// CASE.payload32.bin and CASE.payload64.bin, the setup programs it packed,
// and prints the names it wrote. The checks of each case live in run-case.sh.
#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <fstream>
#include <functional>
#include <iostream>
#include <iterator>
#include <map>
#include <stdexcept>
#include <string>
#include <vector>

#include "builder/PackageWriter.h"

namespace {

using TBytes = std::vector<uint8_t>;

// Windows version bits of the package's set.
constexpr uint64_t VersionBitWindows7 = uint64_t(1) << 7;
constexpr uint64_t VersionBitWindows8 = uint64_t(1) << 8;
constexpr uint64_t VersionBitWindows81 = uint64_t(1) << 9;

constexpr size_t LargeProgramSize = size_t(64) << 20;
constexpr size_t LargeProgramBlock = 65521;

TBytes ReadFile(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  if (!in) throw std::runtime_error("cannot read " + path);
  return TBytes(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

void WriteFile(const std::string& path, const TBytes& bytes) {
  std::ofstream out(path, std::ios::binary | std::ios::trunc);
  out.write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
  if (!out) throw std::runtime_error("cannot write " + path);
}

// The stand-in reads the text after the last tag marker of its own file.
TBytes Tagged(const TBytes& program, const std::string& tag) {
  TBytes tagged = program;
  const std::string marker = "TARNWICK-TAG:" + tag + "\n";
  tagged.insert(tagged.end(), marker.begin(), marker.end());
  return tagged;
}

struct TInputs {
  TBytes launcher;
  TBytes standIn;
};

TPackageSpec BaseSpec(const TInputs& inputs) {
  TPackageSpec layout;
  layout.image = inputs.launcher;
  layout.payload32.program = Tagged(inputs.standIn, "payload32");
  return layout;
}

TPackageSpec BothPayloads(const TInputs& inputs) {
  TPackageSpec layout = BaseSpec(inputs);
  layout.payload64.program = Tagged(inputs.standIn, "payload64");
  return layout;
}

// Longer than what Wine's own message-box trace prints, so that the case
// shows the whole text came through.
const char16_t VersionMessage[] =
    u"This setup program does not run on %USER%. It was built for Windows 7 only; please run it on a computer "
    u"with Windows 7, or ask the vendor for a setup program that supports your version of Windows. Nothing has "
    u"been changed on this computer.";

// A case: its package, and what is done to the built file afterwards.
struct TCase {
  std::function<TPackageSpec(const TInputs&)> layout;
  std::function<void(const TBuiltPackage&, TBytes&)> damage;
};

const std::map<std::string, TCase>& Cases() {
  static const std::map<std::string, TCase> cases = {
      {"plain", {BaseSpec, nullptr}},
      // What `make demo` runs.
      {"demo", {BaseSpec, nullptr}},
      {"payload64", {BothPayloads, nullptr}},
      {"slash32", {BothPayloads, nullptr}},
      {"native32", {BothPayloads, nullptr}},
      {"bitness",
       {[](const TInputs& in) {
          TPackageSpec layout = BothPayloads(in);
          layout.payload32 = TPayloadSpec{};
          layout.bitnessMessage.text = u"This setup program needs 64-bit Windows. %USER% is left as it is.";
          return layout;
        },
        nullptr}},
      {"winversion",
       {[](const TInputs& in) {
          TPackageSpec layout = BaseSpec(in);
          layout.windowsVersions = VersionBitWindows7;
          layout.versionMessage.text = VersionMessage;
          return layout;
        },
        nullptr}},
      {"release",
       {[](const TInputs& in) {
          TPackageSpec layout = BaseSpec(in);
          layout.minReleaseId = 1903;
          layout.maxReleaseId = 9999;
          layout.versionMessage.text = u"Windows 10 release refused: %USER%.";
          return layout;
        },
        nullptr}},
      {"manifest81",
       {[](const TInputs& in) {
          TPackageSpec layout = BaseSpec(in);
          layout.windowsVersions = VersionBitWindows81;
          layout.versionMessage.text = u"Refused: %USER%.";
          return layout;
        },
        nullptr}},
      {"manifest8",
       {[](const TInputs& in) {
          TPackageSpec layout = BaseSpec(in);
          layout.windowsVersions = VersionBitWindows8;
          layout.versionMessage.text = u"Refused: %USER%.";
          return layout;
        },
        nullptr}},
      {"truncated", {BaseSpec, [](const TBuiltPackage&, TBytes& file) { file.resize(file.size() - 100); }}},
      {"damaged",
       {BaseSpec, [](const TBuiltPackage& built, TBytes& file) { file[built.config.payload32.offset + 16] ^= 0x01; }}},
      {"tempfolder", {BaseSpec, nullptr}},
      {"templast", {BaseSpec, nullptr}},
      {"tempmissing", {BaseSpec, nullptr}},
      {"taken", {BaseSpec, nullptr}},
      {"detached",
       {[](const TInputs& in) {
          TPackageSpec layout = BaseSpec(in);
          layout.detached = true;
          return layout;
        },
        nullptr}},
      // Signed afterwards by the case itself, with osslsigncode.
      {"signed", {BaseSpec, nullptr}},
      {"large",
       {[](const TInputs& in) {
          TBytes program = in.standIn;
          program.reserve(program.size() + LargeProgramSize + 64);
          // A pseudo-random block over and over: not trivial, yet quick to pack.
          uint32_t state = 1;
          TBytes block(LargeProgramBlock);
          for (uint8_t& byte : block) {
            state = state * 1103515245u + 12345u;
            byte = static_cast<uint8_t>(state >> 16);
          }
          while (program.size() - in.standIn.size() < LargeProgramSize) {
            const size_t left = LargeProgramSize - (program.size() - in.standIn.size());
            program.insert(program.end(), block.begin(),
                           block.begin() + static_cast<std::ptrdiff_t>(std::min(left, block.size())));
          }
          TPackageSpec layout = BaseSpec(in);
          layout.encoding.preset = 1;
          layout.payload32.program = Tagged(program, "large");
          return layout;
        },
        nullptr}},
  };
  return cases;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc < 4) {
    std::cerr << "usage: wine_cases LAUNCHER STANDIN OUTDIR [CASE...]\n";
    return 2;
  }
  try {
    const TInputs inputs{ReadFile(argv[1]), ReadFile(argv[2])};
    const std::string outDir = argv[3];
    std::vector<std::string> names(argv + 4, argv + argc);
    if (names.empty()) {
      for (const auto& entry : Cases()) names.push_back(entry.first);
    }
    for (const std::string& name : names) {
      const auto found = Cases().find(name);
      if (found == Cases().end()) throw std::runtime_error("no such case: " + name);
      const TPackageSpec layout = found->second.layout(inputs);
      const TBuiltPackage built = BuildPackage(layout);
      TBytes file = built.file;
      if (found->second.damage) found->second.damage(built, file);
      WriteFile(outDir + "/" + name + ".exe", file);
      // The setup programs as packed, for the case to compare the copy with.
      if (layout.payload32.program) WriteFile(outDir + "/" + name + ".payload32.bin", *layout.payload32.program);
      if (layout.payload64.program) WriteFile(outDir + "/" + name + ".payload64.bin", *layout.payload64.program);
      std::cout << name << "\n";
    }
  } catch (const std::exception& error) {
    std::cerr << "wine_cases: " << error.what() << "\n";
    return 1;
  }
  return 0;
}
