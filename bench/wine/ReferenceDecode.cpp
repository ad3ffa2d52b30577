// Win32 only. The reference of the Wine figure: the same liblzma as the
// launcher decodes the same stream (a .lzma file: the package's properties,
// its size, its packed bytes) into one buffer allocated up front, then
// writes the start stamp, as the launcher's setup program would at its
// start. The file named by TARNWICK_BENCH_STREAM; exit code 1 on any failure.
#include <lzma.h>
#include <windows.h>

#include <cstdint>

#include "StampFile.h"

namespace {

constexpr size_t AloneHeaderSize = 13;
constexpr size_t AloneSizeField = 5;

}  // namespace

int WINAPI WinMain(HINSTANCE, HINSTANCE, LPSTR, int) {
  char path[MAX_PATH];
  if (GetEnvironmentVariableA("TARNWICK_BENCH_STREAM", path, sizeof path) == 0) return 1;
  HANDLE file = CreateFileA(path, GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr);
  if (file == INVALID_HANDLE_VALUE) return 1;
  const DWORD size = GetFileSize(file, nullptr);
  HANDLE heap = GetProcessHeap();
  uint8_t* packed = static_cast<uint8_t*>(HeapAlloc(heap, 0, size));
  DWORD got = 0;
  if (packed == nullptr || !ReadFile(file, packed, size, &got, nullptr) || got != size || size < AloneHeaderSize)
    return 1;
  CloseHandle(file);
  uint64_t unpackedSize = 0;
  for (size_t i = 0; i < 8; ++i) unpackedSize |= static_cast<uint64_t>(packed[AloneSizeField + i]) << (8 * i);
  uint8_t* output = static_cast<uint8_t*>(HeapAlloc(heap, 0, static_cast<SIZE_T>(unpackedSize)));
  if (output == nullptr) return 1;

  lzma_stream stream = LZMA_STREAM_INIT;
  if (lzma_alone_decoder(&stream, UINT64_MAX) != LZMA_OK) return 1;
  stream.next_in = packed;
  stream.avail_in = size;
  stream.next_out = output;
  stream.avail_out = static_cast<size_t>(unpackedSize);
  const lzma_ret result = lzma_code(&stream, LZMA_FINISH);
  if (stream.avail_out != 0 || (result != LZMA_OK && result != LZMA_STREAM_END)) return 1;
  lzma_end(&stream);
  WriteStartStamp();
  return 0;
}
