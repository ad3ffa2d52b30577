// Turns the chosen payload into the complete setup program in memory.
#pragma once

#include <cstdint>

#include "../package/NoRTLStream.h"
#include "../package/StubTypes.h"
#include "../platform/Platform.h"

// Reads the packedSize bytes at payload.offset of launcherFile into
// packedStream with one read, and decodes them with the five bytes at
// lzmaProperties into unpackedStream, which then holds exactly
// payload.unpackedSize bytes. Both streams come in empty and stay filled for
// the caller. Does not return on failure: an offset of 2^31 or more, a size
// that is negative or beyond what a stream holds, a payload that reaches past
// the end of the file or cannot be read in full, refused properties, or
// decoded data of any other size end in FatalPackageDamaged.
void DecompressPayload(Platform::THandle launcherFile, const TPayloadRef& payload, const uint8_t* lzmaProperties,
                       TStream& packedStream, TStream& unpackedStream);

// The five property bytes as they are handed to the decoder: the same
// bytes, except that a dictionary larger than the window this payload can
// use, max(unpackedSize, LzmaMinDictionarySize), is cut down to it. The
// decoder never looks back further than the output it has made, so the
// result decodes exactly as the stored bytes do, without asking for a
// window (up to 2 GiB) that the program never fills. Pure.
void BoundedLzmaProperties(const uint8_t* lzmaProperties, int32_t unpackedSize, uint8_t* bounded);

// Whether the payload's numbers can be handed to the reading at all: its
// offset below 2^31, both sizes from 0 to MaxStreamSize, and its end,
// offset + packedSize, within a file of fileSize bytes.
bool PayloadFitsFile(const TPayloadRef& payload, uint64_t fileSize);
