// Fuzz target: the input is a whole launcher file, run from the entry over
// the fake platform. Mutations mostly stop at the CRC check; the sealed
// target reaches further.
#include <cstddef>
#include <cstdint>
#include <vector>

#include "FuzzRun.h"

extern "C" int LLVMFuzzerInitialize(int* argc, char*** argv) {
  HandleSeedOption(*argc, *argv, false);
  return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  RunLauncherFile(std::vector<uint8_t>(data, data + size));
  return 0;
}
