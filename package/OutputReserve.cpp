#include "OutputReserve.h"

#include "NoRTLStream.h"

namespace {

constexpr int64_t GrowthFactor = 2;

int64_t Clamp(int64_t value, int64_t low, int64_t high) { return value < low ? low : (value > high ? high : value); }

}  // namespace

int32_t FirstOutputReserve(int32_t packedSize, int32_t unpackedSize) {
  // In 64 bits, where packedSize times the ratio cannot overflow.
  const int64_t plausible = static_cast<int64_t>(packedSize) * PlausiblePackingRatio;
  const int64_t claimed = unpackedSize;
  return static_cast<int32_t>(Clamp(claimed < plausible ? claimed : plausible, 0, MaxStreamSize));
}

int32_t NextOutputReserve(int32_t capacity, int32_t needed, int32_t unpackedSize) {
  const int64_t limit = Clamp(unpackedSize, 0, MaxStreamSize);
  int64_t next = Clamp(static_cast<int64_t>(capacity) * GrowthFactor, 0, limit);
  if (next < needed) next = needed;
  return static_cast<int32_t>(next);
}
