// FindSequence when many entries share one key: the list is walked to its end when nothing
// matches, so the cost grows with the entries under the key met, not with the whole table.
#include <cstdlib>
#include <cstring>
#include <memory>
#include <string>

#include "bench/bench_support.h"
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

}  // namespace
}  // namespace namefold::bench
