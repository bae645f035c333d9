#include "platform/posix/code_pages.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <span>
#include <string>
#include <vector>

#include "platform/posix/code_page_data.h"

namespace namefold::platform {
namespace {

// The generated data, read again here as the oracle for the library's look-ups.
namespace data {
#include "platform/posix/code_page_data.inc"
}  // namespace data

constexpr Unit kGuard = 0xA5A5;

// Folds `source` into a buffer with a guard unit after it, checking that the guard survives.
std::u16string Fold(int code_page, const std::u16string& source) {
  std::vector<Unit> out(source.size() + 1, kGuard);
  EXPECT_TRUE(FoldKnownCodePage(code_page, source.data(), source.size(), out.data()));
  EXPECT_EQ(out.back(), kGuard) << "wrote past count";
  return std::u16string(out.begin(), out.end() - 1);
}

struct FoldCase {
  const char* name;
  int code_page;
  std::u16string source;
  std::u16string expected;
};

// clang-format off
const FoldCase kFoldCases[] = {
    {.name = "ASCII unchanged", .code_page = 1252,
     .source = u"Name (1).txt", .expected = u"Name (1).txt"},
    {.name = "1252 holds e-acute", .code_page = 1252,
     .source = u"caf\u00E9", .expected = u"caf\u00E9"},
    {.name = "1252 best fit onto forbidden characters", .code_page = 1252,
     .source = u"\uFF3C\u2044\uFF1A", .expected = u"\\/:"},
    {.name = "1252 strips macron, drops Cyrillic", .code_page = 1252,
     .source = u"\u0100\u0416", .expected = u"A_"},
    {.name = "1252 C1 control held", .code_page = 1252,
     .source = u"\u0081", .expected = u"\u0081"},
    {.name = "1252 BOM and U+FFFF are not held", .code_page = 1252,
     .source = u"\uFEFF\uFFFF", .expected = u"__"},
    {.name = "1250 yen to Y", .code_page = 1250,
     .source = u"\u00A5\u0141\u00F3d\u017A", .expected = u"Y\u0141\u00F3d\u017A"},
    {.name = "1251 Cyrillic held, accents stripped", .code_page = 1251,
     .source = u"\u0416\u0451\u00E9\u2190", .expected = u"\u0416\u0451e<"},
    {.name = "1253 Greek held, acute to slash", .code_page = 1253,
     .source = u"\u03A9\u0386\u00B4", .expected = u"\u03A9\u0386/"},
    {.name = "1254 Turkish i held", .code_page = 1254,
     .source = u"\u0130\u0131\u011F\u0100", .expected = u"\u0130\u0131\u011FA"},
    {.name = "1255 Hebrew held", .code_page = 1255,
     .source = u"\u05D0\u05B0\u00E9", .expected = u"\u05D0\u05B0_"},
    {.name = "1256 Farsi yeh to Arabic yeh", .code_page = 1256,
     .source = u"\u067E\u06CC", .expected = u"\u067E\u064A"},
    {.name = "1257 Baltic held", .code_page = 1257,
     .source = u"\u0105\u017E\u0101", .expected = u"\u0105\u017E\u0101"},
    {.name = "1258 no precomposed A with dot below", .code_page = 1258,
     .source = u"\u01A1\u0300\u1EA0", .expected = u"\u01A1\u0300_"},
    {.name = "874 Thai held, section sign to a control", .code_page = 874,
     .source = u"\u0E01\u00A7", .expected = u"\u0E01\u0015"},
    {.name = "932 yen to backslash, fullwidth backslash held", .code_page = 932,
     .source = u"\u00A5\uFF3C\u00A6", .expected = u"\\\uFF3C|"},
    {.name = "932 kana, kanji and user-defined area", .code_page = 932,
     .source = u"\u3042\uFF71\u6F22\uE757\uE758\uAC00", .expected = u"\u3042\uFF71\u6F22\uE757__"},
    {.name = "936 simplified held, Hangul not", .code_page = 936,
     .source = u"\u4E2D\u9FA5\uAC00\u00A5", .expected = u"\u4E2D\u9FA5_\uFFE5"},
    {.name = "949 Hangul held, jamo to compatibility jamo", .code_page = 949,
     .source = u"\uAC00\uD7A3\u1100\u20A9", .expected = u"\uAC00\uD7A3\u3131\\"},
    {.name = "950 traditional held, simplified not", .code_page = 950,
     .source = u"\u570B\u56FD\u3042", .expected = u"\u570B__"},
    {.name = "1252 surrogate pair and lone halves", .code_page = 1252,
     .source = {0xD83D, 0xDE00, u'a', 0xD800, 0xDFFF}, .expected = u"__a__"},
    {.name = "932 surrogate pair", .code_page = 932,
     .source = {0xD840, 0xDC0B}, .expected = u"__"},
    {.name = "65001 keeps pairs and everything else", .code_page = 65001,
     .source = u"\U0001F600\u0416\uFFFF\uFEFF", .expected = u"\U0001F600\u0416\uFFFF\uFEFF"},
    {.name = "65001 lone high, lone low, high at end", .code_page = 65001,
     .source = {0xD800, u'a', 0xDC00, 0xD800}, .expected = u"\uFFFDa\uFFFD\uFFFD"},
    {.name = "65001 high high low, low high", .code_page = 65001,
     .source = {0xD800, 0xD801, 0xDC01, 0xDC00, 0xD800},
     .expected = {0xFFFD, 0xD801, 0xDC01, 0xFFFD, 0xFFFD}},
};
// clang-format on

TEST(FoldKnownCodePage, KnownValues) {
  for (const FoldCase& row : kFoldCases) {
    SCOPED_TRACE(row.name);
    EXPECT_EQ(Fold(row.code_page, row.source), row.expected);
  }
}

TEST(FoldKnownCodePage, InPlace) {
  std::u16string text = {0xD83D, 0xDE00, 0xDC00, 0x00A5, 0xD800};
  ASSERT_TRUE(FoldKnownCodePage(65001, text.data(), text.size(), text.data()));
  EXPECT_EQ(text, (std::u16string{0xD83D, 0xDE00, 0xFFFD, 0x00A5, 0xFFFD}));
  ASSERT_TRUE(FoldKnownCodePage(932, text.data(), text.size(), text.data()));
  EXPECT_EQ(text, u"___\\_");  // U+FFFD is not in 932
}

TEST(FoldKnownCodePage, UnknownCodePageWritesNothing) {
  const std::u16string source = u"abc";
  for (int code_page : {0, -1, 1, 437, 850, 1200, 1249, 1259, 20127, 28591, 54936, 65000}) {
    SCOPED_TRACE(code_page);
    std::u16string out(3, kGuard);
    EXPECT_FALSE(FoldKnownCodePage(code_page, source.data(), source.size(), out.data()));
    EXPECT_EQ(out, std::u16string(3, kGuard));
  }
}

TEST(FoldKnownCodePage, CountZeroWritesNothing) {
  for (int code_page :
       {874, 932, 936, 949, 950, 1250, 1251, 1252, 1253, 1254, 1255, 1256, 1257, 1258, 65001}) {
    SCOPED_TRACE(code_page);
    Unit out = kGuard;
    EXPECT_TRUE(FoldKnownCodePage(code_page, u"\xD800", 0, &out));
    EXPECT_EQ(out, kGuard);
  }
}

// Folds all 65536 units in one call, so that each unit also meets its neighbours.
std::vector<Unit> FoldEveryUnit(int code_page) {
  std::vector<Unit> all(0x10000), folded(0x10000);
  for (std::size_t unit = 0; unit < all.size(); ++unit) all[unit] = static_cast<Unit>(unit);
  EXPECT_TRUE(FoldKnownCodePage(code_page, all.data(), all.size(), folded.data()));
  return folded;
}

// How many units each code page holds and maps by best fit, as measured on the Windows API.
struct PageShape {
  int code_page;
  std::size_t held;
  std::size_t best_fit;
};

const PageShape kShapes[] = {
    {874, 256, 136},  {932, 9402, 83},  {936, 24070, 412}, {949, 17366, 394}, {950, 19840, 480},
    {1250, 256, 431}, {1251, 256, 382}, {1252, 256, 436},  {1253, 256, 364},  {1254, 256, 433},
    {1255, 256, 94},  {1256, 256, 286}, {1257, 256, 92},   {1258, 256, 92},
};

TEST(FoldKnownCodePage, EveryUnitFollowsTheDataAndIsIdempotent) {
  ASSERT_EQ(std::size(data::kCodePages), std::size(kShapes));
  for (const CodePageData& page : data::kCodePages) {
    SCOPED_TRACE(page.code_page);
    std::vector<Unit> expected(0x10000, u'_');
    for (const UnitRange& range : page.unchanged) {
      for (unsigned unit = range.first; unit <= range.last; ++unit)
        expected[unit] = static_cast<Unit>(unit);
    }
    for (const BestFit& pair : page.best_fit) expected[pair.from] = pair.to;

    const std::vector<Unit> folded = FoldEveryUnit(page.code_page);
    std::size_t held = 0, best_fit = 0, mismatches = 0;
    for (std::size_t unit = 0; unit < folded.size(); ++unit) {
      const Unit result = folded[unit];
      if (result != expected[unit] && ++mismatches <= 5) {
        ADD_FAILURE() << std::hex << "unit " << unit << " folds to " << +result << ", not "
                      << +expected[unit];
      }
      Unit again = 0;
      ASSERT_TRUE(FoldKnownCodePage(page.code_page, &result, 1, &again));
      if (again != result && ++mismatches <= 5) {
        ADD_FAILURE() << std::hex << "unit " << unit << " folds to " << +result << ", then to "
                      << +again;
      }
      held += result == unit;
      best_fit += result != unit && result != u'_';
    }
    const auto shape =
        std::find_if(std::begin(kShapes), std::end(kShapes),
                     [&](const PageShape& s) { return s.code_page == page.code_page; });
    ASSERT_NE(shape, std::end(kShapes));
    EXPECT_EQ(held, shape->held);
    EXPECT_EQ(best_fit, shape->best_fit);
  }
}

TEST(FoldKnownCodePage, Utf8EveryUnitAndEveryPair) {
  const std::vector<Unit> folded = FoldEveryUnit(65001);
  for (std::size_t unit = 0; unit < folded.size(); ++unit) {
    const bool surrogate = IsSurrogate(static_cast<char32_t>(unit));
    // In the whole run only U+DBFF is followed by a low surrogate.
    const Unit expected =
        surrogate && unit != 0xDBFF && unit != 0xDC00 ? 0xFFFD : static_cast<Unit>(unit);
    ASSERT_EQ(folded[unit], expected) << std::hex << "unit " << unit;
  }
  std::vector<Unit> pairs(2 * 1024), out(pairs.size());
  for (Unit high = 0xD800; high <= 0xDBFF; ++high) {
    for (std::size_t i = 0; i < 1024; ++i) {
      pairs[2 * i] = high;
      pairs[2 * i + 1] = static_cast<Unit>(0xDC00 + i);
    }
    ASSERT_TRUE(FoldKnownCodePage(65001, pairs.data(), pairs.size(), out.data()));
    ASSERT_EQ(out, pairs) << std::hex << "high " << +high;
  }
}

// The check without a copy must agree with the fold for every unit, wherever the unit stands.
TEST(KnownCodePageHolds, AgreesWithTheFoldForEveryUnit) {
  for (const CodePageData& page : data::kCodePages) {
    SCOPED_TRACE(page.code_page);
    const std::vector<Unit> folded = FoldEveryUnit(page.code_page);
    std::size_t mismatches = 0;
    for (std::size_t unit = 1; unit < folded.size(); ++unit) {
      const bool unchanged = folded[unit] == unit;
      // Alone, and between ASCII units, which every code page holds.
      const Unit alone[] = {static_cast<Unit>(unit), 0};
      const Unit behind[] = {u'a', u'b', static_cast<Unit>(unit), u'z', 0};
      if ((KnownCodePageHolds(page.code_page, alone) != unchanged ||
           KnownCodePageHolds(page.code_page, behind) != unchanged) &&
          ++mismatches <= 5) {
        ADD_FAILURE() << std::hex << "unit " << unit << " folds to " << +folded[unit];
      }
    }
  }
}

TEST(KnownCodePageHolds, Utf8AndUnknownCodePages) {
  struct Row {
    const char* name;
    std::u16string text;
    bool holds;
  };
  const Row rows[] = {
      {"empty", u"", true},
      {"a pair among letters", u"a\U0001F600b", true},
      {"lone high at the end", {u'a', 0xD800}, false},
      {"lone low", {0xDC00, u'a'}, false},
      {"reversed pair", {0xDE00, 0xD83D}, false},
      {"high, then a pair", {0xD800, 0xD83D, 0xDE00}, false},
      {"noncharacters are held", u"\uFFFF\uFEFF", true},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.name);
    EXPECT_EQ(KnownCodePageHolds(65001, row.text.c_str()), row.holds);
  }
  for (int code_page : {0, 437, 1249, 1259, 20127}) {
    SCOPED_TRACE(code_page);
    EXPECT_EQ(KnownCodePageHolds(code_page, u"abc"), std::nullopt);
  }
}

}  // namespace
}  // namespace namefold::platform
