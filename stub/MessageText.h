// The building of a package message: the UTF-16 text as stored, with the
// caller's text in place of its placeholders, as the message box shows it.
// Pure: no platform call.
#pragma once

#include <cstddef>
#include <cstdint>

// A growable UTF-16 string that owns its block; moving hands it over.
class TWideString {
 public:
  TWideString();
  TWideString(const char16_t* text, size_t length);
  TWideString(TWideString&& other);
  TWideString& operator=(TWideString&& other);
  TWideString(const TWideString&) = delete;
  TWideString& operator=(const TWideString&) = delete;
  ~TWideString();

  // The code units; never null, and followed by a code unit 0.
  const char16_t* Data() const { return data_ != nullptr ? data_ : u""; }
  size_t Length() const { return length_; }
  bool Empty() const { return length_ == 0; }

  // Makes the string length code units long; new units are 0. Returns the
  // writable units.
  char16_t* Resize(size_t length);
  // Replaces count units at position with text; the range is clipped to
  // the string. The text must not lie inside this string's own block.
  void Replace(size_t position, size_t count, const char16_t* text, size_t length);
  // The position of the first occurrence of pattern at or after start, or
  // NotFound.
  size_t Find(const char16_t* pattern, size_t patternLength, size_t start) const;

  static constexpr size_t NotFound = ~size_t(0);

 private:
  void Reserve(size_t capacity);

  char16_t* data_;
  size_t length_;
  size_t capacity_;
};

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
