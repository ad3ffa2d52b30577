// A growable byte string in the ANSI code page, always NUL-terminated.
#pragma once

#include "TextString.h"

using TAnsiString = TTextString<char>;
