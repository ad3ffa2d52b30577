// Compression of setup programs into the raw LZMA streams that packages
// carry, with liblzma. Host-only; failures throw std::runtime_error.
#pragma once

#include <array>
#include <cstdint>
#include <vector>

#include "../package/StubTypes.h"

using TLzmaPropertyBytes = std::array<uint8_t, LzmaPropertiesSize>;

struct TLzmaEncoding {
  uint32_t preset = 6;          // liblzma preset 0..9
  bool extreme = false;         // LZMA_PRESET_EXTREME
  uint32_t dictionarySize = 0;  // 0: the preset's own
  uint32_t literalContextBits = 3;
  uint32_t literalPositionBits = 0;
  uint32_t positionBits = 2;
  // Whether an end marker follows the data. Packages need none.
  bool endMarker = false;
};

struct TLzmaPacked {
  std::vector<uint8_t> bytes;     // the raw stream: no header, first byte 0
  TLzmaPropertyBytes properties;  // for the config's lzmaProperties
};

// The properties byte (pb * 5 + lp) * 9 + lc.
uint8_t LzmaPropertiesByte(uint32_t lc, uint32_t lp, uint32_t pb);

TLzmaPacked CompressLzma(const std::vector<uint8_t>& data, const TLzmaEncoding& encoding = {});
