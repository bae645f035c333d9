#include "transform/fold.h"

#include <cstdint>

#include "platform/platform.h"
#include "transform/prepared.h"

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

// The units that come back from a code page unchanged whatever surrounds them: a bit per unit.
// Surrogates never count, since UTF-8 keeps only a whole pair.
struct UnchangedUnits {
  std::uint64_t bits[65536 / 64];
};

bool Holds(const UnchangedUnits& unchanged, Unit unit) {
  return ((unchanged.bits[unit >> 6] >> (unit & 63)) & 1) != 0;
}

// Folds every unit once, a block at a time: each unit folds alone (platform contract).
bool FillUnchangedUnits(int code_page, UnchangedUnits& unchanged) {
  constexpr std::size_t kBlock = 512;
  Unit source[kBlock], folded[kBlock];
  for (std::size_t first = 0; first < 65536; first += kBlock) {
    for (std::size_t k = 0; k < kBlock; ++k) source[k] = static_cast<Unit>(first + k);
    platform::FoldUnits(code_page, source, kBlock, folded);
    for (std::size_t k = 0; k < kBlock; ++k) {
      const Unit unit = source[k];
      const bool kept = folded[k] == unit && unit != 0 && !IsHighSurrogate(unit) && !IsLowSurrogate(unit);
      std::uint64_t& word = unchanged.bits[unit >> 6];
      const std::uint64_t bit = std::uint64_t{1} << (unit & 63);
      word = kept ? word | bit : word & ~bit;
    }
  }
  return true;
}

// One slot per code page number in use: 0 (the ANSI code page), and the second code page.
PreparedSlots<UnchangedUnits, 4> unchanged_units;

const UnchangedUnits* UnchangedUnitsOf(int code_page) {
  return Prepared(unchanged_units, static_cast<std::uint32_t>(code_page),
                  [code_page](UnchangedUnits& fresh) { return FillUnchangedUnits(code_page, fresh); });
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
    if (destination[i] != source[i] && IsForbiddenInFileNames(destination[i])) destination[i] = u'_';
  }
  destination[count] = 0;
  return count;
}

}  // namespace

std::size_t FoldThroughCodePage(int code_page, const Unit* source, Unit* destination,
                                std::size_t size) {
  if (size == 0) return 0;
  const UnchangedUnits* unchanged = UnchangedUnitsOf(code_page);
  if (unchanged == nullptr) return FoldUnitByUnit(code_page, source, destination, size);
  const std::size_t limit = size - 1;
  std::size_t i = 0;
  while (i < limit && source[i] != 0) {
    if (Holds(*unchanged, source[i])) {
      destination[i] = source[i];
      ++i;
      continue;
    }
    // A run of units that change, folded in one piece so that a pair stays together.
    std::size_t end = i + 1;
    while (end < limit && source[end] != 0 && !Holds(*unchanged, source[end])) ++end;
    platform::FoldUnits(code_page, source + i, end - i, destination + i);
    for (; i < end; ++i) {
      // Only substitutes are checked: what the name already held is left as it is.
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
  const UnchangedUnits* unchanged = UnchangedUnitsOf(code_page);
  if (unchanged == nullptr) return platform::FoldsUnchanged(code_page, text);
  for (; *text != 0; ++text) {
    // Past the first unit that may change, the platform decides: it may be half of a pair.
    if (!Holds(*unchanged, *text)) return platform::FoldsUnchanged(code_page, text);
  }
  return true;
}

}  // namespace namefold
