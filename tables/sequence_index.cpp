#include "tables/sequence_index.h"

#include <cstdlib>
#include <cstring>

namespace namefold {
namespace {

std::uint64_t PackSequence(Unit key, const Unit (&continuation)[4]) {
  std::uint64_t sequence = static_cast<std::uint64_t>(key) << 48;
  for (unsigned n = 0; n < 3 && continuation[n] != 0; ++n) {
    sequence |= static_cast<std::uint64_t>(continuation[n]) << (32 - 16 * n);
  }
  return sequence;
}

// The slot of `sequence` in `index`, or the free slot where it belongs.
SequenceIndex::Slot& SlotFor(SequenceIndex& index, std::uint64_t sequence) {
  std::uint64_t at = SequenceHash(sequence, index.shift);
  while (index.slots[at].sequence != 0 && index.slots[at].sequence != sequence) {
    at = (at + 1) & index.mask;
  }
  return index.slots[at];
}

// Fills the slots of `index`, allocated and free, from the lists of `table`. False, with the
// index half filled, when that would use more than three quarters of the slots: probes stay
// short, and a free slot ends every search.
bool FillSlots(const SequenceTable& table, SequenceIndex& index) {
  const std::uint64_t most = (index.mask + 1) / 4 * 3;
  std::uint64_t used = 0;
  // The slot of `sequence`, or null when a free one is needed and the most are used.
  auto claim = [&](std::uint64_t sequence) -> SequenceIndex::Slot* {
    SequenceIndex::Slot& slot = SlotFor(index, sequence);
    return slot.sequence != 0 || ++used <= most ? &slot : nullptr;
  };
  std::memset(index.followers, 0, sizeof index.followers);
  for (std::size_t key = 0; key < SequenceTable::kHeadCount; ++key) {
    std::uint8_t lengths = 0;
    std::uint32_t rank = 0;
    for (const SequenceNode* node = table.heads[key]; node != nullptr; node = node->next, ++rank) {
      const std::uint64_t sequence = PackSequence(static_cast<Unit>(key), node->continuation);
      SequenceIndex::Slot* slot = claim(sequence);
      if (slot == nullptr) return false;
      if (slot->sequence != 0 && slot->value != nullptr) continue;  // a higher entry answers
      *slot = {sequence, node->value, rank, slot->longer};
      const std::size_t length = UnitLength(node->continuation);
      lengths |= static_cast<std::uint8_t>(1u << (length - 1));
      auto follows = [&](Unit unit) {
        index.followers[unit >> 5] |= std::uint32_t{1} << (unit & 31);
      };
      follows(node->continuation[0]);
      // A key and the name's end: the name's terminator follows the key.
      if (length == 1 && node->continuation[0] == kNameEdge) follows(0);
      // Its shorter prefixes: entries of their own, or slots that only say that this one exists.
      for (std::size_t shorter = 1; shorter < length; ++shorter) {
        const std::uint64_t prefix = sequence & ~(~std::uint64_t{0} >> (16 + 16 * shorter));
        SequenceIndex::Slot* before = claim(prefix);
        if (before == nullptr) return false;
        if (before->sequence == 0) *before = {prefix, nullptr, UINT32_MAX, false};
        before->longer = true;
      }
    }
    index.lengths[key] = lengths;
  }
  return true;
}

}  // namespace

bool BuildSequenceIndex(const SequenceTable& table, SequenceIndex& index) {
  std::size_t entries = 0;  // the slots needed at least: one per entry, most shared prefixes
  for (const SequenceNode* head : table.heads) {
    for (const SequenceNode* node = head; node != nullptr; node = node->next) ++entries;
  }
  unsigned bits = 4;
  while (3 * (std::size_t{1} << bits) < 4 * entries) ++bits;
  // Sized by the entries; twice as many slots where their prefixes need more, and so on.
  for (;; ++bits) {
    const std::size_t count = std::size_t{1} << bits;
    index.slots =
        static_cast<SequenceIndex::Slot*>(std::calloc(count, sizeof(SequenceIndex::Slot)));
    index.shift = 64 - bits;
    index.mask = count - 1;
    std::memset(index.lengths, 0, sizeof index.lengths);
    if (index.slots == nullptr) {
      ReleaseSequenceIndex(index);
      return false;
    }
    if (FillSlots(table, index)) return true;
    std::free(index.slots);
  }
}

SequenceMatch MatchAtNameEnd(const SequenceIndex& index, std::uint64_t sequence, unsigned n,
                             std::uint32_t best_rank, SequenceMatch match) {
  const SequenceIndex::Slot& slot =
      FindSlot(index, sequence | std::uint64_t{kNameEdge} << (48 - 16 * n));
  return slot.rank < best_rank ? SequenceMatch{slot.value, n} : match;
}

void ReleaseSequenceIndex(SequenceIndex& index) {
  std::free(index.slots);
  index.slots = nullptr;
  index.shift = 64;
  index.mask = 0;
  std::memset(index.lengths, 0, sizeof index.lengths);
  std::memset(index.followers, 0, sizeof index.followers);
}

}  // namespace namefold
