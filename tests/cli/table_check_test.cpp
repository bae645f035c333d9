#include "cli/table_check.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <cstring>
#include <memory>
#include <random>

#include "tables/sequence_table.h"
#include "tables/single_char_table.h"

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

struct Row {
  const char* name;
  TableType type;
  std::string bytes;
  std::size_t entries;
  std::size_t line;     // of the one expected problem
  const char* message;  // part of it; null when the file is clean
};

void CheckRows(const std::vector<Row>& rows) {
  for (const Row& row : rows) {
    SCOPED_TRACE(row.name);
    const TableCheck check = CheckTable(row.bytes, row.type);
    EXPECT_EQ(check.entries, row.entries);
    if (row.message == nullptr) {
      for (const TableProblem& problem : check.problems)
        ADD_FAILURE() << problem.line << ": " << problem.message;
      continue;
    }
    ASSERT_EQ(check.problems.size(), 1u);
    EXPECT_EQ(check.problems[0].line, row.line);
    EXPECT_NE(check.problems[0].message.find(row.message), std::string::npos)
        << check.problems[0].message;
  }
}

constexpr TableType kSingle = TableType::kSingleChar;
constexpr TableType kSequence = TableType::kSequence;

TEST(TableCheck, FilesTheLibraryCannotReadAsMeant) {
  CheckRows({
      {"clean with BOM and CR LF", kSingle, Le(u"\uFEFF# comment\r\na=alpha\r\nb=\r\n"), 2, 0,
       nullptr},
      {"clean with LF", kSingle, Le(u"a=1\nb=2"), 2, 0, nullptr},
      {"empty", kSingle, "", 0, 0, "the file is empty"},
      {"UTF-8 with its mark", kSingle,
       "\xEF\xBB\xBF"
       "a=b\r\n",
       0, 0, "the file is UTF-8 text, not UTF-16 LE"},
      {"UTF-8 without a mark", kSingle, "\xC3\xA9=e\r\n", 0, 0, "the file is UTF-8 text"},
      {"8-bit text names a conversion that reads it", kSequence, "\xE9=e\r\n", 0, 0,
       "namefold convert --from-code-page 1252 --to-table FILE -o FILE"},
      {"UTF-16 BE with its mark", kSingle,
       "\xFE\xFF\x00"
       "a\x00=\x00"
       "b",
       0, 0, "UTF-16 BE"},
      {"UTF-16 BE without a mark", kSequence,
       std::string("\x00"
                   "a\x00"
                   "b\x00=\x00"
                   "c",
                   8),
       0, 0, "UTF-16 BE"},
      {"odd byte count", kSingle, Le(u"a=b") + "x", 1, 0, "odd byte count (7 bytes)"},
      {"zero unit before the end", kSingle, Le(std::u16string(u"a=1\r\nb=2\0\r\nc=3\r\n", 15)), 2,
       2, "a zero unit ends the text here: the library never reads the 6 units after it"},
      {"zero units at the very end are harmless", kSequence, Le(std::u16string(u"\r\nab=1\0\0", 8)),
       1, 0, nullptr},
  });
}

TEST(TableCheck, SingleCharacterTraps) {
  CheckRows({
      {"text before the key", kSingle, Le(u"a=1\r\nx b=2\r\n"), 2, 2,
       "text before the key: \"x b=\" maps \"b\" (U+0062); \"x \" is ignored"},
      {"key given twice: the last wins", kSingle, Le(u"a=1\r\n# c\r\na=2\r\n"), 1, 3,
       "key \"a\" (U+0061) given again (also on line 1): the last entry wins, here \"2\""},
      {"line beginning with =", kSingle, Le(u"a=1\r\n=x\r\nb=2\r\n"), 3, 2,
       "line begins with \"=\": it is not an entry; the line break before it becomes the key "
       "U+000A, "
       "mapped to \"x\\r\\nb=2\""},
      {"byte-order mark followed by =", kSingle, Le(u"\uFEFF=x\r\n"), 1, 1,
       "the byte-order mark becomes a key, mapped to \"x\""},
      {"two-unit character as a key", kSingle, Le(u"\U0001F389=party\r\n"), 1, 1,
       "only its second unit U+DF89 becomes the key"},
      {"value holding =", kSingle, Le(u"a=b=c\r\n"), 1, 0, nullptr},
  });
}

TEST(TableCheck, SequenceTraps) {
  CheckRows({
      {"clean", kSequence, Le(u"\uFEFF# c\r\nab=1\r\ncd=2\r\n"), 2, 0, nullptr},
      {"one-unit sequence ends loading", kSequence,
       Le(u"# c\r\nab=1\r\nx=2\r\ncd=3\r\n# d\r\nef=4"), 1, 3,
       "sequence \"x\" has one unit: loading ends here, so the 2 line(s) with \"=\" after it are "
       "lost"},
      {"line beginning with =", kSequence, Le(u"ab=1\r\n=2\r\n"), 1, 2,
       "line begins with \"=\": loading ends here"},
      {"units beyond the fourth", kSequence, Le(u"abcde=x\r\n"), 1, 1,
       "sequence \"abcde\" is longer than 4 units: \"e\" is ignored, \"abcd\" is replaced"},
      {"value cut to seven", kSequence, Le(u"ab=klmnopqrst\r\n"), 1, 1,
       "value \"klmnopqrst\" is longer than 7 units: it is cut to \"klmnopq\""},
      {"sequence given twice", kSequence, Le(u"ab=1\r\nab=2\r\n"), 2, 2,
       "sequence \"ab\" given again (also on line 1): the later line is tried first and wins"},
      {"longer sequence hidden by a later shorter one", kSequence, Le(u"abc=1\r\nab=2\r\n"), 2, 1,
       "sequence \"abc\" can never match: \"ab\" on line 2 is tried first"},
      {"shorter first is fine", kSequence, Le(u"ab=2\r\nabc=1\r\n"), 2, 0, nullptr},
      {"the name's edges", kSequence, Le(u"/ab=1\r\nab/=2\r\n/ab/=3\r\n"), 3, 0, nullptr},
      {"an edge inside", kSequence, Le(u"a/b=1\r\n"), 1, 1,
       "sequence \"a/b\" can never match: \"/\" stands for the name's start only as the first"},
      {"an empty name", kSequence, Le(u"//=1\r\n"), 1, 1, "sequence \"//\" can never match"},
      {"the medial vowel rule switched on", kSequence, Le(u"# c\r\n//\u094D=medial\r\n"), 1, 0,
       nullptr},
      {"a rule switch whose value is not the rule's", kSequence, Le(u"//\u0A4D=Medial\r\n"), 1, 1,
       "sequence \"//\u0A4D\" switches a rule, but its value \"Medial\" is not \"medial\": the "
       "rule stays off"},
      {"\"//\" before a unit that is no virama", kSequence, Le(u"//\u0915=medial\r\n"), 1, 1,
       "can never match"},
      {"an end hidden by the key's entry", kSequence, Le(u"ab/=1\r\nab=2\r\n"), 2, 1,
       "sequence \"ab/\" can never match: \"ab\" on line 2 is tried first"},
  });
}

TEST(TableCheck, CountsWhatTheParserStored) {
  std::u16string many = u"\uFEFF# generated\r\n";
  for (char16_t unit = 0x0410; unit < 0x0450; ++unit) many += std::u16string(1, unit) + u"=x\r\n";
  EXPECT_EQ(CheckTable(Le(many), kSingle).entries, 64u);
  EXPECT_TRUE(CheckTable(Le(many), kSingle).problems.empty());
}

// The check and the library's parsers follow one scan of the grammar: on random texts full of its
// traps (line breaks of every kind, "=" at every place, a byte-order mark, pairs), what the check
// counts is what the parsers store.
TEST(TableCheck, CountsWhatTheParsersStoreOnRandomTexts) {
  std::mt19937 random(26);
  const char16_t alphabet[] = {u'a', u'b', u'=',   u'=',   u'\r',  u'\n',
                               u'#', u' ', 0xFEFF, 0xD83D, 0xDE00, 0x0416};
  auto malloc_copy = [](const std::u16string& text) {
    auto* copy = static_cast<char16_t*>(std::malloc((text.size() + 1) * sizeof(char16_t)));
    std::memcpy(copy, text.c_str(), (text.size() + 1) * sizeof(char16_t));
    return copy;
  };
  for (int round = 0; round < 300; ++round) {
    std::u16string text = u"\uFEFF";  // what tells the check the text is UTF-16 LE
    for (auto n = random() % 40; n > 0; --n) text += alphabet[random() % std::size(alphabet)];
    SCOPED_TRACE(Le(text));

    auto single = std::make_unique<SingleCharTable>();
    char16_t* single_text = malloc_copy(text);
    ParseSingleCharTable(single_text, *single);
    std::size_t keys = 0;
    for (const Unit* entry : single->entries) keys += entry != nullptr ? 1 : 0;
    EXPECT_EQ(CheckTable(Le(text), kSingle).entries, keys);
    std::free(single_text);

    auto sequence = std::make_unique<SequenceTable>();
    ParseSequenceTable(malloc_copy(text), *sequence);
    std::size_t nodes = 0;
    for (const SequenceNode* head : sequence->heads) {
      for (const SequenceNode* node = head; node != nullptr; node = node->next) ++nodes;
    }
    EXPECT_EQ(CheckTable(Le(text), kSequence).entries, nodes);
    ReleaseSequenceTable(*sequence);
  }
}

// A check of a file of millions of faulty lines once printed every one of them; it shows the first
// few of each kind and counts the rest.
TEST(TableCheck, ProblemsOfAKindAreCountedBeyondTheFirstFew) {
  struct Repeated {
    const char* name;
    TableType type;
    std::u16string line;  // repeated 1000 times
    ProblemKind kind;
  };
  const Repeated rows[] = {
      {"key given again", kSingle, u"a=b\r\n", ProblemKind::kKeyAgain},
      {"line beginning with =", kSingle, u"=x\r\n", ProblemKind::kBeginsWithEquals},
      {"sequence given again", kSequence, u"ab=c\r\n", ProblemKind::kSequenceAgain},
  };
  for (const Repeated& row : rows) {
    SCOPED_TRACE(row.name);
    std::u16string text;
    for (int i = 0; i < 1000; ++i) text += row.line;
    const TableCheck check = CheckTable(Le(text), row.type);
    EXPECT_EQ(check.problems.size(), kProblemsShownPerKind);
    EXPECT_GE(check.problem_count, 999u);
    EXPECT_EQ(check.omitted[static_cast<std::size_t>(row.kind)],
              check.problem_count - kProblemsShownPerKind);
  }
}

TEST(TableCheck, EncodingDetection) {
  EXPECT_EQ(DetectEncoding(""), TextEncoding::kEmpty);
  EXPECT_EQ(DetectEncoding(Le(u"\uFEFFЖ=Zh")), TextEncoding::kUtf16Le);
  EXPECT_EQ(DetectEncoding(Le(u"a=b\r\n")), TextEncoding::kUtf16Le);
  EXPECT_EQ(DetectEncoding("a=b\r\n"), TextEncoding::kUtf8);
}

}  // namespace
}  // namespace namefold::cli
