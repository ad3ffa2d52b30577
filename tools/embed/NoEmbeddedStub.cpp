// Linked when the command is built without a launcher image: build then
// needs --stub.
#include "../StubImage.h"

TEmbeddedImage EmbeddedStub() { return TEmbeddedImage{nullptr, 0}; }
