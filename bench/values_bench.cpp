// The per-call cost of ContentGetValueW over the corpus, next to what bounds it from below (a
// copy, a plain table loop) and what a user would use instead (ICU, iconv).
#include <algorithm>
#include <cstring>
#include <memory>
#include <set>
#include <vector>

#include "bench/bench_support.h"
#include "tables/single_char_table.h"

#if NAMEFOLD_BENCH_ICU
#include <unicode/translit.h>
#include <unicode/unistr.h>
#endif
#if NAMEFOLD_BENCH_ICONV
#include <iconv.h>
#endif

namespace namefold::bench {
namespace {

constexpr int kMaxlen = 2048;  // bytes of the host's value buffer

void RunField(benchmark::State& state, const host::Plugin& plugin, int field,
              const std::vector<std::u16string>& paths = CorpusPaths()) {
  alignas(8) unsigned char value[kMaxlen];
  for (auto _ : state) {
    for (const std::u16string& path : paths) {
      int code = plugin.get_value_w(path.c_str(), field, 0, value, kMaxlen, 0);
      benchmark::DoNotOptimize(code);
    }
    benchmark::ClobberMemory();
  }
  CountNames(state, paths.size());
}

void BM_ContentGetValueW(benchmark::State& state, int field) {
  RunField(state, DefaultPlugin(), field);
}
BENCHMARK_CAPTURE(BM_ContentGetValueW, HasUnicode, 0);
BENCHMARK_CAPTURE(BM_ContentGetValueW, NameNoUnicode, 1);
BENCHMARK_CAPTURE(BM_ContentGetValueW, NameReplaceNoEnglish, 2);
BENCHMARK_CAPTURE(BM_ContentGetValueW, NameReplaceUserUnicode, 3);
BENCHMARK_CAPTURE(BM_ContentGetValueW, NameReplaceUserAll, 4);

// The same names stored decomposed: each is composed before it is rewritten.
void BM_Decomposed(benchmark::State& state, int field) {
  RunField(state, DefaultPlugin(), field, DecomposedCorpusPaths());
}
BENCHMARK_CAPTURE(BM_Decomposed, NameNoUnicode, 1);
BENCHMARK_CAPTURE(BM_Decomposed, NameReplaceUserAll, 4);

// The paths of `names` (UTF-8) in the benchmark's folder.
std::vector<std::u16string> InFolder(std::initializer_list<const char*> names) {
  std::vector<std::u16string> result;
  for (const char* name : names) result.push_back(std::u16string(kFolder) + FromUtf8(name));
  return result;
}

// Names that meet the default sequence table at most of their units: all-capital Greek, Greek
// diphthongs, kana digraphs and doubled consonants, Armenian, all-capital Cyrillic and Devanagari.
const std::vector<std::u16string>& SequenceHeavyPaths() {
  static const std::vector<std::u16string> paths = InFolder(
      {"ΕΥΧΑΡΙΣΤΟΥΜΕ ΠΟΛΥ.txt", "ευχαριστούμε πολύ.doc", "ΑΥΤΟΚΙΝΗΤΟ ΜΠΛΕ.jpg",
       "Ευαγγέλιο και αυγή.pdf", "きょうと しゃしん ちゃのゆ.png", "きっぷ りょこう にっき.txt",
       "チョコレート シャツ キャット.mp3", "ちょっと まって.txt", "Երևան ու Գյումրի.jpg",
       "ՈՒՍՈՒՑՈՒՄ.txt", "ЩУКА И ЁЖИК ЖИВУТ.mp3", "ЧАЙКА ШУМИТ.doc", "नमस्ते दुनिया.txt",
       "क्षत्रिय ज्ञान.pdf", "ΓΓ ΓΚ ΜΠ ΝΤ ΤΖ.txt", "ουου αυαυ ευευ.txt"});
  return paths;
}

// Korean names, whose syllables are read through their jamo and their sound changes; Hindi
// names, whose consonants read by what follows them up to the name's end.
const std::vector<std::u16string>& HangulPaths() {
  static const std::vector<std::u16string> paths = InFolder(
      {"한국어 사진.jpg", "서울 종로구 신문로.txt", "물리학 강의 노트.pdf", "설날 가족 여행.mp4",
       "대한민국 국민 연금", "신라 역사 박물관.doc", "백마 강변 산책.png", "같이 먹는 밥"});
  return paths;
}
const std::vector<std::u16string>& DevanagariPaths() {
  static const std::vector<std::u16string> paths =
      InFolder({"भारत का संविधान.pdf", "कमल और कमरा", "हिन्दी कविता संग्रह.txt", "मुंबई पुणे यात्रा.jpg",
                "राष्ट्रपति भवन", "सम्पादक मंडल.doc", "नमस्ते दुनिया.txt", "कम्बल"});
  return paths;
}

// The corpus without the names that a reading by context touches: Hangul, the Indic scripts,
// Thai and Armenian, whose entries look at the next syllable or at the name's edges.
const std::vector<std::u16string>& UntouchedCorpusPaths() {
  static const std::vector<std::u16string> paths = [] {
    auto touched = [](char16_t c) {
      return (c >= 0x0530 && c <= 0x058F) || (c >= 0x0900 && c <= 0x0E7F) ||
             (c >= 0x1100 && c <= 0x11FF) || (c >= 0xAC00 && c <= 0xD7A3);
    };
    std::vector<std::u16string> result;
    for (const std::u16string& path : CorpusPaths()) {
      if (std::none_of(path.begin(), path.end(), touched)) result.push_back(path);
    }
    return result;
  }();
  return paths;
}

void BM_Untouched(benchmark::State& state, int field) {
  RunField(state, DefaultPlugin(), field, UntouchedCorpusPaths());
}
BENCHMARK_CAPTURE(BM_Untouched, NameReplaceUserAll, 4);
BENCHMARK_CAPTURE(BM_Untouched, NameReplaceUserUnicode, 3);

void BM_SequenceHeavy(benchmark::State& state, int field) {
  RunField(state, DefaultPlugin(), field, SequenceHeavyPaths());
}
BENCHMARK_CAPTURE(BM_SequenceHeavy, NameReplaceUserAll, 4);
BENCHMARK_CAPTURE(BM_SequenceHeavy, NameReplaceUserUnicode, 3);

void BM_Hangul(benchmark::State& state, int field) {
  RunField(state, DefaultPlugin(), field, HangulPaths());
}
BENCHMARK_CAPTURE(BM_Hangul, NameReplaceUserAll, 4);

void BM_Devanagari(benchmark::State& state, int field) {
  RunField(state, DefaultPlugin(), field, DevanagariPaths());
}
BENCHMARK_CAPTURE(BM_Devanagari, NameReplaceUserAll, 4);

// The floor of any per-call work: the path copied into a fixed buffer, its length known.
void BM_FloorMemcpy(benchmark::State& state) {
  const auto& paths = CorpusPaths();
  char16_t out[kMaxlen / 2];
  for (auto _ : state) {
    for (const std::u16string& path : paths) {
      std::memcpy(out, path.c_str(), (path.size() + 1) * sizeof(char16_t));
      benchmark::DoNotOptimize(out);
    }
    benchmark::ClobberMemory();
  }
  CountNames(state, paths.size());
}
BENCHMARK(BM_FloorMemcpy);

// The default single-character table as a plain 65,536-entry pointer table.
const SingleCharTable& DefaultPointerTable() {
  static const std::unique_ptr<SingleCharTable> table = [] {
    auto made = std::make_unique<SingleCharTable>();
    static std::u16string text;  // the entries point into it
    const std::string bytes = ReadBytes(DefaultTable("1.tbl"));
    text.resize(bytes.size() / 2);
    std::memcpy(text.data(), bytes.data(), text.size() * 2);
    ParseSingleCharTable(text.data(), *made);
    return made;
  }();
  return *table;
}

// The floor of replacing: each unit through the pointer table, its replacement appended, with
// no other work (no native ranges, no sequences, no bounds: the output buffer is big enough).
void RunTableLoop(benchmark::State& state, const std::vector<std::u16string>& paths) {
  const SingleCharTable& table = DefaultPointerTable();
  static char16_t out[1 << 16];
  for (auto _ : state) {
    for (const std::u16string& path : paths) {
      std::size_t n = 0;
      for (const char16_t* p = path.c_str(); *p != 0; ++p) {
        const char16_t* replacement = table.entries[*p];
        if (replacement == nullptr) {
          out[n++] = *p;
        } else {
          while (*replacement != 0) out[n++] = *replacement++;
        }
      }
      out[n] = 0;
      benchmark::DoNotOptimize(out);
    }
    benchmark::ClobberMemory();
  }
  CountNames(state, paths.size());
}

void BM_FloorTableLoop(benchmark::State& state) {
  RunTableLoop(state, CorpusPaths());
}
BENCHMARK(BM_FloorTableLoop);
void BM_FloorTableLoopSequenceHeavy(benchmark::State& state) {
  RunTableLoop(state, SequenceHeavyPaths());
}
BENCHMARK(BM_FloorTableLoopSequenceHeavy);

#if NAMEFOLD_BENCH_ICU
// ICU's general transliteration to ASCII, one instance reused for every name.
void BM_IcuAnyLatinAscii(benchmark::State& state) {
  const auto& paths = CorpusPaths();
  UErrorCode status = U_ZERO_ERROR;
  std::unique_ptr<icu::Transliterator> transliterator(
      icu::Transliterator::createInstance("Any-Latin; Latin-ASCII", UTRANS_FORWARD, status));
  if (U_FAILURE(status)) {
    state.SkipWithError("ICU has no Any-Latin; Latin-ASCII transliterator");
    return;
  }
  char16_t out[kMaxlen / 2];
  for (auto _ : state) {
    for (const std::u16string& path : paths) {
      icu::UnicodeString text(path.data(), static_cast<int32_t>(path.size()));
      transliterator->transliterate(text);
      UErrorCode extracted = U_ZERO_ERROR;
      int32_t length = text.extract(out, kMaxlen / 2, extracted);
      benchmark::DoNotOptimize(length);
      benchmark::DoNotOptimize(out);
    }
  }
  CountNames(state, paths.size());
}
BENCHMARK(BM_IcuAnyLatinAscii);
#endif

#if NAMEFOLD_BENCH_ICONV
// The C library's conversion to ASCII with transliteration, one descriptor reused. What it
// transliterates depends on the locale's LC_CTYPE; the benchmark leaves the "C" locale in force.
void BM_IconvAsciiTranslit(benchmark::State& state) {
  const auto& paths = CorpusPaths();
  iconv_t descriptor = iconv_open("ASCII//TRANSLIT", "UTF-16LE");
  if (descriptor == reinterpret_cast<iconv_t>(-1)) {
    state.SkipWithError("iconv cannot convert UTF-16LE to ASCII//TRANSLIT");
    return;
  }
  char out[kMaxlen * 4];
  for (auto _ : state) {
    for (const std::u16string& path : paths) {
      iconv(descriptor, nullptr, nullptr, nullptr, nullptr);  // a fresh shift state per name
      char* in = const_cast<char*>(reinterpret_cast<const char*>(path.data()));
      std::size_t in_left = path.size() * 2;
      char* to = out;
      std::size_t out_left = sizeof out - 1;
      std::size_t converted = iconv(descriptor, &in, &in_left, &to, &out_left);
      *to = 0;
      benchmark::DoNotOptimize(converted);
      benchmark::DoNotOptimize(out);
    }
  }
  iconv_close(descriptor);
  CountNames(state, paths.size());
}
BENCHMARK(BM_IconvAsciiTranslit);
#endif

// Two libraries whose tables give every corpus name the same result: "small" holds only the
// default single-character entries of the units the corpus uses, "full" the same entries and a
// 32-unit value for each of the other 65,533 keys. Both use the default sequence table. Equal
// times show that a call costs the same whatever the table's size.
struct TableSizeLibraries {
  TempDir tables;
  std::unique_ptr<LibraryFolder> small, full;
  host::Plugin small_plugin, full_plugin;

  TableSizeLibraries() {
    std::set<char16_t> used;
    for (const std::u16string& path : CorpusPaths()) used.insert(path.begin(), path.end());
    const SingleCharTable& defaults = DefaultPointerTable();
    std::u16string small_text = u"# the default entries of the units that the corpus uses\r\n";
    std::u16string full_text = small_text;
    const std::u16string long_value(32, u'x');
    for (char32_t key = 1; key < 0x10000; ++key) {
      const auto unit = static_cast<char16_t>(key);
      if (unit == u'\r' || unit == u'\n' || unit == u'=') continue;  // cannot stand as keys
      if (used.count(unit) != 0) {
        if (defaults.entries[unit] == nullptr) continue;
        std::u16string line = std::u16string(1, unit) + u"=" + defaults.entries[unit] + u"\r\n";
        small_text += line;
        full_text += line;
      } else {
        full_text += std::u16string(1, unit) + u"=" + long_value + u"\r\n";
      }
    }
    WriteBytes(tables.path() / "small1.tbl", Utf16Le(small_text));
    WriteBytes(tables.path() / "full1.tbl", Utf16Le(full_text));
    small = std::make_unique<LibraryFolder>(tables.path() / "small1.tbl", DefaultTable("2.tbl"));
    full = std::make_unique<LibraryFolder>(tables.path() / "full1.tbl", DefaultTable("2.tbl"));
    small_plugin = small->Load();
    full_plugin = full->Load();
  }
};

const TableSizeLibraries& TableSizes() {
  static const TableSizeLibraries libraries;
  return libraries;
}

void BM_TableSize(benchmark::State& state, int field, bool full) {
  const host::Plugin& plugin = full ? TableSizes().full_plugin : TableSizes().small_plugin;
  unsigned char value[64];
  (void)plugin.get_value_w(u"/data/x.txt", field, 0, value, sizeof value, 0);  // loads the tables
  RunField(state, plugin, field);
}
BENCHMARK_CAPTURE(BM_TableSize, NameReplaceUserUnicode / small, 3, false);
BENCHMARK_CAPTURE(BM_TableSize, NameReplaceUserUnicode / full, 3, true);
BENCHMARK_CAPTURE(BM_TableSize, NameReplaceUserAll / small, 4, false);
BENCHMARK_CAPTURE(BM_TableSize, NameReplaceUserAll / full, 4, true);

}  // namespace
}  // namespace namefold::bench
