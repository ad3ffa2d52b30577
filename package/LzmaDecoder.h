// The pure part of payload decompression: the judgement of the package's
// LZMA properties and the decoding of a raw LZMA stream from one TStream
// into another with liblzma.
#pragma once

#include <cstdint>

#include "NoRTLStream.h"

// The properties byte is (pb * 5 + lp) * 9 + lc; pb above this is refused.
constexpr uint32_t LzmaMaxPositionBits = 4;
constexpr uint32_t LzmaMaxPropertiesByte = 224;
// The decoder's history window is never smaller than this.
constexpr uint32_t LzmaMinDictionarySize = 4096;

// The five property bytes split into their numbers.
struct TLzmaProperties {
  uint32_t literalContextBits;   // lc, 0..8
  uint32_t literalPositionBits;  // lp, 0..4
  uint32_t positionBits;         // pb, 0..5 (5 only from a refused byte)
  uint32_t dictionarySize;       // as stored
  uint32_t windowSize;           // max(dictionarySize, LzmaMinDictionarySize)
};

// Splits the 5 bytes at properties. Checks nothing.
TLzmaProperties DecodeLzmaProperties(const uint8_t* properties);

// Whether the 5 bytes at properties may be handed to the decoder: pb at
// most 4 (byte at most 224) and a dictionary size below 2^31.
bool LzmaPropertiesAcceptable(const uint8_t* properties);

// Decodes the raw LZMA stream in packedStream, from its position 0, with
// the 5 bytes at properties, asking for unpackedSize bytes, and appends what
// the decoder produces to unpackedStream. Stops at unpackedSize bytes, at an
// end marker, or at corrupt, used-up or undecodable data (including a
// window that cannot be allocated); reports nothing, so the caller judges
// the result by the size of unpackedStream alone. Bytes after the LZMA data
// are ignored. packedStream's position is moved past what was read.
void LzmaDecodeStream(TStream& packedStream, const uint8_t* properties, int32_t unpackedSize, TStream& unpackedStream);
