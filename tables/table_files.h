// The two replacement tables of the process, loaded once, on first demand, from the table files
// beside the library: its file name with the extension dropped and "1.tbl" or "2.tbl" appended.
#pragma once

#include <atomic>
#include <cstddef>

#include "base/unit.h"
#include "tables/load_state.h"
#include "tables/sequence_index.h"
#include "tables/sequence_table.h"
#include "tables/single_char_table.h"

namespace namefold {

// Largest table file read; a bigger one leaves its table Unavailable.
inline constexpr std::size_t kMaxTableFileBytes = 64u << 20;

// Writes into `out` (capacity units, terminator included) the path of the table file with
// `suffix` beside the library file `library_path`; `out` may be `library_path` itself. Returns the
// length, or 0 when the path has no folder part or the result does not fit.
[[nodiscard]] std::size_t TableFilePath(const Unit* library_path, Unit separator,
                                        const Unit* suffix, Unit* out, std::size_t capacity);

// The claim and the load of EnsureLoaded, kept out of line: later calls only read the state.
template <typename Load>
[[gnu::noinline]] int ClaimAndLoad(std::atomic<int>& state, std::atomic<bool>* settled, Load load) {
  int found = NotTried;
  if (!state.compare_exchange_strong(found, Unavailable, std::memory_order_acq_rel,
                                     std::memory_order_acquire)) {
    return found;
  }
  const int result = load() ? Loaded : Unavailable;
  if (result == Loaded) state.store(Loaded, std::memory_order_release);
  if (settled != nullptr) settled->store(true, std::memory_order_release);
  return result;
}

// Runs `load() -> bool` for the one caller that moves `state` from NotTried to Unavailable, and
// marks the state Loaded only after a load that returns true, so that whoever reads Loaded sees
// all that the load wrote. Every other caller gets the state it finds at once, without waiting.
// `settled`, when given, becomes true once the load is over, whatever its outcome.
template <typename Load>
int EnsureLoaded(std::atomic<int>& state, std::atomic<bool>* settled, Load load) {
  const int found = state.load(std::memory_order_acquire);
  if (found != NotTried) return found;
  return ClaimAndLoad(state, settled, load);
}

// Load the table on the first call in the process and return its state afterwards: Loaded (1) or
// Unavailable (0). Exactly one caller ever loads; a caller that meets a load under way does not
// wait and is told Unavailable. A failed load is never tried again, a loaded table never reloaded.
int EnsureSingleCharTable();
int EnsureSequenceTable();

// The process's tables and the sequence table's state word, for the engine.
extern const SingleCharTable& kProcessSingleCharTable;
extern const SequenceTable& kProcessSequenceTable;
extern const std::atomic<int>& kProcessSequenceState;

// The index of the process's sequence table: null until the table is Loaded, and for good when
// there was no memory to build it.
[[nodiscard]] const SequenceIndex* ProcessSequenceIndex();

// Whether the sequence table's one load attempt is over: its state is final from then on, Loaded
// or Unavailable for good. False while another caller is loading it.
[[nodiscard]] bool SequenceTableSettled();

}  // namespace namefold
