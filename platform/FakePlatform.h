// The scripted fake of the platform layer, host tests only.
#pragma once

#include "Platform.h"

namespace Fake {

// Puts every piece of scripted and recorded state back to its start.
void Reset();

}  // namespace Fake
