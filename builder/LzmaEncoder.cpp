#include "LzmaEncoder.h"

#include <lzma.h>

#include <algorithm>
#include <stdexcept>
#include <string>

#include "RecordEncoder.h"

namespace {

constexpr size_t AloneHeaderSize = 13;
// The properties byte packs the three numbers as (pb * 5 + lp) * 9 + lc.
constexpr uint32_t LiteralContextStates = 9;
constexpr uint32_t LiteralPositionStates = 5;
constexpr size_t OutputGrowth = 1 << 16;

class TEncoderGuard {
 public:
  explicit TEncoderGuard(lzma_stream& stream) : stream_(stream) {}
  ~TEncoderGuard() { lzma_end(&stream_); }
  TEncoderGuard(const TEncoderGuard&) = delete;
  TEncoderGuard& operator=(const TEncoderGuard&) = delete;

 private:
  lzma_stream& stream_;
};

[[noreturn]] void Fail(const char* what, lzma_ret result) {
  throw std::runtime_error(std::string("LZMA encoder: ") + what + " (liblzma code " +
                           std::to_string(static_cast<int>(result)) + ")");
}

lzma_options_lzma OptionsFor(const TLzmaEncoding& encoding) {
  lzma_options_lzma options{};
  const uint32_t preset = encoding.preset | (encoding.extreme ? LZMA_PRESET_EXTREME : 0u);
  if (lzma_lzma_preset(&options, preset)) throw std::runtime_error("LZMA encoder: unknown preset");
  if (encoding.dictionarySize != 0) options.dict_size = encoding.dictionarySize;
  options.lc = encoding.literalContextBits;
  options.lp = encoding.literalPositionBits;
  options.pb = encoding.positionBits;
  return options;
}

// MicroLZMA is a raw LZMA1 stream without end marker whose first byte, always
// 0 in the raw form, holds the inverted properties byte instead.
TLzmaPacked CompressWithoutEndMarker(const std::vector<uint8_t>& data, const lzma_options_lzma& options) {
  lzma_stream stream = LZMA_STREAM_INIT;
  lzma_ret result = lzma_microlzma_encoder(&stream, &options);
  if (result != LZMA_OK) Fail("MicroLZMA encoder refused the options", result);
  TEncoderGuard guard(stream);
  // The whole stream is made in one call, so the output must fit at once.
  std::vector<uint8_t> out(lzma_stream_buffer_bound(data.size()) + OutputGrowth);
  stream.next_in = data.data();
  stream.avail_in = data.size();
  stream.next_out = out.data();
  stream.avail_out = out.size();
  result = lzma_code(&stream, LZMA_FINISH);
  if (result != LZMA_STREAM_END) Fail("MicroLZMA encoding failed", result);
  if (stream.total_in != data.size()) throw std::runtime_error("LZMA encoder: output did not fit");
  out.resize(static_cast<size_t>(stream.total_out));
  out[0] = 0;

  TLzmaPacked packed;
  packed.bytes = std::move(out);
  packed.properties[0] = LzmaPropertiesByte(options.lc, options.lp, options.pb);
  PutLE32(&packed.properties[1], options.dict_size);
  return packed;
}

// The .lzma encoder always ends with a marker; its 13-byte header is dropped
// and its property bytes kept.
TLzmaPacked CompressWithEndMarker(const std::vector<uint8_t>& data, const lzma_options_lzma& options) {
  lzma_stream stream = LZMA_STREAM_INIT;
  lzma_ret result = lzma_alone_encoder(&stream, &options);
  if (result != LZMA_OK) Fail(".lzma encoder refused the options", result);
  TEncoderGuard guard(stream);
  std::vector<uint8_t> out;
  stream.next_in = data.data();
  stream.avail_in = data.size();
  do {
    const size_t used = out.size();
    out.resize(used + OutputGrowth);
    stream.next_out = out.data() + used;
    stream.avail_out = OutputGrowth;
    result = lzma_code(&stream, LZMA_FINISH);
    out.resize(used + OutputGrowth - stream.avail_out);
  } while (result == LZMA_OK);
  if (result != LZMA_STREAM_END) Fail(".lzma encoding failed", result);
  if (out.size() < AloneHeaderSize) throw std::runtime_error("LZMA encoder: no header");

  TLzmaPacked packed;
  std::copy(out.begin(), out.begin() + LzmaPropertiesSize, packed.properties.begin());
  packed.bytes.assign(out.begin() + AloneHeaderSize, out.end());
  return packed;
}

}  // namespace

uint8_t LzmaPropertiesByte(uint32_t lc, uint32_t lp, uint32_t pb) {
  return static_cast<uint8_t>((pb * LiteralPositionStates + lp) * LiteralContextStates + lc);
}

TLzmaPacked CompressLzma(const std::vector<uint8_t>& data, const TLzmaEncoding& encoding) {
  const lzma_options_lzma options = OptionsFor(encoding);
  return encoding.endMarker ? CompressWithEndMarker(data, options) : CompressWithoutEndMarker(data, options);
}
