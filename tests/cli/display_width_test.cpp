#include "cli/display_width.h"

#include <gtest/gtest.h>

#include <span>

namespace namefold::cli {
namespace {

#include "cli/display_width_data.inc"

TEST(DisplayWidth, CodePointClasses) {
  struct Row {
    const char* name;
    char32_t code_point;
    int width;
  };
  const Row rows[] = {
      {.name = "ASCII letter", .code_point = U'A', .width = 1},
      {.name = "Cyrillic letter", .code_point = U'Ж', .width = 1},
      {.name = "combining acute", .code_point = 0x0301, .width = 0},
      {.name = "enclosing circle", .code_point = 0x20DD, .width = 0},
      {.name = "zero width joiner", .code_point = 0x200D, .width = 0},
      {.name = "soft hyphen shows", .code_point = 0x00AD, .width = 1},
      {.name = "hiragana", .code_point = U'き', .width = 2},
      {.name = "CJK ideograph", .code_point = U'東', .width = 2},
      {.name = "CJK extension B", .code_point = 0x20000, .width = 2},
      {.name = "Hangul syllable", .code_point = U'서', .width = 2},
      {.name = "Hangul medial vowel jamo", .code_point = 0x1161, .width = 0},
      {.name = "fullwidth A", .code_point = U'Ａ', .width = 2},
      {.name = "ideographic space", .code_point = 0x3000, .width = 2},
      {.name = "halfwidth katakana", .code_point = 0xFF76, .width = 1},
      {.name = "emoji", .code_point = 0x1F389, .width = 2},
      {.name = "last code point", .code_point = 0x10FFFF, .width = 1},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.name);
    EXPECT_EQ(CodePointWidth(row.code_point), row.width);
  }
}

TEST(DisplayWidth, RangesAreSortedAndDisjoint) {
  // The lookup is a binary search: a range out of order would hide its neighbours.
  for (const auto& ranges : {std::span<const CodePointRange>(kZeroWidthRanges),
                             std::span<const CodePointRange>(kWideRanges)}) {
    for (std::size_t i = 0; i < ranges.size(); ++i) {
      ASSERT_LE(ranges[i].first, ranges[i].last) << i;
      if (i > 0) {
        ASSERT_LT(ranges[i - 1].last + 1, ranges[i].first) << i;
      }
    }
  }
}

TEST(DisplayWidth, StringsCountColumnsNotBytes) {
  EXPECT_EQ(DisplayWidth(""), 0u);
  EXPECT_EQ(DisplayWidth("Москва.txt"), 10u);
  EXPECT_EQ(DisplayWidth("東京タワー.jpg"), 14u);
  EXPECT_EQ(DisplayWidth("e\xCC\x81"), 1u);  // e and a combining acute
  EXPECT_EQ(DisplayWidth("a\xFF"
                         "b"),
            3u);  // a bad byte takes one column
}

}  // namespace
}  // namespace namefold::cli
