#include "tables/sequence_table.h"

#include <cstdlib>

namespace namefold {
namespace {

void* AllocateWithMalloc(std::size_t size) {
  return std::malloc(size);
}

// Copies the units of [begin, end) that fit before the terminator of `destination` and
// zero-fills the rest, so that a node holds no undefined unit.
template <std::size_t kCapacity>
void CopyCut(Unit (&destination)[kCapacity], const Unit* begin, const Unit* end) {
  std::size_t n = 0;
  for (; n + 1 < kCapacity && begin + n < end; ++n) destination[n] = begin[n];
  for (; n < kCapacity; ++n) destination[n] = 0;
}

}  // namespace

void ParseSequenceTable(Unit* text, SequenceTable& table) {
  ParseSequenceTable(text, table, AllocateWithMalloc);
}

void ParseSequenceTable(Unit* text, SequenceTable& table, NodeAllocator allocate) {
  ScanSequenceTable(text, [&](const SequenceLine& line) {
    if (line.EndsLoading()) return false;
    auto* node = static_cast<SequenceNode*>(allocate(sizeof(SequenceNode)));
    if (node == nullptr) return false;
    CopyCut(node->continuation, line.begin + 1, line.equals);  // units past the 4th are dropped
    CopyCut(node->value, line.equals + 1, line.end);
    const Unit key = *line.begin;
    node->next = table.heads[key];  // at the head: a later line is tried first
    table.heads[key] = node;
    return true;
  });
  std::free(text);
}

void ReleaseSequenceTable(SequenceTable& table) {
  for (SequenceNode*& head : table.heads) {
    while (head != nullptr) {
      SequenceNode* next = head->next;
      std::free(head);
      head = next;
    }
  }
}

}  // namespace namefold
