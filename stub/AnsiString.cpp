#include "AnsiString.h"

#include <cstring>

#include "../package/Memory.h"

TAnsiString::TAnsiString() : data_(nullptr), length_(0), capacity_(0) {}

TAnsiString::TAnsiString(const char* text) : TAnsiString() { Append(text); }

TAnsiString::TAnsiString(const char* text, size_t length) : TAnsiString() { Append(text, length); }

TAnsiString::TAnsiString(TAnsiString&& other) : data_(other.data_), length_(other.length_), capacity_(other.capacity_) {
  other.data_ = nullptr;
  other.length_ = 0;
  other.capacity_ = 0;
}

TAnsiString& TAnsiString::operator=(TAnsiString&& other) {
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

TAnsiString::~TAnsiString() { FreeBlock(data_); }

char* TAnsiString::Data() {
  Reserve(length_ + 1);
  data_[length_] = '\0';
  return data_;
}

void TAnsiString::Reserve(size_t capacity) {
  if (capacity <= capacity_) return;
  size_t grown = capacity_ * 2;
  if (grown < capacity) grown = capacity;
  data_ = static_cast<char*>(ResizeBlock(data_, grown));
  capacity_ = grown;
}

void TAnsiString::Append(const char* text, size_t length) { Insert(length_, text, length); }

void TAnsiString::Append(const char* text) { Append(text, std::strlen(text)); }

void TAnsiString::Insert(size_t position, const char* text, size_t length) {
  if (position > length_) position = length_;
  Reserve(length_ + length + 1);
  std::memmove(data_ + position + length, data_ + position, length_ - position);
  std::memcpy(data_ + position, text, length);
  length_ += length;
  data_[length_] = '\0';
}

TAnsiString TAnsiString::Substring(size_t start, size_t length) const {
  if (start > length_) start = length_;
  if (length > length_ - start) length = length_ - start;
  return TAnsiString(CStr() + start, length);
}

bool TAnsiString::Equals(const char* text) const {
  size_t length = std::strlen(text);
  return length == length_ && std::memcmp(CStr(), text, length) == 0;
}
