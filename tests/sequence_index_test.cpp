#include "tables/sequence_index.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <cstring>
#include <memory>
#include <random>
#include <string>

namespace namefold {
namespace {

// Units that random tables and names are made of: few, so that sequences share keys and prefixes;
// surrogate halves in both orders; and '=' for the names.
constexpr Unit kAlphabet[] = {u'a', u'b', u'c', 0xD83D, 0xDE00, 0xDC00, 0x4E00, 0xFFFF, kNameEdge};

struct ParsedTable {
  std::unique_ptr<SequenceTable> lists = std::make_unique<SequenceTable>();
  std::unique_ptr<SequenceIndex> index = std::make_unique<SequenceIndex>();
  ~ParsedTable() {
    ReleaseSequenceIndex(*index);
    ReleaseSequenceTable(*lists);
  }
};

// A random table text: mostly entries under the first unit of the alphabet, sequences of 2 to 5
// units (the fifth is dropped), repeated and prefixes of each other, with comments and line ends
// of every kind.
std::u16string RandomTableText(std::mt19937& random, int lines) {
  auto unit = [&] { return kAlphabet[random() % std::size(kAlphabet)]; };
  std::u16string text = u"# random\r\n";
  for (int line = 0; line < lines; ++line) {
    if (random() % 16 == 0)
      text += u"comment";
    else {
      text += random() % 4 == 0 ? unit() : kAlphabet[0];
      for (auto n = 1 + random() % 4; n > 0; --n) text += unit();
      text += u'=';
      for (auto n = random() % 9; n > 0; --n) text += static_cast<Unit>(u'0' + line % 10);
    }
    const char16_t* ends[] = {u"\r\n", u"\n", u"\r"};
    text += ends[random() % 3];
  }
  return text;
}

std::unique_ptr<ParsedTable> Parse(const std::u16string& text) {
  auto table = std::make_unique<ParsedTable>();
  auto* buffer = static_cast<Unit*>(std::malloc((text.size() + 1) * sizeof(Unit)));
  std::memcpy(buffer, text.c_str(), (text.size() + 1) * sizeof(Unit));
  ParseSequenceTable(buffer, *table->lists);
  EXPECT_TRUE(BuildSequenceIndex(*table->lists, *table->index));
  return table;
}

// The index against the plain walk of the lists, at every position of random names.
TEST(FindIndexedSequence, AnswersAsTheWalkOfTheLists) {
  std::mt19937 random(17);
  for (int round = 0; round < 300; ++round) {
    const int lines = round < 200 ? 1 + round % 40 : 2000;  // a few with very long lists
    const std::unique_ptr<ParsedTable> table = Parse(RandomTableText(random, lines));
    for (int name_index = 0; name_index < 50; ++name_index) {
      std::u16string name;
      for (auto n = random() % 12; n > 0; --n) {
        name += random() % 8 == 0 ? u'=' : kAlphabet[random() % std::size(kAlphabet)];
      }
      for (std::size_t i = 0; i < name.size(); ++i) {
        const SequenceMatch walked = FindSequence(*table->lists, name[i], name.c_str() + i + 1);
        const SequenceMatch indexed =
            FindIndexedSequence(*table->index, name[i], name.c_str() + i + 1);
        ASSERT_EQ(indexed.value, walked.value) << "round " << round << " position " << i;
        ASSERT_EQ(indexed.consumed, walked.consumed) << "round " << round << " position " << i;
      }
    }
  }
}

// Entries of four units that share no prefix need three slots each, entries that share all
// but their last unit little more than one: the index takes what they need, not a bound.
TEST(BuildSequenceIndex, TakesTheSlotsItsEntriesNeed) {
  struct Row {
    const char* name;
    bool shared;
    std::size_t most_slots;
  };
  for (const Row& row :
       {Row{"no prefix shared", false, 4096}, Row{"prefixes shared", true, 1024}}) {
    SCOPED_TRACE(row.name);
    std::u16string text = u"# four units\r\n";
    for (Unit n = 0; n < 600; ++n) {
      const Unit first = row.shared ? Unit{0x4E00} : static_cast<Unit>(0x4E00 + n);
      text += std::u16string{u'k', first, static_cast<Unit>(0x3400 + n % 40),
                             static_cast<Unit>(0x5000 + n)} +
              u"=v\r\n";
    }
    const std::unique_ptr<ParsedTable> table = Parse(text);
    EXPECT_LE(table->index->mask + 1, row.most_slots);
    for (const SequenceNode* node = table->lists->heads[u'k']; node != nullptr; node = node->next) {
      EXPECT_EQ(FindIndexedSequence(*table->index, u'k', node->continuation).value, node->value);
    }
  }
}

TEST(BuildSequenceIndex, EmptyTableMatchesNothing) {
  const std::unique_ptr<ParsedTable> table = Parse(u"# no entries\r\n");
  EXPECT_EQ(FindIndexedSequence(*table->index, u'a', u"bc").value, nullptr);
}

}  // namespace
}  // namespace namefold
