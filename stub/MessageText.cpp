#include "MessageText.h"

const char16_t UpperPlaceholder[PlaceholderLength + 1] = u"%USER%";
const char16_t LowerPlaceholder[PlaceholderLength + 1] = u"%user%";

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
