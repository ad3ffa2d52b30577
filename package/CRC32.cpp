#include "CRC32.h"

#include <cstddef>

#include "CRC32Fold.h"

namespace {

constexpr uint32_t Crc32Polynomial = 0xEDB88320u;
constexpr uint32_t Crc32Initial = 0xFFFFFFFFu;
constexpr uint32_t Crc32FinalXor = 0xFFFFFFFFu;
constexpr uint32_t TableEntries = 256;
constexpr uint32_t ByteMask = 0xFFu;
constexpr uint32_t BitsPerByte = 8;

// Eight bytes per step: table k advances a byte through k further zero bytes,
// so eight look-ups replace eight dependent byte steps.
constexpr uint32_t SliceCount = 8;

struct TCrc32Tables {
  uint32_t slice[SliceCount][TableEntries];
};

constexpr TCrc32Tables MakeCrc32Tables() {
  TCrc32Tables tables{};
  for (uint32_t n = 0; n < TableEntries; ++n) {
    uint32_t c = n;
    for (uint32_t bit = 0; bit < BitsPerByte; ++bit) c = (c & 1u) != 0 ? (c >> 1) ^ Crc32Polynomial : c >> 1;
    tables.slice[0][n] = c;
  }
  for (uint32_t k = 1; k < SliceCount; ++k) {
    for (uint32_t n = 0; n < TableEntries; ++n) {
      const uint32_t previous = tables.slice[k - 1][n];
      tables.slice[k][n] = tables.slice[0][previous & ByteMask] ^ (previous >> BitsPerByte);
    }
  }
  return tables;
}

// Constant-initialised: the tables are part of the image, nothing runs at
// start-up.
constexpr TCrc32Tables Crc32Tables = MakeCrc32Tables();

static_assert(Crc32Tables.slice[0][0] == 0u, "CRC table entry 0");
static_assert(Crc32Tables.slice[0][1] == 0x77073096u, "CRC table entry 1");
static_assert(Crc32Tables.slice[0][255] == 0x2D02EF8Du, "CRC table entry 255");

inline uint32_t LoadLE32(const uint8_t* bytes) {
  return static_cast<uint32_t>(bytes[0]) | (static_cast<uint32_t>(bytes[1]) << 8) |
         (static_cast<uint32_t>(bytes[2]) << 16) | (static_cast<uint32_t>(bytes[3]) << 24);
}

inline uint32_t StepByte(uint32_t crc, uint8_t byte) {
  return Crc32Tables.slice[0][(crc ^ byte) & ByteMask] ^ (crc >> BitsPerByte);
}

}  // namespace

uint32_t Crc32TableEntry(uint32_t index) { return index < TableEntries ? Crc32Tables.slice[0][index] : 0u; }

uint32_t Crc32UpdatePortable(uint32_t crc, const uint8_t* bytes, size_t count) {
  size_t remaining = count;
  // The words are assembled byte by byte, so any alignment of data works.
  while (remaining >= SliceCount) {
    const uint32_t low = LoadLE32(bytes) ^ crc;
    const uint32_t high = LoadLE32(bytes + 4);
    crc = Crc32Tables.slice[7][low & ByteMask] ^ Crc32Tables.slice[6][(low >> 8) & ByteMask] ^
          Crc32Tables.slice[5][(low >> 16) & ByteMask] ^ Crc32Tables.slice[4][low >> 24] ^
          Crc32Tables.slice[3][high & ByteMask] ^ Crc32Tables.slice[2][(high >> 8) & ByteMask] ^
          Crc32Tables.slice[1][(high >> 16) & ByteMask] ^ Crc32Tables.slice[0][high >> 24];
    bytes += SliceCount;
    remaining -= SliceCount;
  }
  while (remaining > 0) {
    crc = StepByte(crc, *bytes++);
    --remaining;
  }
  return crc;
}

uint32_t CalcCrc32(const void* data, int32_t count) {
  if (count <= 0) return 0;
  const uint8_t* bytes = static_cast<const uint8_t*>(data);
  const size_t length = static_cast<size_t>(count);
  // The folding path runs only where cpuid reports it; every other CPU, any
  // i686, takes the tables.
  const uint32_t crc = length >= Crc32FoldMinimum && Crc32FoldSupported()
                           ? Crc32UpdateFolded(Crc32Initial, bytes, length)
                           : Crc32UpdatePortable(Crc32Initial, bytes, length);
  return crc ^ Crc32FinalXor;
}
