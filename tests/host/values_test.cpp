// The shared cases of tests/cases/values.tsv, run against the built library under the ANSI code
// page of this process: every target must give exactly these values.
#include <gtest/gtest.h>

#include <fstream>
#include <map>
#include <memory>
#include <random>
#include <sstream>
#include <string>
#include <vector>

#include "tests/host/host_support.h"

namespace namefold::testing {
namespace {

struct Case {
  int line = 0;
  std::string code_pages, tables;
  int field = 0, maxlen = 0, code = 0;
  std::u16string path, value;
};

// UTF-8 text with \uXXXX escapes, as the cases file writes units.
std::u16string Unescape(const std::string& text) {
  std::u16string out;
  std::string plain;
  for (std::size_t i = 0; i < text.size(); ++i) {
    if (text.compare(i, 2, "\\u") == 0 && i + 6 <= text.size()) {
      out += FromUtf8(plain);
      plain.clear();
      out += static_cast<char16_t>(std::stoul(text.substr(i + 2, 4), nullptr, 16));
      i += 5;
    } else {
      plain += text[i];
    }
  }
  return out + FromUtf8(plain);
}

std::vector<Case> ReadCases(const fs::path& file) {
  std::ifstream in(file, std::ios::binary);
  EXPECT_TRUE(in.good()) << "cannot read " << file;
  std::vector<Case> cases;
  std::string line;
  for (int number = 1; std::getline(in, line); ++number) {
    if (line.empty() || line[0] == '#') continue;
    std::vector<std::string> columns;
    std::stringstream stream(line);
    for (std::string column; std::getline(stream, column, '\t');) columns.push_back(column);
    if (line.back() == '\t') columns.emplace_back();
    if (columns.size() != 7) {
      ADD_FAILURE() << file << ":" << number << ": expected 7 columns";
      continue;
    }
    cases.push_back({.line = number,
                     .code_pages = columns[0],
                     .tables = columns[1],
                     .field = std::stoi(columns[2]),
                     .maxlen = std::stoi(columns[3]),
                     .code = std::stoi(columns[5]),
                     .path = NativePath(Unescape(columns[4])),
                     .value = Unescape(columns[6])});
  }
  return cases;
}

bool HoldsUnder(const std::string& code_pages, int code_page) {
  if (code_pages == "*") return true;
  std::stringstream stream(code_pages);
  for (std::string item; std::getline(stream, item, ',');) {
    if (std::stoi(item) == code_page) return true;
  }
  return false;
}

std::string ReadBytes(const fs::path& file) {
  std::ifstream in(file, std::ios::binary);
  return std::string(std::istreambuf_iterator<char>(in), {});
}

// A fresh copy of the library with the named tables beside it.
struct CopyWithTables {
  TempDir folder;
  host::Plugin plugin;
};

std::unique_ptr<CopyWithTables> MakeCopy(const std::string& tables, const fs::path& cases_folder) {
  auto setup = std::make_unique<CopyWithTables>();
  for (const char* suffix : {"1", "2"}) {
    const std::string table = std::string("namefold") + suffix;
    const fs::path target = setup->folder.path() / (table + ".tbl");
    if (tables == "defaults") {
      fs::copy_file(BuiltLibrary().parent_path() / (table + ".tbl"), target);
    } else if (tables != "none") {
      const fs::path source = cases_folder / "tables" / tables / (table + ".txt");
      if (fs::exists(source)) WriteBytes(target, Utf16Le(FromUtf8(ReadBytes(source))));
    }
  }
  setup->plugin = LoadCopy(setup->folder.path());
  return setup;
}

TEST(SharedCases, EveryTargetGivesTheseValues) {
  const fs::path file = NAMEFOLD_CASES_FILE;
  const int code_page = AnsiCodePageUnderTest();
  std::map<std::string, std::unique_ptr<CopyWithTables>> setups;
  int run = 0;
  for (const Case& c : ReadCases(file)) {
    if (!HoldsUnder(c.code_pages, code_page)) continue;
    SCOPED_TRACE(::testing::Message() << "values.tsv:" << c.line << " under " << code_page);
    auto& setup = setups[c.tables];
    if (!setup) setup = MakeCopy(c.tables, file.parent_path());
    ASSERT_NE(setup->plugin.get_value_w, nullptr);
    const ValueResult result = GetValueW(setup->plugin, c.path, c.field, c.maxlen);
    ++run;
    EXPECT_EQ(result.code, c.code);
    if (c.code == NAMEFOLD_FT_BOOLEAN) {
      EXPECT_EQ(result.boolean, std::stoi(ToUtf8(c.value)));
    } else if (c.code == NAMEFOLD_FT_WIDE_STRING) {
      EXPECT_EQ(ToUtf8(result.text), ToUtf8(c.value));
    }
  }
  EXPECT_GT(run, 20);
  for (auto& [name, setup] : setups) host::UnloadPlugin(setup->plugin);
}

// Names longer than the name buffer: cut to 1024 units before any replacement; a transliterated
// name keeps at most 1023, and the second fold of "NameReplaceNoEnglish" at most 1022.
TEST(LongNames, AreCutToTheNameBuffer) {
  struct Row {
    const char* name;
    bool tables;
    int field;
    std::size_t length;
  };
  const Row rows[] = {
      {"copy without tables", false, NAMEFOLD_FIELD_NAME_REPLACE_USER_ALL, 1024},
      {"copy after transliteration", true, NAMEFOLD_FIELD_NAME_REPLACE_USER_ALL, 1023},
      {"native rules", true, NAMEFOLD_FIELD_NAME_REPLACE_USER_UNICODE, 1023},
      {"one fold without tables", false, NAMEFOLD_FIELD_NAME_NO_UNICODE, 1024},
      {"one fold after transliteration", true, NAMEFOLD_FIELD_NAME_NO_UNICODE, 1023},
      {"two folds", false, NAMEFOLD_FIELD_NAME_REPLACE_NO_ENGLISH, 1022},
  };
  TempDir plain_folder, tables_folder;
  WriteBytes(tables_folder.path() / "namefold1.tbl", Utf16Le(u"q=Q\r\n"));
  host::Plugin plain = LoadCopy(plain_folder.path());
  host::Plugin with_tables = LoadCopy(tables_folder.path());
  ASSERT_TRUE(plain.get_value_w != nullptr && with_tables.get_value_w != nullptr);
  const std::u16string path = NativePath(u"C:/dir/") + std::u16string(5000, u'q');
  for (const Row& row : rows) {
    SCOPED_TRACE(row.name);
    const ValueResult result = GetValueW(row.tables ? with_tables : plain, path, row.field, 20000);
    EXPECT_EQ(result.code, NAMEFOLD_FT_WIDE_STRING);
    EXPECT_EQ(result.text.size(), row.length);  // q is native under 1251: only lengths compare
    EXPECT_EQ(result.text.find_first_not_of(u"qQ"), std::u16string::npos);
  }
  host::UnloadPlugin(plain);
  host::UnloadPlugin(with_tables);
}

// "HasUnicode" answers for the whole path, however long.
TEST(LongNames, HasUnicodeLooksAtTheWholePath) {
  TempDir folder;
  host::Plugin plugin = LoadCopy(folder.path());
  ASSERT_NE(plugin.get_value_w, nullptr);
  const std::u16string ascii = NativePath(u"C:/dir/") + std::u16string(40000, u'a');
  EXPECT_EQ(GetValueW(plugin, ascii, 0).boolean, 0);
  EXPECT_EQ(GetValueW(plugin, ascii + u"\xDC00", 0).boolean, 1);  // unpaired everywhere
  EXPECT_EQ(GetValueW(plugin, std::u16string(1023, u'a') + u"\xD800" + u"bcd", 0).boolean, 1);
  host::UnloadPlugin(plugin);
}

// Names stored decomposed (base letters and combining marks, conjoining jamo) give every name
// field of their composed form, with and without tables, under the code page of this process.
TEST(DecomposedNames, GiveTheValuesOfTheirComposedForms) {
  struct Row {
    const char* name;
    std::u16string composed, decomposed;
  };
  const Row rows[] = {
      {"French", u"Cr\u00E8me br\u00FBl\u00E9e recette.pdf",
       u"Cre\u0300me bru\u0302le\u0301e recette.pdf"},
      {"Czech", u"P\u0159\u00EDli\u0161 \u017Elu\u0165ou\u010Dk\u00FD k\u016F\u0148 \u00FAp\u011Bl",
       u"Pr\u030Ci\u0301lis\u030C z\u030Clut\u030Couc\u030Cky\u0301 ku\u030An\u030C "
       u"u\u0301pe\u030Cl"},
      {"Vietnamese, stacked marks", u"Ti\u1EBFng Vi\u1EC7t.docx",
       u"Tie\u0302\u0301ng Vie\u0323\u0302t.docx"},
      {"marks out of canonical order", u"Vi\u1EC7t \u1EA1\u0301",
       u"Vie\u0302\u0323t a\u0301\u0323"},
      {"Cyrillic",
       u"\u0419\u043E\u0433\u0443\u0440\u0442, \u0401\u043B\u043A\u0430 \u0438 "
       u"\u0407\u0436\u0430\u043A",
       u"\u0418\u0306\u043E\u0433\u0443\u0440\u0442, \u0415\u0308\u043B\u043A\u0430 \u0438 "
       u"\u0406\u0308\u0436\u0430\u043A"},
      {"Greek, tonos and dialytika",
       u"\u0391\u03B8\u03AE\u03BD\u03B1 \u0390 \u03B0 "
       u"\u0395\u03C5\u03C7\u03B1\u03C1\u03B9\u03C3\u03C4\u03CE",
       u"\u0391\u03B8\u03B7\u0301\u03BD\u03B1 \u03B9\u0308\u0301 \u03C5\u0308\u0301 "
       u"\u0395\u03C5\u03C7\u03B1\u03C1\u03B9\u03C3\u03C4\u03C9\u0301"},
      {"Japanese, voicing marks", u"\u304C\u3063\u3053\u3046 \u30D1\u30F3",
       u"\u304B\u3099\u3063\u3053\u3046 \u30CF\u309A\u30F3"},
      {"Korean, LV and LVT jamo", u"\uD55C\uAD6D\uC5B4 \uACF5\uBD80 \uC11C\uC6B8",
       u"\u1112\u1161\u11AB\u1100\u116E\u11A8\u110B\u1165 \u1100\u1169\u11BC\u1107\u116E "
       u"\u1109\u1165\u110B\u116E\u11AF"},
  };
  const fs::path cases_folder = fs::path(NAMEFOLD_CASES_FILE).parent_path();
  for (const char* tables : {"none", "defaults", "basic"}) {
    auto setup = MakeCopy(tables, cases_folder);
    ASSERT_NE(setup->plugin.get_value_w, nullptr);
    for (const Row& row : rows) {
      for (int field = 1; field <= 4; ++field) {
        SCOPED_TRACE(::testing::Message()
                     << row.name << ", tables " << tables << ", field " << field);
        const ValueResult composed =
            GetValueW(setup->plugin, NativePath(u"C:/dir/" + row.composed), field);
        const ValueResult decomposed =
            GetValueW(setup->plugin, NativePath(u"C:/dir/" + row.decomposed), field);
        EXPECT_EQ(decomposed.code, NAMEFOLD_FT_WIDE_STRING);
        EXPECT_EQ(ToUtf8(decomposed.text), ToUtf8(composed.text));
      }
    }
    host::UnloadPlugin(setup->plugin);
  }
}

// Whatever the tables and the name, no name value is "", "." or ".." (nor any other run of dots)
// when the host's buffer holds one unit besides the terminator: random tables that delete units
// or replace them by dots, random names of those units.
TEST(UsableNames, NoValueIsEmptyOrOnlyDots) {
  const std::u16string alphabet = u".ax\u044C\u00E9\u0301\u304B\u3099\u1100\u1161";
  const std::u16string values[] = {u"", u".", u"..", u"a", u"\u0301", u"_"};
  std::mt19937 random(14);
  auto pick = [&](std::size_t count) {
    return std::uniform_int_distribution<std::size_t>(0, count - 1)(random);
  };
  int checked = 0;
  for (int set = 0; set < 6; ++set) {
    std::u16string single, sequence;
    for (char16_t key : alphabet) {
      if (pick(3) != 0)
        single += std::u16string(1, key) + u"=" + values[pick(std::size(values))] + u"\r\n";
    }
    for (int i = 0; i < 3; ++i) {
      sequence += std::u16string{alphabet[pick(alphabet.size())], alphabet[pick(alphabet.size())]} +
                  u"=" + values[pick(std::size(values))] + u"\r\n";
    }
    TempDir folder;
    WriteBytes(folder.path() / "namefold1.tbl", Utf16Le(single));
    WriteBytes(folder.path() / "namefold2.tbl", Utf16Le(sequence));
    host::Plugin plugin = LoadCopy(folder.path());
    ASSERT_NE(plugin.get_value_w, nullptr);
    for (int n = 0; n < 150; ++n) {
      std::u16string name(1 + pick(5), u'.');
      for (char16_t& unit : name) unit = alphabet[pick(alphabet.size())];
      for (int field = 1; field <= 4; ++field) {
        const bool folds = field <= 2;
        for (int maxlen : {folds ? 6 : 4, folds ? 8 : 6, 2048}) {
          const ValueResult result =
              GetValueW(plugin, NativePath(u"C:/dir/" + name), field, maxlen);
          ASSERT_EQ(result.code, NAMEFOLD_FT_WIDE_STRING);
          EXPECT_NE(result.text.find_first_not_of(u'.'), std::u16string::npos)
              << "field " << field << ", maxlen " << maxlen << ", name " << ToUtf8(name)
              << ", value \"" << ToUtf8(result.text) << "\"";
          ++checked;
        }
      }
    }
    host::UnloadPlugin(plugin);
  }
  EXPECT_EQ(checked, 6 * 150 * 4 * 3);
}

}  // namespace
}  // namespace namefold::testing
