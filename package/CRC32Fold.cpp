#include "CRC32Fold.h"

#if (defined(__i386__) || defined(__x86_64__)) && defined(__GNUC__)
#define TARNWICK_CRC32_FOLD 1
#include <cpuid.h>
#include <immintrin.h>
#endif

#ifdef TARNWICK_CRC32_FOLD

namespace {

constexpr unsigned CpuidFeatureLeaf = 1;
constexpr unsigned CpuidEcxPclmul = 1u << 1;
constexpr unsigned CpuidEdxSse2 = 1u << 26;

// What cpuid said, kept so that it is asked once. A plain integer, not a
// function-local static: no guard variable and no start-up code.
constexpr int FoldUnknown = 0;
constexpr int FoldYes = 1;
constexpr int FoldNo = 2;
int FoldState = FoldUnknown;

constexpr size_t LaneBytes = 16;
constexpr size_t LanesPerStep = 4;
constexpr size_t StepBytes = LaneBytes * LanesPerStep;

// Folding constants of the reflected polynomial 0xEDB88320, each x^n mod P
// bit-reflected and shifted for the reflected domain (33-bit values):
// k1, k2 carry a lane forward by 512 bits (four lanes), k3, k4 by 128 bits,
// k5 folds 64 bits to 32; the last two are P itself and the Barrett
// quotient floor(x^64 / P).
constexpr uint64_t FoldBy4Low = 0x154442BD4ull;
constexpr uint64_t FoldBy4High = 0x1C6E41596ull;
constexpr uint64_t FoldBy1Low = 0x1751997D0ull;
constexpr uint64_t FoldBy1High = 0x0CCAA009Eull;
constexpr uint64_t Fold64To32 = 0x163CD6124ull;
constexpr uint64_t BarrettPolynomial = 0x1DB710641ull;
constexpr uint64_t BarrettQuotient = 0x1F7011641ull;

constexpr int ClmulLowLow = 0x00;
constexpr int ClmulHighHigh = 0x11;
constexpr int ClmulLowHigh = 0x10;

#define TARNWICK_FOLD_TARGET __attribute__((target("sse2,pclmul")))
// Windows keeps the 32-bit stack 4-byte aligned, while spilled SSE values
// want 16: realign on entry there.
#if defined(__i386__)
#define TARNWICK_FOLD_ENTRY __attribute__((force_align_arg_pointer))
#else
#define TARNWICK_FOLD_ENTRY
#endif

TARNWICK_FOLD_TARGET inline __m128i Pair(uint64_t low, uint64_t high) {
  // Built from 32-bit halves: the 64-bit forms are missing on i686.
  return _mm_set_epi32(static_cast<int>(high >> 32), static_cast<int>(high & 0xFFFFFFFFu),
                       static_cast<int>(low >> 32), static_cast<int>(low & 0xFFFFFFFFu));
}

TARNWICK_FOLD_TARGET inline __m128i Load(const uint8_t* bytes) {
  return _mm_loadu_si128(reinterpret_cast<const __m128i*>(bytes));
}

// One lane carried forward by the distance that constants stand for, with
// the next data folded in.
TARNWICK_FOLD_TARGET inline __m128i FoldLane(__m128i lane, __m128i constants, __m128i data) {
  const __m128i low = _mm_clmulepi64_si128(lane, constants, ClmulLowLow);
  const __m128i high = _mm_clmulepi64_si128(lane, constants, ClmulHighHigh);
  return _mm_xor_si128(_mm_xor_si128(low, high), data);
}

}  // namespace

bool Crc32FoldSupported() {
  int state = __atomic_load_n(&FoldState, __ATOMIC_RELAXED);
  if (state == FoldUnknown) {
    unsigned eax = 0, ebx = 0, ecx = 0, edx = 0;
    // __get_cpuid also answers 0 on an i486 without cpuid.
    const bool known = __get_cpuid(CpuidFeatureLeaf, &eax, &ebx, &ecx, &edx) != 0;
    const bool usable = known && (ecx & CpuidEcxPclmul) != 0 && (edx & CpuidEdxSse2) != 0;
    state = usable ? FoldYes : FoldNo;
    __atomic_store_n(&FoldState, state, __ATOMIC_RELAXED);
  }
  return state == FoldYes;
}

TARNWICK_FOLD_TARGET TARNWICK_FOLD_ENTRY uint32_t Crc32UpdateFolded(uint32_t crc, const uint8_t* bytes,
                                                                     size_t count) {
  // Four independent lanes keep the multiplier busy; the register enters as
  // the first four bytes' xor, as in the byte-wise definition.
  __m128i lane0 = _mm_xor_si128(Load(bytes), _mm_cvtsi32_si128(static_cast<int>(crc)));
  __m128i lane1 = Load(bytes + LaneBytes);
  __m128i lane2 = Load(bytes + 2 * LaneBytes);
  __m128i lane3 = Load(bytes + 3 * LaneBytes);
  bytes += StepBytes;
  count -= StepBytes;

  const __m128i by4 = Pair(FoldBy4Low, FoldBy4High);
  while (count >= StepBytes) {
    lane0 = FoldLane(lane0, by4, Load(bytes));
    lane1 = FoldLane(lane1, by4, Load(bytes + LaneBytes));
    lane2 = FoldLane(lane2, by4, Load(bytes + 2 * LaneBytes));
    lane3 = FoldLane(lane3, by4, Load(bytes + 3 * LaneBytes));
    bytes += StepBytes;
    count -= StepBytes;
  }

  const __m128i by1 = Pair(FoldBy1Low, FoldBy1High);
  __m128i acc = FoldLane(lane0, by1, lane1);
  acc = FoldLane(acc, by1, lane2);
  acc = FoldLane(acc, by1, lane3);
  while (count >= LaneBytes) {
    acc = FoldLane(acc, by1, Load(bytes));
    bytes += LaneBytes;
    count -= LaneBytes;
  }

  // 128 bits to 64: the low half times k4 into the high half.
  const __m128i low32Mask = _mm_set_epi32(0, -1, 0, -1);
  acc = _mm_xor_si128(_mm_srli_si128(acc, 8), _mm_clmulepi64_si128(acc, by1, ClmulLowHigh));
  // 64 bits to 32 more: the low word times k5 into the rest.
  const __m128i k5 = Pair(Fold64To32, 0);
  acc = _mm_xor_si128(_mm_srli_si128(acc, 4), _mm_clmulepi64_si128(_mm_and_si128(acc, low32Mask), k5, ClmulLowLow));
  // Barrett reduction of the remaining 64 bits to the 32-bit remainder.
  const __m128i barrett = Pair(BarrettPolynomial, BarrettQuotient);
  __m128i quotient = _mm_clmulepi64_si128(_mm_and_si128(acc, low32Mask), barrett, ClmulLowHigh);
  quotient = _mm_clmulepi64_si128(_mm_and_si128(quotient, low32Mask), barrett, ClmulLowLow);
  acc = _mm_xor_si128(acc, quotient);
  const uint32_t folded = static_cast<uint32_t>(_mm_cvtsi128_si32(_mm_srli_si128(acc, 4)));
  return Crc32UpdatePortable(folded, bytes, count);
}

#else

bool Crc32FoldSupported() { return false; }

uint32_t Crc32UpdateFolded(uint32_t crc, const uint8_t* bytes, size_t count) {
  return Crc32UpdatePortable(crc, bytes, count);
}

#endif
