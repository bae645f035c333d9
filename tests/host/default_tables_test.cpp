// The default tables that the build places beside the library, through the library itself.
#include <gtest/gtest.h>

#include <fstream>
#include <string>
#include <vector>

#include "tests/host/host_support.h"

namespace namefold::testing {
namespace {

// The built library with the default tables, as a copy of its own.
class DefaultTables : public ::testing::Test {
 protected:
  void SetUp() override {
    for (const char* table : {"namefold1.tbl", "namefold2.tbl"}) {
      fs::copy_file(BuiltLibrary().parent_path() / table, folder_.path() / table);
    }
    plugin_ = LoadCopy(folder_.path());
    ASSERT_NE(plugin_.get_value_w, nullptr);
  }
  void TearDown() override { host::UnloadPlugin(plugin_); }

  std::u16string Field(int field, std::u16string_view name) {
    const ValueResult result = GetValueW(plugin_, NativePath(u"C:/files/") + std::u16string(name), field);
    EXPECT_EQ(result.code, NAMEFOLD_FT_WIDE_STRING);
    return result.text;
  }

  TempDir folder_;
  host::Plugin plugin_;
};

bool IsCjkIdeograph(char16_t unit) {
  return (unit >= 0x4E00 && unit <= 0x9FFF) || (unit >= 0x3400 && unit <= 0x4DBF);
}

TEST_F(DefaultTables, EverySampleNameBecomesAscii) {
  std::ifstream in(fs::path(NAMEFOLD_CASES_FILE).parent_path().parent_path() / "data" / "names.txt");
  ASSERT_TRUE(in.good());
  int names = 0;
  for (std::string line; std::getline(in, line);) {
    if (line.empty()) continue;
    ++names;
    const std::u16string result = Field(NAMEFOLD_FIELD_NAME_REPLACE_USER_ALL, FromUtf8(line));
    EXPECT_FALSE(result.empty()) << line;
    for (char16_t unit : result) {
      if (unit >= 0x80 && !IsCjkIdeograph(unit)) {
        ADD_FAILURE() << line << " -> " << ToUtf8(result);
        break;
      }
    }
  }
  EXPECT_GE(names, 300);
}

TEST_F(DefaultTables, FollowTheirConventions) {
  struct Row {
    const char* script;
    std::u16string_view in, out;
  };
  const Row rows[] = {
      {"Russian", u"\u041c\u043e\u0441\u043a\u0432\u0430", u"Moskva"},
      {"Russian capitals", u"\u0416\u0443\u043a\u043e\u0432 \u0429\u0443\u043a\u0438\u043d", u"Zhukov Shchukin"},
      {"Greek", u"\u0391\u03b8\u03ae\u03bd\u03b1", u"Athina"},
      {"hiragana", u"\u304d\u3087\u3046\u3068", u"kyouto"},
      {"sh + small yu", u"\u3057\u3093\u3058\u3085\u304f", u"shinjuku"},
      {"ch + small ya", u"\u3061\u3083", u"cha"},
      {"small tsu", u"\u304c\u3063\u3053\u3046", u"gakkou"},
      {"Hangul", u"\uc11c\uc6b8", u"seoul"},
      {"German", u"Stra\u00dfe \u00fcber", u"Strasse uber"},
      {"fullwidth", u"\uff21\uff22\uff23", u"ABC"},
      {"typography", u"\u201cquoted\u201d \u2014 \u2026", u"'quoted' - ..."},
      {"CJK ideographs stay", u"\u6771\u4eac", u"\u6771\u4eac"},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.script);
    EXPECT_EQ(ToUtf8(Field(NAMEFOLD_FIELD_NAME_REPLACE_USER_ALL, row.in)), ToUtf8(row.out));
  }
}

// "NameReplaceUserUnicode" keeps the system's own script.
TEST_F(DefaultTables, KeepTheNativeScript) {
  const std::u16string mixed = u"\u041c\u043e\u0441\u043a\u0432\u0430 caf\u00e9 \u304d\u3087\u3046\u3068";
  const std::u16string result = Field(NAMEFOLD_FIELD_NAME_REPLACE_USER_UNICODE, mixed);
  switch (AnsiCodePageUnderTest()) {
    case 1251:  // Cyrillic and everything else below U+0500 stay; kana go
      EXPECT_EQ(ToUtf8(result), ToUtf8(u"\u041c\u043e\u0441\u043a\u0432\u0430 caf\u00e9 kyouto"));
      break;
    case 1252:  // é stays
      EXPECT_EQ(ToUtf8(result), ToUtf8(u"Moskva caf\u00e9 kyouto"));
      break;
    case 932:  // kana stay
      EXPECT_EQ(ToUtf8(result), ToUtf8(u"Moskva cafe \u304d\u3087\u3046\u3068"));
      break;
    default:
      EXPECT_EQ(ToUtf8(result).find("Moskva"), 0u);
  }
}

}  // namespace
}  // namespace namefold::testing
