// The byte images of the launcher file's records, the inverse of the
// decoding in package/StubTypes. Host-only.
#pragma once

#include <array>
#include <cstdint>

#include "../package/StubTypes.h"

// The 16 config bytes that the launcher does not read.
using TUnusedConfigBytes = std::array<uint8_t, 16>;

void PutLE16(uint8_t* bytes, uint16_t value);
void PutLE32(uint8_t* bytes, uint32_t value);
void PutLE64(uint8_t* bytes, uint64_t value);

std::array<uint8_t, StubHeaderSize> EncodeStubHeader(const TStubHeader& header);
std::array<uint8_t, PayloadRefSize> EncodePayloadRef(const TPayloadRef& payload);
std::array<uint8_t, MessageRefSize> EncodeMessageRef(const TMessageRef& message);
// The config record; unused fills bytes 42 to 57.
std::array<uint8_t, PackageConfigSize> EncodePackageConfig(const TPackageConfig& config,
                                                           const TUnusedConfigBytes& unused = {});
