// The sequence replacement table: runs of two to four UTF-16 units, each mapped to a string of
// up to seven units, in one list per first unit.
#pragma once

#include <cstddef>

#include "base/unit.h"

namespace namefold {

// What a node keeps of an entry: units of the sequence past these, and of the value, are dropped.
inline constexpr std::size_t kSequenceUnitsKept = 4;
inline constexpr std::size_t kValueUnitsKept = 7;

// A "/" in an entry's sequence stands for an edge of the name, which never holds one: as the
// first unit, the name's start ("/x" matches x as the name's first unit, and the "/" consumes
// nothing); as the last unit, its end ("x/" matches x as its last unit). The engine tries entries
// that start with it at the name's start only.
inline constexpr Unit kNameEdge = u'/';

struct SequenceNode {
  Unit continuation[kSequenceUnitsKept];  // the units after the key: 1 to 3, zero-terminated
  Unit value[kValueUnitsKept + 1];        // the replacement: 0 to 7 units, zero-terminated
  SequenceNode* next;  // the next entry with the same key, from a line higher in the file
};

struct SequenceTable {
  static constexpr std::size_t kHeadCount = 65536;  // one list per UTF-16 unit
  SequenceNode* heads[kHeadCount];                  // null when no entry starts with the unit
};

struct [[nodiscard]] SequenceMatch {
  const Unit* value;     // the replacement, or null when no entry matches
  std::size_t consumed;  // units matched, the key included: 1 to 4 (1 only for a key and the
                         // name's end), or 0 with no match
};

// A line of a sequence table that holds "=": its sequence runs from `begin` to the first "=",
// `equals`, and its value from there to `end`, the line break or the terminator.
struct SequenceLine {
  const Unit* begin;
  const Unit* equals;
  const Unit* end;
  [[nodiscard]] bool EndsLoading() const { return equals - begin < 2; }
};

// The grammar of the table, for the library's parser and for `namefold check`: scans the
// zero-terminated `text` line by line (CR LF, CR alone and LF alone each end one line; a
// byte-order mark at the very start is passed over) and calls `found(line) -> bool` for each line
// that holds "=", in text order; lines without one are comments or blank. A line whose sequence
// has fewer than two units is no entry: loading ends there, after it is reported. The scan also
// ends where `found` returns false.
template <typename Found>
void ScanSequenceTable(const Unit* text, Found&& found) {
  constexpr Unit kByteOrderMark = 0xFEFF;
  auto is_line_break = [](Unit unit) { return unit == u'\r' || unit == u'\n'; };
  const Unit* p = text;
  if (*p == kByteOrderMark) ++p;  // only at the very start: elsewhere it is an ordinary unit
  while (*p != 0) {
    const Unit* line = p;
    const Unit* equals = nullptr;  // the line's first "=": later ones belong to the value
    for (; *p != 0 && !is_line_break(*p); ++p) {
      if (equals == nullptr && *p == u'=') equals = p;
    }
    const SequenceLine found_line{line, equals, p};
    if (*p == u'\r') ++p;
    if (*p == u'\n') ++p;
    if (equals == nullptr) continue;
    if (!found(found_line) || found_line.EndsLoading()) return;
  }
}

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
// zero-terminated `rest`, or by all of them and the name's end (kNameEdge); later lines of the
// file come first in the list.
[[nodiscard]] inline SequenceMatch FindSequence(const SequenceTable& table, Unit key,
                                                const Unit* rest) {
  for (const SequenceNode* node = table.heads[key]; node != nullptr; node = node->next) {
    const Unit* continuation = node->continuation;
    std::size_t n = 0;
    // rest's terminator never equals a continuation unit, so a shorter rest stops the loop.
    while (continuation[n] != 0 && continuation[n] == rest[n]) ++n;
    if (continuation[n] == 0) return {node->value, n + 1};
    if (rest[n] == 0 && continuation[n] == kNameEdge && continuation[n + 1] == 0) {
      return {node->value, n + 1};  // the end consumes nothing
    }
  }
  return {nullptr, 0};
}

// Frees every node and empties every list. For tests and fuzzers: the library keeps its table
// until the process ends.
void ReleaseSequenceTable(SequenceTable& table);

}  // namespace namefold
