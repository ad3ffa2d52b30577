// Conversions between the UTF-8 of the command's own input and output and
// the UTF-16 texts that a package stores. Host-only.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

// The replacement for a code unit sequence that is not a character.
constexpr char32_t ReplacementCharacter = 0xFFFD;

// Decodes strict UTF-8 (no overlong forms, no surrogates, nothing above
// U+10FFFF) into UTF-16. Returns false and sets badOffset to the first byte
// that is not part of a well-formed character; text is then unspecified.
bool Utf8ToUtf16(const std::string& utf8, std::u16string& text, size_t& badOffset);

// Decodes UTF-8 as Windows does without MB_ERR_INVALID_CHARS: every byte
// that does not start a well-formed character becomes U+FFFD.
std::u16string Utf8ToUtf16Lenient(const std::string& utf8);

// Encodes UTF-16 as UTF-8; an unpaired surrogate becomes U+FFFD.
std::string Utf16ToUtf8(const std::u16string& text);

// The UTF-16 text of count little-endian code units at bytes.
std::u16string Utf16FromLittleEndian(const uint8_t* bytes, size_t count);

// Strips a UTF-8 byte order mark at the start, as editors on Windows write.
std::string WithoutByteOrderMark(const std::string& utf8);
