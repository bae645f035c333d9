#include "transform/transliterate.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <cstring>
#include <memory>
#include <string>

#include "tables/load_state.h"

namespace namefold {
namespace {

// A text in a malloc'd buffer, as the table loading hands it to the parsers.
Unit* MallocText(std::u16string_view text) {
  auto* buffer = static_cast<Unit*>(std::malloc((text.size() + 1) * sizeof(Unit)));
  std::memcpy(buffer, text.data(), text.size() * sizeof(Unit));
  buffer[text.size()] = 0;
  return buffer;
}

// Tables parsed from texts; the sequence table counts only when `sequence` is given.
class Tables {
 public:
  Tables(std::u16string_view single, const char16_t* sequence = nullptr)
      : single_(std::make_unique<SingleCharTable>()),
        sequence_(std::make_unique<SequenceTable>()),
        single_text_(MallocText(single)) {
    ParseSingleCharTable(single_text_, *single_);
    if (sequence != nullptr) {
      ParseSequenceTable(MallocText(sequence), *sequence_);
      state_ = Loaded;
    }
  }
  ~Tables() {
    ReleaseSequenceTable(*sequence_);
    std::free(single_text_);
  }
  ReplacementTables view() const { return {*single_, *sequence_, state_}; }

 private:
  std::unique_ptr<SingleCharTable> single_;
  std::unique_ptr<SequenceTable> sequence_;
  Unit* single_text_;
  std::atomic<int> state_{Unavailable};
};

std::u16string Rewrite(const Tables& tables, int code_page, std::u16string_view name,
                   std::size_t limit = 1023) {
  std::u16string buffer(name);
  buffer.resize(std::max(name.size(), limit) + 1, u'\0');
  Transliterate(tables.view(), code_page, buffer.data(), limit);
  return std::u16string(buffer.c_str());
}

TEST(Transliterate, FollowsTheRulesOfTheCodePage) {
  const Tables tables(u"\u0416=Zh\r\n\u00e9=e\r\n\u03b1=a\r\n\u3042=a\r\nx=ks\r\nA=a\r\n",
                      u"\u0416\u0416=ZZ\r\nsh=X\r\n");
  struct Row {
    const char* name;
    int code_page;
    std::u16string_view in, out;
  };
  const Row rows[] = {
      {"Cyrillic is native under 1251", 1251, u"\u0416", u"\u0416"},
      {"and replaced under 0", 0, u"\u0416", u"Zh"},
      {"ASCII is native under 1251", 1251, u"xA", u"xA"},
      {"ASCII is replaceable under 1252", 1252, u"xA", u"ksa"},
      {"Latin-1 is native under 1252", 1252, u"\u00e9", u"\u00e9"},
      {"Greek is native under 1253", 1253, u"\u03b1\u0416", u"\u03b1Zh"},
      {"kana are native under 932", 932, u"\u3042\u00e9", u"\u3042e"},
      {"sequence before single", 0, u"sha", u"Xa"},
      {"a lone s has no entry", 0, u"sa", u"sa"},
      {"under 1251 ASCII sequences stay", 1251, u"sha", u"sha"},
      {"sequence over a native continuation", 1252, u"\u0416\u0416x", u"ZZks"},
      {"empty name", 0, u"", u""},
      {"units without entries pass", 0, u"\u4e2d\u6587", u"\u4e2d\u6587"},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.name);
    EXPECT_EQ(Rewrite(tables, row.code_page, row.in), row.out);
  }
}

TEST(Transliterate, ContinuationIsConsumedEvenWhereNative) {
  // Under 1252 the é after the key is native, yet the entry takes it with the key.
  const Tables tables(u"q=Q\r\n", u"q\u00e9=K\r\n");
  EXPECT_EQ(Rewrite(tables, 1252, u"q\u00e9\u00e9"), u"K\u00e9");
}

TEST(Transliterate, SequenceTableCountsOnlyWhenLoaded) {
  const Tables tables(u"s=Y\r\n");  // no sequence table: its state stays Unavailable
  EXPECT_EQ(Rewrite(tables, 0, u"sha"), u"Yha");
}

TEST(Transliterate, EmptyReplacementDeletes) {
  const Tables tables(u"-=\r\n", u"ab=\r\n");
  EXPECT_EQ(Rewrite(tables, 0, u"a-b-abc"), u"abc");  // a, b and c stay; "-" and "ab" go
}

TEST(Transliterate, SmallKanaRuleUsesTheFirstUnitOfASingleReplacement) {
  const Tables tables(u"\u304d=ki\r\n\u3083=ya\r\n\u3057=shi\r\n\u3064=\r\n\u30ad=KI\r\n\u30e5=yu\r\n",
                      u"\u3061\u3083=cha\r\n");
  struct Row {
    const char* name;
    std::u16string_view in, out;
  };
  const Row rows[] = {
      {"ki + small ya", u"\u304d\u3083", u"kya"},
      {"katakana", u"\u30ad\u30e5", u"Kyu"},
      {"no small kana after", u"\u304d\u3042", u"ki\u3042"},
      {"small kana not next", u"\u304d\u3042\u3083", u"ki\u3042ya"},
      {"empty replacement before small ya", u"\u3064\u3083", u"ya"},
      {"a sequence takes precedence", u"\u3061\u3083", u"cha"},
      {"small kana without replacement of its own", u"\u3057\u3085", u"s\u3085"},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.name);
    EXPECT_EQ(Rewrite(tables, 0, row.in), row.out);
  }
  EXPECT_EQ(Rewrite(tables, 932, u"\u304d\u3083"), u"\u304d\u3083") << "kana are native under 932";
}

TEST(Transliterate, LongResultsAreCut) {
  const std::u16string long_value(600, u'w');
  const Tables tables(u"a=" + long_value + u"\r\n");
  struct Row {
    const char* name;
    std::u16string in;
    std::size_t limit, length;
  };
  const Row rows[] = {
      {"grows past 1023", std::u16string(2, u'a'), 1023, 1023},
      {"grows past the 2048-unit buffer", std::u16string(10, u'a'), 1023, 1023},
      {"fills the buffer exactly", std::u16string(10, u'a'), 2047, 2047},
      {"plain name at the limit", std::u16string(1023, u'b'), 1023, 1023},
      {"plain name over the limit", std::u16string(1024, u'b'), 1023, 1023},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.name);
    const std::u16string out = Rewrite(tables, 0, row.in, row.limit);
    EXPECT_EQ(out.size(), row.length);
    EXPECT_EQ(out.find_first_not_of(row.in[0] == u'a' ? u'w' : u'b'), std::u16string::npos);
  }
}

}  // namespace
}  // namespace namefold
