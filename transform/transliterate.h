// The transliteration engine: rewrites a name through the two replacement tables.
#pragma once

#include <atomic>
#include <cstddef>
#include <cstdint>

#include "tables/sequence_index.h"
#include "tables/sequence_table.h"
#include "tables/single_char_table.h"
#include "tables/text.h"

namespace namefold {

struct UnitActions;

// The tables an engine call reads. The sequence table is consulted only while its state word
// says Loaded; the single-character table must be complete. `index`, when given, is built from
// `sequence` and answers its look-ups; `actions`, when given, holds what the rules of one code
// page and these tables do with each unit. Both only make the engine faster: the results are the
// same without them.
struct ReplacementTables {
  const SingleCharTable& single;
  const SequenceTable& sequence;
  const std::atomic<int>& sequence_state;
  const SequenceIndex* index = nullptr;
  const UnitActions* actions = nullptr;
};

// What the engine does with a unit, decided once for a code page's rules and a pair of tables.
enum UnitAction : std::uint8_t {
  kKeepUnit = 0,        // native, or no entry starts with it: copied as it is
  kSingleEntry = 1,     // flag: it has a single-character entry
  kStartsSequence = 2,  // flag: sequence entries start with it
  kEndOfName = 4,       // the terminator
  kMayCompose = 8,      // flag: composition may change a name that holds it
  kMark = 16,           // flag: a mark, which composition may move after another mark
};

struct UnitActions {
  int code_page;               // whose rules
  const SequenceIndex* index;  // the index of the tables they were built for, or null
  bool ascii_kept;             // every unit from 1 to 0x7F is kKeepUnit
  std::uint8_t action[65536];
};

// Fills `actions` for `code_page`'s rules and `tables`, whose sequence state must be final (Loaded
// or Unavailable for good) and which must not change afterwards.
void BuildUnitActions(const ReplacementTables& tables, int code_page, UnitActions& actions);

// The process's tables, as loaded by the table files, with their index and the unit actions of
// `rules_code_page` once both loads are over. Call only when the single-character table is Loaded.
[[nodiscard]] ReplacementTables ProcessReplacementTables(int rules_code_page);

// Units in the engine's output buffer, terminator included; longer output is cut there.
inline constexpr std::size_t kTransliterateCapacity = 2048;

// Rewrites the zero-terminated `name` in place: every unit outside `code_page`'s native ranges
// (all units for 0) is replaced by a sequence entry or else its single-character entry; a unit
// followed by a small ya, yu or yo keeps only the first unit of its single-character
// replacement. The result is cut to `limit` units; `name` must hold limit + 1 units.
void Transliterate(const ReplacementTables& tables, int code_page, Unit* name, std::size_t limit);

// The same from `source` into `destination` (limit + 1 units; not `source`), without the
// intermediate buffer: writes the first `limit` units of the result, at most
// kTransliterateCapacity - 1, and a terminator. Returns the units written.
std::size_t TransliterateInto(const ReplacementTables& tables, int code_page, const Unit* source,
                              Unit* destination, std::size_t limit);

// What TransliterateUncomposedInto answers for a name that composition may change.
inline constexpr std::size_t kNeedsComposing = static_cast<std::size_t>(-1);

// TransliterateInto for a name that may not be composed (NFC) yet, in one pass where the unit
// actions of `code_page` are ready: returns kNeedsComposing, with `destination` undefined, when
// the name holds a unit that composition may change (compose it, then call TransliterateInto),
// and otherwise what TransliterateInto gives. Without the actions it always asks for composing.
[[nodiscard]] std::size_t TransliterateUncomposedInto(const ReplacementTables& tables,
                                                      int code_page, const Unit* source,
                                                      Unit* destination, std::size_t limit);

}  // namespace namefold
