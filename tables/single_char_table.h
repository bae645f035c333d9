// The single-character replacement table: one optional replacement string per UTF-16 unit.
#pragma once

#include <cstddef>

#include "base/unit.h"

namespace namefold {

struct SingleCharTable {
  static constexpr std::size_t kEntryCount = 65536;  // one per UTF-16 unit
  const Unit* entries[kEntryCount];                  // null when the unit has no replacement
};

// Fills `table` from the zero-terminated `text` in place: entries point into `text`, whose line
// breaks are overwritten with terminators, so the buffer must outlive the table. `table` must be
// cleared beforehand. Cannot fail; text that holds no entry adds nothing.
void ParseSingleCharTable(Unit* text, SingleCharTable& table);

}  // namespace namefold
