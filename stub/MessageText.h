// The building of a package message: the UTF-16 text as stored, with the
// caller's text in place of its placeholders, as the message box shows it.
// Pure: no platform call.
#pragma once

#include <cstddef>
#include <cstdint>

#include "TextString.h"

// A growable UTF-16 string, always terminated by a code unit 0.
using TWideString = TTextString<char16_t>;

// The two placeholders, each this many code units; no other mix of case is one.
constexpr size_t PlaceholderLength = 6;
extern const char16_t UpperPlaceholder[PlaceholderLength + 1];  // "%USER%"
extern const char16_t LowerPlaceholder[PlaceholderLength + 1];  // "%user%"

// Puts replacement in place of every "%USER%", then of every "%user%".
// Each search goes on after the text it inserted, so a replacement that
// itself holds a placeholder is inserted once and the search still ends.
// An empty replacement leaves the text as it is, placeholders included.
void ReplacePlaceholders(TWideString& text, const char16_t* replacement, size_t replacementLength);

// Cuts the text at its first code unit 0: the message box takes a
// NUL-terminated string and shows nothing after it.
void CutAtFirstNul(TWideString& text);
