// Canonical composition (Unicode NFC) of file names: the same name whether it was stored with
// precomposed characters or as base letters followed by combining marks or conjoining jamo.
#pragma once

#include <cstddef>
#include <cstdint>
#include <span>

#include "base/unit.h"

namespace namefold {

// Units of work for the composition of one name: every unit may decompose into four.
inline constexpr std::size_t kComposeCapacity = 4 * 1024;

// Hangul syllables are built from their conjoining jamo by arithmetic: a leading consonant, a
// vowel and, in 27 of each 28 syllables, a trailing consonant.
inline constexpr Unit kSyllableFirst = 0xAC00, kSyllableLast = 0xD7A3;
inline constexpr Unit kLeadingFirst = 0x1100, kVowelFirst = 0x1161, kTrailingBase = 0x11A7;
inline constexpr int kLeadingCount = 19, kVowelCount = 21, kTrailingCount = 28;

[[nodiscard]] constexpr bool IsHangulSyllable(Unit unit) {
  return unit >= kSyllableFirst && unit <= kSyllableLast;
}

// The jamo of the syllable `syllable`: leading consonant, vowel, and trailing consonant or 0.
struct Jamo {
  Unit leading, vowel, trailing;
};
[[nodiscard]] constexpr Jamo JamoOf(Unit syllable) {
  const int index = syllable - kSyllableFirst;
  const int trailing = index % kTrailingCount;
  return {static_cast<Unit>(kLeadingFirst + index / (kVowelCount * kTrailingCount)),
          static_cast<Unit>(kVowelFirst + index / kTrailingCount % kVowelCount),
          static_cast<Unit>(trailing != 0 ? kTrailingBase + trailing : 0)};
}

// What composition may do to a name because of `unit`. A name whose units all stay, and whose
// marks each follow a unit that stays, is its own composed form.
enum class CompositionRole : std::uint8_t {
  kStays,      // a starter that composes with nothing before it
  kMark,       // a mark that composes with nothing: only reordered among the marks around it
  kMayChange,  // never part of a composed name, or may compose with the unit before it
};
[[nodiscard]] CompositionRole RoleInComposition(Unit unit);

// Whether composition changes `name` at its unit `i`, whatever follows: a unit never found in a
// composed name, one that composes with the unit before it, or a mark after a mark of a higher
// class. A name for which this holds at no unit is its own composed form.
[[nodiscard]] bool ComposesAt(const Unit* name, std::size_t i);

// The composed form of the zero-terminated `name`. Returns `name` itself when none of its units
// may change, whatever its length; otherwise writes as much of its composed form as fits into
// `buffer` (its size counts the terminator; not `name`; not empty), terminated, and returns
// `buffer`. Units of the BMP
// are composed; surrogates stay as they are and compose with nothing. A combining mark that
// composes with nothing is kept, in canonical order. Of a name whose decomposition exceeds
// kComposeCapacity units, only what fits is composed and kept.
[[nodiscard]] const Unit* ComposeName(const Unit* name, std::span<Unit> buffer);

}  // namespace namefold
