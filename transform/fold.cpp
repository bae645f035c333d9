#include "transform/fold.h"

#include <cstdint>

#include "platform/platform.h"
#include "tables/once.h"
#include "transform/word_scan.h"

namespace namefold {
namespace {

constexpr bool IsForbiddenInFileNames(Unit unit) {
  switch (unit) {
    case u'\\':
    case u'/':
    case u':':
    case u'*':
    case u'?':
    case u'"':
    case u'<':
    case u'>':
    case u'|':
      return true;
    default:
      return unit < 0x20;
  }
}

// How many of the first `limit` units of `text` (length `length`) to take without separating a
// surrogate pair.
constexpr std::size_t WholeCharacters(const Unit* text, std::size_t length, std::size_t limit) {
  if (length <= limit) return length;
  if (limit > 0 && IsHighSurrogate(text[limit - 1]) && IsLowSurrogate(text[limit]))
    return limit - 1;
  return limit;
}

// What a code page does with each unit alone: a bit per unit that comes back unchanged, and the
// fold of every unit, a forbidden substitute already turned into '_'. Surrogates are neither (their
// fold is 0, as the terminator's): UTF-8 keeps only a whole pair, so the platform folds them in
// context.
struct CodePageFolds {
  std::uint64_t unchanged[65536 / 64];
  Unit folded[65536];
};

bool Holds(const CodePageFolds& folds, Unit unit) {
  return ((folds.unchanged[unit >> 6] >> (unit & 63)) & 1) != 0;
}

// Folds every unit once, a block at a time: each unit folds alone (platform contract).
bool FillCodePageFolds(int code_page, CodePageFolds& folds) {
  constexpr std::size_t kBlock = 512;
  Unit source[kBlock];
  for (std::size_t first = 0; first < 65536; first += kBlock) {
    for (std::size_t k = 0; k < kBlock; ++k) source[k] = static_cast<Unit>(first + k);
    platform::FoldUnits(code_page, source, kBlock, folds.folded + first);
  }
  for (std::size_t unit = 0; unit < 65536; ++unit) {
    Unit& folded = folds.folded[unit];
    const bool surrogate = IsSurrogate(static_cast<Unit>(unit));
    const bool kept = folded == unit && unit != 0 && !surrogate;
    if (!kept && IsForbiddenInFileNames(folded) && folded != unit) folded = u'_';
    if (surrogate || unit == 0) folded = 0;  // the end; surrogates are folded in context
    std::uint64_t& word = folds.unchanged[unit >> 6];
    const std::uint64_t bit = std::uint64_t{1} << (unit & 63);
    word = kept ? word | bit : word & ~bit;
  }
  return true;
}

// One slot per code page number in use: 0 (the ANSI code page), and the second code page.
OnceSlots<CodePageFolds, 4> code_page_folds;

[[gnu::noinline]] const CodePageFolds* PrepareFolds(int code_page) {
  return BuildOnceFor(
      code_page_folds, static_cast<std::uint32_t>(code_page),
      [code_page](CodePageFolds& fresh) { return FillCodePageFolds(code_page, fresh); });
}

const CodePageFolds* FoldsOf(int code_page) {
  const CodePageFolds* folds = FindBuilt(code_page_folds, static_cast<std::uint32_t>(code_page));
  return folds != nullptr ? folds : PrepareFolds(code_page);
}

// The fold without the bitmap, while another caller prepares it.
std::size_t FoldUnitByUnit(int code_page, const Unit* source, Unit* destination, std::size_t size) {
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
    if (destination[i] != source[i] && IsForbiddenInFileNames(destination[i]))
      destination[i] = u'_';
  }
  destination[count] = 0;
  return count;
}

}  // namespace

std::size_t FoldThroughCodePage(int code_page, const Unit* source,
                                std::span<Unit> destination_span) {
  const std::size_t size = destination_span.size();
  if (size == 0) return 0;
  Unit* const destination = destination_span.data();
  const CodePageFolds* folds = FoldsOf(code_page);
  if (folds == nullptr) return FoldUnitByUnit(code_page, source, destination, size);
  const std::size_t limit = size - 1;
  std::size_t i = 0;
  while (i < limit) {
    // Every unit but the terminator and the surrogates folds alone, through the map, where those
    // two hold 0: one load and one test per unit.
    for (const Unit* const map = folds->folded; i < limit; ++i) {
      const Unit folded = map[source[i]];
      if (folded == 0) break;
      destination[i] = folded;
    }
    if (i == limit || source[i] == 0) break;
    if (!IsSurrogate(source[i])) {  // a unit that the code page itself folds to 0
      destination[i] = 0;
      ++i;
      continue;
    }
    // A run of surrogates, folded in one piece so that a pair stays together.
    std::size_t end = i + 1;
    while (end < limit && IsSurrogate(source[end])) ++end;
    platform::FoldUnits(code_page, source + i, end - i, destination + i);
    for (; i < end; ++i) {
      if (destination[i] != source[i] && IsForbiddenInFileNames(destination[i])) {
        destination[i] = u'_';
      }
    }
  }
  // A result cut between the two units of a pair loses the first of them too.
  if (i == limit && source[i] != 0 && WholeCharacters(source, limit + 1, limit) < limit) --i;
  destination[i] = 0;
  return i;
}

bool FoldsUnchanged(int code_page, const Unit* text) {
  const CodePageFolds* folds = FoldsOf(code_page);
  if (folds == nullptr) return platform::FoldsUnchanged(code_page, text);
  for (;;) {
    text += AsciiRunLength(text);
    if (*text == 0) return true;
    // Then the units up to the next ASCII one, each through the bitmap. A surrogate may be half
    // of a pair that UTF-8 keeps: the platform decides from there.
    for (; *text >= 0x80; ++text) {
      if (!Holds(*folds, *text)) {
        return IsSurrogate(*text) ? platform::FoldsUnchanged(code_page, text) : false;
      }
    }
  }
}

}  // namespace namefold
