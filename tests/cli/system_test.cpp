#include "cli/system.h"

#include <gtest/gtest.h>

#include <cstdlib>
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

}  // namespace
}  // namespace namefold::cli
