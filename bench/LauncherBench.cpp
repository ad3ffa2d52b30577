// The in-process figures: the launcher's CRC against zlib's on the same
// buffer, and its whole decompression step (file read, streams, decoder)
// against bare liblzma decoding the same stream into one preallocated
// buffer. Run by scripts/bench.sh, which builds the inputs:
//   launcher_bench --data=FILE --package=FILE [--pairs=N] [Google Benchmark flags]
#include <benchmark/benchmark.h>
#include <lzma.h>
#include <zlib.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "PairedRuns.h"
#include "package/CRC32.h"
#include "package/NoRTLStream.h"
#include "package/StubTypes.h"
#include "platform/HostPlatform.h"
#include "platform/Platform.h"
#include "stub/Decompress.h"
#include "stub/Integrity.h"

namespace {

constexpr int DefaultPairs = 7;
constexpr size_t AloneHeaderSize = 13;
constexpr double CrcMinSeconds = 0.3;

std::vector<uint8_t> Crc32Data;
std::string PackagePath;
Platform::THandle PackageFile = Platform::InvalidHandleValue;
TPackageConfig Config;
// The reference's input: the .lzma header the decoder wants, then the same
// packed bytes that DecompressPayload reads; and its one output buffer.
std::vector<uint8_t> AloneStream;
std::vector<uint8_t> ReferenceOutput;

[[noreturn]] void Fail(const std::string& text) {
  std::fprintf(stderr, "launcher_bench: %s\n", text.c_str());
  std::exit(2);
}

std::vector<uint8_t> ReadWhole(const std::string& path) {
  std::FILE* file = std::fopen(path.c_str(), "rb");
  if (file == nullptr) Fail("cannot open " + path);
  std::vector<uint8_t> bytes;
  uint8_t chunk[1 << 16];
  size_t got = 0;
  while ((got = std::fread(chunk, 1, sizeof chunk, file)) > 0) bytes.insert(bytes.end(), chunk, chunk + got);
  std::fclose(file);
  return bytes;
}

void OpenPackage() {
  HostPlatform::SetModulePath(PackagePath);
  PackageFile = Platform::CreateFileA(PackagePath.c_str(), Platform::GenericRead, Platform::FileShareRead,
                                      Platform::OpenExisting, 0);
  if (PackageFile == Platform::InvalidHandleValue) Fail("cannot open " + PackagePath);
  const std::vector<uint8_t> whole = ReadWhole(PackagePath);
  if (whole.size() < StubHeaderOffset + StubHeaderSize) Fail(PackagePath + " has no header");
  const TStubHeader header = DecodeStubHeader(&whole[StubHeaderOffset]);
  ReadPackageConfig(PackageFile, header, Config);
  const TPayloadRef& payload = Config.payload32;
  if (!PayloadFitsFile(payload, whole.size())) Fail(PackagePath + " has no 32-bit payload");
  AloneStream.assign(Config.lzmaProperties, Config.lzmaProperties + LzmaPropertiesSize);
  const uint64_t size = static_cast<uint64_t>(payload.unpackedSize);
  for (int i = 0; i < 8; ++i) AloneStream.push_back(static_cast<uint8_t>(size >> (8 * i)));
  AloneStream.insert(AloneStream.end(), whole.begin() + payload.offset,
                     whole.begin() + payload.offset + payload.packedSize);
  // Touched once here, so the reference pays no page faults in its runs.
  ReferenceOutput.assign(static_cast<size_t>(payload.unpackedSize), 0);
}

void CrcOurs(benchmark::State& state) {
  for (auto _ : state) {
    benchmark::DoNotOptimize(CalcCrc32(Crc32Data.data(), static_cast<int32_t>(Crc32Data.size())));
  }
  state.SetBytesProcessed(static_cast<int64_t>(state.iterations() * Crc32Data.size()));
}

void CrcZlib(benchmark::State& state) {
  for (auto _ : state) {
    benchmark::DoNotOptimize(crc32(0L, Crc32Data.data(), static_cast<uInt>(Crc32Data.size())));
  }
  state.SetBytesProcessed(static_cast<int64_t>(state.iterations() * Crc32Data.size()));
}

void DecodeOurs(benchmark::State& state) {
  for (auto _ : state) {
    TStream packed;
    TStream unpacked;
    DecompressPayload(PackageFile, Config.payload32, Config.lzmaProperties, packed, unpacked);
    benchmark::DoNotOptimize(unpacked.GetMemory());
  }
  state.SetBytesProcessed(static_cast<int64_t>(state.iterations()) * Config.payload32.unpackedSize);
}

// The same decode into a given buffer; false when it fell short.
bool DecodeInto(uint8_t* output, size_t size) {
  lzma_stream stream = LZMA_STREAM_INIT;
  if (lzma_alone_decoder(&stream, UINT64_MAX) != LZMA_OK) return false;
  stream.next_in = AloneStream.data();
  stream.avail_in = AloneStream.size();
  stream.next_out = output;
  stream.avail_out = size;
  const lzma_ret result = lzma_code(&stream, LZMA_FINISH);
  lzma_end(&stream);
  return stream.avail_out == 0 && (result == LZMA_OK || result == LZMA_STREAM_END);
}

// Not a figure, the explanation of one: bare liblzma into a buffer fresh
// from the allocator, so that it pays for first touching its pages as
// DecompressPayload's streams must.
void DecodeLiblzmaFresh(benchmark::State& state) {
  const size_t size = static_cast<size_t>(Config.payload32.unpackedSize);
  for (auto _ : state) {
    uint8_t* output = static_cast<uint8_t*>(std::malloc(size));
    if (output == nullptr || !DecodeInto(output, size)) state.SkipWithError("the reference decode fell short");
    benchmark::DoNotOptimize(output);
    std::free(output);
  }
  state.SetBytesProcessed(static_cast<int64_t>(state.iterations()) * Config.payload32.unpackedSize);
}

void DecodeLiblzma(benchmark::State& state) {
  for (auto _ : state) {
    if (!DecodeInto(ReferenceOutput.data(), ReferenceOutput.size())) state.SkipWithError("the reference decode fell short");
    benchmark::DoNotOptimize(ReferenceOutput.data());
  }
  state.SetBytesProcessed(static_cast<int64_t>(state.iterations()) * Config.payload32.unpackedSize);
}

void ConfigureCrc(benchmark::internal::Benchmark* bench) {
  bench->Unit(benchmark::kMillisecond)->MinTime(CrcMinSeconds);
}

void ConfigureDecode(benchmark::internal::Benchmark* bench) {
  bench->Unit(benchmark::kMillisecond)->Iterations(1);
}

bool TakeOption(const char* arg, const char* name, std::string& value) {
  const size_t length = std::strlen(name);
  if (std::strncmp(arg, name, length) != 0 || arg[length] != '=') return false;
  value = arg + length + 1;
  return true;
}

}  // namespace

int main(int argc, char** argv) {
  benchmark::Initialize(&argc, argv);
  std::string dataPath;
  std::string pairs;
  for (int i = 1; i < argc; ++i) {
    if (TakeOption(argv[i], "--data", dataPath) || TakeOption(argv[i], "--package", PackagePath) ||
        TakeOption(argv[i], "--pairs", pairs))
      continue;
    Fail(std::string("unknown argument ") + argv[i]);
  }
  if (dataPath.empty() || PackagePath.empty()) Fail("usage: launcher_bench --data=FILE --package=FILE [--pairs=N]");
  const int pairCount = pairs.empty() ? DefaultPairs : std::atoi(pairs.c_str());
  Crc32Data = ReadWhole(dataPath);
  if (CalcCrc32(Crc32Data.data(), static_cast<int32_t>(Crc32Data.size())) !=
      static_cast<uint32_t>(crc32(0L, Crc32Data.data(), static_cast<uInt>(Crc32Data.size()))))
    Fail("CalcCrc32 and zlib disagree on " + dataPath);
  OpenPackage();

  RegisterPairs("crc", pairCount, CrcOurs, CrcZlib, ConfigureCrc);
  RegisterPairs("decode", pairCount, DecodeOurs, DecodeLiblzma, ConfigureDecode);
  RegisterPairs("decode_fresh", pairCount, DecodeOurs, DecodeLiblzmaFresh, ConfigureDecode);
  TPairedRuns runs;
  benchmark::RunSpecifiedBenchmarks(&runs);
  benchmark::Shutdown();

  // Throughput, so the larger number is better: the reference's time over ours.
  const double crcRatio = runs.MedianRatio("crc");
  std::printf("pairs: crc %zu, decode %zu\n", runs.PairCount("crc"), runs.PairCount("decode"));
  std::printf("(not a figure) DecompressPayload over liblzma into a fresh buffer: %.3f\n",
              runs.MedianRatio("decode_fresh"));
  std::printf("crc_vs_zlib: %.2f\n", crcRatio > 0 ? 1.0 / crcRatio : 0.0);
  std::printf("decode_vs_liblzma: %.3f\n", runs.MedianRatio("decode"));
  return 0;
}
