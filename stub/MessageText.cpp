#include "MessageText.h"

#include <cstring>

#include "../package/Memory.h"

const char16_t UpperPlaceholder[PlaceholderLength + 1] = u"%USER%";
const char16_t LowerPlaceholder[PlaceholderLength + 1] = u"%user%";

TWideString::TWideString() : data_(nullptr), length_(0), capacity_(0) {}

TWideString::TWideString(const char16_t* text, size_t length) : TWideString() { Replace(0, 0, text, length); }

TWideString::TWideString(TWideString&& other) : data_(other.data_), length_(other.length_), capacity_(other.capacity_) {
  other.data_ = nullptr;
  other.length_ = 0;
  other.capacity_ = 0;
}

TWideString& TWideString::operator=(TWideString&& other) {
  if (this == &other) return *this;
  FreeBlock(data_);
  data_ = other.data_;
  length_ = other.length_;
  capacity_ = other.capacity_;
  other.data_ = nullptr;
  other.length_ = 0;
  other.capacity_ = 0;
  return *this;
}

TWideString::~TWideString() { FreeBlock(data_); }

void TWideString::Reserve(size_t capacity) {
  if (capacity <= capacity_) return;
  size_t grown = capacity_ * 2;
  if (grown < capacity) grown = capacity;
  data_ = static_cast<char16_t*>(ResizeBlock(data_, grown * sizeof(char16_t)));
  capacity_ = grown;
}

char16_t* TWideString::Resize(size_t length) {
  Reserve(length + 1);
  if (length > length_) std::memset(data_ + length_, 0, (length - length_) * sizeof(char16_t));
  length_ = length;
  data_[length_] = 0;
  return data_;
}

void TWideString::Replace(size_t position, size_t count, const char16_t* text, size_t length) {
  if (position > length_) position = length_;
  if (count > length_ - position) count = length_ - position;
  size_t tail = length_ - position - count;
  size_t newLength = length_ - count + length;
  Reserve(newLength + 1);
  std::memmove(data_ + position + length, data_ + position + count, tail * sizeof(char16_t));
  if (length != 0) std::memcpy(data_ + position, text, length * sizeof(char16_t));
  length_ = newLength;
  data_[length_] = 0;
}

size_t TWideString::Find(const char16_t* pattern, size_t patternLength, size_t start) const {
  if (patternLength > length_) return NotFound;
  for (size_t i = start; i + patternLength <= length_; ++i) {
    if (std::memcmp(data_ + i, pattern, patternLength * sizeof(char16_t)) == 0) return i;
  }
  return NotFound;
}

namespace {

void ReplaceEvery(TWideString& text, const char16_t* placeholder, const char16_t* replacement,
                  size_t replacementLength) {
  size_t position = text.Find(placeholder, PlaceholderLength, 0);
  while (position != TWideString::NotFound) {
    text.Replace(position, PlaceholderLength, replacement, replacementLength);
    position = text.Find(placeholder, PlaceholderLength, position + replacementLength);
  }
}

}  // namespace

void ReplacePlaceholders(TWideString& text, const char16_t* replacement, size_t replacementLength) {
  if (replacementLength == 0) return;
  ReplaceEvery(text, UpperPlaceholder, replacement, replacementLength);
  ReplaceEvery(text, LowerPlaceholder, replacement, replacementLength);
}

void CutAtFirstNul(TWideString& text) {
  const char16_t* units = text.Data();
  for (size_t i = 0; i < text.Length(); ++i) {
    if (units[i] == 0) {
      text.Resize(i);
      return;
    }
  }
}
