// Table files that are not what the library expects, each beside a fresh copy of the library:
// every one gives a table or no table, never a crash, a hang or a load without bound.
#include <gtest/gtest.h>

#include <cstdio>
#include <functional>
#include <optional>
#include <random>
#include <string>

#include "tests/host/host_support.h"

namespace namefold::testing {
namespace {

constexpr int kAll = NAMEFOLD_FIELD_NAME_REPLACE_USER_ALL;
constexpr std::uintmax_t kMiB = 1u << 20;

std::u16string ReplaceAll(const host::Plugin& plugin, std::u16string_view name) {
  const ValueResult result = GetValueW(plugin, NativePath(u"C:/dir/") + std::u16string(name), kAll);
  EXPECT_EQ(result.code, NAMEFOLD_FT_WIDE_STRING);
  return result.text;
}

std::string RandomBytes(std::size_t count, unsigned seed) {
  std::mt19937 random(seed);
  std::string bytes(count, '\0');
  for (char& byte : bytes) byte = static_cast<char>(random());
  return bytes;
}

// A file that holds `text` and then reads as zero bytes up to `size`: a hole that takes no disk.
void WriteSparse(const fs::path& file, std::string_view text, std::uintmax_t size) {
  WriteBytes(file, text);
  std::error_code error;
  fs::resize_file(file, size, error);
  ASSERT_FALSE(error) << error.message();
}

// A single-character table with an entry for every unit but the three that end lines or the text;
// each value is the key in hex followed by 'v' up to kValueUnits units.
constexpr std::size_t kValueUnits = 200;

std::u16string EveryKeyValue(char16_t key) {
  char hex[8];
  std::snprintf(hex, sizeof hex, "%04X", static_cast<unsigned>(key));
  std::u16string value(hex, hex + 4);
  value.resize(kValueUnits, u'v');
  return value;
}

std::string EveryKeyTable() {
  std::u16string text;
  text.reserve(65536 * (kValueUnits + 4));
  for (unsigned key = 1; key < 65536; ++key) {
    if (key == u'\r' || key == u'\n') continue;
    text += static_cast<char16_t>(key);
    text += u'=';
    text += EveryKeyValue(static_cast<char16_t>(key));
    text += u"\r\n";
  }
  return Utf16Le(text);
}

// A sequence table whose 100,000 entries all start with 'a': a + two units numbering the entry.
std::u16string Numbered(unsigned i) {
  return {u'a', static_cast<char16_t>(0x4E00 + i / 256), static_cast<char16_t>(0x4E00 + i % 256)};
}

std::string OneKeySequenceTable() {
  std::u16string text = u"one key, many entries\r\n";
  for (unsigned i = 0; i < 100000; ++i) text += Numbered(i) + (i == 0 ? u"=FIRST\r\n" : u"=v\r\n");
  return Utf16Le(text);
}

TEST(BadTableFiles, GiveATableOrNone) {
  // Several MiB per row, and nothing here depends on the code page: one run is enough.
  if (AnsiCodePageUnderTest() != 1252) GTEST_SKIP() << "runs under code page 1252 only";
  struct Row {
    const char* name;
    std::function<void(const fs::path& single, const fs::path& sequence)> make;
    std::u16string in;
    std::optional<std::u16string> out;  // none: any value will do
  };
  const std::string kPlain = Utf16Le(u"s=S\r\n");
  const Row rows[] = {
      {"random bytes",
       [](const fs::path& single, const fs::path& sequence) {
         WriteBytes(single, RandomBytes(65536, 1));
         WriteBytes(sequence, RandomBytes(65536, 2));
       },
       u"shop so \u0416\u3042\U0001F600", std::nullopt},
      {"UTF-8 holds no '=' unit",
       [](const fs::path& single, const fs::path&) { WriteBytes(single, "\xEF\xBB\xBFs=S\r\nso=X\r\n"); },
       u"so", u"so"},
      {"UTF-16 big-endian holds no '=' unit",
       [](const fs::path& single, const fs::path&) {
         WriteBytes(single, std::string("\xFE\xFF\0s\0=\0S\0\r\0\n", 12));
       },
       u"so", u"so"},
      {"one unit",
       [](const fs::path& single, const fs::path& sequence) {
         WriteBytes(single, Utf16Le(u"s"));
         WriteBytes(sequence, Utf16Le(u"="));
       },
       u"so", u"so"},
      {"only '=' signs: '=' maps to the rest",
       [](const fs::path& single, const fs::path& sequence) {
         WriteBytes(single, Utf16Le(std::u16string(1000, u'=')));
         WriteBytes(sequence, Utf16Le(std::u16string(1000, u'=')));
       },
       u"s=o", u"s" + std::u16string(998, u'=') + u"o"},
      {"65,535 distinct keys with long values",
       [](const fs::path& single, const fs::path&) { WriteBytes(single, EveryKeyTable()); },
       u"so", EveryKeyValue(u's') + EveryKeyValue(u'o')},
      {"100,000 sequence entries under one key",
       [&](const fs::path& single, const fs::path& sequence) {
         WriteBytes(single, kPlain);
         WriteBytes(sequence, OneKeySequenceTable());
       },
       Numbered(0) + Numbered(99999) + std::u16string(200, u'a') + u"s",
       u"FIRSTv" + std::u16string(200, u'a') + u"S"},
      {"64 MiB exactly is read",
       [&](const fs::path& single, const fs::path&) { WriteSparse(single, kPlain, 64 * kMiB); },
       u"so", u"So"},
      {"over 64 MiB is not",
       [&](const fs::path& single, const fs::path&) { WriteSparse(single, kPlain, 64 * kMiB + 2); },
       u"so", u"so"},
      {"4 GiB and 10 bytes is not read as 10 bytes",
       [&](const fs::path& single, const fs::path&) {
         WriteSparse(single, kPlain, (std::uintmax_t{1} << 32) + 10);
       },
       u"so", u"so"},
      {"directories",
       [](const fs::path& single, const fs::path& sequence) {
         fs::create_directory(single);
         fs::create_directory(sequence);
       },
       u"so", u"so"},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.name);
    TempDir folder;
    row.make(folder.path() / "namefold1.tbl", folder.path() / "namefold2.tbl");
    host::Plugin plugin = LoadCopy(folder.path());
    ASSERT_NE(plugin.get_value_w, nullptr);
    const std::u16string value = ReplaceAll(plugin, row.in);
    if (row.out) {
      EXPECT_EQ(value, row.out->substr(0, 1023));
    }
    for (int field = 1; field <= 4; ++field) {  // every field copes with whatever was loaded
      EXPECT_EQ(GetValueW(plugin, NativePath(u"C:/dir/") + row.in, field).code,
                NAMEFOLD_FT_WIDE_STRING);
    }
    host::UnloadPlugin(plugin);
  }
}

// A table file read when the library is first loaded and gone when it is loaded again: the
// second instance has no table, and nothing breaks.
TEST(BadTableFiles, AFileThatVanishesBetweenTwoLoads) {
  TempDir folder;
  WriteBytes(folder.path() / "namefold1.tbl", Utf16Le(u"s=S\r\n"));
  host::Plugin plugin = LoadCopy(folder.path());
  ASSERT_NE(plugin.get_value_w, nullptr);
  EXPECT_EQ(ReplaceAll(plugin, u"so"), u"So");
  host::UnloadPlugin(plugin);
  fs::remove(folder.path() / "namefold1.tbl");
  plugin = LoadCopy(folder.path());
  ASSERT_NE(plugin.get_value_w, nullptr);
  EXPECT_EQ(ReplaceAll(plugin, u"so"), u"so");
  host::UnloadPlugin(plugin);
}

}  // namespace
}  // namespace namefold::testing
