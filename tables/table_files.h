// The two replacement tables of the process, loaded once, on first demand, from the table files
// beside the library: its file name with the extension dropped and "1.tbl" or "2.tbl" appended.
#pragma once

#include <cstddef>
#include <span>

#include "base/unit.h"
#include "tables/sequence_index.h"
#include "tables/sequence_table.h"
#include "tables/single_char_table.h"

namespace namefold {

// Largest table file read; a bigger one leaves its table Unavailable.
inline constexpr std::size_t kMaxTableFileBytes = 64u << 20;

// Writes into `out` (its size counts the terminator) the path of the table file with `suffix`
// beside the library file `library_path`; `out` may start at `library_path` itself. Returns the
// length, or 0 when the path has no folder part or the result does not fit.
[[nodiscard]] std::size_t TableFilePath(const Unit* library_path, Unit separator,
                                        const Unit* suffix, std::span<Unit> out);

// Load the table on the first call in the process; true when it is loaded. Exactly one caller
// ever loads; a caller that meets a load under way does not wait and is told false. A failed load
// is never tried again, a loaded table never reloaded.
[[nodiscard]] bool EnsureSingleCharTable();
[[nodiscard]] bool EnsureSequenceTable();

// The process's single-character table, complete once EnsureSingleCharTable has said so.
extern const SingleCharTable& kProcessSingleCharTable;

// The process's sequence table as one read of its state finds it.
struct SequenceSnapshot {
  const SequenceTable* table;  // null until it is loaded
  const SequenceIndex* index;  // null without the table, or when there was no memory for it
  bool settled;                // the one load attempt is over: neither changes from then on
};
[[nodiscard]] SequenceSnapshot ProcessSequenceTable();

}  // namespace namefold
