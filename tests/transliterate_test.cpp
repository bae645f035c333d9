#include "transform/transliterate.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <random>
#include <string>

#include "transform/compose.h"
#include "transform/native_ranges.h"
#include "transform/unit_actions.h"

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
      sequence_loaded_ = true;
    }
  }
  ~Tables() {
    ReleaseSequenceTable(*sequence_);
    std::free(single_text_);
  }
  ReplacementTables view() const {
    return {*single_, sequence_loaded_ ? sequence_.get() : nullptr};
  }
  const SequenceTable& sequence() const { return *sequence_; }

 private:
  std::unique_ptr<SingleCharTable> single_;
  std::unique_ptr<SequenceTable> sequence_;
  Unit* single_text_;
  bool sequence_loaded_ = false;
};

std::u16string Rewrite(const Tables& tables, int code_page, std::u16string_view name,
                       std::size_t limit = 1023) {
  std::u16string buffer(limit + 1, u'\0');
  const std::u16string source(name);
  const std::size_t length = TransliterateInto(tables.view(), code_page, source.c_str(), buffer);
  return buffer.substr(0, length);
}

// A name, the code page whose rules read it, and what the tables make of it, cut to `limit`.
struct Reading {
  const char* name;
  int code_page;
  std::u16string_view in, out;
  std::size_t limit = 1023;
};

// Checks each reading with the plain engine, and with the sequence index and unit actions.
void ExpectReadings(const Tables& tables, std::initializer_list<Reading> readings) {
  auto index = std::make_unique<SequenceIndex>();
  ASSERT_TRUE(BuildSequenceIndex(tables.sequence(), *index));
  const ReplacementTables plain = tables.view();
  for (const Reading& reading : readings) {
    SCOPED_TRACE(reading.name);
    EXPECT_EQ(Rewrite(tables, reading.code_page, reading.in, reading.limit), reading.out);
    auto actions = std::make_unique<UnitActions>();
    const ReplacementTables prepared{plain.single, plain.sequence,
                                     plain.sequence != nullptr ? index.get() : nullptr,
                                     actions.get()};
    BuildUnitActions(prepared, reading.code_page, *actions);
    std::u16string out(reading.limit + 1, u'\0');
    const std::u16string in(reading.in);
    out.resize(TransliterateInto(prepared, reading.code_page, in.c_str(), out));
    EXPECT_EQ(out, reading.out) << "with the unit actions";
  }
  ReleaseSequenceIndex(*index);
}

TEST(Transliterate, FollowsTheRulesOfTheCodePage) {
  const Tables tables(u"\u0416=Zh\r\n\u00e9=e\r\n\u03b1=a\r\n\u3042=a\r\nx=ks\r\nA=a\r\n",
                      u"\u0416\u0416=ZZ\r\nsh=X\r\n");
  ExpectReadings(tables,
                 {
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
                 });
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
  const Tables tables(
      u"\u304d=ki\r\n\u3083=ya\r\n\u3057=shi\r\n\u3064=\r\n\u30ad=KI\r\n\u30e5=yu\r\n",
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

TEST(Transliterate, ReadsTheEdgesOfTheNameAndHangulThroughItsJamo) {
  // Jamo: leading g, r, silent ieung; vowels a, i; finals k, l. 가 keeps an entry of its own.
  const Tables tables(
      u"x=X\r\n\u1100=g\r\n\u1105=r\r\n\u110B=\r\n\u1161=a\r\n\u1175=i\r\n"
      u"\u11A8=k\r\n\u11AF=l\r\n\uAC00=GA\r\n",
      u"# edges\r\n/x=S\r\nx/=E\r\n/xy/=W\r\n\u11A8\u110B=g\r\n"
      u"\u11AF\u1105=ll\r\n\uAC01x=never\r\n");
  ExpectReadings(
      tables,
      {
          {"the start", 0, u"xa", u"Sa"},
          {"inside", 0, u"axa", u"aXa"},
          {"the end", 0, u"ax", u"aE"},
          {"a name of one unit: the start is tried first", 0, u"x", u"S"},
          {"the whole name", 0, u"xy", u"W"},
          {"a native first unit takes no start entry", 1251, u"xa", u"xa"},
          {"replaceable under 1252", 1252, u"xa", u"Sa"},
          {"a final before a silent initial is carried over", 0, u"\uAC01\uC774", u"gagi"},
          {"final l and initial r", 0, u"\uAC08\uB77C", u"galla"},
          {"a syllable with an entry of its own stays whole", 0, u"\uAC00\uAC01", u"GAgak"},
          {"a syllable whose jamo lack entries stays", 0, u"\uB098", u"\uB098"},
          {"an entry holding a spelled-out syllable never matches", 0, u"\uAC01x", u"gakE"},
          {"jamo given as jamo read the same", 0, u"\u1100\u1161\u11AF\u1105\u1161", u"galla"},
      });
}

TEST(Transliterate, DropsTheInherentVowelInsideAWordWhereTheTablesSaySo) {
  // Consonants ka ma ra la ja pa na ba, the vowel sign aa as A, the virama silent, a, anusvara,
  // the zero-width non-joiner as nothing; the consonants with the virama read bare, and so do ja
  // with nukta, ba after an anusvara and ra before a space.
  const std::u16string single =
      u"\u0915=ka\r\n\u092E=ma\r\n\u0930=ra\r\n\u0932=la\r\n\u091C=ja\r\n\u092A=pa\r\n"
      u"\u0928=na\r\n\u092C=ba\r\n\u093E=A\r\n\u094D=\r\n\u0905=a\r\n\u0902=n\r\n";
  const std::u16string sequence =
      u"# bare\r\n\u0915\u094D=k\r\n\u092E\u094D=m\r\n\u0930\u094D=r\r\n\u0932\u094D=l\r\n"
      u"\u092A\u094D=p\r\n\u091C\u093C\u094D=z\r\n\u0902\u092C\u094D=mb\r\n"
      u"\u0905\u0915\u094D=Y\r\n\u0930 =r \r\n";
  const std::u16string non_joiner = u"\u200C=\r\n";
  const Tables on((single + non_joiner).c_str(), (sequence + u"//\u094D=medial\r\n").c_str());
  ExpectReadings(
      on, {
              {"kamra: a vowel before, a consonant with its vowel after", 0,
               u"\u0915\u092E\u0930\u093E", u"kamraA"},
              {"kamal: the last consonant loses its vowel, so the one before keeps it", 0,
               u"\u0915\u092E\u0932", u"kamala"},
              {"apnapan: from the end, a dropped vowel keeps the one on its left", 0,
               u"\u0905\u092A\u0928\u093E\u092A\u0928", u"apnaApana"},
              {"the virama goes after the nukta", 0, u"\u0915\u091C\u093C\u0930\u093E", u"kazraA"},
              {"an entry that starts before the consonant reads the virama", 0,
               u"\u0905\u0902\u092C\u0930\u093E", u"ambraA"},
              {"a joiner is no break", 0, u"\u0915\u092E\u200D\u0930\u093E", u"kam\u200DraA"},
              {"another letter is", 0, u"\u0915\u092Ex\u0930\u093E", u"kamaxraA"},
              {"a full output: an entry before the word reads it respelled", 0,
               u"\u0905\u0915\u0930\u093E", u"Y", 1},
              {"each word on its own", 0, u"\u0915\u092E\u0930\u093E \u0915\u092E\u0930\u093E",
               u"kamraA kamraA"},
              {"a word of one consonant keeps its vowel", 0, u"\u0930 \u0915\u092E\u0930\u093E",
               u"ra kamraA"},
          });
  // Without a non-joiner that reads as nothing, the word-end entry takes the consonant alone.
  const Tables bare_non_joiner(single.c_str(), (sequence + u"//\u094D=medial\r\n").c_str());
  ExpectReadings(bare_non_joiner,
                 {{"a word of one consonant", 0, u"\u0930 \u0915\u092E\u0930\u093E", u"r kamraA"}});
  struct Off {
    const char* name;
    std::u16string switch_line;
  };
  const Off offs[] = {
      {"no switch", u""},
      {"a value that is not the rule's", u"//\u094D=Medial\r\n"},
      {"the switch of another script", u"//\u0A4D=medial\r\n"},
      {"a later line takes the switch back", u"//\u094D=medial\r\n//\u094D=off\r\n"},
  };
  for (const Off& off : offs) {
    const Tables tables((single + non_joiner).c_str(), (sequence + off.switch_line).c_str());
    ExpectReadings(tables, {{off.name, 0, u"\u0930 \u0915\u092E\u0930\u093E", u"r kamaraA"}});
  }
}

// The engine as it reads tables that use neither edges nor syllables spelled out as jamo: the
// native-range test, the first entry in list order whose units all follow, else the single
// entry, cut to the first unit before a small kana. Tables of that kind read exactly so.
std::u16string ReadWithoutContext(const Tables& tables, int code_page, std::u16string_view name) {
  const auto native = NativeRanges(code_page);
  std::u16string out;
  for (std::size_t i = 0; i < name.size();) {
    const Unit c = name[i];
    const SequenceNode* node = InRanges(native, c) ? nullptr : tables.sequence().heads[c];
    for (; node != nullptr; node = node->next) {
      const std::u16string_view continuation(node->continuation);
      if (name.substr(i + 1, continuation.size()) == continuation) break;
    }
    if (node != nullptr) {
      out += node->value;
      i += 1 + std::u16string_view(node->continuation).size();
      continue;
    }
    const Unit* value = InRanges(native, c) ? nullptr : tables.view().single.entries[c];
    if (value == nullptr) {
      out += c;
    } else if (i + 1 < name.size() && IsSmallKana(name[i + 1])) {
      out += std::u16string_view(value).substr(0, 1);
    } else {
      out += value;
    }
    ++i;
  }
  return out;
}

TEST(Transliterate, TablesWithoutContextReadAsBefore) {
  // Units of several scripts, a small kana, syllables and jamo; no entry holds "/", and a
  // syllable's jamo have no entries, so that no syllable is spelled out.
  constexpr Unit kUnits[] = {u'a',   u'b',   0x00E9, 0x0416, 0x03B1, 0x304D, 0x3083,
                             0xAC01, 0xC774, 0x1100, 0x0915, 0x094D, 0xD835, 0xDC00};
  std::mt19937 random(25);
  auto text = [&](std::size_t length) {
    std::u16string result;
    while (result.size() < length) result += kUnits[random() % std::size(kUnits)];
    return result;
  };
  for (int round = 0; round < 300; ++round) {
    std::u16string single = u"# single\r\n", sequence = u"# sequence\r\n";
    for (auto line = random() % 10; line > 0; --line) {
      const Unit key = kUnits[random() % std::size(kUnits)];
      if (key != 0x1100) single += key + (u"=" + text(random() % 4)) + u"\r\n";
    }
    for (auto line = random() % 20; line > 0; --line) {
      sequence += text(2 + random() % 3) + u"=" + text(random() % 8) + u"\r\n";
    }
    const Tables tables(single, sequence.c_str());
    for (int code_page : {0, 932, 1251, 1252}) {
      const std::u16string name = text(random() % 16) + u"/" + text(random() % 4);
      EXPECT_EQ(Rewrite(tables, code_page, name), ReadWithoutContext(tables, code_page, name))
          << "round " << round << ", code page " << code_page;
    }
  }
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

// The engine with a sequence index and unit actions against the plain engine, which walks the
// lists and tests the ranges unit by unit, on random tables and names under every rule set; and
// the one pass over a name that may not be composed against composing it first.
TEST(Transliterate, PreparedLookupsGiveTheSameResults) {
  // Few units, so that entries share keys and prefixes: ASCII, Latin-1, Cyrillic, Greek, Hebrew,
  // Arabic, kana with a small ya, halfwidth forms and surrogate halves; and units that composition
  // changes, joins or reorders: an acute and a dot below, the kana voicing mark, marks of other
  // classes (a virama, a stress sign, a Hebrew point) and Hangul jamo.
  constexpr Unit kUnits[] = {u'a', u'b', u'~', 0x00E9, 0x0416, 0x03B1, 0x05D0, 0x0627, 0x304D,
                             0x3083, 0x30E5, 0xFF71, 0xD83D, 0xDE00, 0x4E00, 0x0301, 0x0323, 0x3099,
                             0x094D, 0x0951, 0x05B4, 0x1100, 0x1161,
                             // the name's edge, a syllable and its final jamo
                             kNameEdge, 0xAC01, 0x11A8};
  // Devanagari, most of each name where the tables switch the medial vowel rule on: consonants,
  // a nukta, a vowel sign, an anusvara, an independent vowel, the virama and the zero-width
  // non-joiner that marks a word of one consonant.
  constexpr Unit kIndicUnits[] = {0x0915, 0x0930, 0x092E, 0x0915, 0x0930, 0x092E,
                                  0x093C, 0x093E, 0x0902, 0x0905, 0x094D, 0x200C};
  constexpr int kCodePages[] = {0, 932, 1250, 1251, 1252, 1253, 1255, 1256};
  std::mt19937 random(17);
  bool indic = false;
  auto unit = [&] {
    if (indic && random() % 4 != 0) return kIndicUnits[random() % std::size(kIndicUnits)];
    return kUnits[random() % std::size(kUnits)];
  };
  auto text = [&](std::size_t length) {
    std::u16string result;
    while (result.size() < length) result += unit();
    return result;
  };
  for (int round = 0; round < 400; ++round) {
    indic = round % 3 == 0;
    std::u16string single = u"# single\r\n", sequence = u"# sequence\r\n";
    for (auto line = random() % 12; line > 0; --line) {
      // Replacements of up to 11 units, on both sides of the engine's 8-unit common step.
      single += unit() + (u"=" + text(random() % (line % 3 == 0 ? 12 : 4))) + u"\r\n";
    }
    for (auto line = random() % 30; line > 0; --line) {
      sequence += text(2 + random() % 3) + u"=" + text(random() % 8) + u"\r\n";
    }
    if (indic) sequence += u"//\u094D=medial\r\n";
    if (indic && round % 2 == 0) single += u"\u200C=\r\n";  // the mark is written
    const bool loaded = round % 5 != 0;
    const Tables tables(single, loaded ? sequence.c_str() : nullptr);
    const ReplacementTables plain = tables.view();
    auto index = std::make_unique<SequenceIndex>();
    ASSERT_TRUE(BuildSequenceIndex(tables.sequence(), *index));
    auto actions = std::make_unique<UnitActions>();
    const int code_page = kCodePages[random() % std::size(kCodePages)];
    const ReplacementTables prepared{plain.single, plain.sequence,
                                     plain.sequence != nullptr ? index.get() : nullptr,
                                     actions.get()};
    BuildUnitActions(prepared, code_page, *actions);
    for (int name_index = 0; name_index < 20; ++name_index) {
      const std::u16string name = text(random() % 24);
      const std::size_t limit = name_index % 4 == 0 ? random() % 24 : 1023;
      Unit expected[kTransliterateCapacity], actual[kTransliterateCapacity];
      const std::size_t expected_length =
          TransliterateInto(plain, code_page, name.c_str(), std::span(expected, limit + 1));
      const std::size_t actual_length =
          TransliterateInto(prepared, code_page, name.c_str(), std::span(actual, limit + 1));
      ASSERT_EQ(std::u16string_view(actual, actual_length),
                std::u16string_view(expected, expected_length))
          << "round " << round << ", code page " << code_page;
      ASSERT_EQ(actual[actual_length], 0);

      Unit composed[1025];
      const Unit* composed_name = ComposeName(name.c_str(), composed);
      const std::optional<std::size_t> one_pass = TransliterateUncomposedInto(
          prepared, code_page, name.c_str(), std::span(actual, limit + 1));
      if (!one_pass) {
        ASSERT_TRUE(
            std::any_of(name.begin(), name.end(),
                        [&](Unit c) { return RoleInComposition(c) != CompositionRole::kStays; }))
            << "round " << round;
        continue;
      }
      ASSERT_EQ(composed_name, name.c_str()) << "a name that composition changes went through";
      ASSERT_EQ(std::u16string_view(actual, *one_pass),
                std::u16string_view(expected, expected_length))
          << "round " << round << ", code page " << code_page;
    }
    ReleaseSequenceIndex(*index);
  }
}

}  // namespace
}  // namespace namefold
