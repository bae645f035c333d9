#include "transform/compose.h"

#include <algorithm>
#include <array>
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

// The quick check of a unit, as the generated table has it.
enum QuickCheck : std::uint32_t {
  kComposed = 0,      // a starter that composes with nothing before it
  kMark = 1,          // a mark: composed unless it follows a mark of a higher class
  kCompose = 2,       // never in a composed name, or a mark that may compose with what precedes it
  kMaybeStarter = 3,  // a starter that may compose with the unit before it
};

constexpr QuickCheck Check(Unit unit) {
  const std::uint32_t word = kQuickCheckMaps[kQuickCheckBlocks[unit >> 8]][(unit & 0xFF) >> 4];
  return static_cast<QuickCheck>(word >> (2 * (unit & 15)) & 3);
}

// The units whose quick check is not kComposed, one bit each: the test every unit of every name
// pays, a single look-up. Computed by the compiler from the generated table.
constexpr auto kNotComposed = [] {
  std::array<std::uint32_t, 0x10000 / 32> bits{};
  for (std::uint32_t unit = 0; unit < 0x10000; ++unit) {
    if (Check(static_cast<Unit>(unit)) != kComposed) bits[unit >> 5] |= 1u << (unit & 31);
  }
  return bits;
}();

// The units with a canonical decomposition, one bit each. A unit to compose (kCompose) without
// one is a mark that composes with some starters; with one, it is never in a composed name.
constexpr auto kDecomposes = [] {
  std::array<std::uint32_t, 0x10000 / 32> bits{};
  for (const Decomposition& row : kDecompositions) bits[row.unit >> 5] |= 1u << (row.unit & 31);
  return bits;
}();

// The units that stand first in some composition pair, one bit each: most units before a unit that
// may compose with them are not, and need no search. Computed by the compiler.
constexpr auto kFirstOfPair = [] {
  std::array<std::uint32_t, 0x10000 / 32> bits{};
  for (const Composition& pair : kCompositions) bits[pair.first >> 5] |= 1u << (pair.first & 31);
  return bits;
}();

std::uint8_t CombiningClass(Unit unit) {
  const QuickCheck check = Check(unit);
  if (check == kComposed || check == kMaybeStarter) return 0;
  const auto* run =
      std::lower_bound(std::begin(kCombiningClasses), std::end(kCombiningClasses), unit,
                       [](const CombiningClassRun& r, Unit u) { return r.last < u; });
  return run != std::end(kCombiningClasses) && run->first <= unit ? run->value : 0;
}

// Writes the full canonical decomposition of `unit` (at most kLongestDecomposition units) to
// `out`; returns its length. Hangul syllables stay whole: composition rebuilds them anyway.
std::size_t Decompose(Unit unit, Unit* out) {
  const auto* row =
      unit < 0x00C0 ? std::end(kDecompositions)
                    : std::lower_bound(std::begin(kDecompositions), std::end(kDecompositions), unit,
                                       [](const Decomposition& d, Unit u) { return d.unit < u; });
  if (row == std::end(kDecompositions) || row->unit != unit) {
    out[0] = unit;
    return 1;
  }
  std::size_t n = Decompose(row->first, out);
  if (row->second != 0) n += Decompose(row->second, out + n);
  return n;
}

// The primary composite of the pair, or 0. Only a unit that may compose with what precedes it
// can be the second.
Unit Compose(Unit first, Unit second) {
  const QuickCheck check = Check(second);
  if (check != kCompose && check != kMaybeStarter) return 0;
  const int leading = first - kLeadingFirst, vowel = second - kVowelFirst;
  if (leading >= 0 && leading < kLeadingCount && vowel >= 0 && vowel < kVowelCount) {
    return static_cast<Unit>(kSyllableFirst + (leading * kVowelCount + vowel) * kTrailingCount);
  }
  const int syllable = first - kSyllableFirst, trailing = second - kTrailingBase;
  if (IsHangulSyllable(first) && syllable % kTrailingCount == 0 &&
      trailing > 0 && trailing < kTrailingCount) {
    return static_cast<Unit>(first + trailing);
  }
  if ((kFirstOfPair[first >> 5] >> (first & 31) & 1) == 0) return 0;
  const auto* row = std::lower_bound(
      std::begin(kCompositions), std::end(kCompositions), Composition{first, second, 0},
      [](const Composition& a, const Composition& b) {
        return a.first != b.first ? a.first < b.first : a.second < b.second;
      });
  return row != std::end(kCompositions) && row->first == first && row->second == second
             ? row->composite
             : Unit{0};
}

// A unit of a combining class other than 0: a mark, or a mark that composes with some starters.
bool IsNonStarter(Unit unit) {
  const QuickCheck check = Check(unit);
  return check == kMark || (check == kCompose && CombiningClass(unit) != 0);
}

}  // namespace

bool ComposesAt(const Unit* name, std::size_t i) {
  const Unit unit = name[i];
  switch (Check(unit)) {
    case kComposed:
      return false;
    case kCompose: {
      if ((kDecomposes[unit >> 5] >> (unit & 31) & 1) != 0) return true;  // never composed
      // A mark that composes with some starters. Right after a starter that stays whole it joins
      // only that one; after a mark, or a starter that decomposes into marks, it may join an
      // earlier starter, or move.
      if (i == 0) return false;
      const Unit previous = name[i - 1];
      const QuickCheck before = Check(previous);
      return before == kMark || before == kCompose ||
             (kDecomposes[previous >> 5] >> (previous & 31) & 1) != 0 ||
             Compose(previous, unit) != 0;
    }
    case kMaybeStarter:  // after a mark it is blocked; after a starter it joins only that one
      return i > 0 && Check(name[i - 1]) != kMark && Compose(name[i - 1], unit) != 0;
    case kMark: {  // moved after a mark of a higher class
      if (i == 0) return false;
      const QuickCheck before = Check(name[i - 1]);
      return (before == kMark || before == kCompose) &&
             CombiningClass(name[i - 1]) > CombiningClass(unit);
    }
  }
  return true;
}

namespace {

// The first position from `i` on (`i` where a composed form may start) where `name` may not be
// composed already. The end of the name when there is none.
std::size_t FirstToCompose(const Unit* name, std::size_t i) {
  for (; name[i] != 0; ++i) {
    const Unit unit = name[i];
    if ((kNotComposed[unit >> 5] >> (unit & 31) & 1) != 0 && ComposesAt(name, i)) return i;
  }
  return i;
}

// Appends the `count` units of `text` to `out` (at `length`, up to `limit`); returns the length.
std::size_t Append(const Unit* text, std::size_t count, Unit* out, std::size_t length,
                   std::size_t limit) {
  for (std::size_t i = 0; i < count && length < limit; ++i) out[length++] = text[i];
  return length;
}

// Decomposes, orders and composes the `count` units of `segment`, appending them to `out` (at
// `length`, up to `limit`); returns the length. Kept out of line: only names that need it pay for
// its work buffer.
[[gnu::noinline]] std::size_t ComposeSegment(const Unit* segment, std::size_t count, Unit* out,
                                             std::size_t length, std::size_t limit) {
  Unit work[kComposeCapacity];
  std::size_t n = 0;
  for (std::size_t i = 0; i < count && n + kLongestDecomposition <= kComposeCapacity; ++i) {
    n += Decompose(segment[i], work + n);
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
  // own (a unit of class 0 between them would be the last starter). A segment that starts with
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
  return Append(work, kept, out, length, limit);
}

}  // namespace

CompositionRole RoleInComposition(Unit unit) {
  switch (Check(unit)) {
    case kComposed:
      return CompositionRole::kStays;
    case kMark:
      return CompositionRole::kMark;
    default:
      return CompositionRole::kMayChange;
  }
}

const Unit* ComposeName(const Unit* name, std::span<Unit> destination) {
  std::size_t i = FirstToCompose(name, 0);
  if (name[i] == 0) return name;
  Unit* const buffer = destination.data();
  const std::size_t limit = destination.size() - 1;
  std::size_t length = 0, from = 0;  // from: the first unit not yet written
  while (name[i] != 0 && length < limit) {
    // The segment to compose runs from the last starter before i up to the next unit that
    // composes with nothing before it: the units around it are composed already.
    std::size_t start = i;
    while (start > from && IsNonStarter(name[start - 1])) --start;
    if (start > from) --start;
    std::size_t end = i + 1;
    while (name[end] != 0 && Check(name[end]) != kComposed) ++end;
    length = Append(name + from, start - from, buffer, length, limit);
    length = ComposeSegment(name + start, end - start, buffer, length, limit);
    from = end;
    i = FirstToCompose(name, end);
  }
  length = Append(name + from, i - from, buffer, length, limit);
  buffer[length] = 0;
  return buffer;
}

}  // namespace namefold
