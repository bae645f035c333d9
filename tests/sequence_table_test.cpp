#include "tables/sequence_table.h"

#include <algorithm>
#include <cstdlib>
#include <iterator>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include <gtest/gtest.h>

namespace namefold {
namespace {

struct ReleaseNodes {
  void operator()(SequenceTable* table) const {
    ReleaseSequenceTable(*table);
    delete table;
  }
};
using TablePtr = std::unique_ptr<SequenceTable, ReleaseNodes>;

// Parses a malloc'd copy of `text`, as the loader hands it over; the parser frees it.
TablePtr Parse(std::u16string_view text, NodeAllocator allocate = nullptr) {
  auto* buffer = static_cast<Unit*>(std::malloc((text.size() + 1) * sizeof(Unit)));
  std::copy(text.begin(), text.end(), buffer);
  buffer[text.size()] = 0;
  TablePtr table(new SequenceTable());
  if (allocate == nullptr) {
    ParseSequenceTable(buffer, *table);
  } else {
    ParseSequenceTable(buffer, *table, allocate);
  }
  return table;
}

// The entries as "SEQ=VALUE" strings, by key and then in list order.
std::vector<std::u16string> Entries(const SequenceTable& table) {
  std::vector<std::u16string> entries;
  for (std::size_t key = 0; key < SequenceTable::kHeadCount; ++key) {
    for (const SequenceNode* node = table.heads[key]; node != nullptr; node = node->next) {
      entries.push_back(std::u16string(1, static_cast<Unit>(key)) + node->continuation + u"=" +
                        node->value);
    }
  }
  return entries;
}

struct Row {
  const char* name;
  std::u16string_view text;
  std::vector<std::u16string> entries;
};

void Check(const std::vector<Row>& rows) {
  for (const Row& row : rows) {
    SCOPED_TRACE(row.name);
    EXPECT_EQ(Entries(*Parse(row.text)), row.entries);
  }
}

TEST(ParseSequenceTable, LineEnds) {
  Check({
      {.name = "CR LF", .text = u"ab=1\r\ncd=2\r\n", .entries = {u"ab=1", u"cd=2"}},
      {.name = "LF alone", .text = u"ab=1\ncd=2\nef=3", .entries = {u"ab=1", u"cd=2", u"ef=3"}},
      {.name = "CR alone", .text = u"ab=1\rcd=2\r", .entries = {u"ab=1", u"cd=2"}},
      {.name = "mixed",
       .text = u"ab=1\r\ncd=2\ref=3\ngh=4",
       .entries = {u"ab=1", u"cd=2", u"ef=3", u"gh=4"}},
      {.name = "blank lines",
       .text = u"\r\n\nab=1\n\n\r\rcd=2\r\n\r\n",
       .entries = {u"ab=1", u"cd=2"}},
      {.name = "no final line break",
       .text = u"# c\r\nab=1\r\ncd=xyz",
       .entries = {u"ab=1", u"cd=xyz"}},
  });
}

TEST(ParseSequenceTable, Keys) {
  Check({
      {.name = "two units on the first line", .text = u"ab=1", .entries = {u"ab=1"}},
      {.name = "byte-order mark at the start",
       .text = u"\uFEFFab=1\r\ncd=2",
       .entries = {u"ab=1", u"cd=2"}},
      {.name = "byte-order mark later",
       .text = u"ab=1\r\n\uFEFFc=2",
       .entries = {u"ab=1", u"\uFEFFc=2"}},
      {.name = "units past the fourth", .text = u"abcde=x", .entries = {u"abcd=x"}},
      {.name = "space inside", .text = u"x a=b", .entries = {u"x a=b"}},
      {.name = "surrogate pair", .text = u"\xD83D\xDE00=smile", .entries = {u"\xD83D\xDE00=smile"}},
      {.name = "comment lines", .text = u"comment\r\nab=1\r\ntrailing", .entries = {u"ab=1"}},
      {.name = "no = at all", .text = u"just\r\ntext", .entries = {}},
      {.name = "empty text", .text = u"", .entries = {}},
      {.name = "one unit", .text = u"a", .entries = {}},
      {.name = "byte-order mark alone", .text = u"\uFEFF", .entries = {}},
  });
}

TEST(ParseSequenceTable, Values) {
  Check({
      {.name = "cut to seven units", .text = u"abcd=klmnopqrst", .entries = {u"abcd=klmnopq"}},
      {.name = "seven units", .text = u"ab=1234567\r\n", .entries = {u"ab=1234567"}},
      {.name = "empty", .text = u"ab=\r\ncd=2", .entries = {u"ab=", u"cd=2"}},
      {.name = "empty at the end", .text = u"ab=", .entries = {u"ab="}},
      {.name = "holding =", .text = u"ab=c=d", .entries = {u"ab=c=d"}},
  });
}

TEST(ParseSequenceTable, DuplicatesLaterLineFirst) {
  Check({
      {.name = "same key", .text = u"ab=1\r\nac=2\r\n", .entries = {u"ac=2", u"ab=1"}},
      {.name = "same sequence",
       .text = u"ab=1\nab=2\nab=3",
       .entries = {u"ab=3", u"ab=2", u"ab=1"}},
  });
}

TEST(ParseSequenceTable, ShortSequenceEndsLoading) {
  Check({
      {.name = "one unit", .text = u"# c\r\nab=1\r\nx=2\r\ncd=3", .entries = {u"ab=1"}},
      {.name = "one unit after LF", .text = u"ab=1\nx=2\ncd=3", .entries = {u"ab=1"}},
      {.name = "line beginning with =", .text = u"ab=1\r\n=2\r\ncd=3", .entries = {u"ab=1"}},
      {.name = "first line", .text = u"a=b=c\r\ncd=3", .entries = {}},
      {.name = "= after byte-order mark", .text = u"\uFEFF=x\r\nab=1", .entries = {}},
      {.name = "= alone", .text = u"=", .entries = {}},
  });
}

int allocations_before_failure = 0;

// Fails once, after `allocations_before_failure` successes, and succeeds again afterwards.
void* FailOnce(std::size_t size) {
  return allocations_before_failure-- == 0 ? nullptr : std::malloc(size);
}

TEST(ParseSequenceTable, FailedAllocationKeepsEarlierEntries) {
  struct {
    const char* name;
    int successes;
    std::vector<std::u16string> entries;
  } rows[] = {
      {.name = "first fails", .successes = 0, .entries = {}},
      {.name = "third fails", .successes = 2, .entries = {u"ab=1", u"cd=2"}},
  };
  for (const auto& row : rows) {
    SCOPED_TRACE(row.name);
    allocations_before_failure = row.successes;
    EXPECT_EQ(Entries(*Parse(u"ab=1\r\ncd=2\r\nef=3\r\ngh=4", FailOnce)), row.entries);
  }
}

TEST(ReleaseSequenceTable, EmptiesEveryList) {
  TablePtr table = Parse(u"ab=1\r\nac=2\r\n\uFFFFz=3");
  ReleaseSequenceTable(*table);
  EXPECT_EQ(std::count(std::begin(table->heads), std::end(table->heads), nullptr),
            static_cast<std::ptrdiff_t>(SequenceTable::kHeadCount));
}

TEST(FindSequence, LookupOrder) {
  struct {
    const char* name;
    std::u16string_view text;
    std::u16string_view part;         // of a name: the key, then the rest
    const char16_t* value = nullptr;  // null: no match
    std::size_t consumed = 0;
  } rows[] = {
      {.name = "no list for the key", .text = u"ab=1", .part = u"xb"},
      {.name = "two units", .text = u"ab=1", .part = u"ab", .value = u"1", .consumed = 2},
      {.name = "rest longer", .text = u"ab=1", .part = u"abcd", .value = u"1", .consumed = 2},
      {.name = "rest shorter", .text = u"abc=1", .part = u"ab"},
      {.name = "empty rest", .text = u"ab=1", .part = u"a"},
      {.name = "last unit differs", .text = u"abcd=1", .part = u"abce"},
      {.name = "four units", .text = u"abcd=1", .part = u"abcde", .value = u"1", .consumed = 4},
      {.name = "later short", .text = u"abc=Y\nab=X", .part = u"abc", .value = u"X", .consumed = 2},
      {.name = "later long", .text = u"ab=X\nabc=Y", .part = u"abc", .value = u"Y", .consumed = 3},
      {.name = "skips ac", .text = u"ab=X\nac=Y", .part = u"ab", .value = u"X", .consumed = 2},
      {.name = "same sequence", .text = u"ab=1\nab=2", .part = u"ab", .value = u"2", .consumed = 2},
      {.name = "empty value", .text = u"ab=", .part = u"ab", .value = u"", .consumed = 2},
      {.name = "surrogates",
       .text = u"\xD83D\xDE00=:)",
       .part = u"\xD83D\xDE00",
       .value = u":)",
       .consumed = 2},
      {.name = "a key at the name's end",
       .text = u"a/=E",
       .part = u"a",
       .value = u"E",
       .consumed = 1},
      {.name = "not before the end", .text = u"a/=E", .part = u"ab"},
      {.name = "two units and the end",
       .text = u"ab/=E\nab=X",
       .part = u"ab",
       .value = u"X",
       .consumed = 2},
      {.name = "the end tried first",
       .text = u"ab=X\nab/=E",
       .part = u"ab",
       .value = u"E",
       .consumed = 2},
  };
  for (const auto& row : rows) {
    SCOPED_TRACE(row.name);
    TablePtr table = Parse(row.text);
    const std::u16string part(row.part);
    const SequenceMatch match = FindSequence(*table, part[0], part.c_str() + 1);
    if (row.value == nullptr) {
      EXPECT_EQ(match.value, nullptr);
    } else {
      ASSERT_NE(match.value, nullptr);
      EXPECT_EQ(std::u16string_view(match.value), row.value);
    }
    EXPECT_EQ(match.consumed, row.consumed);
  }
}

TEST(FindSequence, EveryUnitButLineBreaksCanBeAKey) {
  std::u16string text;
  for (std::size_t key = 1; key < SequenceTable::kHeadCount; ++key) {
    if (key == u'\r' || key == u'\n' || key == u'=') continue;
    text += static_cast<Unit>(key);
    text += u"z=v\n";
  }
  TablePtr table = Parse(text);
  for (std::size_t key = 1; key < SequenceTable::kHeadCount; ++key) {
    if (key == u'\r' || key == u'\n' || key == u'=') continue;
    const SequenceMatch match = FindSequence(*table, static_cast<Unit>(key), u"z");
    ASSERT_NE(match.value, nullptr) << "key " << key;
    ASSERT_EQ(std::u16string_view(match.value), u"v") << "key " << key;
  }
}

}  // namespace
}  // namespace namefold
