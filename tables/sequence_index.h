// A hash index over a parsed sequence table: the same answers as FindSequence, at a cost that does
// not depend on how many entries share a key.
#pragma once

#include <algorithm>
#include <cstddef>
#include <cstdint>

#include "base/unit.h"
#include "tables/sequence_table.h"

namespace namefold {

// Only three sequences can match at a position: the key followed by the next one, two or three
// units of the name. Of all the entries for one whole sequence only the first in list order can
// ever be found, so the index holds that one, with its place in the list; of the three candidates
// the one that stands first in the list wins, exactly as the walk decides. Every shorter prefix
// of an entry has a slot too, which says so, so that a look-up stops at the first candidate that
// no longer entry begins with.
struct SequenceIndex {
  struct Slot {
    std::uint64_t sequence;  // key, then the continuation, 16 bits each; 0 marks a free slot
    const Unit* value;       // the entry's value, in its node; null for a prefix of entries only
    std::uint32_t rank;      // the entry's place in its key's list: 0 is tried first
    bool longer;             // some longer entry begins with this sequence
  };
  static constexpr std::size_t kKeyCount = 65536;

  Slot* slots = nullptr;  // a power of two of them, from std::calloc, at most 3/4 used
  unsigned shift = 64;    // 64 - log2(slot count): the hash keeps the top bits
  std::uint64_t mask = 0;
  // Per key, bit n - 1 is set when an entry has a continuation of n units; 0 for a key without
  // entries, which is all the engine needs to know to pass a unit by.
  std::uint8_t lengths[kKeyCount];
  // One bit per unit that follows the key in some entry: a key followed by any other unit starts
  // no sequence, which spares the probes for most capitals of the all-capital entries. The bit of
  // 0 says that some entry is a key and the name's end.
  std::uint32_t followers[kKeyCount / 32];
};

// Fills `index` (value-initialized or released) from the lists of `table`, which must outlive it
// unchanged: the slots point at the nodes' values. Returns false, with `index` empty, when the
// slots cannot be allocated.
[[nodiscard]] bool BuildSequenceIndex(const SequenceTable& table, SequenceIndex& index);

// Frees the slots and empties `index`.
void ReleaseSequenceIndex(SequenceIndex& index);

[[nodiscard]] inline std::uint64_t SequenceHash(std::uint64_t sequence, unsigned shift) {
  return (sequence * 0x9E3779B97F4A7C15u) >> shift;  // Fibonacci hashing: the top bits mix best
}

// What FindSlot gives for a sequence without a slot: no value, a rank that loses to any, and no
// longer entry that begins with it.
inline constexpr SequenceIndex::Slot kNoSlot{0, nullptr, UINT32_MAX, false};

// The slot of `sequence`, or kNoSlot. A probe stops at the sequence or at a free slot, mostly the
// first one; which of the two it found costs no branch.
[[nodiscard]] inline const SequenceIndex::Slot& FindSlot(const SequenceIndex& index,
                                                         std::uint64_t sequence) {
  for (std::uint64_t at = SequenceHash(sequence, index.shift);; at = (at + 1) & index.mask) {
    const SequenceIndex::Slot& slot = index.slots[at];
    // One test for both ends, the sequence or a free slot (some slots are always free).
    if (std::min(slot.sequence ^ sequence, slot.sequence) == 0) {
      return slot.sequence == sequence ? slot : kNoSlot;
    }
  }
}

// The entry of `sequence` (its first n units packed, the last of them to be the name's end)
// followed by the name's end, when it stands before the match so far, of rank `best_rank`: the
// end consumes nothing. Out of line: only the last unit of a name comes here.
[[nodiscard]] SequenceMatch MatchAtNameEnd(const SequenceIndex& index, std::uint64_t sequence,
                                           unsigned n, std::uint32_t best_rank,
                                           SequenceMatch match);

// What FindSequence(table, key, rest) returns for the table the index was built from: the first
// entry in list order whose sequence is `key` followed by the first units of `rest`.
[[nodiscard]] inline SequenceMatch FindIndexedSequence(const SequenceIndex& index, Unit key,
                                                       const Unit* rest) {
  const unsigned lengths = index.lengths[key];
  SequenceMatch match{nullptr, 0};
  if (lengths == 0 || (index.followers[rest[0] >> 5] >> (rest[0] & 31) & 1) == 0) return match;
  std::uint32_t best_rank = UINT32_MAX;
  std::uint64_t sequence = static_cast<std::uint64_t>(key) << 48;
  // rest is read no further than its terminator: a continuation never holds a zero unit.
  for (unsigned n = 1; n <= 3 && (lengths >> (n - 1)) != 0; ++n) {
    const Unit unit = rest[n - 1];
    if (unit == 0) {  // the name's end: an entry may end with it
      if ((lengths & (1u << (n - 1))) != 0)
        match = MatchAtNameEnd(index, sequence, n, best_rank, match);
      break;
    }
    sequence |= static_cast<std::uint64_t>(unit) << (48 - 16 * n);
    if ((lengths & (1u << (n - 1))) == 0) continue;
    const SequenceIndex::Slot& slot = FindSlot(index, sequence);
    const bool better = slot.rank < best_rank;
    best_rank = better ? slot.rank : best_rank;
    match = {better ? slot.value : match.value, better ? n + 1 : match.consumed};
    if (!slot.longer) break;  // no entry continues this sequence
  }
  return match;
}

}  // namespace namefold
