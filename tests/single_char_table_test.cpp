#include "tables/single_char_table.h"

#include <algorithm>
#include <cstdlib>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include <gtest/gtest.h>

namespace namefold {
namespace {

// Parses a malloc'd copy of `text`, as the loader hands it over, and lists the table as
// "K=VALUE" strings in key order.
std::vector<std::u16string> Parse(std::u16string_view text) {
  auto* buffer = static_cast<Unit*>(std::malloc((text.size() + 1) * sizeof(Unit)));
  std::copy(text.begin(), text.end(), buffer);
  buffer[text.size()] = 0;
  auto table = std::make_unique<SingleCharTable>();
  ParseSingleCharTable(buffer, *table);
  std::vector<std::u16string> entries;
  for (std::size_t key = 0; key < SingleCharTable::kEntryCount; ++key) {
    if (table->entries[key] != nullptr) {
      entries.push_back(std::u16string(1, static_cast<Unit>(key)) + u"=" + table->entries[key]);
    }
  }
  std::free(buffer);
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
    EXPECT_EQ(Parse(row.text), row.entries);
  }
}

TEST(ParseSingleCharTable, LineEnds) {
  Check({
      {.name = "CR LF", .text = u"a=alpha\r\nb=beta\r\n", .entries = {u"a=alpha", u"b=beta"}},
      {.name = "LF alone", .text = u"a=alpha\nb=beta\n", .entries = {u"a=alpha", u"b=beta"}},
      {.name = "CR alone", .text = u"a=alpha\rb=beta\r", .entries = {u"a=alpha", u"b=beta"}},
      {.name = "blank lines", .text = u"\r\n\r\na=1\n\n\rb=2\r\n\r\n", .entries = {u"a=1", u"b=2"}},
      {.name = "no final line break", .text = u"a=1\r\nb=beta", .entries = {u"a=1", u"b=beta"}},
  });
}

TEST(ParseSingleCharTable, Keys) {
  Check({
      {.name = "unit right before =", .text = u"ab=c", .entries = {u"b=c"}},
      {.name = "text before the key", .text = u"x a=b", .entries = {u"a=b"}},
      {.name = "surrogate units",
       .text = u"\xD83D=hi\r\nx\xDE00=lo",
       .entries = {u"\xD83D=hi", u"\xDE00=lo"}},
      {.name = "= as key", .text = u"==x\r\n", .entries = {u"==x"}},
      {.name = "byte-order mark before the key", .text = u"\uFEFFa=x\r\n", .entries = {u"a=x"}},
      {.name = "byte-order mark as key", .text = u"\uFEFF=x\r\n", .entries = {u"\uFEFF=x"}},
      {.name = "comment lines", .text = u"comment\r\na=1\r\nmore", .entries = {u"a=1"}},
      {.name = "empty text", .text = u"", .entries = {}},
      {.name = "one unit", .text = u"a", .entries = {}},
      {.name = "= alone", .text = u"=", .entries = {}},
  });
}

TEST(ParseSingleCharTable, Values) {
  Check({
      {.name = "empty", .text = u"a=\r\nb=2", .entries = {u"a=", u"b=2"}},
      {.name = "empty at the end", .text = u"a=", .entries = {u"a="}},
      {.name = "holding =", .text = u"a=b=c", .entries = {u"a=b=c"}},
      {.name = "no length limit",
       .text = u"a=abcdefghijklmnopqrstuvwxyz 0123456789",
       .entries = {u"a=abcdefghijklmnopqrstuvwxyz 0123456789"}},
  });
}

TEST(ParseSingleCharTable, Duplicates) {
  Check({
      {.name = "last wins", .text = u"a=1\r\nb=2\r\na=3", .entries = {u"a=3", u"b=2"}},
      {.name = "same key, other prefix", .text = u"ab=1\nb=2", .entries = {u"b=2"}},
  });
}

// The line break before a line that begins with "=" is the unit right before that "=".
TEST(ParseSingleCharTable, LineBeginningWithEquals) {
  Check({
      {.name = "first line", .text = u"=x\r\na=1", .entries = {u"a=1"}},
      {.name = "after LF", .text = u"a=1\n=x\nb=2", .entries = {u"a=1", u"b=2"}},
      {.name = "after CR LF: LF is a key whose value runs on",
       .text = u"a=1\r\n=x\r\nb=2",
       .entries = {u"\n=x\r\nb=2", u"a=1", u"b=2"}},
  });
}

TEST(ParseSingleCharTable, EveryUnitButLineBreaksCanBeAKey) {
  std::u16string text;
  for (std::size_t key = 1; key < SingleCharTable::kEntryCount; ++key) {
    if (key == u'\r' || key == u'\n') continue;
    text += static_cast<Unit>(key);
    text += u"=v\n";
  }
  std::vector<std::u16string> entries = Parse(text);
  ASSERT_EQ(entries.size(), SingleCharTable::kEntryCount - 3);
  for (const std::u16string& entry : entries) {
    ASSERT_EQ(entry.substr(1), u"=v") << "key " << static_cast<int>(entry[0]);
  }
}

}  // namespace
}  // namespace namefold
