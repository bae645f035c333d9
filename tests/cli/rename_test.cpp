#include "cli/rename.h"

#include <gtest/gtest.h>

namespace namefold::cli {
namespace {

TEST(Rename, RefusesNamesWindowsOrArchivesCannotHold) {
  struct Row {
    const char* name;
    std::u16string target;
    std::string kind;  // empty: usable
  };
  const Row rows[] = {
      {"plain", u"report.txt", ""},
      {"reserved word inside", u"CONSOLE.txt", ""},
      {"a dot first", u".hidden", ""},
      {"255 units", std::u16string(255, u'a'), ""},
      {"empty", u"", "empty name"},
      {"dot", u".", "dot name"},
      {"dot dot", u"..", "dot name"},
      {"256 units", std::u16string(256, u'a'), "too long"},
      {"reserved", u"NUL", "reserved name"},
      {"reserved with extension", u"com1.tar.gz", "reserved name"},
      {"reserved before a space", u"Lpt9 .txt", "reserved name"},
      {"COM0 is reserved too", u"COM0", "reserved name"},
      {"LPT0 with an extension", u"lpt0.txt", "reserved name"},
      {"superscript one", u"COM\u00B9.txt", "reserved name"},
      {"superscript three", u"LPT\u00B3", "reserved name"},
      {"superscript four is not", u"COM\u2074", ""},
      {"COM10 is not", u"COM10", ""},
      {"leading space", u" taitoru.mp3", "leading space"},
      {"ideographic space first is a character", u"\u3000x", ""},
      {"trailing dot", u"notes.", "trailing dot or space"},
      {"trailing space", u"notes ", "trailing dot or space"},
      {"question mark", u"why?.txt", "character Windows forbids"},
      {"backslash", u"a\\b", "character Windows forbids"},
      {"slash", u"a/b", "character Windows forbids"},
      {"colon", u"a:b", "character Windows forbids"},
      {"tab", u"a\tb", "control character"},
      {"C1 control", u"a\u0085b", "control character"},
      {"unpaired surrogate", u"a\xD800", "not valid Unicode"},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.name);
    EXPECT_EQ(UnusableKind(row.target, row.target.size()), row.kind);
  }
  EXPECT_EQ(UnusableKind(u"short", 256), "too long");  // the system's own units decide too
}

TEST(Rename, LeavesOutEveryRenameOfAClash) {
  struct Row {
    const char* name;
    std::vector<FolderEntry> entries;  // name, new name, and a kind already found
    std::vector<std::string> kinds;
  };
  const Row rows[] = {
      {"distinct", {{u"é", u"e", "", ""}, {u"ж", u"zh", "", ""}}, {"", ""}},
      {"two become one",
       {{u"é", u"e", "", ""}, {u"è", u"e", "", ""}, {u"x", u"x", "", ""}},
       {"same name", "same name", ""}},
      {"an existing name", {{u"é", u"e", "", ""}, {u"e", u"e", "", ""}}, {"target exists", ""}},
      {"a name that goes away still exists now",
       {{u"é", u"e", "", ""}, {u"e", u"f", "", ""}},
       {"target exists", ""}},
      {"case only", {{u"Ж", u"Zh", "", ""}, {u"ж", u"zh", "", ""}}, {"same name", "same name"}},
      {"an existing name in another case",
       {{u"Ж", u"Zh", "", ""}, {u"ZH", u"ZH", "", ""}},
       {"same name", ""}},
      {"case beyond ASCII",
       {{u"x", u"É", "", ""}, {u"y", u"é", "", ""}},
       {"same name", "same name"}},
      // Leaving out é keeps its name, which Windows takes for a's new one.
      {"a chain",
       {{u"é", u"e", "", ""}, {u"è", u"e", "", ""}, {u"a", u"É", "", ""}},
       {"same name", "same name", "same name"}},
      {"an unusable one keeps its name",
       {{u"a", u"b?", "reserved name", ""}, {u"é", u"A", "", ""}},
       {"reserved name", "same name"}},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.name);
    std::vector<FolderEntry> entries = row.entries;
    LeaveOutClashes(entries);
    for (std::size_t i = 0; i < entries.size(); ++i) EXPECT_EQ(entries[i].kind, row.kinds[i]) << i;
  }
}

TEST(Rename, JournalLinesKeepAnyName) {
  const std::string names[] = {
      "plain.txt",
      "tab\there",
      "line\nbreak\r",
      "back\\slash\\x41",
      "ж\u202Ex",
      "\x01\x7F",
      std::string("bad \xFF\xC0 bytes"),  // kept as bytes on POSIX
  };
  for (const std::string& name : names) {
    SCOPED_TRACE(name);
    if (PathBytes(PathFromBytes(name)) != name) continue;  // Windows names are UTF-16
    const fs::path from = PathFromBytes("dir/" + name), to = PathFromBytes("dir/new " + name);
    const std::string line = JournalLine(from, to);
    ASSERT_EQ(line.find('\n'), line.size() - 1);
    fs::path from_read, to_read;
    ASSERT_TRUE(
        ParseJournalLine(std::string_view(line).substr(0, line.size() - 1), from_read, to_read));
    EXPECT_EQ(from_read, from);
    EXPECT_EQ(to_read, to);
  }
  fs::path from, to;
  for (const char* bad : {"only one", "a\tb\tc", "a\\q\tb", "a\\x4\tb", "\tb"})
    EXPECT_FALSE(ParseJournalLine(bad, from, to)) << bad;
}

}  // namespace
}  // namespace namefold::cli
