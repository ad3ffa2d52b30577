#include "TextCodec.h"

namespace {

constexpr char32_t MaxCodePoint = 0x10FFFF;
constexpr char32_t SurrogateFirst = 0xD800;
constexpr char32_t LowSurrogateFirst = 0xDC00;
constexpr char32_t SurrogateLast = 0xDFFF;
constexpr char32_t FirstSupplementary = 0x10000;
constexpr const char* ByteOrderMark = "\xEF\xBB\xBF";
constexpr size_t ByteOrderMarkSize = 3;

bool IsContinuation(unsigned char byte) { return (byte & 0xC0) == 0x80; }

// Length of the sequence that lead starts, its payload bits, and the least
// code point that length may carry (anything below is an overlong form).
struct TLead {
  size_t length;
  char32_t bits;
  char32_t least;
};

bool DecodeLead(unsigned char lead, TLead& out) {
  if (lead < 0x80) out = {1, lead, 0};
  else if ((lead & 0xE0) == 0xC0) out = {2, static_cast<char32_t>(lead & 0x1F), 0x80};
  else if ((lead & 0xF0) == 0xE0) out = {3, static_cast<char32_t>(lead & 0x0F), 0x800};
  else if ((lead & 0xF8) == 0xF0) out = {4, static_cast<char32_t>(lead & 0x07), FirstSupplementary};
  else return false;
  return true;
}

void AppendUtf8(std::string& out, char32_t c) {
  if (c < 0x80) {
    out += static_cast<char>(c);
  } else if (c < 0x800) {
    out += static_cast<char>(0xC0 | (c >> 6));
    out += static_cast<char>(0x80 | (c & 0x3F));
  } else if (c < FirstSupplementary) {
    out += static_cast<char>(0xE0 | (c >> 12));
    out += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
    out += static_cast<char>(0x80 | (c & 0x3F));
  } else {
    out += static_cast<char>(0xF0 | (c >> 18));
    out += static_cast<char>(0x80 | ((c >> 12) & 0x3F));
    out += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
    out += static_cast<char>(0x80 | (c & 0x3F));
  }
}

// The character that starts at utf8[i] and its length in bytes; false when
// no well-formed character starts there.
bool DecodeCharacter(const std::string& utf8, size_t i, char32_t& c, size_t& length) {
  TLead lead;
  if (!DecodeLead(static_cast<unsigned char>(utf8[i]), lead) || i + lead.length > utf8.size()) return false;
  c = lead.bits;
  for (size_t k = 1; k < lead.length; ++k) {
    const unsigned char next = static_cast<unsigned char>(utf8[i + k]);
    if (!IsContinuation(next)) return false;
    c = (c << 6) | (next & 0x3F);
  }
  if (c < lead.least || c > MaxCodePoint || (c >= SurrogateFirst && c <= SurrogateLast)) return false;
  length = lead.length;
  return true;
}

void AppendUtf16(std::u16string& text, char32_t c) {
  if (c < FirstSupplementary) {
    text += static_cast<char16_t>(c);
    return;
  }
  const char32_t v = c - FirstSupplementary;
  text += static_cast<char16_t>(SurrogateFirst + (v >> 10));
  text += static_cast<char16_t>(LowSurrogateFirst + (v & 0x3FF));
}

}  // namespace

bool Utf8ToUtf16(const std::string& utf8, std::u16string& text, size_t& badOffset) {
  text.clear();
  size_t i = 0;
  while (i < utf8.size()) {
    char32_t c = 0;
    size_t length = 0;
    if (!DecodeCharacter(utf8, i, c, length)) {
      badOffset = i;
      return false;
    }
    AppendUtf16(text, c);
    i += length;
  }
  return true;
}

std::u16string Utf8ToUtf16Lenient(const std::string& utf8) {
  std::u16string text;
  size_t i = 0;
  while (i < utf8.size()) {
    char32_t c = 0;
    size_t length = 0;
    if (DecodeCharacter(utf8, i, c, length)) {
      AppendUtf16(text, c);
      i += length;
    } else {
      AppendUtf16(text, ReplacementCharacter);
      ++i;
    }
  }
  return text;
}

std::string Utf16ToUtf8(const std::u16string& text) {
  std::string out;
  for (size_t i = 0; i < text.size(); ++i) {
    const char32_t unit = text[i];
    const bool high = unit >= SurrogateFirst && unit < LowSurrogateFirst;
    const bool low = unit >= LowSurrogateFirst && unit <= SurrogateLast;
    if (high && i + 1 < text.size() && text[i + 1] >= LowSurrogateFirst && text[i + 1] <= SurrogateLast) {
      const char32_t c = FirstSupplementary + ((unit - SurrogateFirst) << 10) + (text[i + 1] - LowSurrogateFirst);
      AppendUtf8(out, c);
      ++i;
    } else if (high || low) {
      AppendUtf8(out, ReplacementCharacter);
    } else {
      AppendUtf8(out, unit);
    }
  }
  return out;
}

std::u16string Utf16FromLittleEndian(const uint8_t* bytes, size_t count) {
  std::u16string text(count, u'\0');
  for (size_t i = 0; i < count; ++i)
    text[i] = static_cast<char16_t>(bytes[2 * i] | (bytes[2 * i + 1] << 8));
  return text;
}

std::string WithoutByteOrderMark(const std::string& utf8) {
  if (utf8.compare(0, ByteOrderMarkSize, ByteOrderMark) == 0) return utf8.substr(ByteOrderMarkSize);
  return utf8;
}
