#include "cli/table_convert.h"

#include <gtest/gtest.h>

namespace namefold::cli {
namespace {

std::string Le(std::u16string_view text) {
  std::string bytes;
  for (char16_t unit : text) {
    bytes += static_cast<char>(unit & 0xFF);
    bytes += static_cast<char>(unit >> 8);
  }
  return bytes;
}

TEST(TableConvert, BothDirections) {
  struct Row {
    const char* name;
    std::string input;
    Direction direction;
    std::string output;
    bool to_table;
  };
  const Row rows[] = {
      {"table to UTF-8", Le(u"\uFEFF# c\r\nЖ=Zh\r\n"), Direction::kAuto, "# c\nЖ=Zh\n", false},
      {"table without a mark", Le(u"a=b\r\n"), Direction::kAuto, "a=b\n", false},
      {"UTF-8 to table", "# c\nЖ=Zh\n", Direction::kAuto, Le(u"\uFEFF# c\r\nЖ=Zh\r\n"), true},
      {"UTF-8 with a mark and CR LF",
       "\xEF\xBB\xBF"
       "a=b\r\nc=d",
       Direction::kAuto, Le(u"\uFEFFa=b\r\nc=d"), true},
      {"UTF-16 BE to table", std::string("\xFE\xFF\x04\x16\x00=\x00Z", 8), Direction::kAuto,
       Le(u"\uFEFFЖ=Z"), true},
      {"table to table normalises line ends", Le(u"a=b\nc=d\r"), Direction::kToTable,
       Le(u"\uFEFFa=b\r\nc=d\r\n"), true},
      {"character beyond the BMP", "\xF0\x9F\x8E\x89=party\n", Direction::kAuto,
       Le(u"\uFEFF\U0001F389=party\r\n"), true},
      {"empty UTF-8", "", Direction::kToTable, "\xFF\xFE", true},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.name);
    const Conversion conversion = ConvertTableText(row.input, row.direction);
    ASSERT_TRUE(conversion.ok) << conversion.error;
    EXPECT_EQ(conversion.bytes, row.output);
    EXPECT_EQ(conversion.to_table, row.to_table);
  }
}

TEST(TableConvert, RoundTripKeepsATableFile) {
  const std::string table = Le(u"\uFEFF# Cyrillic\r\nЖ=Zh\r\nщ=shch\r\n\U0001F389=x\r\n");
  const Conversion text = ConvertTableText(table, Direction::kAuto);
  ASSERT_TRUE(text.ok);
  const Conversion back = ConvertTableText(text.bytes, Direction::kAuto);
  ASSERT_TRUE(back.ok);
  EXPECT_EQ(back.bytes, table);
}

TEST(TableConvert, RefusesToLoseCharacters) {
  struct Row {
    const char* name;
    std::string input;
    Direction direction;
    const char* error;
  };
  const Row rows[] = {
      {"bad UTF-8 on line 2", "a=b\nc=\xE9\n", Direction::kToTable, "line 2: not valid UTF-8 text"},
      {"unpaired surrogate on line 2",
       Le(std::u16string{u'a', u'=', u'b', u'\r', u'\n', char16_t(0xD800), u'=', u'x'}),
       Direction::kToUtf8, "line 2: an unpaired surrogate cannot be written as UTF-8"},
      {"odd byte count",
       "\xFF\xFE"
       "a",
       Direction::kToUtf8, "odd byte count (3 bytes)"},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.name);
    const Conversion conversion = ConvertTableText(row.input, row.direction);
    EXPECT_FALSE(conversion.ok);
    EXPECT_NE(conversion.error.find(row.error), std::string::npos) << conversion.error;
    EXPECT_TRUE(conversion.bytes.empty());
  }
}

}  // namespace
}  // namespace namefold::cli
