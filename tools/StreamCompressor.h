// Compresses a setup program from its file straight into the package file,
// as a raw LZMA1 stream without end marker, in chunks, so that neither the
// program nor its compressed form is ever held whole in memory and progress
// can be shown. Host-only; liblzma's LZMA1EXT raw encoder.
#pragma once

#include <cstdint>
#include <functional>
#include <optional>
#include <string>

#include "../builder/LzmaEncoder.h"
#include "AtomicFile.h"

// What the compression is asked for.
struct TCompressionSettings {
  uint32_t preset = 6;                     // liblzma preset 0..9
  std::optional<uint32_t> dictionarySize;  // the preset's own when absent
};

// The five property bytes that a package's config stores for streams made
// with these settings (byte (pb * 5 + lp) * 9 + lc, then the dictionary size).
TLzmaPropertyBytes CompressionProperties(const TCompressionSettings& settings);

struct TCompressedPayload {
  uint64_t unpackedSize = 0;  // bytes read from the input
  uint64_t packedSize = 0;    // bytes appended to the output
  bool overLimit = false;     // stopped once the output passed maxPackedSize
};

// Reads the file at inputPath to its end and appends the compressed stream
// to output. Stops early, with overLimit set, as soon as more than
// maxPackedSize bytes have been written. progress gets the input bytes read
// so far. Throws a work TToolError when the input cannot be read or the
// encoder fails.
TCompressedPayload CompressFileInto(const std::string& inputPath, TAtomicFile& output,
                                    const TCompressionSettings& settings, uint64_t maxPackedSize,
                                    const std::function<void(uint64_t)>& progress);
