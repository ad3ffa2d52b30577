// Fuzz target: the input is the package alone; the header is written after
// the mutation, CRC included, so every input passes the integrity checks
// and reaches the config record, the gates, the texts and the decoder.
#include <cstddef>
#include <cstdint>

#include "FuzzRun.h"

extern "C" int LLVMFuzzerInitialize(int* argc, char*** argv) {
  HandleSeedOption(*argc, *argv, true);
  return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  RunLauncherFile(SealPackage(data, size));
  return 0;
}
