// A growable byte string in the ANSI code page, always NUL-terminated.
// It owns its block; moving hands the block over, copying is explicit.
#pragma once

#include <cstddef>
#include <cstdint>

class TAnsiString {
 public:
  TAnsiString();
  explicit TAnsiString(const char* text);
  TAnsiString(const char* text, size_t length);
  TAnsiString(TAnsiString&& other);
  TAnsiString& operator=(TAnsiString&& other);
  TAnsiString(const TAnsiString&) = delete;
  TAnsiString& operator=(const TAnsiString&) = delete;
  ~TAnsiString();

  // The bytes, NUL-terminated; never null.
  const char* CStr() const { return data_ != nullptr ? data_ : ""; }
  // Writable bytes for calls that take a non-const string; never null.
  char* Data();
  size_t Length() const { return length_; }
  bool Empty() const { return length_ == 0; }
  // The last byte, or 0 when empty.
  char Last() const { return length_ == 0 ? '\0' : data_[length_ - 1]; }

  void Append(const char* text, size_t length);
  void Append(const char* text);
  void Append(const TAnsiString& text) { Append(text.CStr(), text.Length()); }
  void Append(char c) { Append(&c, 1); }
  // Inserts at a byte position; a position past the end appends. The text
  // must not lie inside this string's own block.
  void Insert(size_t position, const char* text, size_t length);
  // A copy of bytes [start, start + length), clipped to the string.
  TAnsiString Substring(size_t start, size_t length) const;
  TAnsiString Copy() const { return TAnsiString(CStr(), length_); }
  bool Equals(const char* text) const;

 private:
  void Reserve(size_t capacity);

  char* data_;
  size_t length_;
  size_t capacity_;
};
