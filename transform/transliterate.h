// The transliteration engine: rewrites a name through the two replacement tables.
#pragma once

#include <cstddef>
#include <optional>
#include <span>

#include "base/unit.h"
#include "tables/sequence_index.h"
#include "tables/sequence_table.h"
#include "tables/single_char_table.h"

namespace namefold {

struct UnitActions;  // what one rule set does with each unit: transform/unit_actions.h

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

// The first entry of the tables' sequences that matches `key` and the start of `rest`.
[[nodiscard]] SequenceMatch LookUpSequence(const ReplacementTables& tables, Unit key,
                                           const Unit* rest);

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
