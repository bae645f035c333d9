#include "cli/utf.h"

#include <gtest/gtest.h>

#include "base/unit.h"

namespace namefold::cli {
namespace {

TEST(Utf, DecodeReplacesEachBadByteAndKeepsTheRest) {
  struct Row {
    const char* name;
    std::string bytes;
    std::u16string units;
    bool valid;
  };
  const Row rows[] = {
      {.name = "ascii", .bytes = "abc", .units = u"abc", .valid = true},
      {.name = "two, three and four bytes",
       .bytes = "\xC3\xA9\xE2\x82\xAC\xF0\x9F\x8E\x89",
       .units = u"é€\U0001F389",
       .valid = true},
      {.name = "lone continuation byte", .bytes = "a\x80z", .units = u"a\uFFFDz", .valid = false},
      {.name = "overlong slash", .bytes = "\xC0\xAF", .units = u"\uFFFD\uFFFD", .valid = false},
      {.name = "encoded surrogate",
       .bytes = "\xED\xA0\x80",
       .units = u"\uFFFD\uFFFD\uFFFD",
       .valid = false},
      {.name = "beyond U+10FFFF",
       .bytes = "\xF4\x90\x80\x80",
       .units = u"\uFFFD\uFFFD\uFFFD\uFFFD",
       .valid = false},
      {.name = "cut short at the end",
       .bytes = "x\xE2\x82",
       .units = u"x\uFFFD\uFFFD",
       .valid = false},
      {.name = "latin-1 byte", .bytes = "caf\xE9.txt", .units = u"caf\uFFFD.txt", .valid = false},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.name);
    std::u16string units;
    EXPECT_EQ(DecodeUtf8(row.bytes, units), row.valid);
    EXPECT_EQ(units, row.units);
  }
}

TEST(Utf, EncodeReplacesUnpairedSurrogatesOnly) {
  std::string bytes;
  EXPECT_TRUE(EncodeUtf8(u"é\U0001F389", bytes));
  EXPECT_EQ(bytes, "\xC3\xA9\xF0\x9F\x8E\x89");
  EXPECT_FALSE(EncodeUtf8(std::u16string{u'a', char16_t(0xD83C), u'b', char16_t(0xDF89)}, bytes));
  EXPECT_EQ(bytes,
            "a\xEF\xBF\xBD"
            "b\xEF\xBF\xBD");
}

TEST(Utf, EveryUnitSurvivesARoundTripExceptSurrogates) {
  for (char32_t c = 1; c < 0x10000; ++c) {
    const std::u16string unit(1, static_cast<char16_t>(c));
    const bool surrogate = IsSurrogate(c);
    std::string bytes;
    ASSERT_EQ(EncodeUtf8(unit, bytes), !surrogate) << std::hex << static_cast<unsigned>(c);
    std::u16string back;
    ASSERT_TRUE(DecodeUtf8(bytes, back)) << std::hex << static_cast<unsigned>(c);
    ASSERT_EQ(back, surrogate ? u"\uFFFD" : unit) << std::hex << static_cast<unsigned>(c);
  }
}

TEST(Utf, EscapeForLineKeepsRowsOnOneLine) {
  struct Row {
    const char* name;
    std::string bytes;
    std::string shown;
  };
  const Row rows[] = {
      {.name = "plain", .bytes = "Москва.txt", .shown = "Москва.txt"},
      {.name = "tab and line breaks", .bytes = "a\tb\nc\rd", .shown = "a\\tb\\nc\\rd"},
      {.name = "other controls",
       .bytes = std::string("a\x01\x1B\x7F", 4),
       .shown = "a\\x01\\x1B\\x7F"},
      {.name = "C1 control", .bytes = "\xC2\x85", .shown = "\\u0085"},
      {.name = "bad bytes", .bytes = "bad\xFF\xC3.txt", .shown = "bad\\xFF\\xC3.txt"},
      // "invoice\u202Efdp.exe" once showed as "invoiceexe.pdf".
      {.name = "right-to-left override",
       .bytes = "invoice\u202Efdp.exe",
       .shown = "invoice\\u202Efdp.exe"},
      {.name = "invisible characters",
       .bytes = "a\u200Bb\u2066c\u00AD\U000E0041",
       .shown = "a\\u200Bb\\u2066c\\u00AD\\U000E0041"},
      {.name = "line separator", .bytes = "a\u2028b", .shown = "a\\u2028b"},
      // Composed and decomposed twins once printed alike ("café.txt, café.txt").
      {.name = "a mark that composes with its letter",
       .bytes = "cafe\u0301",
       .shown = "cafe\\u0301"},
      {.name = "the composed twin", .bytes = "caf\u00E9", .shown = "caf\u00E9"},
      {.name = "a mark no letter takes", .bytes = "x\u0301", .shown = "x\u0301"},
      {.name = "conjoining jamo", .bytes = "\u1112\u1161\u11AB", .shown = "\u1112\\u1161\u11AB"},
      {.name = "a letter composition never keeps", .bytes = "\u0958", .shown = "\\u0958"},
      // "a b.txt" with a no-break space once read as "a b.txt".
      {.name = "spaces that are not U+0020",
       .bytes = "a\u00A0b\u2000c\u200Ad\u202Fe\u205Ff\u3000g\u1680h i",
       .shown = "a\\u00A0b\\u2000c\\u200Ad\\u202Fe\\u205Ff\\u3000g\\u1680h i"},
      {.name = "backslash kept for people", .bytes = "C:\\x", .shown = "C:\\x"},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.name);
    EXPECT_EQ(EscapeForLine(row.bytes), row.shown);
  }
  // For TSV a backslash is escaped too, so a literal "\xFF" differs from a bad byte.
  EXPECT_EQ(EscapeForLine("\\xFF\xFF\t", Backslash::kEscaped), "\\\\xFF\\xFF\\t");
}

TEST(Utf, JsonStringEscapesWhatJsonRequires) {
  struct Row {
    const char* name;
    std::string bytes;
    std::string json;
  };
  const Row rows[] = {
      {.name = "empty", .bytes = "", .json = R"("")"},
      {.name = "quote and backslash", .bytes = R"(a"b\c)", .json = R"("a\"b\\c")"},
      {.name = "short escapes", .bytes = "\b\f\n\r\t", .json = R"("\b\f\n\r\t")"},
      {.name = "other controls",
       .bytes = std::string("\x00\x01\x1F", 3),
       .json = R"("\u0000\u0001\u001f")"},
      {.name = "DEL and slash stay", .bytes = "\x7F/", .json = "\"\x7F/\""},
      {.name = "line separators", .bytes = "\xE2\x80\xA8\xE2\x80\xA9", .json = R"("\u2028\u2029")"},
      {.name = "non-ASCII stays", .bytes = "Αθήνα 🎉", .json = "\"Αθήνα 🎉\""},
      {.name = "bad bytes", .bytes = "a\xFF\xED\xA0\x80", .json = R"("a\ufffd\ufffd\ufffd\ufffd")"},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.name);
    EXPECT_EQ(JsonString(row.bytes), row.json);
  }
}

}  // namespace
}  // namespace namefold::cli
