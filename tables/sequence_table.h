// The sequence replacement table: runs of two to four UTF-16 units, each mapped to a string of
// up to seven units, in one list per first unit.
#pragma once

#include <cstddef>

#include "base/unit.h"

namespace namefold {

struct SequenceNode {
  Unit continuation[4];  // the units after the key: 1 to 3, zero-terminated
  Unit value[8];         // the replacement: 0 to 7 units, zero-terminated
  SequenceNode* next;    // the next entry with the same key, from a line higher in the file
};

struct SequenceTable {
  static constexpr std::size_t kHeadCount = 65536;  // one list per UTF-16 unit
  SequenceNode* heads[kHeadCount];                  // null when no entry starts with the unit
};

struct [[nodiscard]] SequenceMatch {
  const Unit* value;     // the replacement, or null when no entry matches
  std::size_t consumed;  // units matched, the key included: 2 to 4, or 0 with no match
};

// Allocates `size` bytes, or returns null. ReleaseSequenceTable frees nodes with std::free: a table
// whose nodes come from anything else is never released.
using NodeAllocator = void* (*)(std::size_t size);

// Adds the entries of the zero-terminated `text` to `table` (cleared beforehand), each in its
// own std::malloc'd node that the table keeps. Takes ownership of `text` (from std::malloc) and
// frees it. A failed allocation stops the parse; the entries read before it stay.
void ParseSequenceTable(Unit* text, SequenceTable& table);

// The same with nodes from `allocate`, so that tests can make an allocation fail.
void ParseSequenceTable(Unit* text, SequenceTable& table, NodeAllocator allocate);

// The first entry, in list order, whose sequence is `key` followed by the first units of the
// zero-terminated `rest`; later lines of the file come first in the list.
[[nodiscard]] inline SequenceMatch FindSequence(const SequenceTable& table, Unit key,
                                                const Unit* rest) {
  for (const SequenceNode* node = table.heads[key]; node != nullptr; node = node->next) {
    std::size_t n = 0;
    // rest's terminator never equals a continuation unit, so a shorter rest stops the loop.
    while (node->continuation[n] != 0 && node->continuation[n] == rest[n]) ++n;
    if (node->continuation[n] == 0) return {node->value, n + 1};
  }
  return {nullptr, 0};
}

// Frees every node and empties every list. For tests and fuzzers: the library keeps its table
// until the process ends.
void ReleaseSequenceTable(SequenceTable& table);

}  // namespace namefold
