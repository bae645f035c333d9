// Table file names that POSIX systems can give to things other than files: a FIFO that no one
// writes to, a device that never ends, links. None may block the host or be read without end.
#include <gtest/gtest.h>
#include <sys/stat.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <functional>
#include <future>
#include <thread>

#include "tests/host/host_support.h"

namespace namefold::testing {
namespace {

// Field 4 of a file named "so", given up after a while: a library that blocks would hang the
// whole test program, so it is ended with a message instead.
std::u16string ReplaceAllWithin(const host::Plugin& plugin, std::chrono::seconds limit) {
  auto pending = std::async(std::launch::async, [&] {
    return GetValueW(plugin, u"/dir/so", NAMEFOLD_FIELD_NAME_REPLACE_USER_ALL);
  });
  if (pending.wait_for(limit) != std::future_status::ready) {
    std::fprintf(stderr, "the library blocked on a table file for %lld s\n",
                 static_cast<long long>(limit.count()));
    std::_Exit(1);
  }
  const ValueResult result = pending.get();
  EXPECT_EQ(result.code, NAMEFOLD_FT_WIDE_STRING);
  return result.text;
}

TEST(BadTableFiles, NamesOfOtherThingsThanFiles) {
  struct Row {
    const char* name;
    std::function<void(const fs::path& table, const fs::path& folder)> make;
    std::u16string out;
  };
  const Row rows[] = {
      {"FIFO without a writer", [](const fs::path& table, const fs::path&) {
         ASSERT_EQ(mkfifo(table.c_str(), 0600), 0);
       }, u"so"},
      {"link to a device without end", [](const fs::path& table, const fs::path&) {
         fs::create_symlink("/dev/zero", table);
       }, u"so"},
      {"dangling link", [](const fs::path& table, const fs::path& folder) {
         fs::create_symlink(folder / "missing.tbl", table);
       }, u"so"},
      {"link to a file is followed", [](const fs::path& table, const fs::path& folder) {
         WriteBytes(folder / "real.tbl", Utf16Le(u"s=S\r\n"));
         fs::create_symlink(folder / "real.tbl", table);
       }, u"So"},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.name);
    TempDir folder;
    row.make(folder.path() / "namefold1.tbl", folder.path());
    row.make(folder.path() / "namefold2.tbl", folder.path());
    host::Plugin plugin = LoadCopy(folder.path());
    ASSERT_NE(plugin.get_value_w, nullptr);
    EXPECT_EQ(ReplaceAllWithin(plugin, std::chrono::seconds(20)), row.out);
    host::UnloadPlugin(plugin);
  }
}

}  // namespace
}  // namespace namefold::testing
