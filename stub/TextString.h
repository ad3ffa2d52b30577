// A growable string of code units that owns its block and is always
// terminated by a unit 0. Moving hands the block over; copying is explicit.
// The launcher uses it for ANSI byte strings and for UTF-16 package texts.
#pragma once

#include <cstddef>
#include <cstring>

#include "../package/Memory.h"

template <typename TChar>
class TTextString {
 public:
  static constexpr size_t NotFound = ~size_t(0);

  TTextString() : data_(nullptr), length_(0), capacity_(0) {}
  // A NUL-terminated text.
  explicit TTextString(const TChar* text) : TTextString() { Append(text); }
  TTextString(const TChar* text, size_t length) : TTextString() { Append(text, length); }
  TTextString(TTextString&& other) : data_(other.data_), length_(other.length_), capacity_(other.capacity_) {
    other.Forget();
  }
  TTextString& operator=(TTextString&& other) {
    if (this == &other) return *this;
    FreeBlock(data_);
    data_ = other.data_;
    length_ = other.length_;
    capacity_ = other.capacity_;
    other.Forget();
    return *this;
  }
  TTextString(const TTextString&) = delete;
  TTextString& operator=(const TTextString&) = delete;
  ~TTextString() { FreeBlock(data_); }

  // The units, terminated; never null.
  const TChar* CStr() const { return data_ != nullptr ? data_ : &Terminator; }
  const TChar* Data() const { return CStr(); }
  // Writable units for calls that take a non-const string; never null.
  TChar* Data() {
    Reserve(length_ + 1);
    data_[length_] = 0;
    return data_;
  }
  size_t Length() const { return length_; }
  bool Empty() const { return length_ == 0; }
  // The last unit, or 0 when empty.
  TChar Last() const { return length_ == 0 ? TChar(0) : data_[length_ - 1]; }

  void Append(const TChar* text, size_t length) { Replace(length_, 0, text, length); }
  void Append(const TChar* text) { Append(text, UnitCount(text)); }
  void Append(const TTextString& text) { Append(text.CStr(), text.Length()); }
  void Append(TChar unit) { Append(&unit, 1); }
  // Inserts at a position; a position past the end appends. The text must
  // not lie inside this string's own block.
  void Insert(size_t position, const TChar* text, size_t length) { Replace(position, 0, text, length); }
  // Replaces count units at position with text; the range is clipped to the
  // string. The text must not lie inside this string's own block.
  void Replace(size_t position, size_t count, const TChar* text, size_t length) {
    if (position > length_) position = length_;
    if (count > length_ - position) count = length_ - position;
    size_t tail = length_ - position - count;
    size_t newLength = length_ - count + length;
    Reserve(newLength + 1);
    std::memmove(data_ + position + length, data_ + position + count, tail * sizeof(TChar));
    if (length != 0) std::memcpy(data_ + position, text, length * sizeof(TChar));
    length_ = newLength;
    data_[length_] = 0;
  }
  // Makes the string length units long; new units are 0. Returns the
  // writable units.
  TChar* Resize(size_t length) {
    Reserve(length + 1);
    if (length > length_) std::memset(data_ + length_, 0, (length - length_) * sizeof(TChar));
    length_ = length;
    data_[length_] = 0;
    return data_;
  }
  // The position of the first occurrence of pattern at or after start, or
  // NotFound.
  size_t Find(const TChar* pattern, size_t patternLength, size_t start) const {
    for (size_t i = start; i + patternLength <= length_; ++i) {
      if (std::memcmp(data_ + i, pattern, patternLength * sizeof(TChar)) == 0) return i;
    }
    return NotFound;
  }
  // A copy of units [start, start + length), clipped to the string.
  TTextString Substring(size_t start, size_t length) const {
    if (start > length_) start = length_;
    if (length > length_ - start) length = length_ - start;
    return TTextString(CStr() + start, length);
  }
  TTextString Copy() const { return TTextString(CStr(), length_); }
  // Equal to a NUL-terminated text, unit for unit.
  bool Equals(const TChar* text) const {
    size_t length = UnitCount(text);
    return length == length_ && std::memcmp(CStr(), text, length * sizeof(TChar)) == 0;
  }

 private:
  static constexpr TChar Terminator = 0;

  static size_t UnitCount(const TChar* text) {
    size_t length = 0;
    while (text[length] != 0) ++length;
    return length;
  }

  void Reserve(size_t capacity) {
    if (capacity <= capacity_) return;
    size_t grown = capacity_ * 2;
    if (grown < capacity) grown = capacity;
    data_ = static_cast<TChar*>(ResizeBlock(data_, grown * sizeof(TChar)));
    capacity_ = grown;
  }

  void Forget() {
    data_ = nullptr;
    length_ = 0;
    capacity_ = 0;
  }

  TChar* data_;
  size_t length_;
  size_t capacity_;
};
