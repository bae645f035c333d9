#include "transform/compose.h"

#include <gtest/gtest.h>

#include <fstream>
#include <sstream>
#include <string>
#include <vector>

namespace namefold {
namespace {

std::u16string Composed(const std::u16string& name, std::size_t limit = 1024) {
  std::u16string buffer(limit + 1, u'\0');
  return ComposeName(name.c_str(), std::span(buffer.data(), limit + 1));
}

// The conformance data of Unicode (NormalizationTest.txt): every line whose code points all lie
// in the BMP. NFC of columns 1 to 3 is column 2, of columns 4 and 5 column 4. Every unit that
// the file's @Part1 section does not list is its own NFC.
TEST(Compose, AgreesWithTheConformanceData) {
  std::ifstream in(NAMEFOLD_NORMALIZATION_TEST);
  ASSERT_TRUE(in.good()) << "cannot read " << NAMEFOLD_NORMALIZATION_TEST;
  std::vector<bool> listed(0x10000);
  int part = -1, checked = 0;
  std::u16string joined_source, joined_composed;
  std::string line;
  while (std::getline(in, line)) {
    if (line.rfind("@Part", 0) == 0) part = line[5] - '0';
    if (line.empty() || line[0] == '#' || line[0] == '@') continue;
    std::u16string columns[5];
    bool bmp = true;
    std::stringstream fields(line.substr(0, line.find('#')));
    for (std::u16string& column : columns) {
      std::string field, code;
      std::getline(fields, field, ';');
      for (std::stringstream codes(field); codes >> code;) {
        const unsigned long value = std::stoul(code, nullptr, 16);
        bmp = bmp && value < 0x10000;
        column += static_cast<char16_t>(value);
      }
    }
    if (part == 1 && bmp) listed[columns[0][0]] = true;
    if (!bmp) continue;
    SCOPED_TRACE(line);
    for (int k : {0, 1, 2}) EXPECT_EQ(Composed(columns[k]), columns[1]) << "column " << k + 1;
    for (int k : {3, 4}) EXPECT_EQ(Composed(columns[k]), columns[3]) << "column " << k + 1;
    ++checked;
    // Names of many segments: a space composes with nothing on either side.
    if (joined_source.size() > 200) {
      EXPECT_EQ(Composed(joined_source), joined_composed) << "joined lines";
      joined_source.clear();
      joined_composed.clear();
    }
    joined_source += columns[2] + u" ";
    joined_composed += columns[1] + u" ";
  }
  EXPECT_GT(checked, 10000);
  for (char32_t unit = 1; unit < 0x10000; ++unit) {
    if (listed[unit] || IsSurrogate(unit)) continue;
    const std::u16string name(1, static_cast<char16_t>(unit));
    EXPECT_EQ(Composed(name), name) << "U+" << std::hex << static_cast<unsigned>(unit);
  }
}

// What the conformance data does not cover: units outside the BMP, pairs that must not compose,
// and limits.
TEST(Compose, NamesAndTheirLimits) {
  struct Row {
    const char* name;
    std::u16string source, composed;
    std::size_t limit = 1024;
  };
  const Row rows[] = {
      {.name = "halfwidth katakana take no voicing mark",
       .source = u"\uFF76\uFF9E",
       .composed = u"\uFF76\uFF9E"},
      {.name = "surrogates compose with nothing",
       .source = u"\U0001F600\u0301",
       .composed = u"\U0001F600\u0301"},
      {.name = "cut after composing",
       .source = u"Cre\u0300me",
       .composed = u"Cr\u00E8",
       .limit = 3},
      {.name = "cut inside the composed prefix",
       .source = u"abcde\u0301",
       .composed = u"ab",
       .limit = 2},
      {.name = "an expansion is cut",
       .source = u"\u0344\u0344",
       .composed = u"\u0308\u0301\u0308",
       .limit = 3},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.name);
    EXPECT_EQ(Composed(row.source, row.limit), row.composed);
  }

  // One segment of 1024 units that decompose to twice as many: composed, then cut to the limit.
  std::u16string marks = u"a", expected = u"\u00E4\u0301";
  for (int i = 1; i < 1024; ++i) marks += u"\u0344";
  while (expected.size() < 1024) expected += u"\u0308\u0301";
  EXPECT_EQ(Composed(marks), expected.substr(0, 1024));
}

// Marks after a base they do not compose with are put in canonical order: x U+0301 U+0316 becomes
// x U+0316 U+0301. The conformance data never isolates this, since its bases compose with the
// first mark. Every pair of marks that decompose to nothing else, after q (which composes with no
// mark), against the combining classes of UnicodeData.txt; the quick check must let no pair in
// the wrong order through unchanged.
TEST(Compose, MarksAfterABaseTheyDoNotComposeWithAreOrdered) {
  EXPECT_EQ(Composed(u"x\u0301\u0316"), u"x\u0316\u0301");
  std::ifstream in(NAMEFOLD_UNICODE_DATA);
  ASSERT_TRUE(in.good()) << "cannot read " << NAMEFOLD_UNICODE_DATA;
  struct Mark {
    char16_t unit;
    int combining_class;
  };
  std::vector<Mark> marks;
  for (std::string line; std::getline(in, line);) {
    std::string fields[6];
    std::stringstream row(line);
    for (std::string& field : fields) std::getline(row, field, ';');
    const unsigned long code = std::stoul(fields[0], nullptr, 16);
    const int combining_class = std::stoi(fields[3]);
    if (code < 0x10000 && combining_class != 0 && fields[5].empty())
      marks.push_back({static_cast<char16_t>(code), combining_class});
  }
  ASSERT_GT(marks.size(), 500u);
  int wrong = 0;
  for (const Mark& first : marks) {
    for (const Mark& second : marks) {
      const std::u16string name{u'q', first.unit, second.unit};
      const std::u16string expected = first.combining_class > second.combining_class
                                          ? std::u16string{u'q', second.unit, first.unit}
                                          : name;
      if (Composed(name) != expected && ++wrong <= 10) {
        ADD_FAILURE() << std::hex << "U+" << static_cast<unsigned>(first.unit) << " U+"
                      << static_cast<unsigned>(second.unit);
      }
    }
  }
  EXPECT_EQ(wrong, 0);
}

// A name without any unit that may change is handed back as it is, however long; so is one whose
// marks that compose with some starters follow a starter they do not compose with.
TEST(Compose, ComposedNamesAreNotCopied) {
  const std::u16string long_name =
      u"Cr\u00E8me br\u00FBl\u00E9e \uD55C\uAD6D \u304C \u0419" + std::u16string(3000, u'q');
  const std::u16string names[] = {
      long_name,
      u"\u092B\u093C\u093F\u0932\u094D\u092E",  // Hindi: a nukta after pha
      u"\u0DBD\u0DCA\u0DB6",                    // Sinhala: al-lakuna after a consonant
  };
  for (const std::u16string& name : names) {
    Unit buffer[8];
    EXPECT_EQ(ComposeName(name.c_str(), buffer), name.c_str()) << name.size();
  }
}

}  // namespace
}  // namespace namefold
