// The shared cases of tests/cases/values.tsv, run against the built library under the ANSI code
// page of this process: every target must give exactly these values.
#include <gtest/gtest.h>

#include <fstream>
#include <map>
#include <memory>
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

}  // namespace
}  // namespace namefold::testing
