#include "bench/bench_support.h"

#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <random>
#include <sstream>

#include "cli/utf.h"

namespace namefold::bench {
namespace {

[[noreturn]] void Fail(const std::string& reason) {
  std::fprintf(stderr, "namefold_bench: %s\n", reason.c_str());
  std::exit(1);
}

// The names of a corpus file, one a line, as full paths.
std::vector<std::u16string> ReadCorpus(const char* file) {
  std::ifstream in(file, std::ios::binary);
  if (!in) Fail(std::string("cannot read ") + file);
  std::vector<std::u16string> result;
  for (std::string line; std::getline(in, line);) {
    if (line.empty() || line[0] == '#') continue;  // the generator's header
    result.push_back(std::u16string(kFolder) + FromUtf8(line));
  }
  if (result.empty()) Fail(std::string("no names in ") + file);
  return result;
}

}  // namespace

const std::vector<std::u16string>& CorpusPaths() {
  static const std::vector<std::u16string> paths = ReadCorpus(NAMEFOLD_BENCH_CORPUS);
  return paths;
}

const std::vector<std::u16string>& DecomposedCorpusPaths() {
  static const std::vector<std::u16string> paths = ReadCorpus(NAMEFOLD_BENCH_DECOMPOSED_CORPUS);
  return paths;
}

void CountNames(benchmark::State& state, std::size_t names) {
  const auto count = static_cast<double>(names);
  state.SetItemsProcessed(static_cast<std::int64_t>(state.iterations() * names));
  state.counters["ns_per_name"] = benchmark::Counter(
      count * 1e-9, benchmark::Counter::kIsIterationInvariantRate | benchmark::Counter::kInvert);
}

std::u16string FromUtf8(std::string_view text) {
  std::u16string units;
  if (!cli::DecodeUtf8(text, units)) Fail("corpus is not UTF-8");
  units.shrink_to_fit();  // the decoder reserves a unit per byte
  return units;
}

std::string Utf16Le(std::u16string_view text) {
  std::string bytes;
  bytes.reserve(text.size() * 2);
  for (char16_t unit : text) {
    bytes += static_cast<char>(unit & 0xFF);
    bytes += static_cast<char>(unit >> 8);
  }
  return bytes;
}

std::string ReadBytes(const fs::path& file) {
  std::ifstream in(file, std::ios::binary);
  if (!in) Fail("cannot read " + file.string());
  std::ostringstream bytes;
  bytes << in.rdbuf();
  return bytes.str();
}

void WriteBytes(const fs::path& file, std::string_view bytes) {
  std::ofstream out(file, std::ios::binary | std::ios::trunc);
  out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
  if (!out.good()) Fail("cannot write " + file.string());
}

fs::path BuiltLibrary() { return NAMEFOLD_BENCH_LIBRARY; }

fs::path DefaultTable(const char* suffix) {
  return BuiltLibrary().parent_path() / (std::string("namefold") + suffix);
}

TempDir::TempDir() {
  std::random_device random;
  for (;;) {
    path_ = fs::temp_directory_path() / ("namefold-bench-" + std::to_string(random()));
    if (fs::create_directory(path_)) break;
  }
}

TempDir::~TempDir() {
  std::error_code ignored;
  fs::remove_all(path_, ignored);
}

LibraryFolder::LibraryFolder(const fs::path& single_char_table, const fs::path& sequence_table)
    : single_char_table_(single_char_table), sequence_table_(sequence_table) {}

host::Plugin LibraryFolder::Load() {
  // A new stem per load: dlopen hands back the instance it already has for a known path.
  const std::string stem = "nf" + std::to_string(loads_++);
  // The library is copied: dlopen also knows a file again by its inode, so a link would not do.
  fs::copy_file(BuiltLibrary(), path() / (stem + ".so"), fs::copy_options::overwrite_existing);
  auto place = [&](const fs::path& from, const std::string& name) {
    if (from.empty()) return;
    std::error_code error;
    fs::create_hard_link(from, path() / name, error);
    if (error) fs::copy_file(from, path() / name, fs::copy_options::overwrite_existing);
  };
  place(single_char_table_, stem + "1.tbl");
  place(sequence_table_, stem + "2.tbl");
  return LoadOrExit(path() / (stem + ".so"));
}

host::Plugin LoadOrExit(const fs::path& library) {
  host::Plugin plugin;
  std::string reason;
  if (!host::LoadPlugin(library, plugin, reason)) Fail(reason);
  return plugin;
}

const host::Plugin& DefaultPlugin() {
  static const host::Plugin plugin = [] {
    host::Plugin loaded = LoadOrExit(BuiltLibrary());
    unsigned char value[64];
    if (loaded.get_value_w(u"/data/x.txt", 4, 0, value, sizeof value, 0) != 11) {
      Fail("the library did not answer NameReplaceUserAll");
    }
    return loaded;
  }();
  return plugin;
}

std::size_t ResidentBytes() {
  std::FILE* file = std::fopen("/proc/self/statm", "r");
  if (file == nullptr) return 0;
  unsigned long size = 0, resident = 0;
  const int read = std::fscanf(file, "%lu %lu", &size, &resident);
  std::fclose(file);
  return read == 2 ? resident * static_cast<std::size_t>(sysconf(_SC_PAGESIZE)) : 0;
}

}  // namespace namefold::bench
