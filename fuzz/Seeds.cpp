// The seeds of both targets, made by the package writer at run time: small
// intact packages that reach every step of a run, and a few damaged ones.
#include <sys/stat.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "FuzzRun.h"
#include "builder/PackageWriter.h"

namespace {

std::vector<uint8_t> Program(size_t size, uint32_t seed) {
  std::vector<uint8_t> bytes(size);
  uint32_t state = seed;
  for (size_t i = 0; i < size; ++i) {
    state = state * 1103515245u + 12345u;
    bytes[i] = static_cast<uint8_t>(i % 5 == 0 ? state >> 24 : i / 37);
  }
  if (size >= 2) {
    bytes[0] = 'M';
    bytes[1] = 'Z';
  }
  return bytes;
}

TPackageSpec Base() {
  TPackageSpec layout;
  layout.image = SyntheticLauncherImage(FuzzImageSize);
  layout.payload32.program = Program(700, 1);
  layout.bitnessMessage.text = u"This package needs another Windows.";
  layout.versionMessage.text = u"Not for %USER% (%user%).";
  return layout;
}

std::vector<TPackageSpec> SeedSpecs() {
  std::vector<TPackageSpec> specs;
  specs.push_back(Base());

  TPackageSpec both = Base();
  both.payload64.program = Program(500, 2);
  specs.push_back(both);

  TPackageSpec only64 = Base();
  only64.payload32 = TPayloadSpec{};
  only64.payload64.program = Program(400, 3);
  specs.push_back(only64);

  TPackageSpec refused64 = Base();
  refused64.payload64.offset = 0xFFFFFFFFu;
  specs.push_back(refused64);

  TPackageSpec detached = Base();
  detached.detached = true;
  detached.elevationMode = 1;
  specs.push_back(detached);

  TPackageSpec versionRefused = Base();
  versionRefused.windowsVersions = 0;
  specs.push_back(versionRefused);

  TPackageSpec releaseRefused = Base();
  releaseRefused.minReleaseId = 2004;
  specs.push_back(releaseRefused);

  TPackageSpec endMarker = Base();
  endMarker.encoding.endMarker = true;
  endMarker.encoding.literalContextBits = 0;
  endMarker.encoding.literalPositionBits = 2;
  endMarker.encoding.positionBits = 0;
  specs.push_back(endMarker);

  TPackageSpec empty = Base();
  empty.payload32.program = std::vector<uint8_t>();
  specs.push_back(empty);

  TPackageSpec tails = Base();
  tails.coveredTail = std::vector<uint8_t>(20, 0xAB);
  tails.uncoveredTail = std::vector<uint8_t>(9, 0xCD);
  tails.trailingBytes = std::vector<uint8_t>(32, 0xEF);
  specs.push_back(tails);

  TPackageSpec shortData = Base();
  shortData.payload32.unpackedSize = 701;
  specs.push_back(shortData);

  TPackageSpec emptyRegion = Base();
  emptyRegion.header.crcLength = 0;
  emptyRegion.header.crcValue = 0;
  specs.push_back(emptyRegion);
  return specs;
}

bool WriteFile(const std::string& path, const uint8_t* bytes, size_t size) {
  FILE* file = std::fopen(path.c_str(), "wb");
  if (file == nullptr) return false;
  bool written = std::fwrite(bytes, 1, size, file) == size;
  return std::fclose(file) == 0 && written;
}

}  // namespace

void HandleSeedOption(int argc, char** argv, bool packageOnly) {
  const char* folder = nullptr;
  for (int i = 1; i + 1 < argc; ++i) {
    if (std::strcmp(argv[i], "--write-seeds") == 0) folder = argv[i + 1];
  }
  if (folder == nullptr) return;
  mkdir(folder, 0777);
  int number = 0;
  for (const TPackageSpec& layout : SeedSpecs()) {
    const TBuiltPackage built = BuildPackage(layout);
    const size_t from = packageOnly ? FuzzImageSize : 0;
    char name[32];
    std::snprintf(name, sizeof name, "/seed-%02d", number++);
    if (!WriteFile(std::string(folder) + name, built.file.data() + from, built.file.size() - from)) {
      std::fprintf(stderr, "cannot write seeds into %s\n", folder);
      std::exit(1);
    }
  }
  std::exit(0);
}
