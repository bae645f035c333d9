// What the engine does with each unit, decided once per rule set (a code page's native ranges)
// and pair of tables: one 32-bit step per unit, and a pool of the short replacements.
//
//   31                 12   11   10    9    8    7    6    5    4  3      0
//  +---------------------+----+----+----+----+----+----+----+----+--------+
//  |  pool offset        | RS | SN | SS | AP | DN | CO | CA | KE | length |
//  +---------------------+----+----+----+----+----+----+----+----+--------+
//
//  length  units the common step appends: 0 to kStepWidth.
//  KE      kStepKeep: the unit itself is appended (length is 1), not units of the pool.
//  CA      kStepCareful: the common step stops here. The end of the name, a replacement longer
//          than kStepWidth, an ASCII unit whose whole run is copied at once, or a unit that starts
//          sequences when there is no index to look them up quickly.
//  CO      kStepComposing: composition may change a name at this unit; the one pass over a name
//          that may not be composed stops here.
//  DN      kStepDependsOnNext: what the unit becomes depends on the unit after it (it starts
//          sequences, or the small kana rule may cut its replacement of two units or more).
//  AP      kStepAffectsPrevious: the unit changes what the unit before it becomes (it follows a key
//          in some sequence, or it is a small kana). DN of one unit and AP of the next, both set,
//          stop the common step: a test of two words, no branch on what either unit is.
//  SS      kStepStartsSequence: sequence entries start with the unit.
//  SN      kStepStartsName: entries for the name's start ("/" first) go on with the unit, and the
//          rules let them apply when it is the name's first unit.
//  RS      kStepRespelled: the name is respelled before it is read (RespelledByRules): a Hangul
//          syllable read as its conjoining jamo (it is careful, and kept as far as the step can
//          tell), or a unit of a script whose inherent vowel the rules drop inside a word.
//          The passes over a name as it is stop here and hand the name to the respelled form.
//  offset  where the unit's replacement starts in the pool.
//
// The common step writes the unit, then copies kStepWidth units of the pool from the offset over
// it (or, for a kept unit, the pool's first kStepWidth zero units after it) and advances by the
// length: the same work whatever the unit becomes. The pool ends with kStepWidth zero units so
// that every copy reads inside it.
#pragma once

#include <cstddef>
#include <cstdint>
#include <span>

#include "base/unit.h"
#include "tables/sequence_index.h"
#include "tables/sequence_table.h"
#include "tables/single_char_table.h"
#include "transform/transliterate.h"

namespace namefold {

inline constexpr std::size_t kStepWidth = 8;
inline constexpr std::uint32_t kStepLengthMask = 0xF;
inline constexpr unsigned kStepKeepShift = 4;
inline constexpr std::uint32_t kStepKeep = 1u << kStepKeepShift;
inline constexpr std::uint32_t kStepCareful = 1u << 5;
inline constexpr std::uint32_t kStepComposing = 1u << 6;
inline constexpr std::uint32_t kStepDependsOnNext = 1u << 7;
inline constexpr std::uint32_t kStepAffectsPrevious = 1u << 8;
inline constexpr std::uint32_t kStepStartsSequence = 1u << 9;
inline constexpr std::uint32_t kStepStartsName = 1u << 10;
inline constexpr std::uint32_t kStepRespelled = 1u << 11;
inline constexpr unsigned kStepOffsetShift = 12;
inline constexpr std::size_t kStepPoolCapacity = 65536 * kStepWidth + kStepWidth;

static_assert(kStepWidth <= kStepLengthMask && kStepLengthMask < kStepKeep);
static_assert(kStepAffectsPrevious == kStepDependsOnNext << 1, "the pair test shifts DN onto AP");
static_assert(kStepPoolCapacity <= (std::uint64_t{1} << (32 - kStepOffsetShift)));

struct UnitActions {
  int code_page;                  // whose rules
  const SequenceTable* sequence;  // the sequence table they were built with, or null
  const SequenceIndex* index;     // its index, or null
  bool ascii_kept;                // no entry of either table starts with a unit from 1 to 0x7F
  bool respelled_in_sequences;    // an entry whose key is not respelled holds a unit that is
  std::uint32_t step[65536];
  Unit pool[kStepPoolCapacity];  // the short replacements, kStepWidth units readable at each
};

// Hiragana and katakana small ya, yu, yo: after one of them a unit keeps only the first unit of
// its single-character replacement.
constexpr bool IsSmallKana(Unit unit) {
  switch (unit) {
    case 0x3083:
    case 0x3085:
    case 0x3087:
    case 0x30E3:
    case 0x30E5:
    case 0x30E7:
      return true;
    default:
      return false;
  }
}

// Whether the rules of `native` read the Hangul syllable `c` as its conjoining jamo: it is
// replaceable and has no single-character entry of its own, and each of its jamo has one. The
// engine spells such syllables out before it reads a name, so that sequence entries of jamo
// see a syllable's last consonant next to the next one's first.
[[nodiscard]] bool ReadsThroughJamo(const SingleCharTable& single,
                                    std::span<const UnitRange> native, Unit c);

// Whether the rules read the unit `c` with the medial vowel rule of transform/inherent_vowel.h:
// it is replaceable, and its Indic block is one for which the tables switch the rule on.
[[nodiscard]] bool InMedialVowelScript(const ReplacementTables& tables,
                                       std::span<const UnitRange> native, Unit c);

// Whether the rules respell a name at the unit `c` before reading it: one of the two above.
[[nodiscard]] bool RespelledByRules(const ReplacementTables& tables,
                                    std::span<const UnitRange> native, Unit c);

// Fills `actions` for `code_page`'s rules and `tables`, which must not change afterwards: a
// sequence table that may yet be loaded must not be left out.
void BuildUnitActions(const ReplacementTables& tables, int code_page, UnitActions& actions);

}  // namespace namefold
