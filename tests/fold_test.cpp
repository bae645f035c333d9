// Folding through code pages, as the plugin uses it: the unit tests run under the ANSI code page
// 1252 (LC_ALL=C), on POSIX through the library's own data and on Windows through the API.
#include "transform/fold.h"

#include <gtest/gtest.h>

#include <string>

#include "platform/platform.h"

namespace namefold {
namespace {

std::u16string Fold(int code_page, std::u16string_view source, std::size_t size) {
  const std::u16string terminated(source);
  std::u16string destination(size + 4, u'#');
  FoldThroughCodePage(code_page, terminated.c_str(), std::span(destination.data(), size));
  EXPECT_EQ(destination.substr(size), u"####") << "written past the destination";
  if (size == 0) return u"";
  const std::size_t end = destination.find(u'\0');
  EXPECT_LT(end, size) << "no terminator inside the destination";
  return destination.substr(0, end);
}

TEST(FoldThroughCodePage, KeepsWhatTheCodePageHolds) {
  struct Row {
    const char* name;
    int code_page;
    std::u16string_view in, out;
  };
  const Row rows[] = {
      {"Latin-1 under the ANSI code page 1252", 0, u"caf\u00e9", u"caf\u00e9"},
      {"Cyrillic under 1251", 1251, u"\u041c\u043e\u0441\u043a\u0432\u0430",
       u"\u041c\u043e\u0441\u043a\u0432\u0430"},
      {"best fit to the plain letter", 1251, u"caf\u00e9", u"cafe"},
      {"no substitute", 1252, u"\u0416", u"_"},
      {"surrogate pair: one _ per unit", 1252, u"a\U0001F600b", u"a__b"},
      {"UTF-8 keeps a pair", 65001, u"a\U0001F600b", u"a\U0001F600b"},
      {"UTF-8 replaces an unpaired surrogate", 65001,
       u"a\xD800"
       u"b",
       u"a\uFFFDb"},
      {"empty", 1252, u"", u""},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.name);
    EXPECT_EQ(Fold(row.code_page, row.in, 64), row.out);
  }
}

TEST(FoldThroughCodePage, SubstitutesNeverBringForbiddenCharacters) {
  struct Row {
    const char* name;
    int code_page;
    std::u16string_view in, out;
  };
  const Row rows[] = {
      {"fullwidth reverse solidus", 1252, u"a\uFF3Cb", u"a_b"},
      {"fraction slash and fullwidth solidus", 1252, u"\u2044\uFF0F", u"__"},
      {"fullwidth colon", 1251, u"\uFF1A", u"_"},
      {"characters already in the name stay", 1252, u"a:b\\c", u"a:b\\c"},
      {"an honest substitute stays", 1252, u"\u0141\u00e9", u"L\u00e9"},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.name);
    EXPECT_EQ(Fold(row.code_page, row.in, 64), row.out);
  }
}

TEST(FoldThroughCodePage, CutsToTheDestination) {
  struct Row {
    const char* name;
    std::u16string_view in;
    std::size_t size;
    std::u16string_view out;
  };
  const Row rows[] = {
      {"size 0 writes nothing", u"abc", 0, u""},
      {"size 1 holds the terminator only", u"abc", 1, u""},
      {"cut", u"abcdef", 4, u"abc"},
      {"fits exactly", u"abc", 4, u"abc"},
      {"a pair is not split", u"ab\U0001F600", 4, u"ab"},
      {"a pair that fits", u"ab\U0001F600", 5, u"ab__"},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.name);
    EXPECT_EQ(Fold(1252, row.in, row.size), row.out);
  }
}

TEST(FoldsUnchanged, LooksAtTheWholeTextOfAnyLength) {
  struct Row {
    const char* name;
    std::u16string text;
    bool unchanged;
  };
  const std::u16string long_ascii(40000, u'a');
  const Row rows[] = {
      {"empty", u"", true},
      {"Latin-1", u"C:\\caf\u00e9", true},
      {"Cyrillic", u"C:\\\u0416", false},
      {"long ASCII", long_ascii, true},
      {"far beyond the first piece", long_ascii + u"\u0416", false},
      {"at the end of the first piece", std::u16string(1023, u'a') + u"\u0416", false},
      {"pair across the piece boundary", std::u16string(1023, u'a') + u"\U0001F600", false},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.name);
    EXPECT_EQ(FoldsUnchanged(0, row.text.c_str()), row.unchanged);
  }
}

// Fast paths pass runs of units that come back unchanged; the units at and just above the end of
// ASCII, right after ASCII runs of every length (and so at every alignment), must still be folded
// exactly as the platform folds them alone, under every code page.
TEST(FoldThroughCodePage, UnitsAtTheEndOfAsciiAfterAsciiRuns) {
  constexpr int kCodePages[] = {0,    874,  932,  936,  949,  950,  1250, 1251,
                                1252, 1253, 1254, 1255, 1256, 1257, 1258, 65001};
  constexpr Unit kUnits[] = {0x7E, 0x7F, 0x80, 0x81, 0x9F, 0xA0, 0xFF, 0x100};
  const std::u16string forbidden = u"\\/:*?\"<>|";
  for (const int code_page : kCodePages) {
    for (const Unit unit : kUnits) {
      Unit alone;
      platform::FoldUnits(code_page, &unit, 1, &alone);
      const bool substitute_forbidden =
          alone != unit && (alone < 0x20 || forbidden.find(alone) != std::u16string::npos);
      const Unit expected = substitute_forbidden ? u'_' : alone;
      for (std::size_t run = 0; run <= 17; ++run) {
        SCOPED_TRACE(testing::Message()
                     << "code page " << code_page << ", unit " << static_cast<int>(unit)
                     << " after " << run << " ASCII units");
        const std::u16string ascii = std::u16string(run, u'a');
        EXPECT_EQ(Fold(code_page, ascii + unit + u"b", 64), ascii + expected + u"b");
        EXPECT_EQ(FoldsUnchanged(code_page, (ascii + unit).c_str()), alone == unit);
      }
    }
  }
}

}  // namespace
}  // namespace namefold
