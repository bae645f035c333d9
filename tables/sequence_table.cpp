#include "tables/sequence_table.h"

#include <cstdlib>

namespace namefold {
namespace {

constexpr Unit kByteOrderMark = 0xFEFF;

void* AllocateWithMalloc(std::size_t size) {
  return std::malloc(size);
}

bool IsLineBreak(Unit unit) {
  return unit == u'\r' || unit == u'\n';
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
  const Unit* p = text;
  if (*p == kByteOrderMark) ++p;  // only at the very start: elsewhere it is an ordinary unit
  while (*p != 0) {
    const Unit* line = p;
    const Unit* equals = nullptr;  // the line's first "=": later ones belong to the value
    for (; *p != 0 && !IsLineBreak(*p); ++p) {
      if (equals == nullptr && *p == u'=') equals = p;
    }
    const Unit* line_end = p;
    if (*p == u'\r') ++p;  // CR LF, CR alone and LF alone each end one line
    if (*p == u'\n') ++p;

    if (equals == nullptr) continue;  // a comment or a blank line
    if (equals - line < 2) break;     // a sequence of one unit or none ends loading

    auto* node = static_cast<SequenceNode*>(allocate(sizeof(SequenceNode)));
    if (node == nullptr) break;
    CopyCut(node->continuation, line + 1, equals);  // sequence units past the 4th are dropped
    CopyCut(node->value, equals + 1, line_end);
    const Unit key = *line;
    node->next = table.heads[key];  // at the head: a later line is tried first
    table.heads[key] = node;
  }
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
