// What the benchmarks share: the corpus, the built library and fresh instances of it, table
// files written on the fly, and the process's resident memory.
#pragma once

#include <benchmark/benchmark.h>

#include <cstddef>
#include <filesystem>
#include <string>
#include <string_view>
#include <vector>

#include "host/plugin_loader.h"

namespace namefold::bench {

namespace fs = std::filesystem;

// The folder in front of every corpus name: the host always passes a full path.
inline constexpr std::u16string_view kFolder = u"/data/";

// The corpus (bench/corpus.txt) as full paths, kFolder + name, in file order. Exits the program
// when the file cannot be read.
[[nodiscard]] const std::vector<std::u16string>& CorpusPaths();

// The same names in their canonical decomposed form (NFD), as macOS stores them.
[[nodiscard]] const std::vector<std::u16string>& DecomposedCorpusPaths();

// Reports `names` names per iteration: names per second, and nanoseconds per name.
void CountNames(benchmark::State& state, std::size_t names);

[[nodiscard]] std::u16string FromUtf8(std::string_view text);

// The bytes of a table file: UTF-16 LE units.
[[nodiscard]] std::string Utf16Le(std::u16string_view text);

[[nodiscard]] std::string ReadBytes(const fs::path& file);
void WriteBytes(const fs::path& file, std::string_view bytes);

// The built library and the default table files beside it ("1.tbl" or "2.tbl").
[[nodiscard]] fs::path BuiltLibrary();
[[nodiscard]] fs::path DefaultTable(const char* suffix);

// A new empty folder, removed with everything in it when the object goes.
class TempDir {
 public:
  TempDir();
  ~TempDir();
  TempDir(const TempDir&) = delete;
  TempDir& operator=(const TempDir&) = delete;
  [[nodiscard]] const fs::path& path() const { return path_; }

 private:
  fs::path path_;
};

// A folder holding the library and the given table files (empty: no such file), each linked or
// copied under the names the library looks for. Every Load() gives a fresh instance whose tables
// have not been tried: the library is placed again under a new name, with its tables beside it.
class LibraryFolder {
 public:
  LibraryFolder(const fs::path& single_char_table, const fs::path& sequence_table);
  [[nodiscard]] host::Plugin Load();
  [[nodiscard]] const fs::path& path() const { return folder_.path(); }

 private:
  TempDir folder_;
  fs::path single_char_table_, sequence_table_;
  int loads_ = 0;
};

// Loads `library` or exits the program with the reason.
[[nodiscard]] host::Plugin LoadOrExit(const fs::path& library);

// The instance that every per-call benchmark shares: the built library with the default tables,
// both already loaded.
[[nodiscard]] const host::Plugin& DefaultPlugin();

// Resident memory of the process, in bytes (/proc/self/statm).
[[nodiscard]] std::size_t ResidentBytes();

}  // namespace namefold::bench
