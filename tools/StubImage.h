// The executable image that a package is appended to: the launcher built
// into the command, or one given with --stub, and the test that it leaves
// room for the header. Host-only.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

// The image built into the command; size 0 when the command was built
// without one.
struct TEmbeddedImage {
  const uint8_t* bytes;
  size_t size;
};
TEmbeddedImage EmbeddedStub();

// Why an image cannot take a package, as the end of a sentence that begins
// with the image's name (e.g. "is too short ..."); empty when it can. It
// can when it is an MZ image of at least 152 bytes whose bytes 128 to 151
// are all zero (no header yet, so no package attached) and whose PE header,
// if any, begins at 152 or later.
std::string StubImageProblem(const std::vector<uint8_t>& image);
