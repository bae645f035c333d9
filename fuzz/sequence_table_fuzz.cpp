// The sequence table parser on arbitrary file contents, sometimes with a node allocation that
// fails, then FindSequence at every position of arbitrary names.
#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <cstring>

#include "fuzz/fuzz_input.h"
#include "tables/sequence_table.h"

namespace namefold::fuzz {
namespace {

int allocations_left = 0;  // -1: no limit

void* CountedAllocate(std::size_t size) {
  if (allocations_left == 0) return nullptr;
  if (allocations_left > 0) --allocations_left;
  return std::malloc(size);
}

bool IsLineBreak(Unit unit) {
  return unit == u'\r' || unit == u'\n';
}

std::size_t CheckedLength(const Unit* text, std::size_t capacity) {
  std::size_t n = 0;
  while (n < capacity && text[n] != 0) ++n;
  FUZZ_CHECK(n < capacity);  // terminated inside its array
  for (std::size_t i = n; i < capacity; ++i) FUZZ_CHECK(text[i] == 0);
  return n;
}

void Run(const std::uint8_t* data, std::size_t size) {
  // 512 KiB: kept between inputs; only the lists of the units an input holds are walked and
  // emptied, since a key is always a unit of the text.
  static SequenceTable* const table = new SequenceTable{};

  FuzzInput input(data, size);
  const std::uint8_t budget = input.Byte();
  allocations_left = budget < 16 ? budget : -1;  // mostly without a limit
  const std::u16string file = input.Units();
  ParseSequenceTable(MallocText(file), *table, CountedAllocate);

  std::size_t lines = 1;
  for (char16_t unit : file) lines += IsLineBreak(unit) ? 1 : 0;
  std::u16string keys = file;
  std::sort(keys.begin(), keys.end());
  keys.erase(std::unique(keys.begin(), keys.end()), keys.end());
  std::size_t nodes = 0;
  for (const Unit key : keys) {
    for (const SequenceNode* node = table->heads[key]; node != nullptr; node = node->next) {
      ++nodes;
      FUZZ_CHECK(key != 0 && key != u'=' && !IsLineBreak(key));
      const std::size_t n = CheckedLength(node->continuation, 4);
      FUZZ_CHECK(n >= 1);
      for (std::size_t i = 0; i < n; ++i) {
        FUZZ_CHECK(node->continuation[i] != u'=' && !IsLineBreak(node->continuation[i]));
      }
      const std::size_t v = CheckedLength(node->value, 8);
      for (std::size_t i = 0; i < v; ++i) FUZZ_CHECK(!IsLineBreak(node->value[i]));
    }
  }
  FUZZ_CHECK(nodes <= lines);  // at most one entry a line
  if (budget < 16) FUZZ_CHECK(nodes <= budget);

  // The rest: names separated by zero units.
  const std::u16string names = input.RestUnits();
  for (std::size_t start = 0; start <= names.size();) {
    const std::size_t stop = std::min(names.find(u'\0', start), names.size());
    const std::u16string name = names.substr(start, stop - start);
    for (std::size_t i = 0; i < name.size(); ++i) {
      const SequenceMatch match = FindSequence(*table, name[i], name.c_str() + i + 1);
      if (match.value == nullptr) {
        FUZZ_CHECK(match.consumed == 0);
        continue;
      }
      // A match covers the key and a continuation that the name really holds; an entry that ends
      // with the name's end covers one unit less than its sequence, and only there.
      FUZZ_CHECK(match.consumed >= 1 && match.consumed <= 4 && i + match.consumed <= name.size());
      if (match.consumed == 1) FUZZ_CHECK(i + 1 == name.size());
      FUZZ_CHECK(CheckedLength(match.value, 8) <= 7);
    }
    start = stop + 1;
  }
  for (const Unit key : keys) {
    while (SequenceNode* node = table->heads[key]) {
      table->heads[key] = node->next;
      std::free(node);
    }
  }
}

}  // namespace
}  // namespace namefold::fuzz

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  namefold::fuzz::Run(data, size);
  return 0;
}
