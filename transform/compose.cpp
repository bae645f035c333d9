#include "transform/compose.h"

#include <algorithm>
#include <cstdint>
#include <iterator>

namespace namefold {
namespace {

struct CombiningClassRun {
  Unit first, last;
  std::uint8_t value;
};

struct Decomposition {
  Unit unit, first, second;  // second is 0 for a singleton
};

struct Composition {
  Unit first, second, composite;
};

#include "transform/compose_data.inc"

static_assert(kComposeCapacity >= 1024 * kLongestDecomposition, "a name of 1024 units must fit");

// Hangul syllables are built from their jamo by arithmetic.
constexpr Unit kSyllableFirst = 0xAC00, kSyllableLast = 0xD7A3;
constexpr Unit kLeadingFirst = 0x1100, kVowelFirst = 0x1161, kTrailingBase = 0x11A7;
constexpr int kLeadingCount = 19, kVowelCount = 21, kTrailingCount = 28;

std::uint8_t CombiningClass(Unit unit) {
  if (unit < 0x0300) return 0;
  const auto* run =
      std::lower_bound(std::begin(kCombiningClasses), std::end(kCombiningClasses), unit,
                       [](const CombiningClassRun& r, Unit u) { return r.last < u; });
  return run != std::end(kCombiningClasses) && run->first <= unit ? run->value : 0;
}

// Writes the full canonical decomposition of `unit` (at most kLongestDecomposition units) to
// `out`; returns its length. Hangul syllables stay whole: composition rebuilds them anyway.
std::size_t Decompose(Unit unit, Unit* out) {
  const auto* row = std::lower_bound(std::begin(kDecompositions), std::end(kDecompositions), unit,
                                     [](const Decomposition& d, Unit u) { return d.unit < u; });
  if (row == std::end(kDecompositions) || row->unit != unit) {
    out[0] = unit;
    return 1;
  }
  std::size_t n = Decompose(row->first, out);
  if (row->second != 0) n += Decompose(row->second, out + n);
  return n;
}

// The primary composite of the pair, or 0.
Unit Compose(Unit first, Unit second) {
  const int leading = first - kLeadingFirst, vowel = second - kVowelFirst;
  if (leading >= 0 && leading < kLeadingCount && vowel >= 0 && vowel < kVowelCount) {
    return static_cast<Unit>(kSyllableFirst + (leading * kVowelCount + vowel) * kTrailingCount);
  }
  const int syllable = first - kSyllableFirst, trailing = second - kTrailingBase;
  if (first >= kSyllableFirst && first <= kSyllableLast && syllable % kTrailingCount == 0 &&
      trailing > 0 && trailing < kTrailingCount) {
    return static_cast<Unit>(first + trailing);
  }
  const auto* row = std::lower_bound(
      std::begin(kCompositions), std::end(kCompositions), Composition{first, second, 0},
      [](const Composition& a, const Composition& b) {
        return a.first != b.first ? a.first < b.first : a.second < b.second;
      });
  return row != std::end(kCompositions) && row->first == first && row->second == second
             ? row->composite
             : Unit{0};
}

// Whether `unit` may change under composition: it has a combining class, may compose with what
// precedes it, or decomposes for good.
bool MayChangeUnderComposition(Unit unit) {
  const std::uint32_t word =
      kMaybeComposingBits[kMaybeComposingBlocks[unit >> 8]][(unit & 0xFF) >> 5];
  return (word >> (unit & 31) & 1) != 0;
}

// Decomposes, orders and composes `name`, appending to `out` (at `length`, up to `limit`).
// Kept out of line: only names that need it pay for its work buffer.
[[gnu::noinline]] std::size_t ComposeInto(const Unit* name, Unit* out, std::size_t length,
                                          std::size_t limit) {
  Unit work[kComposeCapacity];
  std::size_t n = 0;
  for (; *name != 0 && n + kLongestDecomposition <= kComposeCapacity; ++name) {
    n += Decompose(*name, work + n);
  }

  // Canonical order: each run of marks sorted by class, stably; starters (class 0) never move.
  for (std::size_t i = 1; i < n; ++i) {
    const Unit mark = work[i];
    const std::uint8_t value = CombiningClass(mark);
    std::size_t j = i;
    for (; value != 0 && j > 0 && CombiningClass(work[j - 1]) > value; --j) work[j] = work[j - 1];
    work[j] = mark;
  }

  // A unit joins the last starter unless a unit kept between them has a class of at least its
  // own (a unit of class 0 between them would be the last starter). A name that starts with
  // marks has no starter until one comes.
  std::size_t starter = 0, kept = 0;
  bool have_starter = false;
  int last_class = -1;  // class of the unit kept last, -1 when that is the starter itself
  for (std::size_t i = 0; i < n; ++i) {
    const Unit unit = work[i];
    const int value = CombiningClass(unit);
    if (have_starter && last_class < value) {
      const Unit composite = Compose(work[starter], unit);
      if (composite != 0) {
        work[starter] = composite;
        continue;
      }
    }
    if (value == 0) {
      starter = kept;
      have_starter = true;
      last_class = -1;
    } else {
      last_class = value;
    }
    work[kept++] = unit;
  }

  for (std::size_t i = 0; i < kept && length < limit; ++i) out[length++] = work[i];
  out[length] = 0;
  return length;
}

}  // namespace

const Unit* ComposeName(const Unit* name, Unit* buffer, std::size_t limit) {
  std::size_t i = 0;
  while (name[i] != 0 && (name[i] < 0x0300 || !MayChangeUnderComposition(name[i]))) ++i;
  if (name[i] == 0) return name;
  // The unit before the first that may change is a starter that nothing before it joins: the
  // units up to it are composed already and only the rest is composed again.
  const std::size_t start = i > 0 ? i - 1 : 0;
  const std::size_t kept = CopyBoundedWide(buffer, name, start < limit ? start : limit);
  (void)ComposeInto(name + start, buffer, kept, limit);
  return buffer;
}

}  // namespace namefold
