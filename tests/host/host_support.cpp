#include "tests/host/host_support.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <cstring>
#include <fstream>
#include <random>
#include <vector>

namespace namefold::testing {

fs::path BuiltLibrary() {
  return host::ExecutablePath().parent_path().parent_path() / "out" / host::kLibraryFileName;
}

TempDir::TempDir() {
  std::random_device random;
  for (;;) {
    path_ = fs::temp_directory_path() / ("namefold-test-" + std::to_string(random()));
    if (fs::create_directory(path_)) break;
  }
}

TempDir::~TempDir() {
  std::error_code ignored;
  fs::remove_all(path_, ignored);
}

std::string Utf16Le(std::u16string_view text) {
  std::string bytes;
  for (char16_t unit : text) {
    bytes += static_cast<char>(unit & 0xFF);
    bytes += static_cast<char>(unit >> 8);
  }
  return bytes;
}

void WriteBytes(const fs::path& file, std::string_view bytes) {
  std::ofstream out(file, std::ios::binary | std::ios::trunc);
  out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
  ASSERT_TRUE(out.good()) << file;
}

host::Plugin LoadCopy(const fs::path& folder, const std::string& file_name) {
  host::Plugin plugin;
  const fs::path copy = folder / file_name;
  std::error_code error;
  fs::copy_file(BuiltLibrary(), copy, fs::copy_options::overwrite_existing, error);
  EXPECT_FALSE(error) << error.message() << ": " << BuiltLibrary();
  std::string reason;
  EXPECT_TRUE(host::LoadPlugin(copy, plugin, reason)) << reason;
  return plugin;
}

int AnsiCodePageUnderTest() {
  struct Row {
    const char* prefix;
    int code_page;
  };
  static constexpr Row kLocales[] = {{"ru", 1251}, {"cs", 1250}, {"el", 1253},
                                     {"ja", 932},  {"hi", 65001}};
  const char* locale = std::getenv("LC_ALL");
  for (const Row& row : kLocales) {
    if (locale != nullptr && std::strncmp(locale, row.prefix, 2) == 0) return row.code_page;
  }
  return 1252;
}

std::u16string NativePath(std::u16string_view slashed) {
  std::u16string path(slashed);
  for (char16_t& unit : path) {
    if (unit == u'/') unit = host::kPathSeparator;
  }
  return path;
}

ValueResult GetValueW(const host::Plugin& plugin, std::u16string_view path, int field,
                      int maxlen) {
  constexpr std::size_t kGuard = 16;
  constexpr unsigned char kFill = 0xA5;
  const std::size_t size = maxlen > 0 ? static_cast<std::size_t>(maxlen) : 0;
  std::vector<unsigned char> buffer(size + 2 * kGuard, kFill);
  const std::u16string terminated(path);
  ValueResult result;
  result.code = plugin.get_value_w(reinterpret_cast<const NamefoldUnit*>(terminated.c_str()),
                                   field, 0, buffer.data() + kGuard, maxlen, 0);
  for (std::size_t i = 0; i < kGuard; ++i) {
    EXPECT_EQ(buffer[i], kFill) << "byte written before the buffer, maxlen " << maxlen;
    EXPECT_EQ(buffer[kGuard + size + i], kFill) << "byte written after the buffer, maxlen " << maxlen;
  }
  const unsigned char* value = buffer.data() + kGuard;
  if (result.code == NAMEFOLD_FT_BOOLEAN) {
    EXPECT_GE(maxlen, 4);
    std::memcpy(&result.boolean, value, sizeof result.boolean);
  } else if (result.code == NAMEFOLD_FT_WIDE_STRING) {
    std::size_t n = 0;
    for (;; ++n) {
      if ((n + 1) * 2 > size) {
        ADD_FAILURE() << "string result not terminated inside the buffer, maxlen " << maxlen;
        break;
      }
      char16_t unit;
      std::memcpy(&unit, value + 2 * n, 2);
      if (unit == 0) break;
      result.text += unit;
    }
  }
  return result;
}

}  // namespace namefold::testing
