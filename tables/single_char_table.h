// The single-character replacement table: one optional replacement string per UTF-16 unit.
#pragma once

#include <cstddef>

#include "base/unit.h"

namespace namefold {

struct SingleCharTable {
  static constexpr std::size_t kEntryCount = 65536;  // one per UTF-16 unit
  const Unit* entries[kEntryCount];                  // null when the unit has no replacement
};

// The grammar of the table, for the library's parser and for `namefold check`: scans the
// zero-terminated `text` and calls `found(key, value)` for each entry, in text order, where `key`
// points at the key unit and `value` at the entry's value. The key is the unit right before the
// first "=" the scan meets, wherever it stands: the scan crosses line breaks, so text before the
// key (or a line without "=") is passed over. The line break that ends a value is overwritten
// with a terminator as the scan goes, so once the scan is over every value ends at its own. A
// later entry for the same key replaces an earlier one.
template <typename Found>
void ScanSingleCharTable(Unit* text, Found&& found) {
  Unit* p = text;
  for (;;) {
    while (*p != 0 && p[1] != u'=') ++p;  // p[1] is readable: *p is not the terminator
    if (*p == 0) return;
    found(static_cast<const Unit*>(p), p + 2);

    // The line end is searched from the key itself, so a key that is a CR or LF (a line that
    // begins with "=") ends the search at once and its value runs on to a later terminator.
    // Most units lie above CR, the largest of the three that end a line: one test passes them.
    while (*p > u'\r' || (*p != 0 && *p != u'\r' && *p != u'\n')) ++p;
    if (*p == 0) return;
    *p++ = 0;  // terminates the value; the LF of a CR LF pair is the next unit scanned
  }
}

// Fills `table` from the zero-terminated `text` in place: entries point into `text`, whose line
// breaks are overwritten with terminators, so the buffer must outlive the table. `table` must be
// cleared beforehand. Cannot fail; text that holds no entry adds nothing.
void ParseSingleCharTable(Unit* text, SingleCharTable& table);

}  // namespace namefold
