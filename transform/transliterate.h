// The transliteration engine: rewrites a name through the two replacement tables.
#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <span>

#include "base/unit.h"
#include "tables/sequence_index.h"
#include "tables/sequence_table.h"
#include "tables/single_char_table.h"

namespace namefold {

struct UnitActions;

// What an engine call reads: a snapshot of the tables that are ready, taken once before the call
// and unchanged while it runs. The single-character table is complete; `sequence` is null where
// there is no sequence table (none, or its load still under way). `index`, when given, is built
// from `sequence` and answers its look-ups; `actions`, when given, hold what the rules of one code
// page and these tables do with each unit. Both only make the engine faster: the results are the
// same without them.
struct ReplacementTables {
  const SingleCharTable& single;
  const SequenceTable* sequence = nullptr;
  const SequenceIndex* index = nullptr;
  const UnitActions* actions = nullptr;
};

// What the engine does with a unit, decided once for a code page's rules and a pair of tables:
// one 32-bit step per unit. The common step appends the unit's replacement, the units of the pool
// from the offset in the top bits on, as many as the length in the low bits says (or, with
// kStepKeep, the unit itself), unless a flag sends the unit to the careful path. The pool is read
// kStepWidth units at a time whatever the length, which costs no branch.
inline constexpr std::size_t kStepWidth = 8;           // longer replacements take the careful path
inline constexpr std::uint32_t kStepLengthMask = 0xF;  // units appended: 0 to kStepWidth
inline constexpr unsigned kStepKeepShift = 4;
inline constexpr std::uint32_t kStepKeep = 1u << kStepKeepShift;  // the unit itself is appended
// The end, a long replacement, an ASCII run to copy whole, or sequences without an index.
inline constexpr std::uint32_t kStepCareful = 1u << 5;
inline constexpr std::uint32_t kStepComposing = 1u << 6;  // composition may change a name here
// Starts sequences, or the small kana rule may shorten its replacement.
inline constexpr std::uint32_t kStepDependsOnNext = 1u << 7;
// Follows a key in some sequence, or is a small kana.
inline constexpr std::uint32_t kStepAffectsPrevious = 1u << 8;
inline constexpr std::uint32_t kStepStartsSequence = 1u << 9;  // sequence entries start with it
inline constexpr unsigned kStepOffsetShift = 10;
inline constexpr std::size_t kStepPoolCapacity = 65536 * kStepWidth + kStepWidth;

struct UnitActions {
  int code_page;                  // whose rules
  const SequenceTable* sequence;  // the sequence table they were built with, or null
  const SequenceIndex* index;     // its index, or null
  bool ascii_kept;                // no entry of either table starts with a unit from 1 to 0x7F
  std::uint32_t step[65536];
  Unit pool[kStepPoolCapacity];  // the short replacements, kStepWidth units readable at each
};

// Fills `actions` for `code_page`'s rules and `tables`, which must not change afterwards: a
// sequence table that may yet be loaded must not be left out.
void BuildUnitActions(const ReplacementTables& tables, int code_page, UnitActions& actions);

// The process's tables, loaded on first demand, with their index and the unit actions of
// `rules_code_page` once both loads are over; nothing while the single-character table is not
// loaded. Once the actions are ready a call reads the state words of their slots, nothing else.
[[nodiscard]] std::optional<ReplacementTables> ProcessReplacementTables(int rules_code_page);

// The longest result, terminator included: a longer one is cut there, whatever the destination.
inline constexpr std::size_t kTransliterateCapacity = 2048;

// Rewrites the zero-terminated `source` into `destination` (its size counts the terminator; not
// `source`): every unit outside `code_page`'s native ranges (all units for 0) is replaced by a
// sequence entry or else its single-character entry; a unit followed by a small ya, yu or yo
// keeps only the first unit of its single-character replacement. Writes as much of the result as
// fits, at most kTransliterateCapacity - 1 units, and a terminator; nothing into an empty span.
// Returns the units written before the terminator.
std::size_t TransliterateInto(const ReplacementTables& tables, int code_page, const Unit* source,
                              std::span<Unit> destination);

// TransliterateInto for a name that may not be composed (NFC) yet, in one pass where the unit
// actions of `code_page` are ready. No value, with `destination` undefined, when the name holds a
// unit that composition may change (compose it, then call TransliterateInto); otherwise what
// TransliterateInto gives. Without the actions it always asks for composing.
[[nodiscard]] std::optional<std::size_t> TransliterateUncomposedInto(
    const ReplacementTables& tables, int code_page, const Unit* source,
    std::span<Unit> destination);

}  // namespace namefold
