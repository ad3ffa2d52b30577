// The CRC-32 of zlib, gzip and PNG (CRC-32/ISO-HDLC): reflected polynomial
// 0xEDB88320, register starting at 0xFFFFFFFF, result complemented.
#pragma once

#include <cstdint>

// The CRC of count bytes at data; a count of 0 or less gives 0 and reads
// nothing.
uint32_t CalcCrc32(const void* data, int32_t count);

// Entry index of the byte-at-a-time table, the published table of the
// polynomial; an index above 255 gives 0.
uint32_t Crc32TableEntry(uint32_t index);
