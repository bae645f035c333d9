// Sequence look-ups when many entries share one key. FindSequence walks the list to its end when
// nothing matches, so its cost grows with the entries under the key; the index that the library
// uses answers the same from at most three probes, whatever the number.
#include <cstdlib>
#include <cstring>
#include <memory>
#include <string>

#include "bench/bench_support.h"
#include "tables/sequence_index.h"
#include "tables/sequence_table.h"

namespace namefold::bench {
namespace {

// `count` entries under the key "a", each with a 3-unit continuation that no name here holds.
std::unique_ptr<SequenceTable> TableWithOneKey(int count) {
  std::u16string text = u"# one key\r\n";
  for (int i = 0; i < count; ++i) {
    text += u'a';
    text += static_cast<char16_t>(0x4E00 + i % 20000);
    text += static_cast<char16_t>(u'a' + i / 20000);
    text += u"b=value\r\n";
  }
  auto* buffer = static_cast<char16_t*>(std::malloc((text.size() + 1) * sizeof(char16_t)));
  std::memcpy(buffer, text.c_str(), (text.size() + 1) * sizeof(char16_t));
  auto table = std::make_unique<SequenceTable>();  // value-initialized: every list empty
  ParseSequenceTable(buffer, *table);                // takes the buffer
  return table;
}

void BM_FindSequence(benchmark::State& state) {
  const std::unique_ptr<SequenceTable> table = TableWithOneKey(static_cast<int>(state.range(0)));
  const char16_t* rest = u"bcd.txt";
  for (auto _ : state) {
    SequenceMatch match = FindSequence(*table, u'a', rest);
    benchmark::DoNotOptimize(match);
  }
  ReleaseSequenceTable(*table);
  state.SetItemsProcessed(state.iterations());
}
BENCHMARK(BM_FindSequence)->Arg(1)->Arg(10)->Arg(100)->Arg(1000)->Arg(20000);

void BM_FindIndexedSequence(benchmark::State& state) {
  const std::unique_ptr<SequenceTable> table = TableWithOneKey(static_cast<int>(state.range(0)));
  auto index = std::make_unique<SequenceIndex>();
  if (!BuildSequenceIndex(*table, *index)) state.SkipWithError("no memory for the index");
  const char16_t* rest = u"bcd.txt";
  for (auto _ : state) {
    SequenceMatch match = FindIndexedSequence(*index, u'a', rest);
    benchmark::DoNotOptimize(match);
  }
  ReleaseSequenceIndex(*index);
  ReleaseSequenceTable(*table);
  state.SetItemsProcessed(state.iterations());
}
BENCHMARK(BM_FindIndexedSequence)->Arg(1)->Arg(10)->Arg(100)->Arg(1000)->Arg(20000);

}  // namespace
}  // namespace namefold::bench
