// The inherent vowel of the Indic scripts whose blocks follow Devanagari's layout (nine blocks of
// 128 units from U+0900: Devanagari, Bengali, Gurmukhi, Gujarati, Oriya, Tamil, Telugu, Kannada,
// Malayalam). A consonant with no sign after it carries the vowel a; Hindi, Punjabi and Gujarati
// drop it inside a word where a vowel stands before the consonant and a consonant that keeps its
// vowel after it (कमरा kamra, समझदार samajhdar). The tables read a consonant followed by the
// virama without its vowel, so the engine writes a virama after each consonant that loses it,
// for the scripts whose sequence table holds the switch entry "//" + virama = "medial".
#pragma once

#include <cstddef>
#include <cstdint>
#include <span>
#include <string_view>

#include "base/unit.h"
#include "tables/sequence_table.h"

namespace namefold {

inline constexpr Unit kIndicFirst = 0x0900, kIndicLast = 0x0D7F;
inline constexpr Unit kIndicBlockMask = 0x7F;
inline constexpr Unit kViramaPlace = 0x4D;
inline constexpr Unit kNuktaPlace = 0x3C;
inline constexpr Unit kZeroWidthNonJoiner = 0x200C, kZeroWidthJoiner = 0x200D;

// The value of the entry that switches the rule on for a script.
inline constexpr std::u16string_view kMedialRuleValue = u"medial";

[[nodiscard]] constexpr bool IsIndic(Unit unit) {
  return unit >= kIndicFirst && unit <= kIndicLast;
}

// The units of an Indic word: the nine blocks and the two joiners, which choose a glyph only.
[[nodiscard]] constexpr bool IsIndicWordUnit(Unit unit) {
  return IsIndic(unit) || unit == kZeroWidthNonJoiner || unit == kZeroWidthJoiner;
}

// The virama of the block that holds `unit`.
[[nodiscard]] constexpr Unit ViramaOf(Unit unit) {
  return static_cast<Unit>((unit & ~kIndicBlockMask) | kViramaPlace);
}

// The sequence of the entry that switches the rule on for the script of `unit`: "//" and the
// script's virama, zero-terminated. Elsewhere "/" inside a sequence matches nothing, so the form
// was free; only the value decides whether it switches the rule on.
struct MedialRuleSwitch {
  Unit units[4];
  [[nodiscard]] constexpr std::u16string_view Sequence() const { return {units, 3}; }
};
[[nodiscard]] constexpr MedialRuleSwitch MedialRuleSwitchFor(Unit unit) {
  return {{kNameEdge, kNameEdge, ViramaOf(unit), 0}};
}

// Whether the sequence `sequence` (an entry's first units) is a rule's switch.
[[nodiscard]] constexpr bool IsMedialRuleSequence(std::u16string_view sequence) {
  return sequence.size() == 3 && IsIndic(sequence[2]) &&
         sequence == MedialRuleSwitchFor(sequence[2]).Sequence();
}

// The Indic word that starts at `word` (its units up to the first that is no word unit) and the
// consonants whose inherent vowel it loses inside it: for each, the place in the word right
// after the consonant, or after the nukta that follows it, where a virama would go. The places
// are written in increasing order into `after`. The word's last consonant, with nothing after
// it, is taken to lose its vowel as the tables read it at a word's end, so the consonant before
// it keeps its own (कमल kamal); the first syllable keeps its vowel. A word of one consonant
// keeps it too (the Nepali र ra, "and"), where the word-end entries would take it: its one place
// is then written, marked `kept`. Of a word longer than kMedialWordCapacity units only that many
// are read, and only they count in `length`.
inline constexpr std::size_t kMedialWordCapacity = 2048;
struct MedialDrops {
  std::uint32_t length;  // the word's units
  std::uint32_t count;   // places written
  bool kept;             // the one place written is that of a word of one consonant
};
[[nodiscard]] MedialDrops FindMedialDrops(const Unit* word,
                                          std::span<std::uint16_t, kMedialWordCapacity> after);

}  // namespace namefold
