// The executable's entry, and nothing else.
#include "StubCore.h"

int main() { LauncherEntry(); }
