#include "cli/system.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <map>
#include <random>

#include "platform/platform.h"
#include "tables/table_files.h"

namespace namefold::cli {
namespace {

// The program reads a table file for its checks exactly when the library would load it: same
// limit, same refusals, decided before anything is read.
TEST(System, ReadsATableFileWhenTheLibraryWould) {
  std::random_device random;
  const fs::path root = fs::temp_directory_path() / ("namefold-read-" + std::to_string(random()));
  fs::create_directories(root / "folder");
  struct Row {
    const char* name;
    std::uintmax_t size;  // of a file filled with "a" units; none for the folder
    bool read;
  };
  const Row rows[] = {
      {"small", 8, true},
      {"one byte", 1, true},
      {"empty", 0, false},
      {"at the limit", kMaxTableFileBytes, true},
      {"one byte over the limit", kMaxTableFileBytes + 1, false},
      {"folder", 0, false},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.name);
    fs::path path = root / "folder";
    if (std::string(row.name) != "folder") {
      path = root / row.name;
      std::string error;
      ASSERT_TRUE(WriteFileBytes(
          path, std::string(static_cast<std::size_t>(std::min<std::uintmax_t>(row.size, 8)), 'a'),
          error));
      fs::resize_file(path, row.size);  // the rest is zero bytes, sparse where the system can
    }
    std::string bytes, error;
    const bool read = ReadFileBytes(path, bytes, error, kMaxTableFileBytes) && !bytes.empty();
    const std::u16string units = path.u16string();
    const platform::FileText file = platform::ReadWholeFile(units.c_str(), kMaxTableFileBytes);
    EXPECT_EQ(read, row.read) << error;
    EXPECT_EQ(file.text != nullptr, row.read);  // the library's own reading
    std::free(file.text);
    if (row.size > kMaxTableFileBytes) {
      EXPECT_NE(error.find("over the limit of 67108864 bytes"), std::string::npos) << error;
    }
  }
  std::error_code ignored;
  fs::remove_all(root, ignored);
}

// The rename never replaces: a name taken after any check the caller made (here, before the call)
// is kept with its contents, by the system's no-replace rename and by the fallback alike.
TEST(System, RenameNeverReplacesAName) {
  std::random_device random;
  const fs::path root = fs::temp_directory_path() / ("namefold-move-" + std::to_string(random()));
  struct Row {
    const char* name;
    const char* from;  // "f..." a file, "d..." a folder, "l..." a link to the file "f0"
    const char* to;    // taken when it names something set up below
    RenameOutcome outcome;
  };
  const Row rows[] = {
      {"file to a free name", "f1", "new", RenameOutcome::kDone},
      {"file onto a file", "f1", "f2", RenameOutcome::kTargetExists},
      {"file onto a folder", "f1", "d2", RenameOutcome::kTargetExists},
      {"folder to a free name", "d1", "new", RenameOutcome::kDone},
      {"folder onto an empty folder", "d1", "d2", RenameOutcome::kTargetExists},
      {"folder onto a file", "d1", "f2", RenameOutcome::kTargetExists},
      {"link to a free name", "l1", "new", RenameOutcome::kDone},
      {"link onto a file", "l1", "f2", RenameOutcome::kTargetExists},
      {"missing", "f9", "new", RenameOutcome::kFailed},
  };
  for (const bool fallback : {false, true}) {
    for (const Row& row : rows) {
      SCOPED_TRACE(std::string(row.name) + (fallback ? ", fallback" : ""));
      fs::remove_all(root);
      fs::create_directories(root / "d1");
      fs::create_directories(root / "d2");
      std::string error;
      for (const char* file : {"f0", "f1", "f2"})
        ASSERT_TRUE(WriteFileBytes(root / file, file, error));
      std::error_code no_link;  // Wine may not make one
      fs::create_symlink("f0", root / "l1", no_link);
      if (row.from[0] == 'l' && no_link) continue;
      const RenameOutcome outcome =
          RenameNoReplace(root / row.from, root / row.to, error, fallback);
      EXPECT_EQ(outcome, row.outcome) << error;
      const bool done = outcome == RenameOutcome::kDone;
      EXPECT_EQ(fs::exists(fs::symlink_status(root / row.from)), !done && row.from[1] != '9');
      if (std::string(row.to) == "f2") {  // what was there is there still
        std::string bytes;
        EXPECT_TRUE(ReadFileBytes(root / "f2", bytes, error) && bytes == "f2");
      }
      if (done && row.from[0] == 'l') {
        EXPECT_TRUE(fs::is_symlink(root / row.to));  // not followed
      }
    }
  }
  std::error_code ignored;
  fs::remove_all(root, ignored);
}

// Entries come in the order of their names' own units, whether or not the names are text: bytes,
// compared unsigned, on POSIX; UTF-16 units on Windows, where a lone surrogate is a name too.
// Each entry's type travels with its name.
TEST(System, SortByNameOrdersTheNamesOwnUnits) {
  constexpr bool kWindows = fs::path::preferred_separator == '\\';
  struct Row {
    const char* name;
    std::vector<std::string> names;  // as PathBytes gives them
    std::vector<std::string> posix;  // the order expected
    std::vector<std::string> windows;
  };
  const Row rows[] = {
      {"bytes that are not UTF-8 after ASCII, before and after UTF-8",
       {"\xff", "b", "\xc3\xa9", "\x80x", "a", "\xc3"},
       {"a", "b", "\x80x", "\xc3", "\xc3\xa9", "\xff"},
       {}},  // not names there
      {"a lone surrogate, and the planes whose order differs in UTF-8 and UTF-16",
       {"\xee\x80\x80", "\xf0\x9f\x98\x80", "\xed\xa0\x80", "z"},
       {"z", "\xed\xa0\x80", "\xee\x80\x80", "\xf0\x9f\x98\x80"},
       {"z", "\xed\xa0\x80", "\xf0\x9f\x98\x80", "\xee\x80\x80"}},
      {"a name before the longer names it starts", {"ab", "a\xff", "a"}, {"a", "ab", "a\xff"}, {}},
      {"none", {}, {}, {}},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.name);
    const std::vector<std::string>& expected = kWindows ? row.windows : row.posix;
    if (expected.size() != row.names.size()) continue;  // names this system does not hold
    std::vector<Listed> entries;
    std::map<std::string, EntryType> types;
    for (const std::string& name : row.names) {
      const EntryType type = static_cast<EntryType>(entries.size() % 3);
      entries.push_back({PathFromBytes(name), type});
      types[name] = type;
    }
    SortByName(entries);
    std::vector<std::string> sorted;
    for (const Listed& entry : entries) {
      sorted.push_back(PathBytes(entry.name));
      EXPECT_EQ(entry.type, types[sorted.back()]) << sorted.back();
    }
    EXPECT_EQ(sorted, expected);
  }
}

}  // namespace
}  // namespace namefold::cli
