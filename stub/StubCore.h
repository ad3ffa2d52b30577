// The launcher's logic, all of it: include this to reach any part.
#pragma once

#include "Arguments.h"
#include "FatalMessages.h"
#include "RunLauncher.h"
