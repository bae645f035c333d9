#include "transform/fold.h"

#include "platform/platform.h"

namespace namefold {
namespace {

constexpr bool IsForbiddenInFileNames(Unit unit) {
  switch (unit) {
    case u'\\': case u'/': case u':': case u'*': case u'?': case u'"': case u'<': case u'>':
    case u'|':
      return true;
    default:
      return unit < 0x20;
  }
}

constexpr bool IsHighSurrogate(Unit unit) { return unit >= 0xD800 && unit <= 0xDBFF; }
constexpr bool IsLowSurrogate(Unit unit) { return unit >= 0xDC00 && unit <= 0xDFFF; }

// How many of the first `limit` units of `text` (length `length`) to take without separating a
// surrogate pair.
constexpr std::size_t WholeCharacters(const Unit* text, std::size_t length, std::size_t limit) {
  if (length <= limit) return length;
  if (limit > 0 && IsHighSurrogate(text[limit - 1]) && IsLowSurrogate(text[limit])) return limit - 1;
  return limit;
}

}  // namespace

std::size_t FoldThroughCodePage(int code_page, const Unit* source, Unit* destination,
                                std::size_t size) {
  if (size == 0) return 0;
  // ASCII comes back as it is from every code page, whatever follows it: copied, not folded.
  std::size_t ascii = 0;
  while (ascii < size - 1 && source[ascii] != 0 && source[ascii] < 0x80) {
    destination[ascii] = source[ascii];
    ++ascii;
  }
  std::size_t length = ascii;
  while (length < size && source[length] != 0) ++length;  // one past the limit tells a cut pair
  const std::size_t count = WholeCharacters(source, length, size - 1);
  if (count > ascii) {
    platform::FoldUnits(code_page, source + ascii, count - ascii, destination + ascii);
  }
  for (std::size_t i = ascii; i < count; ++i) {
    // Only substitutes are checked: what the name already held is left as it is.
    if (destination[i] != source[i] && IsForbiddenInFileNames(destination[i])) destination[i] = u'_';
  }
  destination[count] = 0;
  return count;
}

bool FoldsUnchanged(int code_page, const Unit* text) {
  return platform::FoldsUnchanged(code_page, text);
}

}  // namespace namefold
