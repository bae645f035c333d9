// The namefold program end to end: the built program, run on temporary folders and table files,
// with a private copy of the built library.
#include <gtest/gtest.h>

#include <algorithm>
#include <map>
#include <random>
#include <set>
#include <sstream>

#include "cli/plugin_loader.h"
#include "cli/rename.h"
#include "cli/system.h"
#include "cli/utf.h"
#include "tests/cli/run_program.h"

namespace namefold::testing {
namespace {

namespace fs = std::filesystem;

const bool kWindows = std::string(host::kLibraryFileName) == "namefold.dll";

std::string Utf8(const fs::path& path) {
  const std::u8string text = path.u8string();
  return {text.begin(), text.end()};
}

fs::path Path(const char8_t* utf8) {
  return fs::path(utf8);
}

std::string Le(std::u16string_view text) {
  std::string bytes;
  for (char16_t unit : text) {
    bytes += static_cast<char>(unit & 0xFF);
    bytes += static_cast<char>(unit >> 8);
  }
  return bytes;
}

void WriteBytes(const fs::path& file, const std::string& bytes) {
  std::string error;
  ASSERT_TRUE(cli::WriteFileBytes(file, bytes, error)) << file << ": " << error;
}

std::string ReadBytes(const fs::path& file) {
  std::string bytes, error;
  EXPECT_TRUE(cli::ReadFileBytes(file, bytes, error)) << file << ": " << error;
  return bytes;
}

// A temporary folder holding a copy of the library with two small tables beside it, and a folder
// of files to list.
class Program : public ::testing::Test {
 protected:
  void SetUp() override {
    std::random_device random;
    do {
      root_ = fs::temp_directory_path() / ("namefold-cli-" + std::to_string(random()));
    } while (!fs::create_directory(root_));
    files_ = root_ / "files";
    fs::create_directories(root_ / "plugin");
    fs::create_directories(files_ / "sub");
    plugin_ = root_ / "plugin" / host::kLibraryFileName;
    fs::copy_file(BuiltProgram().parent_path() / host::kLibraryFileName, plugin_);
    WriteBytes(root_ / "plugin" / "namefold1.tbl",
               Le(u"\uFEFF# test\r\nЖ=Zh\r\nж=zh\r\nу=u\r\nк=k\r\né=e\r\n"));
    WriteBytes(root_ / "plugin" / "namefold2.tbl", Le(u"\uFEFF# test\r\nук=UK\r\n"));
    for (const fs::path& name :
         {Path(u8"plain.txt"), Path(u8"café.txt"), Path(u8"Жук.txt"), Path(u8"sub/ж.txt")}) {
      WriteBytes(files_ / name, "");
    }
  }
  void TearDown() override {
    std::error_code ignored;
    fs::remove_all(root_, ignored);
  }

  ProgramResult Run(std::vector<std::string> arguments) const {
    return RunProgram(BuiltProgram(), arguments);
  }
  ProgramResult List(std::vector<std::string> arguments) const {
    arguments.insert(arguments.begin(), {"--plugin", Utf8(plugin_)});
    return Run(arguments);
  }

  fs::path root_;
  fs::path files_;
  fs::path plugin_;
};

TEST_F(Program, ListsAFolderAsTabSeparatedValues) {
  const ProgramResult result =
      List({"--tsv", "--fields", "HasUnicode,NameReplaceUserAll,3", Utf8(files_)});
  EXPECT_EQ(result.status, 0) << result.err;
  EXPECT_EQ(result.err, "");
  EXPECT_EQ(result.out,
            "Name\tHasUnicode\tNameReplaceUserAll\tNameReplaceUserUnicode\n"
            "café.txt\t0\tcafe.txt\tcafé.txt\n"  // é is native to code page 1252
            "plain.txt\t0\tplain.txt\tplain.txt\n"
            "sub\t0\tsub\tsub\n"
            "Жук.txt\t1\tZhUK.txt\tZhUK.txt\n");  // the sequence "ук" before the single "у"
}

TEST_F(Program, RecursesChangedOnlyAndJson) {
  const std::string sub = kWindows ? "sub\\\\" : "sub/";  // TSV escapes the backslash
  const ProgramResult changed = List({"-r", "--changed", "--tsv", "--fields", "4", Utf8(files_)});
  EXPECT_EQ(changed.status, 0) << changed.err;
  EXPECT_EQ(changed.out, "Name\tNameReplaceUserAll\ncafé.txt\tcafe.txt\n" + sub +
                             "ж.txt\tzh.txt\nЖук.txt\tZhUK.txt\n");

  const ProgramResult json = List({"--json", "--fields", "0,4", Utf8(files_ / Path(u8"Жук.txt"))});
  EXPECT_EQ(json.status, 0) << json.err;
  EXPECT_EQ(json.out, "{\"path\":" + cli::JsonString(Utf8(files_ / Path(u8"Жук.txt"))) +
                          ",\"HasUnicode\":true,\"NameReplaceUserAll\":\"ZhUK.txt\"}\n");
}

// A name stored decomposed, as macOS writes it, shows the values of its composed form; it counts
// as changed, since those differ from the name as stored.
TEST_F(Program, ListsDecomposedNamesAsComposed) {
  const fs::path folder = root_ / "decomposed";
  fs::create_directories(folder);
  WriteBytes(folder / Path(u8"cafe\u0301.txt"), "");
  WriteBytes(folder / Path(u8"plain.txt"), "");
  const ProgramResult result = List({"--changed", "--tsv", "--fields", "0,1,4", Utf8(folder)});
  EXPECT_EQ(result.status, 0) << result.err;
  EXPECT_EQ(result.out,
            "Name\tHasUnicode\tNameNoUnicode\tNameReplaceUserAll\n"
            "cafe\u0301.txt\t1\tcaf\u00E9.txt\tcafe.txt\n");
}

TEST_F(Program, AlignedTableOnRequest) {
  const ProgramResult result = List({"--table", "--fields", "4", Utf8(files_)});
  EXPECT_EQ(result.status, 0) << result.err;
  EXPECT_EQ(result.out.substr(0, result.out.find('\n')), "Name        NameReplaceUserAll");
  EXPECT_NE(result.out.find("Жук.txt    *ZhUK.txt\n"), std::string::npos) << result.out;
  EXPECT_EQ(result.out.find('\x1b'), std::string::npos);  // no colour outside a terminal
}

TEST_F(Program, UnreadablePathIsReportedAndTheOthersGoOn) {
  const ProgramResult result =
      List({"--tsv", "--fields", "4", Utf8(root_ / "missing"), Utf8(files_ / "plain.txt")});
  EXPECT_EQ(result.status, 1);
  EXPECT_EQ(std::count(result.err.begin(), result.err.end(), '\n'), 1) << result.err;
  EXPECT_NE(result.err.find("missing"), std::string::npos) << result.err;
  EXPECT_NE(result.out.find("plain.txt\tplain.txt\n"), std::string::npos) << result.out;
}

TEST_F(Program, NameThatIsNotUtf8IsEscapedAndPassedWithReplacement) {
  if (kWindows) GTEST_SKIP() << "Windows file names are UTF-16";
  fs::create_directory(root_ / "bad");
  WriteBytes(root_ / "bad" / fs::path(std::string("caf\xE9\n.txt")), "");
  const ProgramResult result = List({"--tsv", "--fields", "4", Utf8(root_ / "bad")});
  EXPECT_EQ(result.status, 0) << result.err;
  EXPECT_EQ(result.out, "Name\tNameReplaceUserAll\ncaf\\xE9\\n.txt\tcaf\xEF\xBF\xBD\\n.txt\n");
  EXPECT_NE(result.err.find("warning: caf\\xE9\\n.txt: not valid UTF-8"), std::string::npos)
      << result.err;
}

TEST_F(Program, LocaleChoosesTheCodePageTheLibrarySees) {
  const std::vector<std::string> arguments{
      "--locale", "ru_RU.UTF-8", "--tsv", "--fields", "3", Utf8(files_ / Path(u8"Жук.txt"))};
  const ProgramResult result = List(arguments);
  if (kWindows) {
    EXPECT_EQ(result.status, 2);
    EXPECT_NE(result.err.find("--locale"), std::string::npos) << result.err;
    return;
  }
  EXPECT_EQ(result.status, 0) << result.err;
  // A file operand is shown as given; its Cyrillic is native to code page 1251.
  EXPECT_EQ(result.out, "Name\tNameReplaceUserUnicode\n" + arguments.back() + "\tЖук.txt\n");
}

TEST_F(Program, UsageErrorsAndHelp) {
  struct Row {
    const char* name;
    std::vector<std::string> arguments;
    int status;
    const char* out;  // expected at the start of standard output
    const char* err;  // expected in standard error
  };
  const Row rows[] = {
      {"version", {"--version"}, 0, "namefold 0.", ""},
      {"help", {"--help"}, 0, "Usage: namefold [OPTIONS] [PATH...]", ""},
      {"check help", {"check", "--help"}, 0, "Usage: namefold check", ""},
      {"unknown option",
       {"--bogus"},
       2,
       "",
       "namefold: unknown option --bogus (see namefold --help)\n"},
      {"bad field", {"--fields", "Nope"}, 2, "", "--fields: no field Nope"},
      {"missing plugin", {"--plugin", Utf8(root_ / "none.so")}, 1, "", "cannot load the plugin"},
      {"unknown overlay",
       {"tables", "--with", "de,xx", "--out", Utf8(root_ / "t")},
       2,
       "",
       "unknown overlay 'xx' (available: "},
      {"two overlays of one script",
       {"tables", "--with", "uk,ru", "--out", Utf8(root_ / "t")},
       2,
       "",
       "overlays 'uk' and 'ru' both change how the tables read Cyrillic"},
      {"tables option without tables",
       {"--tables", Utf8(root_ / "none"), "--plugin", Utf8(plugin_), Utf8(files_)},
       1,
       "",
       "namefold1.tbl: no such table"},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.name);
    const ProgramResult result = Run(row.arguments);
    EXPECT_EQ(result.status, row.status);
    EXPECT_EQ(result.out.substr(0, std::string(row.out).size()), row.out);
    EXPECT_NE(result.err.find(row.err), std::string::npos) << result.err;
  }
}

TEST_F(Program, CheckReportsByLineAndExitsByResult) {
  WriteBytes(root_ / "good1.tbl", Le(u"\uFEFF# fine\r\na=b\r\n"));
  WriteBytes(root_ / "bad2.tbl", Le(u"\uFEFF# c\r\nab=1\r\nx=2\r\ncd=3\r\n"));
  WriteBytes(root_ / "utf8.txt", "a=b\n");

  const ProgramResult good = Run({"check", Utf8(root_ / "good1.tbl")});
  EXPECT_EQ(good.status, 0) << good.out << good.err;
  EXPECT_NE(good.out.find("good1.tbl: single-character table, 1 keys, clean"), std::string::npos)
      << good.out;

  const ProgramResult bad = Run({"check", Utf8(root_ / "good1.tbl"), Utf8(root_ / "bad2.tbl")});
  EXPECT_EQ(bad.status, 1);
  EXPECT_NE(
      bad.out.find("bad2.tbl:3: sequence \"x\" has one unit: loading ends here, so the 1 line(s)"),
      std::string::npos)
      << bad.out;

  EXPECT_EQ(Run({"check", Utf8(root_ / "utf8.txt")}).status, 2);  // kind unknown from the name
  const ProgramResult forced = Run({"check", "--single", Utf8(root_ / "utf8.txt")});
  EXPECT_EQ(forced.status, 1);
  EXPECT_NE(forced.out.find("utf8.txt: the file is UTF-8 text, not UTF-16 LE"), std::string::npos)
      << forced.out;
}

TEST_F(Program, ConvertRoundTripThroughFiles) {
  const std::string table = Le(u"\uFEFF# Cyrillic\r\nЖ=Zh\r\n");
  WriteBytes(root_ / "t1.tbl", table);
  const ProgramResult to_text = Run({"convert", Utf8(root_ / "t1.tbl")});
  EXPECT_EQ(to_text.status, 0) << to_text.err;
  EXPECT_EQ(to_text.out, "# Cyrillic\nЖ=Zh\n");
  WriteBytes(root_ / "t1.txt", to_text.out);
  const ProgramResult to_table =
      Run({"convert", Utf8(root_ / "t1.txt"), "-o", Utf8(root_ / "back1.tbl")});
  EXPECT_EQ(to_table.status, 0) << to_table.err;
  EXPECT_EQ(ReadBytes(root_ / "back1.tbl"), table);
}

// For an 8-bit table check once suggested a conversion that then failed on the first non-ASCII
// byte; the command it suggests now works, and --from-code-page reads the text.
TEST_F(Program, ConvertReadsEightBitTextAsCheckSuggests) {
  const fs::path table = root_ / "cp1.tbl";
  WriteBytes(table, "# Cyrillic\r\n\xC6=Zh\r\n");  // "Ж" in code page 1251
  const ProgramResult check = Run({"check", Utf8(table)});
  const std::size_t start = check.out.find("convert --from-code-page");
  ASSERT_NE(start, std::string::npos) << check.out;
  std::vector<std::string> suggested;
  std::istringstream words(check.out.substr(start, check.out.find(')', start) - start));
  for (std::string word; words >> word;) suggested.push_back(word == "FILE" ? Utf8(table) : word);
  const ProgramResult fixed = Run(suggested);
  EXPECT_EQ(fixed.status, 0) << fixed.err;
  EXPECT_EQ(Run({"check", Utf8(table)}).status, 0);

  WriteBytes(table, "# Cyrillic\r\n\xC6=Zh\r\n");
  const ProgramResult cyrillic =
      Run({"convert", "--from-code-page", "1251", Utf8(table), "-o", Utf8(table)});
  EXPECT_EQ(cyrillic.status, 0) << cyrillic.err;
  EXPECT_EQ(ReadBytes(table), Le(u"\uFEFF# Cyrillic\r\nЖ=Zh\r\n"));
  const ProgramResult unknown = Run({"convert", "--from-code-page", "12345", Utf8(table)});
  EXPECT_EQ(unknown.status, 1);
  EXPECT_NE(unknown.err.find("code page 12345 is not known"), std::string::npos) << unknown.err;
}

TEST_F(Program, InfoShowsTheLibraryAndItsTables) {
  const ProgramResult with_tables = Run({"info", "--plugin", Utf8(plugin_)});
  EXPECT_EQ(with_tables.status, 0) << with_tables.err;
  EXPECT_NE(with_tables.out.find(Utf8(plugin_.parent_path() / "namefold1.tbl")), std::string::npos)
      << with_tables.out;
  EXPECT_NE(with_tables.out.find("present, parses cleanly, 5 keys"), std::string::npos)
      << with_tables.out;
  EXPECT_NE(with_tables.out.find("present, parses cleanly, 1 entries"), std::string::npos);
  EXPECT_NE(with_tables.out.find("ANSI code page: 1252"), std::string::npos);

  fs::remove(root_ / "plugin" / "namefold2.tbl");
  const ProgramResult without = Run({"info", "--plugin", Utf8(plugin_)});
  EXPECT_NE(without.out.find("missing (the fields are computed without it)"), std::string::npos)
      << without.out;
}

// check and info once passed a 70 MiB table that the library refuses, and info exited 0 for a
// table with problems.
TEST_F(Program, CheckAndInfoReportWhatTheLibraryLoads) {
  struct Row {
    const char* name;
    std::string bytes;
    std::uintmax_t size;  // the file is grown to this size with zero bytes
    const char* check;    // in check's output, standard error or out
    const char* info;
  };
  const std::string clean = Le(u"\uFEFF# fine\r\na=b\r\n");
  const Row rows[] = {
      {"over the library's limit", clean, 70u << 20,
       "over the limit of 67108864 bytes: the library leaves",
       "present, 73400320 bytes, over the limit"},
      {"problems", Le(u"a=1\r\na=2\r\n"), 0, "1 problem(s)", "1 problem(s): run namefold check"},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.name);
    const fs::path table = root_ / "plugin" / "namefold1.tbl";
    WriteBytes(table, row.bytes);
    if (row.size != 0) fs::resize_file(table, row.size);
    const ProgramResult check = Run({"check", Utf8(table)});
    EXPECT_EQ(check.status, 1);
    EXPECT_NE((check.out + check.err).find(row.check), std::string::npos) << check.out << check.err;
    const ProgramResult info = Run({"info", "--plugin", Utf8(plugin_)});
    EXPECT_EQ(info.status, 1);
    EXPECT_NE(info.out.find(row.info), std::string::npos) << info.out;
  }
}

// Tables written with an overlay once failed their own check (replaced keys given again), and
// tables --out replaced a user's edited tables without a word.
TEST_F(Program, TablesCheckCleanAndAreNotOverwrittenUnasked) {
  const fs::path out = root_ / "written";
  ASSERT_EQ(Run({"tables", "--with", "de,uk,ug,yi", "--out", Utf8(out)}).status, 0);
  const ProgramResult check =
      Run({"check", Utf8(out / "namefold1.tbl"), Utf8(out / "namefold2.tbl")});
  EXPECT_EQ(check.status, 0) << check.out;
  WriteBytes(out / "namefold2.tbl", "edited");
  const ProgramResult refused = Run({"tables", "--out", Utf8(out)});
  EXPECT_EQ(refused.status, 1);
  EXPECT_NE(refused.err.find("namefold1.tbl exists: give --force"), std::string::npos)
      << refused.err;
  EXPECT_EQ(ReadBytes(out / "namefold2.tbl"), "edited");  // neither file was touched
  EXPECT_EQ(Run({"tables", "-f", "--out", Utf8(out)}).status, 0);
  EXPECT_EQ(ReadBytes(out / "namefold2.tbl"),
            ReadBytes(BuiltProgram().parent_path() / "namefold2.tbl"));
}

// A user once had to copy the library beside tables written by `namefold tables` to try them:
// --tables reads them in place, the plugin's own tables (here: no Ukrainian reading) untouched.
TEST_F(Program, TablesAreReadFromTheFolderTheyWereWrittenTo) {
  const fs::path out = root_ / "uk";
  const ProgramResult written = Run({"tables", "--with", "uk", "--out", Utf8(out)});
  ASSERT_EQ(written.status, 0) << written.err;
  EXPECT_NE(written.out.find("namefold --tables " + Utf8(out)), std::string::npos) << written.out;
  WriteBytes(files_ / Path(u8"Київ.txt"), "");
  const auto reading = [&](std::vector<std::string> arguments) {
    arguments.insert(arguments.end(),
                     {"--tsv", "--fields", "4", Utf8(files_ / Path(u8"Київ.txt"))});
    const ProgramResult result = List(arguments);
    EXPECT_EQ(result.status, 0) << result.err;
    return result.out.substr(result.out.find('\t', result.out.find('\n')) + 1);
  };
  EXPECT_EQ(reading({"--tables", Utf8(out)}), "Kyiv.txt\n");
  EXPECT_EQ(reading({}), "Київ.txt\n");
  EXPECT_TRUE(fs::exists(root_ / "plugin" / "namefold1.tbl"));

  // Tables without Hangul leave a Korean name alone in every field, and still read the others.
  const fs::path korean = root_ / "ko";
  ASSERT_EQ(Run({"tables", "--without", "hangul", "--out", Utf8(korean)}).status, 0);
  WriteBytes(files_ / Path(u8"서울 Київ.txt"), "");
  const ProgramResult kept = List({"--tables", Utf8(korean), "--tsv", "--fields", "1,2,3,4",
                                   Utf8(files_ / Path(u8"서울 Київ.txt"))});
  EXPECT_EQ(kept.status, 0) << kept.err;
  EXPECT_NE(kept.out.find("\t\xEC\x84\x9C\xEC\x9A\xB8 Kiiv.txt\t\xEC\x84\x9C"), std::string::npos)
      << kept.out;
  EXPECT_EQ(kept.out.find("seoul"), std::string::npos) << kept.out;
}

TEST_F(Program, TablesMatchTheBuildsOwnAssembly) {
  struct Row {
    const char* name;
    std::vector<std::string> with;
    fs::path reference;  // the folder that tools/make_tables.py wrote
  };
  const Row rows[] = {
      {"defaults", {}, BuiltProgram().parent_path()},
      {"with de,uk", {"--with", "de,uk"}, fs::path(NAMEFOLD_REFERENCE_TABLES)},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.name);
    const fs::path out = root_ / "tables" / row.name;
    std::vector<std::string> arguments{"tables", "--out", Utf8(out)};
    arguments.insert(arguments.end(), row.with.begin(), row.with.end());
    const ProgramResult result = Run(arguments);
    EXPECT_EQ(result.status, 0) << result.err;
    for (const char* file : {"namefold1.tbl", "namefold2.tbl"}) {
      EXPECT_TRUE(ReadBytes(out / file) == ReadBytes(row.reference / file)) << file;
    }
    const ProgramResult check = Run({"check", Utf8(out / "namefold2.tbl")});
    EXPECT_NE(check.out.find("sequence table"), std::string::npos) << check.out;
  }
}

// Every entry under `folder` by its path relative to it: a file's contents, a link's target, or
// that it is a folder. Two trees with the same snapshot hold the same names and contents.
std::map<std::string, std::string> Snapshot(const fs::path& folder) {
  std::map<std::string, std::string> entries;
  for (const fs::directory_entry& entry : fs::recursive_directory_iterator(folder)) {
    const std::string name = cli::PathBytes(entry.path().lexically_relative(folder));
    if (entry.is_symlink())
      entries[name] = "link to " + cli::PathBytes(fs::read_symlink(entry.path()));
    else if (entry.is_directory())
      entries[name] = "folder";
    else
      entries[name] = ReadBytes(entry.path());
  }
  return entries;
}

class Rename : public Program {
 protected:
  void SetUp() override {
    Program::SetUp();
    WriteBytes(
        root_ / "plugin" / "namefold1.tbl",
        Le(u"\uFEFF# test\r\nЖ=Zh\r\nж=zh\r\nу=u\r\nк=k\r\né=e\r\nℕ=NUL\r\nℓ=LLLLLLL\r\n☆=?\r\n"));
    tree_ = root_ / "tree";
    for (const char8_t* name :
         {u8"café.txt", u8"жe.txt", u8"жé.txt", u8"ré.txt", u8"re.txt", u8"Жa.txt", u8"zha.txt",
          u8"ℕ.txt", u8"a☆.txt", u8"Жук/ж.txt", u8"Жук/жж/к.txt", u8"plain.txt"}) {
      fs::create_directories((tree_ / Path(name)).parent_path());
      WriteBytes(tree_ / Path(name), Utf8(Path(name)));  // each file holds its own name
    }
    WriteBytes(tree_ / fs::path(std::u16string(40, u'ℓ')), "long");
    std::error_code no_links;  // Wine may not make them
    fs::create_symlink(Path(u8"café.txt"), tree_ / Path(u8"ж-link"), no_links);
  }
  ProgramResult RenameRun(std::vector<std::string> arguments) const {
    arguments.insert(arguments.begin(), {"rename", "--plugin", Utf8(plugin_)});
    return Run(arguments);
  }
  fs::path tree_;
};

TEST_F(Rename, DryRunThenApplyThenUndoGivesBackTheTree) {
  const auto before = Snapshot(tree_);
  const ProgramResult dry = RenameRun({"-r", "--dirs", Utf8(tree_)});
  EXPECT_EQ(dry.status, 1) << dry.err;  // some are skipped
  EXPECT_EQ(Snapshot(tree_), before);
  struct Row {
    const char* line;  // a line of the report, or its start
  };
  const Row rows[] = {
      {"café.txt \u2192 cafe.txt\n"},
      {"Жук \u2192 ZhUK\n"},
      {"Жук/ж.txt \u2192 zh.txt\n"},
      {"Жук/жж \u2192 zhzh\n"},
      {"Жук/жж/к.txt \u2192 k.txt\n"},
      {"жe.txt \u2192 zhe.txt  (skipped: same name, one name after renaming, as Windows "
       "compares names: жe.txt, жé.txt)\n"},
      {"жé.txt \u2192 zhe.txt  (skipped: same name"},
      {"ré.txt \u2192 re.txt  (skipped: target exists"},
      {"Жa.txt \u2192 Zha.txt  (skipped: "},  // a case-only clash, or a folded existing name
      {"ℕ.txt \u2192 NUL.txt  (skipped: reserved name)\n"},
      {"a☆.txt \u2192 a?.txt  (skipped: character Windows forbids)\n"},
      {"  (skipped: too long)\n"},
      {"dry run, nothing renamed: would rename "},
  };
  for (const Row& row : rows) {
    std::string line = row.line;
    if (kWindows) std::replace(line.begin(), line.end(), '/', '\\');
    EXPECT_NE(dry.out.find(line), std::string::npos) << line << "\n" << dry.out;
  }

  const std::string journal = Utf8(root_ / "run.journal");
  const ProgramResult apply =
      RenameRun({"-r", "--dirs", "--apply", "--journal", journal, Utf8(tree_)});
  EXPECT_EQ(apply.status, 1) << apply.err;
  const auto after = Snapshot(tree_);
  EXPECT_EQ(after.at(Utf8(Path(u8"ZhUK") / "zhzh" / "k.txt")), Utf8(Path(u8"Жук/жж/к.txt")));
  EXPECT_EQ(after.at("cafe.txt"), "café.txt");
  for (const char8_t* kept : {u8"жe.txt", u8"жé.txt", u8"ré.txt", u8"re.txt", u8"ℕ.txt"})
    EXPECT_EQ(after.at(Utf8(Path(kept))), Utf8(Path(kept)));
  auto contents = [](const std::map<std::string, std::string>& tree) {
    std::multiset<std::string> all;
    for (const auto& [name, content] : tree) all.insert(content);
    return all;
  };
  EXPECT_EQ(contents(after), contents(before));  // nothing lost, nothing overwritten

  const ProgramResult undo = Run({"rename", "--undo", journal});
  EXPECT_EQ(undo.status, 0) << undo.err << undo.out;
  EXPECT_EQ(Snapshot(tree_), before);
}

TEST_F(Rename, InterruptedRunIsUndoneFromItsJournal) {
  const auto before = Snapshot(tree_);
  const std::string journal = Utf8(root_ / "run.journal");
  SetEnvironment("NAMEFOLD_TEST_STOP_AFTER", "3");
  const ProgramResult stopped =
      RenameRun({"-r", "--dirs", "--apply", "--journal", journal, Utf8(tree_)});
  SetEnvironment("NAMEFOLD_TEST_STOP_AFTER", nullptr);
  EXPECT_EQ(stopped.status, 9) << stopped.err;
  EXPECT_NE(Snapshot(tree_), before);
  // A line for a rename that was never made, as a kill between the journal and the rename leaves.
  std::string error;
  ASSERT_TRUE(cli::AppendDurably(
      journal, cli::JournalLine(tree_ / "plain.txt", tree_ / "never.txt"), false, error));
  const ProgramResult undo = Run({"rename", "--undo", journal});
  EXPECT_EQ(undo.status, 0) << undo.err << undo.out;
  EXPECT_NE(undo.out.find("restored 3, not renamed by the run 1, could not undo 0"),
            std::string::npos)
      << undo.out;
  EXPECT_EQ(Snapshot(tree_), before);
  // A journal is never appended to by a later run.
  const ProgramResult again = RenameRun({"--apply", "--journal", journal, Utf8(tree_)});
  EXPECT_EQ(again.status, 1);
  EXPECT_NE(again.err.find("exists already"), std::string::npos) << again.err;
  EXPECT_EQ(Snapshot(tree_), before);
}
}  // namespace
}  // namespace namefold::testing
