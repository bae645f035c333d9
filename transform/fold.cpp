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

void FoldThroughCodePage(int code_page, const Unit* source, Unit* destination, std::size_t size) {
  if (size == 0) return;
  const std::size_t count = WholeCharacters(source, UnitLength(source), size - 1);
  platform::FoldUnits(code_page, source, count, destination);
  for (std::size_t i = 0; i < count; ++i) {
    // Only substitutes are checked: what the name already held is left as it is.
    if (destination[i] != source[i] && IsForbiddenInFileNames(destination[i])) destination[i] = u'_';
  }
  destination[count] = 0;
}

bool FoldsUnchanged(int code_page, const Unit* text) {
  constexpr std::size_t kPiece = 1024;
  Unit folded[kPiece];
  for (;;) {
    std::size_t length = 0;
    while (length <= kPiece && text[length] != 0) ++length;  // at most kPiece + 1
    if (length == 0) return true;
    const std::size_t count = WholeCharacters(text, length, kPiece);
    platform::FoldUnits(code_page, text, count, folded);
    for (std::size_t i = 0; i < count; ++i) {
      if (folded[i] != text[i]) return false;
    }
    text += count;
  }
}

}  // namespace namefold
