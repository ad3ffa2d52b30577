// How far ahead the decoder's output stream reserves its block. Growing in
// 128 KiB steps is cheap only where the allocator can extend a block in
// place; an allocator that copies at each step turns a large decode
// quadratic. Reserving is not sizing: the stream's size still grows only by
// what the decoder writes.
#pragma once

#include <cstdint>

// A packed byte of a setup program seldom stands for more output than this:
// executables pack about 3 to 4 to 1, installers full of compressed archives
// about 1 to 1. More is possible (LZMA packs runs of zeros thousands to 1),
// but a package that claims it is more likely to lie about its size.
constexpr int32_t PlausiblePackingRatio = 8;

// The capacity to reserve before decoding packedSize bytes that claim to
// yield unpackedSize: the claim, but no more than the packed bytes can
// plausibly yield, so a lying size cannot make the launcher ask for
// gigabytes. Never negative, never above MaxStreamSize.
int32_t FirstOutputReserve(int32_t packedSize, int32_t unpackedSize);

// The capacity to grow to when the output needs `needed` bytes and the
// block holds `capacity`: doubled, so that the block moves only a
// logarithmic number of times, but never past the claimed unpackedSize (nor
// MaxStreamSize) unless needed itself is larger; at least needed.
int32_t NextOutputReserve(int32_t capacity, int32_t needed, int32_t unpackedSize);
