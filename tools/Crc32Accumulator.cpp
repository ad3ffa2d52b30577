#include "Crc32Accumulator.h"

#include "../package/CRC32.h"

namespace {

constexpr uint32_t FinalComplement = 0xFFFFFFFFu;
constexpr uint32_t ByteMask = 0xFFu;

}  // namespace

void TCrc32Accumulator::Update(const void* bytes, size_t count) {
  // The launcher's own table, so both sides agree by construction.
  const uint8_t* next = static_cast<const uint8_t*>(bytes);
  for (size_t i = 0; i < count; ++i) reg_ = Crc32TableEntry((reg_ ^ next[i]) & ByteMask) ^ (reg_ >> 8);
}

uint32_t TCrc32Accumulator::Value() const {
  return reg_ ^ FinalComplement;
}
