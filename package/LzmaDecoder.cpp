#include "LzmaDecoder.h"

#include <lzma.h>

#include <cstddef>
#include <cstring>

#include "Memory.h"
#include "OutputReserve.h"
#include "StubTypes.h"

namespace {

constexpr uint32_t LiteralContextStates = 9;
constexpr uint32_t LiteralPositionStates = 5;
constexpr uint32_t LzmaPropertiesDictionary = 1;
constexpr uint32_t MaxAcceptedDictionary = 0x7FFFFFFFu;

// The .lzma header that the decoder expects in front of the data: the five
// property bytes, then the uncompressed size as unsigned 64-bit LE.
constexpr size_t AloneHeaderSize = 13;
constexpr size_t AloneHeaderSizeField = 5;
constexpr size_t AloneHeaderSizeWidth = 8;

// Chunks that carry the packed bytes in and the decoded bytes out.
constexpr int32_t InputChunkSize = 65536;
constexpr int32_t OutputChunkSize = 65536;

// Releases the decoder however decoding ends.
class TLzmaDecoderGuard {
 public:
  explicit TLzmaDecoderGuard(lzma_stream& stream) : stream_(stream) {}
  ~TLzmaDecoderGuard() { lzma_end(&stream_); }
  TLzmaDecoderGuard(const TLzmaDecoderGuard&) = delete;
  TLzmaDecoderGuard& operator=(const TLzmaDecoderGuard&) = delete;

 private:
  lzma_stream& stream_;
};

// A scratch block of the launcher's allocator, freed on every path.
class TScratchBlock {
 public:
  explicit TScratchBlock(size_t size) : block_(static_cast<uint8_t*>(AllocateBlock(size))) {}
  ~TScratchBlock() { FreeBlock(block_); }
  TScratchBlock(const TScratchBlock&) = delete;
  TScratchBlock& operator=(const TScratchBlock&) = delete;
  uint8_t* Bytes() { return block_; }

 private:
  uint8_t* block_;
};

void BuildAloneHeader(const uint8_t* properties, int32_t unpackedSize, uint8_t* header) {
  std::memcpy(header, properties, LzmaPropertiesSize);
  // Sign extension is what the decoder is to be asked for; callers keep
  // negative sizes away, so below 2^31 this is the plain size.
  const uint64_t size = static_cast<uint64_t>(static_cast<int64_t>(unpackedSize));
  for (size_t i = 0; i < AloneHeaderSizeWidth; ++i)
    header[AloneHeaderSizeField + i] = static_cast<uint8_t>(size >> (8 * i));
}

}  // namespace

TLzmaProperties DecodeLzmaProperties(const uint8_t* properties) {
  const uint32_t byte = properties[0];
  TLzmaProperties result;
  result.literalContextBits = byte % LiteralContextStates;
  result.literalPositionBits = (byte / LiteralContextStates) % LiteralPositionStates;
  result.positionBits = byte / (LiteralContextStates * LiteralPositionStates);
  result.dictionarySize = ReadLE32(properties + LzmaPropertiesDictionary);
  result.windowSize = result.dictionarySize > LzmaMinDictionarySize ? result.dictionarySize : LzmaMinDictionarySize;
  return result;
}

bool LzmaPropertiesAcceptable(const uint8_t* properties) {
  if (properties[0] > LzmaMaxPropertiesByte) return false;
  return ReadLE32(properties + LzmaPropertiesDictionary) <= MaxAcceptedDictionary;
}

void LzmaDecodeStream(TStream& packedStream, const uint8_t* properties, int32_t unpackedSize, TStream& unpackedStream) {
  lzma_stream stream = LZMA_STREAM_INIT;
  if (lzma_alone_decoder(&stream, UINT64_MAX) != LZMA_OK) return;
  TLzmaDecoderGuard guard(stream);

  // The header travels in front of the first packed bytes in one input block.
  TScratchBlock input(AloneHeaderSize + static_cast<size_t>(InputChunkSize));
  TScratchBlock output(static_cast<size_t>(OutputChunkSize));
  BuildAloneHeader(properties, unpackedSize, input.Bytes());
  packedStream.Seek(0, SeekFromBeginning);
  // Reserved ahead, so that the block does not move at every 128 KiB step.
  const int32_t reserve = FirstOutputReserve(packedStream.GetSize(), unpackedSize);
  if (reserve > unpackedStream.GetCapacity()) unpackedStream.SetCapacity(reserve);
  const int32_t firstRead = packedStream.Read(input.Bytes() + AloneHeaderSize, InputChunkSize);
  stream.next_in = input.Bytes();
  stream.avail_in = AloneHeaderSize + static_cast<size_t>(firstRead);
  bool inputUsedUp = firstRead < InputChunkSize;

  for (;;) {
    if (stream.avail_in == 0 && !inputUsedUp) {
      const int32_t got = packedStream.Read(input.Bytes(), InputChunkSize);
      inputUsedUp = got < InputChunkSize;
      stream.next_in = input.Bytes();
      stream.avail_in = static_cast<size_t>(got);
    }
    stream.next_out = output.Bytes();
    stream.avail_out = static_cast<size_t>(OutputChunkSize);
    // LZMA_FINISH only once the decoder holds the last of the input.
    const lzma_ret result = lzma_code(&stream, inputUsedUp ? LZMA_FINISH : LZMA_RUN);
    const size_t produced = static_cast<size_t>(OutputChunkSize) - stream.avail_out;
    if (produced > 0) {
      const int64_t end = static_cast<int64_t>(unpackedStream.GetPosition()) + static_cast<int64_t>(produced);
      // Past the reservation the block grows geometrically, not step by step.
      if (end > unpackedStream.GetCapacity() && end <= MaxStreamSize) {
        const int32_t needed = static_cast<int32_t>(end);
        unpackedStream.SetCapacity(NextOutputReserve(unpackedStream.GetCapacity(), needed, unpackedSize));
      }
      unpackedStream.Write(output.Bytes(), static_cast<int32_t>(produced));
    }
    // Any verdict other than "go on" ends decoding; the output size tells.
    if (result != LZMA_OK) return;
  }
}
