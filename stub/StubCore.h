// The launcher's logic, all of it: include this to reach any part.
#pragma once

#include "Arguments.h"
#include "Bitness.h"
#include "FatalMessages.h"
#include "Launch.h"
#include "RunLauncher.h"
#include "TempCopy.h"
#include "VersionGate.h"
