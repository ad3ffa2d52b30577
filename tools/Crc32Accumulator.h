// The package CRC-32 (package/CRC32.h) computed piece by piece, for regions
// that are read back from disk in chunks rather than held whole. Host-only.
#pragma once

#include <cstddef>
#include <cstdint>

// The register before the first byte; the result is the register complemented.
constexpr uint32_t Crc32InitialRegister = 0xFFFFFFFFu;

class TCrc32Accumulator {
 public:
  // Feeds count bytes, in file order.
  void Update(const void* bytes, size_t count);
  // The CRC of everything fed so far; equal to CalcCrc32 over it in one piece.
  uint32_t Value() const;

 private:
  uint32_t reg_ = Crc32InitialRegister;
};
