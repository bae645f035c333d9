// The first request of a process: both table files read and parsed, on a fresh instance of the
// library each time, and the resident memory that the loaded tables add.
#include <chrono>
#include <memory>

#include "bench/bench_support.h"

namespace namefold::bench {
namespace {

// Every unit that can stand as a key (all but NUL, CR, LF and "="), each with a 32-unit value.
std::string FullSingleCharTable() {
  std::u16string text = u"# every key, long values\r\n";
  const std::u16string value = u"abcdefghijklmnopqrstuvwxyz012345";
  for (char32_t key = 1; key < 0x10000; ++key) {
    const auto unit = static_cast<char16_t>(key);
    if (unit == u'\r' || unit == u'\n' || unit == u'=') continue;
    text += unit;
    text += u'=';
    text += value;
    text += u"\r\n";
  }
  return Utf16Le(text);
}

// 20,000 entries of 3 units under 2,000 CJK keys (10 per list), each with a 7-unit value.
std::string LargeSequenceTable() {
  std::u16string text = u"# 20000 sequences\r\n";
  for (int i = 0; i < 20000; ++i) {
    text += static_cast<char16_t>(0x4E00 + i % 2000);
    text += static_cast<char16_t>(u'a' + i / 2000);
    text += static_cast<char16_t>(u'a' + i % 26);
    text += u"=seventh\r\n";
  }
  return Utf16Le(text);
}

enum class Tables { kDefault, kFullSingleChar, kLargeSequence, kWithOverlays };

struct TableFiles {
  TempDir folder;
  fs::path single_char, sequence;
};

std::unique_ptr<TableFiles> MakeTableFiles(Tables tables) {
  auto files = std::make_unique<TableFiles>();
  files->single_char = DefaultTable("1.tbl");
  files->sequence = DefaultTable("2.tbl");
  if (tables == Tables::kFullSingleChar) {
    files->single_char = files->folder.path() / "full1.tbl";
    WriteBytes(files->single_char, FullSingleCharTable());
  } else if (tables == Tables::kWithOverlays) {
    files->single_char = fs::path(NAMEFOLD_BENCH_OVERLAY_TABLES) / "namefold1.tbl";
    files->sequence = fs::path(NAMEFOLD_BENCH_OVERLAY_TABLES) / "namefold2.tbl";
  } else if (tables == Tables::kLargeSequence) {
    files->sequence = files->folder.path() / "large2.tbl";
    WriteBytes(files->sequence, LargeSequenceTable());
  }
  return files;
}

// Times the first ContentGetValueW call of each fresh instance; loading and unloading the
// instance stay outside the time. Also reports the resident memory that call adds (the tables,
// their text and nodes, and the pages of code it runs for the first time).
void BM_FirstRequest(benchmark::State& state, Tables tables) {
  const std::unique_ptr<TableFiles> files = MakeTableFiles(tables);
  LibraryFolder library(files->single_char, files->sequence);
  const std::u16string& path = CorpusPaths().front();
  unsigned char value[2048];
  double added_kib = 0;
  for (auto _ : state) {
    host::Plugin plugin = library.Load();
    const std::size_t before = ResidentBytes();
    const auto start = std::chrono::steady_clock::now();
    int code = plugin.get_value_w(path.c_str(), 4, 0, value, sizeof value, 0);
    const auto stop = std::chrono::steady_clock::now();
    const std::size_t after = ResidentBytes();
    benchmark::DoNotOptimize(code);
    state.SetIterationTime(std::chrono::duration<double>(stop - start).count());
    added_kib += (static_cast<double>(after) - static_cast<double>(before)) / 1024;
    host::UnloadPlugin(plugin);
  }
  state.counters["resident_kib"] = benchmark::Counter(added_kib, benchmark::Counter::kAvgIterations);
}
BENCHMARK_CAPTURE(BM_FirstRequest, default, Tables::kDefault)
    ->UseManualTime()->Iterations(30)->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(BM_FirstRequest, overlays, Tables::kWithOverlays)
    ->UseManualTime()
    ->Iterations(30)
    ->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(BM_FirstRequest, single65536, Tables::kFullSingleChar)
    ->UseManualTime()->Iterations(30)->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(BM_FirstRequest, sequence20000, Tables::kLargeSequence)
    ->UseManualTime()->Iterations(30)->Unit(benchmark::kMillisecond);

}  // namespace
}  // namespace namefold::bench
