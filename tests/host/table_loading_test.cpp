// The table files beside a fresh copy of the library: found, read once, and the failures that
// leave a table Unavailable for good.
#include <gtest/gtest.h>

#include <atomic>
#include <set>
#include <string>
#include <thread>
#include <vector>

#include "tests/host/host_support.h"

namespace namefold::testing {
namespace {

constexpr int kAll = NAMEFOLD_FIELD_NAME_REPLACE_USER_ALL;

std::string Table(std::u16string_view text) { return Utf16Le(text); }

// Field 4 of a file named `name`.
std::u16string ReplaceAll(const host::Plugin& plugin, std::u16string_view name) {
  const ValueResult result = GetValueW(plugin, NativePath(u"C:/dir/") + std::u16string(name), kAll);
  EXPECT_EQ(result.code, NAMEFOLD_FT_WIDE_STRING);
  return result.text;
}

TEST(TableFiles, FilesBesideTheLibraryAreRead) {
  struct Row {
    const char* name;
    std::string single, sequence;  // file contents; "-" for no file
    std::u16string_view in, out;
  };
  const Row rows[] = {
      {"both tables", Table(u"s=S\r\n"), Table(u"sh=X\r\n"), u"shop so", u"Xop So"},
      {"no files", "-", "-", u"shop", u"shop"},
      {"sequence table alone replaces nothing", "-", Table(u"sh=X\r\n"), u"shop", u"shop"},
      {"empty single table is Unavailable", "", Table(u"sh=X\r\n"), u"shop", u"shop"},
      {"one byte is an empty table, Loaded", "s", Table(u"sh=X\r\n"), u"shop so", u"Xop so"},
      {"the odd last byte is ignored", Table(u"a=b") + "c", "-", u"a", u"b"},
      {"byte-order mark", Table(u"\uFEFFa=b\r\n"), Table(u"\uFEFFab=X\r\n"), u"a ab", u"b X"},
      {"a zero unit ends the text", Table(u"a=b\r\n") + std::string(2, '\0') + Table(u"c=d"), "-",
       u"ac", u"bc"},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.name);
    TempDir folder;
    if (row.single != "-") WriteBytes(folder.path() / "namefold1.tbl", row.single);
    if (row.sequence != "-") WriteBytes(folder.path() / "namefold2.tbl", row.sequence);
    host::Plugin plugin = LoadCopy(folder.path());
    ASSERT_NE(plugin.get_value_w, nullptr);
    EXPECT_EQ(ReplaceAll(plugin, row.in), row.out);
    host::UnloadPlugin(plugin);
  }
}

TEST(TableFiles, AreNamedAfterTheLibraryWhereverItIs) {
  struct Row {
    const char* name;
    std::u16string folder;
    std::string library, table;
  };
  const Row rows[] = {
      {"folder outside the ANSI code page", u"\u0416\u8868\u00fc\u05d0 \U0001F600", "namefold",
       "namefold"},
      {"another library name", u"plain", "other", "other"},
      {"no extension", u"plain", "", "namefold"},
      {"dot in the folder", u"a.b", "", "namefold"},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.name);
    TempDir parent;
    const fs::path folder = parent.path() / fs::path(row.folder);
    std::error_code error;
    if (!fs::create_directories(folder, error)) {
      // Wine under a locale that glibc lacks cannot name such files; the C.UTF-8 run can.
      GTEST_SKIP() << "this system cannot create " << ToUtf8(row.folder) << ": " << error.message();
    }
    std::string library = row.library.empty() ? "namefold" : row.library;
    if (!row.library.empty()) library += fs::path(host::kLibraryFileName).extension().string();
    WriteBytes(folder / (row.table + "1.tbl"), Table(u"s=S\r\n"));
    host::Plugin plugin = LoadCopy(folder, library);
    ASSERT_NE(plugin.get_value_w, nullptr);
    EXPECT_EQ(ReplaceAll(plugin, u"so"), u"So");
    host::UnloadPlugin(plugin);
  }
}

TEST(TableFiles, AFailedLoadIsNeverRepeated) {
  TempDir folder;
  host::Plugin plugin = LoadCopy(folder.path());
  ASSERT_NE(plugin.get_value_w, nullptr);
  EXPECT_EQ(ReplaceAll(plugin, u"so"), u"so");
  WriteBytes(folder.path() / "namefold1.tbl", Table(u"s=S\r\n"));
  EXPECT_EQ(ReplaceAll(plugin, u"so"), u"so") << "the missing file was looked for once only";
  host::UnloadPlugin(plugin);
}

TEST(TableFiles, ALoadedTableIsNeverReloaded) {
  TempDir folder;
  WriteBytes(folder.path() / "namefold1.tbl", Table(u"s=S\r\n"));
  host::Plugin plugin = LoadCopy(folder.path());
  ASSERT_NE(plugin.get_value_w, nullptr);
  EXPECT_EQ(ReplaceAll(plugin, u"so"), u"So");
  WriteBytes(folder.path() / "namefold1.tbl", Table(u"s=T\r\n"));
  EXPECT_EQ(ReplaceAll(plugin, u"so"), u"So");
  fs::remove(folder.path() / "namefold1.tbl");
  EXPECT_EQ(ReplaceAll(plugin, u"so"), u"So");
  host::UnloadPlugin(plugin);
}

TEST(TableFiles, FieldZeroLoadsNothing) {
  TempDir folder;
  host::Plugin plugin = LoadCopy(folder.path());
  ASSERT_NE(plugin.get_value_w, nullptr);
  EXPECT_EQ(GetValueW(plugin, NativePath(u"C:/dir/so"), 0).code, NAMEFOLD_FT_BOOLEAN);
  WriteBytes(folder.path() / "namefold1.tbl", Table(u"s=S\r\n"));
  EXPECT_EQ(ReplaceAll(plugin, u"so"), u"So") << "the first name field is the first attempt";
  host::UnloadPlugin(plugin);
}

// Many threads make the first requests at once and keep asking until they see both tables: each
// sees each table either complete or not at all, never a table half filled, and nothing breaks.
// Each table's first line and last line both change the name, and the tables are long, so a
// table published before its last line is in place is seen half filled by the callers that keep
// asking while it is parsed. The engine looks at the sequence table's state afresh at each unit,
// so a name may also meet that table from one of its units on.
TEST(TableFiles, ConcurrentFirstRequests) {
  constexpr int kLoads = 4;
  constexpr int kThreads = 6;
  constexpr int kPadding = 100000;
  constexpr std::u16string_view kComplete = u"XQ So";
  const std::set<std::u16string> allowed = {
      u"shop so",  // no single-character table: nothing is replaced
      u"ShoP So",  // no sequence table
      u"ShQ So",   // the sequence table met from the o on
      std::u16string(kComplete)};
  std::u16string single = u"p=P\r\n", sequence = u"# first line\r\nsh=X\r\n";
  for (int i = 0; i < kPadding; ++i) {
    single += u"\u4e00=padding to make the load take a while\r\n";
    sequence += u"\u4e00\u4e01=pad\r\n";
  }
  single += u"s=S\r\n";
  sequence += u"op=Q\r\n";
  const std::string single_bytes = Table(single), sequence_bytes = Table(sequence);
  for (int load = 0; load < kLoads; ++load) {
    TempDir folder;
    WriteBytes(folder.path() / "namefold1.tbl", single_bytes);
    WriteBytes(folder.path() / "namefold2.tbl", sequence_bytes);
    host::Plugin plugin = LoadCopy(folder.path());
    ASSERT_NE(plugin.get_value_w, nullptr);
    std::atomic<int> ready{0};
    std::vector<std::set<std::u16string>> seen(kThreads);
    std::vector<std::thread> threads;
    for (int t = 0; t < kThreads; ++t) {
      threads.emplace_back([&, t] {
        ready.fetch_add(1);
        while (ready.load() < kThreads) {
        }
        // Bounded, so that a table that never completes fails rather than hangs.
        for (int call = 0; call < 1000000; ++call) {
          const std::u16string result = GetValueW(plugin, NativePath(u"C:/dir/shop so"), kAll).text;
          seen[t].insert(result);
          if (result == kComplete) break;
        }
      });
    }
    for (std::thread& thread : threads) thread.join();
    for (const std::set<std::u16string>& results : seen) {
      for (const std::u16string& result : results) {
        EXPECT_TRUE(allowed.count(result)) << ToUtf8(result);
      }
      EXPECT_TRUE(results.count(std::u16string(kComplete))) << "both tables complete at last";
    }
    host::UnloadPlugin(plugin);
  }
}

}  // namespace
}  // namespace namefold::testing
