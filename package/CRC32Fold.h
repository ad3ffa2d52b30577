// The two ways CalcCrc32 computes the CRC, for the dispatcher in CRC32.cpp
// and for tests that must check each path on its own. Both work on the bare
// register: the caller starts it at 0xFFFFFFFF and complements the result.
#pragma once

#include <cstddef>
#include <cstdint>

// Below this many bytes the folding path's set-up costs more than it saves.
constexpr size_t Crc32FoldMinimum = 64;

// The register after count bytes at bytes, by the constant tables (slicing by
// eight); any alignment, any count, on any CPU.
uint32_t Crc32UpdatePortable(uint32_t crc, const uint8_t* bytes, size_t count);

// Whether this CPU can run Crc32UpdateFolded: SSE2 and PCLMULQDQ, asked of
// cpuid once and remembered. Always false where the path is not built.
bool Crc32FoldSupported();

// The register after count bytes at bytes, by carry-less-multiply folding
// of 64 bytes per step, the last bytes by the portable path. Only when
// Crc32FoldSupported() holds; any alignment; count at least Crc32FoldMinimum.
uint32_t Crc32UpdateFolded(uint32_t crc, const uint8_t* bytes, size_t count);
