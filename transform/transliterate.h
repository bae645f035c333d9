// The transliteration engine: rewrites a name through the two replacement tables.
#pragma once

#include <atomic>
#include <cstddef>

#include "tables/sequence_table.h"
#include "tables/single_char_table.h"
#include "tables/text.h"

namespace namefold {

// The tables an engine call reads. The sequence table is consulted only while its state word
// says Loaded; the single-character table must be complete.
struct ReplacementTables {
  const SingleCharTable& single;
  const SequenceTable& sequence;
  const std::atomic<int>& sequence_state;
};

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

}  // namespace namefold
