#include "StreamCompressor.h"

#include <lzma.h>

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <memory>
#include <vector>

#include "../builder/RecordEncoder.h"
#include "ToolError.h"

namespace {

constexpr size_t ChunkSize = 1 << 20;
constexpr size_t DictionaryField = 1;

lzma_options_lzma OptionsFor(const TCompressionSettings& settings) {
  lzma_options_lzma options{};
  if (lzma_lzma_preset(&options, settings.preset)) throw WorkError("LZMA preset " + std::to_string(settings.preset) + " is unknown");
  if (settings.dictionarySize) options.dict_size = *settings.dictionarySize;
  // No end marker: the package stores the size, and the launcher needs none.
  options.ext_flags = 0;
  return options;
}

struct TFileCloser {
  void operator()(std::FILE* file) const { std::fclose(file); }
};

class TEncoder {
 public:
  explicit TEncoder(const lzma_options_lzma& options) : options_(options) {
    const lzma_filter filters[] = {{LZMA_FILTER_LZMA1EXT, &options_}, {LZMA_VLI_UNKNOWN, nullptr}};
    const lzma_ret result = lzma_raw_encoder(&stream_, filters);
    if (result != LZMA_OK) throw WorkError("the LZMA encoder refused its settings (liblzma code " + std::to_string(static_cast<int>(result)) + ")");
  }
  ~TEncoder() { lzma_end(&stream_); }
  TEncoder(const TEncoder&) = delete;
  TEncoder& operator=(const TEncoder&) = delete;
  lzma_stream& Stream() { return stream_; }

 private:
  lzma_options_lzma options_;
  lzma_stream stream_ = LZMA_STREAM_INIT;
};

}  // namespace

TLzmaPropertyBytes CompressionProperties(const TCompressionSettings& settings) {
  const lzma_options_lzma options = OptionsFor(settings);
  TLzmaPropertyBytes properties{};
  properties[0] = LzmaPropertiesByte(options.lc, options.lp, options.pb);
  PutLE32(&properties[DictionaryField], options.dict_size);
  return properties;
}

TCompressedPayload CompressFileInto(const std::string& inputPath, TAtomicFile& output,
                                    const TCompressionSettings& settings, uint64_t maxPackedSize,
                                    const std::function<void(uint64_t)>& progress) {
  std::unique_ptr<std::FILE, TFileCloser> input(std::fopen(inputPath.c_str(), "rb"));
  if (!input) throw WorkError("cannot open '" + inputPath + "': " + std::strerror(errno));
  TEncoder encoder(OptionsFor(settings));
  lzma_stream& stream = encoder.Stream();
  std::vector<uint8_t> in(ChunkSize);
  std::vector<uint8_t> out(ChunkSize);

  TCompressedPayload result;
  bool inputDone = false;
  for (;;) {
    if (stream.avail_in == 0 && !inputDone) {
      const size_t got = std::fread(in.data(), 1, in.size(), input.get());
      if (std::ferror(input.get())) throw WorkError("cannot read '" + inputPath + "': " + std::strerror(errno));
      inputDone = got < in.size();
      stream.next_in = in.data();
      stream.avail_in = got;
      result.unpackedSize += got;
      progress(result.unpackedSize);
    }
    stream.next_out = out.data();
    stream.avail_out = out.size();
    const lzma_ret code = lzma_code(&stream, inputDone ? LZMA_FINISH : LZMA_RUN);
    const size_t produced = out.size() - stream.avail_out;
    if (produced > 0) {
      output.Write(out.data(), produced);
      result.packedSize += produced;
      if (result.packedSize > maxPackedSize) {
        result.overLimit = true;
        return result;
      }
    }
    if (code == LZMA_STREAM_END) return result;
    if (code != LZMA_OK) throw WorkError("the LZMA encoder failed on '" + inputPath + "' (liblzma code " + std::to_string(static_cast<int>(code)) + ")");
  }
}
