// The namefold program end to end: the built program, run on temporary folders and table files,
// with a private copy of the built library.
#include <gtest/gtest.h>

#include <algorithm>
#include <fstream>
#include <map>
#include <random>
#include <set>
#include <sstream>

#include "cli/listing.h"
#include "cli/rename.h"
#include "cli/system.h"
#include "cli/utf.h"
#include "host/plugin_loader.h"
#include "tests/cli/run_program.h"

namespace namefold::testing {
namespace {

namespace fs = std::filesystem;

const bool kWindows = std::string(host::kLibraryFileName) == "namefold.dll";

std::string Utf8(const fs::path& path) {
  const std::u8string text = path.u8string();
  return {text.begin(), text.end()};
}

// How TSV names the entries of `folder` given as an operand: the folder as given, a separator,
// then the entry's path below it.
std::string TsvUnder(const fs::path& folder) {
  return cli::EscapeForLine(Utf8(folder), cli::Backslash::kEscaped) + (kWindows ? "\\\\" : "/");
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
  const std::string in = TsvUnder(files_);  // every path as the folder was given
  EXPECT_EQ(result.out,
            "Name\tHasUnicode\tNameReplaceUserAll\tNameReplaceUserUnicode\n" + in +
                "café.txt\t0\tcafe.txt\tcafé.txt\n" +  // é is native to code page 1252
                in + "plain.txt\t0\tplain.txt\tplain.txt\n" + in + "sub\t0\tsub\tsub\n" + in +
                "Жук.txt\t1\tZhUK.txt\tZhUK.txt\n");  // the sequence "ук" before the single "у"
}

TEST_F(Program, RecursesChangedOnlyAndJson) {
  const std::string sub = kWindows ? "sub\\\\" : "sub/";  // TSV escapes the backslash
  const ProgramResult changed = List({"-r", "--changed", "--tsv", "--fields", "4", Utf8(files_)});
  EXPECT_EQ(changed.status, 0) << changed.err;
  const std::string in = TsvUnder(files_);
  EXPECT_EQ(changed.out, "Name\tNameReplaceUserAll\n" + in + "café.txt\tcafe.txt\n" + in + sub +
                             "ж.txt\tzh.txt\n" + in + "Жук.txt\tZhUK.txt\n");

  const ProgramResult json = List({"--json", "--fields", "0,4", Utf8(files_ / Path(u8"Жук.txt"))});
  EXPECT_EQ(json.status, 0) << json.err;
  EXPECT_EQ(json.out, "{\"path\":" + cli::JsonString(Utf8(files_ / Path(u8"Жук.txt"))) +
                          ",\"HasUnicode\":true,\"NameReplaceUserAll\":\"ZhUK.txt\"}\n");
}

// A name stored decomposed, as macOS writes it, shows the values of its composed form; it counts
// as changed, since those differ from the name as stored. Its mark is shown escaped, so that it
// does not pass for its composed twin.
TEST_F(Program, ListsDecomposedNamesAsComposed) {
  const fs::path folder = root_ / "decomposed";
  fs::create_directories(folder);
  WriteBytes(folder / Path(u8"cafe\u0301.txt"), "");
  WriteBytes(folder / Path(u8"plain.txt"), "");
  const ProgramResult result = List({"--changed", "--tsv", "--fields", "0,1,4", Utf8(folder)});
  EXPECT_EQ(result.status, 0) << result.err;
  EXPECT_EQ(result.out, "Name\tHasUnicode\tNameNoUnicode\tNameReplaceUserAll\n" + TsvUnder(folder) +
                            "cafe\\u0301.txt\t1\tcaf\u00E9.txt\tcafe.txt\n");
}

// Names that break on Windows, in archives or on old software, though some are plain ASCII, each
// with every reason; names without one are left out.
TEST_F(Program, ProblemsNameEveryNameThatWillCauseTrouble) {
  const fs::path folder = root_ / "trouble";
  fs::create_directories(folder);
  struct Row {
    std::string name;       // as UTF-8
    std::string problems;   // empty: not listed
    std::string twin = {};  // a name that must be there too, where the file system folds case
  };
  const Row rows[] = {
      {"plain.txt", ""},
      {"CON.txt", "reserved name"},
      {"com\u00B9.txt", "reserved name"},
      {"ask?.txt", "character Windows forbids"},
      {"colon: yes.txt", "character Windows forbids"},
      {"trailing dot.", "trailing dot or space"},
      {"trailing space ", "trailing dot or space"},
      {" leading", "leading space"},
      {"new\nline", "control character"},
      {"Resume.pdf", "same name as Windows compares names: resume.pdf", "resume.pdf"},
      {"resume.pdf", "same name as Windows compares names: Resume.pdf", "Resume.pdf"},
      {"\u0429\u0443\u043A\u0430.txt", "not in the ANSI code page"},
      {"caf\u00E9.txt", "same name once composed: cafe\\\\u0301.txt"},
      {"cafe\u0301.txt", "not in the ANSI code page; same name once composed: caf\u00E9.txt"},
      {std::string(256, 'a'), "too long"},
  };
  std::string expected = "Name\tProblems\n";
  std::vector<const Row*> sorted;
  for (const Row& row : rows) sorted.push_back(&row);
  std::sort(sorted.begin(), sorted.end(), [](const Row* a, const Row* b) {
    return cli::PathBytes(cli::PathFromArgument(a->name)) <
           cli::PathBytes(cli::PathFromArgument(b->name));
  });
  for (const Row* row : sorted) {
    if (kWindows && (row->name.find_first_of("?:\n") != std::string::npos ||
                     row->name.back() == '.' || row->name.back() == ' ' || row->name.size() > 255))
      continue;  // Windows holds no such name
    std::ofstream(folder / cli::PathFromArgument(row->name)).close();
  }
  std::set<std::string> present;  // as the folder holds them: CON may be a device, case folded
  for (const auto& entry : fs::directory_iterator(folder))
    present.insert(Utf8(entry.path().filename()));
  for (const Row* row : sorted) {
    if (present.contains(row->name) && (row->twin.empty() || present.contains(row->twin)) &&
        !row->problems.empty())
      expected += TsvUnder(folder) + cli::EscapeForLine(row->name, cli::Backslash::kEscaped) +
                  "\t" + row->problems + "\n";
  }
  const ProgramResult result = List({"--problems", "--tsv", Utf8(folder)});
  EXPECT_EQ(result.out, expected) << result.err;
}

// Scripts get the path as given joined with the path below it, for one PATH or several, a file
// or a folder, in TSV and JSON.
TEST_F(Program, RowsNameEntriesByThePathAsGiven) {
  const std::string sep = kWindows ? "\\" : "/";
  const auto json = [](const std::string& path) {
    return "{\"path\":" + cli::JsonString(path) + ",";
  };
  const struct {
    std::vector<std::string> arguments;
    std::vector<std::string> expected;  // each the start of a row
  } rows[] = {
      {{"--tsv", Utf8(files_)}, {"\n" + TsvUnder(files_) + "plain.txt\t"}},
      {{"--tsv", Utf8(files_) + "/"},
       {"\n" + cli::EscapeForLine(Utf8(files_) + "/", cli::Backslash::kEscaped) + "plain.txt\t"}},
      {{"--tsv", "-r", Utf8(files_), Utf8(files_ / "sub")},
       {"\n" + TsvUnder(files_) + "plain.txt\t",
        "\n" + TsvUnder(files_) + "sub" + (kWindows ? "\\\\" : "/") + "ж.txt\t",
        "\n" + TsvUnder(files_ / "sub") + "ж.txt\t"}},
      {{"--tsv", Utf8(files_ / "plain.txt")},
       {"\n" + cli::EscapeForLine(Utf8(files_ / "plain.txt"), cli::Backslash::kEscaped) + "\t"}},
      {{"--json", Utf8(files_)}, {json(Utf8(files_) + sep + "plain.txt")}},
      {{"--json", "-r", Utf8(files_), Utf8(files_ / "sub")},
       {json(Utf8(files_) + sep + "sub" + sep + "ж.txt"),
        json(Utf8(files_ / "sub") + sep + "ж.txt")}},
      {{"--json", Utf8(files_ / "sub" / Path(u8"ж.txt"))},
       {json(Utf8(files_ / "sub" / Path(u8"ж.txt")))}},
  };
  for (const auto& row : rows) {
    std::vector<std::string> arguments = row.arguments;
    arguments.insert(arguments.end(), {"--fields", "4"});
    const ProgramResult result = List(arguments);
    EXPECT_EQ(result.status, 0) << result.err;
    const std::string out = "\n" + result.out;
    for (const std::string& start : row.expected)
      EXPECT_NE(out.find(start), std::string::npos) << start << " in\n" << result.out;
  }
}

// The walk against the library itself: for a generated tree, `-r --tsv` gives exactly the rows
// that the test's own walk, in byte order with each folder's entries after its own row, gets by
// asking the library for each path.
TEST_F(Program, RecursiveListingEqualsTheLibraryAskedPathByPath) {
  host::Plugin plugin;
  std::string error;
  ASSERT_TRUE(host::LoadPlugin(plugin_, plugin, error)) << error;
  const std::vector<std::string> pool = {"plain.txt",
                                         "Жук.txt",
                                         "cafe\u0301.txt",
                                         "a\u00A0b",
                                         "日本 2024.txt",
                                         "UPPER.TXT",
                                         "upper.txt",
                                         "ук ук",
                                         std::string(120, 'x') + "\u0416",
                                         kWindows ? "semi;colon" : "new\nline"};
  std::mt19937 random(7);
  const fs::path tree = root_ / "walk";
  std::vector<fs::path> folders{tree};
  fs::create_directories(tree);
  for (int i = 0; i < 60; ++i) {
    const fs::path parent = folders[random() % folders.size()];
    const fs::path path =
        parent / cli::PathFromArgument(pool[random() % pool.size()] + " " + std::to_string(i % 7));
    if (fs::exists(path)) continue;
    if (random() % 4 == 0 && folders.size() < 8) {
      fs::create_directory(path);
      folders.push_back(path);
    } else {
      WriteBytes(path, "");
    }
  }
  std::string expected =
      "Name\tHasUnicode\tNameNoUnicode\tNameReplaceNoEnglish\t"
      "NameReplaceUserUnicode\tNameReplaceUserAll\n";
  cli::FieldReader reader(plugin);
  const auto walk = [&](const fs::path& folder, const std::string& shown, auto& self) -> void {
    std::vector<fs::path> names;
    for (const auto& entry : fs::directory_iterator(folder))
      names.push_back(entry.path().filename());
    std::sort(names.begin(), names.end(),
              [](const fs::path& a, const fs::path& b) { return a.native() < b.native(); });
    for (const fs::path& name : names) {
      const std::string path =
          shown + cli::EscapeForLine(cli::PathBytes(name), cli::Backslash::kEscaped);
      expected += path;
      std::u16string units;
      (void)cli::PathUnits(fs::absolute(folder / name).lexically_normal(), units);
      for (int field = 0; field < 5; ++field) {
        const cli::FieldValue& value = reader.Read(units, field);
        expected += "\t" + (field == 0 ? std::string(value.flag ? "1" : "0")
                                       : cli::EscapeForLine(cli::ToUtf8(value.text),
                                                            cli::Backslash::kEscaped));
      }
      expected += "\n";
      if (fs::is_directory(folder / name))
        self(folder / name, path + (kWindows ? "\\\\" : "/"), self);
    }
  };
  walk(tree, TsvUnder(tree), walk);
  host::UnloadPlugin(plugin);
  const ProgramResult result = List({"-r", "--tsv", Utf8(tree)});
  EXPECT_EQ(result.status, 0) << result.err;
  EXPECT_EQ(result.out, expected);
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
  EXPECT_EQ(result.out, "Name\tNameReplaceUserAll\n" + TsvUnder(root_ / "bad") +
                            "caf\\xE9\\n.txt\tcaf\xEF\xBF\xBD\\n.txt\n");
  EXPECT_NE(result.err.find("caf\\xE9\\n.txt: not valid UTF-8"), std::string::npos) << result.err;

  // Its case twin's reason names it with its own bytes, as every other output does.
  WriteBytes(root_ / "bad" / fs::path(std::string("CAF\xE9\n.txt")), "");
  const ProgramResult problems = List({"--problems", "--tsv", Utf8(root_ / "bad")});
  EXPECT_NE(problems.out.find("same name as Windows compares names: caf\\\\xE9"), std::string::npos)
      << problems.out;
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
    fs::path reference;  // the folder that tools/gen/make_tables.py wrote
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

TEST_F(Program, TextConvertsEachLineAsAName) {
  using namespace std::string_literals;
  struct Row {
    const char* name;
    std::vector<std::string> arguments;  // after "text"
    std::string input;
    std::string out;
    int status;
    const char* err;  // expected in standard error
  };
  const std::string long_name(1100, 'a');
  const Row rows[] = {
      {"line ends kept: LF, CR LF, an empty line, none at the end",
       {},
       "Жук\r\nжук\n\né",
       "ZhUK\r\nzhUK\n\ne",
       0,
       ""},
      {"each name of a path on its own; separators, . and .. kept",
       {},
       "../Жук/./é.txt\n/Жук/\n",
       "../ZhUK/./e.txt\n/ZhUK/\n",
       0,
       ""},
      {"bytes that are not UTF-8 reach the library as U+FFFD",
       {},
       "ok\ncaf\xE9 Жук\n",
       "ok\ncaf\uFFFD ZhUK\n",
       0,
       "warning: line 2: not valid UTF-8"},
      {"NUL records, with line feeds inside", {"-z"}, "Жук\nж\0é\0"s, "ZhUK\nzh\0e\0"s, 0, ""},
      {"operands, one line each", {"Жук", "é"}, "ignored", "ZhUK\ne\n", 0, ""},
      {"HasUnicode as 0 or 1", {"--field", "0"}, "\nЖ\né\n", "0\n1\n0\n", 0, ""},
      {"NameNoUnicode keeps what the code page holds",
       {"--field", "1", "Жук é"},
       "",
       "ZhUK é\n",
       0,
       ""},
      {"NameReplaceNoEnglish", {"--field", "NameReplaceNoEnglish", "Жук é"}, "", "ZhUK e\n", 0, ""},
      {"NameReplaceUserUnicode", {"--field", "3", "Жук é"}, "", "ZhUK é\n", 0, ""},
      {"NameReplaceUserAll", {"--field", "4", "Жук é"}, "", "ZhUK e\n", 0, ""},
      {"a name too long to convert whole is written unchanged",
       {"é", long_name},
       "",
       "e\n" + long_name + "\n",
       1,
       "argument 2: a name longer than the library converts whole"},
      {"one field only", {"--field", "1,2"}, "", "", 2, "--field names one field"},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.name);
    std::vector<std::string> arguments{"text", "--plugin", Utf8(plugin_)};
    arguments.insert(arguments.end(), row.arguments.begin(), row.arguments.end());
    const ProgramResult result = RunProgram(BuiltProgram(), arguments, row.input);
    EXPECT_EQ(result.status, row.status) << result.err;
    EXPECT_EQ(result.out, row.out);
    EXPECT_NE(result.err.find(row.err), std::string::npos) << result.err;
  }
  // With the library's default tables, beside the program.
  const ProgramResult defaults = RunProgram(BuiltProgram(), {"text"}, "Crème brûlée\nЩука\n");
  EXPECT_EQ(defaults.out, "Creme brulee\nShchuka\n") << defaults.err;
}

TEST_F(Program, From0ReadsNulTerminatedPathsAndNullWritesThem) {
  // A line feed in a name is what NUL-terminated lists are for; Windows names cannot hold one.
  const fs::path odd = files_ / (kWindows ? Path(u8"odd ж.txt") : Path(u8"odd\nж.txt"));
  WriteBytes(odd, "");
  const std::vector<fs::path> paths{files_ / "plain.txt", odd, files_ / Path(u8"Жук.txt")};
  std::string list;
  for (const fs::path& path : paths) list += Utf8(path) + '\0';
  list += '\0';  // an empty record is passed over
  list.pop_back();
  list.pop_back();  // the last path without its NUL
  WriteBytes(root_ / "list", list);

  const ProgramResult from_file = List({"--from0", Utf8(root_ / "list"), "--tsv", "--fields", "4"});
  EXPECT_EQ(from_file.status, 0) << from_file.err;
  const ProgramResult from_input = RunProgram(
      BuiltProgram(), {"--plugin", Utf8(plugin_), "--from0", "-", "--tsv", "--fields", "4"}, list);
  EXPECT_EQ(from_input.out, from_file.out);
  EXPECT_NE(from_file.out.find("\tplain.txt\n"), std::string::npos) << from_file.out;
  EXPECT_NE(from_file.out.find(kWindows ? "\todd zh.txt\n" : "\todd\\nzh.txt\n"), std::string::npos)
      << from_file.out;
  EXPECT_EQ(std::count(from_file.out.begin(), from_file.out.end(), '\n'), 4) << from_file.out;

  // -0: the paths that a field changes, as they are, each ended by NUL.
  const ProgramResult null = RunProgram(
      BuiltProgram(),
      {"--plugin", Utf8(plugin_), "--from0", "-", "-0", "--changed", "--fields", "4"}, list);
  EXPECT_EQ(null.status, 0) << null.err;
  EXPECT_EQ(null.out, Utf8(odd) + '\0' + Utf8(paths[2]) + '\0');

  const ProgramResult rename = RunProgram(
      BuiltProgram(), {"rename", "--plugin", Utf8(plugin_), "--from0", "-"}, Utf8(paths[2]));
  EXPECT_EQ(rename.status, 0) << rename.err;
  EXPECT_NE(rename.out.find("Жук.txt \u2192 ZhUK.txt"), std::string::npos) << rename.out;

  struct Row {
    const char* name;
    std::vector<std::string> arguments;
    int status;
    const char* err;
  };
  const Row rows[] = {
      {"an empty list lists nothing", {"--from0", "-"}, 0, ""},
      {"a list that cannot be read", {"--from0", Utf8(root_ / "none")}, 1, "cannot be opened"},
      {"operands as well", {"--from0", "-", Utf8(files_)}, 2, "give one or the other"},
      {"-0 with a format", {"-0", "--json"}, 2, "-0 writes the paths alone"},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.name);
    const ProgramResult result = List(row.arguments);
    EXPECT_EQ(result.status, row.status) << result.err;
    if (row.status != 2) {
      EXPECT_EQ(result.out, "");
    }
    EXPECT_NE(result.err.find(row.err), std::string::npos) << result.err;
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

// The identity of `name` in `folder` as a journal writes it: "DEVICE<TAB>FILE".
std::string IdText(const fs::path& folder, const fs::path& name) {
  cli::Folder open;
  std::string error;
  cli::EntryId id;
  cli::EntryType type;
  if (!cli::OpenFolder(folder, open, error) ||
      cli::Identify(open, name, id, type, error) != cli::Lookup::kFound)
    return "0\t0";
  return std::to_string(id.device) + "\t" + std::to_string(id.file);
}

void AppendBytes(const fs::path& path, const std::string& bytes) {
  std::ofstream(path, std::ios::binary | std::ios::app) << bytes;
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
  AppendBytes(journal, "R\t999\t" + IdText(tree_, "plain.txt") + "\tf\t" +
                           cli::JournalLine(fs::absolute(tree_ / "plain.txt"),
                                            fs::absolute(tree_ / "never.txt")));
  const ProgramResult undo = Run({"rename", "--undo", journal});
  EXPECT_EQ(undo.status, 0) << undo.err << undo.out;
  // The rest of the group the kill cut short was journaled but never made, like the line above.
  EXPECT_NE(undo.out.find("restored 3, already back 0, not renamed by the run "), std::string::npos)
      << undo.out;
  EXPECT_NE(undo.out.find(", changed since 0, could not undo 0"), std::string::npos) << undo.out;
  EXPECT_EQ(Snapshot(tree_), before);
  // A journal is never appended to by a later run.
  const ProgramResult again = RenameRun({"--apply", "--journal", journal, Utf8(tree_)});
  EXPECT_EQ(again.status, 1);
  EXPECT_NE(again.err.find("exists already"), std::string::npos) << again.err;
  EXPECT_EQ(Snapshot(tree_), before);
}

// Renames against hostile trees, crashes and races: nothing outside the PATHs moves, and undo
// puts back exactly what the run moved.
class RenameTrust : public Program {
 protected:
  void SetUp() override {
    Program::SetUp();
    WriteBytes(root_ / "plugin" / "namefold1.tbl",
               Le(u"\uFEFF# test\r\nЖ=Zh\r\nж=zh\r\nу=u\r\nк=k\r\né=e\r\nè=e\r\nÉ=E\r\nü=u\r\n"
                  u"ь=\r\n\u0301=\r\n\u3000= \r\nĆ=C\r\nĹ=L\r\nЦ=Ts\r\nе=e\r\nл=l\r\nС=S\r\n"
                  u"с=s\r\nы=y\r\nа=a\r\nУ=U\r\nр=r\r\nо=o\r\nв=v\r\nн=n\r\n"));
    WriteBytes(root_ / "plugin" / "namefold2.tbl", Le(u"\uFEFF# test\r\n"));
    tree_ = root_ / "tree";
    fs::create_directories(tree_);
    journal_ = root_ / "run.journal";
  }
  // Creates each file under the tree holding its own name; a name ending in "/" is a folder.
  void Make(const std::vector<const char8_t*>& names) const {
    for (const char8_t* name : names) {
      const fs::path path = tree_ / Path(name);
      fs::create_directories(path.parent_path());
      if (path.filename().empty())
        fs::create_directories(path);
      else
        WriteBytes(path, Utf8(Path(name)));
    }
  }
  ProgramResult Rename(std::vector<std::string> arguments) const {
    arguments.insert(arguments.begin(), {"rename", "--plugin", Utf8(plugin_)});
    return Run(arguments);
  }
  ProgramResult Apply(std::vector<std::string> arguments) const {
    arguments.insert(arguments.begin(), {"--apply", "--journal", Utf8(journal_)});
    return Rename(arguments);
  }
  ProgramResult Undo() const { return Run({"rename", "--undo", Utf8(journal_)}); }
  std::string T(const char8_t* name) const { return Utf8(tree_ / Path(name)); }
  fs::path tree_, journal_;
};

bool Has(const std::string& text, const std::string& part) {
  return text.find(part) != std::string::npos;
}

TEST_F(RenameTrust, EachEntryIsPlannedOnceWithItsWholeFolderInView) {
  struct Row {
    const char* name;
    std::vector<const char8_t*> files;
    std::vector<const char8_t*> operands;  // under the tree
    std::vector<std::string> options;
    std::vector<std::string> report;  // parts of the apply's output
    std::vector<const char8_t*> after;
  };
  const Row rows[] = {
      {"names of one folder from two PATHs clash",
       {u8"d/É.TXT", u8"d/è.txt"},
       {u8"d/É.TXT", u8"d/è.txt"},
       {},
       {"same name", "skipped 2", "failed 0"},
       {u8"d/É.TXT", u8"d/è.txt"}},
      {"overlapping PATHs",
       {u8"ov/Уровень/ü.txt", u8"ov/ж.txt"},
       {u8"ov", u8"ov/Уровень", u8"ov/ж.txt"},
       {"-r", "--dirs"},
       {"renamed 3, unchanged 0, skipped 0, failed 0"},
       {u8"ov/Uroven/u.txt", u8"ov/zh.txt"}},
      {"a PATH through ..",
       {u8"Жук/ж.txt"},
       {u8"Жук/.."},
       {"-r", "--dirs"},
       {"renamed 2,"},
       {u8"Zhuk/zh.txt"}},
      {"new names that would hide a file, start with a space or are reserved",
       {u8"ь.txt", u8"\u0301.txt", u8"\u3000x.mp3", u8"ĆOM¹.txt", u8"ĹPT0.txt", u8"Цель.txt"},
       {u8"."},
       {},
       {"hidden name", "leading space",
        "skipped 5 (hidden name 2, leading space 1, reserved name 2)", "renamed 1,"},
       {u8"ь.txt", u8"\u0301.txt", u8"\u3000x.mp3", u8"ĆOM¹.txt", u8"ĹPT0.txt", u8"Tsel.txt"}},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.name);
    fs::remove_all(tree_);
    fs::remove(journal_);
    Make(row.files);
    const auto before = Snapshot(tree_);
    std::vector<std::string> arguments = row.options;
    for (const char8_t* operand : row.operands) arguments.push_back(T(operand));
    const ProgramResult apply = Apply(arguments);
    for (const std::string& part : row.report)
      EXPECT_TRUE(Has(apply.out, part)) << part << "\n" << apply.out;
    const auto after = Snapshot(tree_);
    for (const char8_t* name : row.after)
      EXPECT_TRUE(after.contains(cli::PathBytes(Path(name).make_preferred()))) << Utf8(Path(name));
    EXPECT_EQ(after.size(), before.size());
    // Journal paths are absolute and normalised, whatever the PATH looked like.
    const std::string journal = fs::exists(journal_) ? ReadBytes(journal_) : "";
    if (journal.empty()) continue;
    for (const char* odd : {"/../", "/./", "//", "\\\\..\\\\", "\\\\.\\\\"})
      EXPECT_FALSE(Has(journal.substr(journal.find('\n')), odd)) << odd << journal;
    const ProgramResult undo = Undo();
    EXPECT_EQ(undo.status, 0) << undo.out << undo.err;
    EXPECT_EQ(Snapshot(tree_), before);
  }
}

TEST_F(RenameTrust, UndoPutsBackOnlyWhatTheRunMovedAndSaysWhatItFound) {
  Make({u8"café.txt", u8"Жук/ж.txt", u8"plain.txt"});
  const auto before = Snapshot(tree_);
  ASSERT_EQ(Apply({"-r", "--dirs", Utf8(tree_)}).status, 0);
  const std::string journal = ReadBytes(journal_);

  // A new file under an old name stays, and undo says so and fails.
  WriteBytes(tree_ / Path(u8"café.txt"), "new");
  ProgramResult undo = Undo();
  EXPECT_EQ(undo.status, 1);
  EXPECT_TRUE(Has(undo.out, "the old name now holds another file")) << undo.out;
  EXPECT_TRUE(
      Has(undo.out, "restored 2, already back 0, not renamed by the run 0, changed since 1"))
      << undo.out;
  EXPECT_EQ(ReadBytes(tree_ / Path(u8"café.txt")), "new");
  EXPECT_EQ(ReadBytes(tree_ / "cafe.txt"), "café.txt");

  // Undone again: the rest is already back.
  fs::remove(tree_ / Path(u8"café.txt"));
  undo = Undo();
  EXPECT_EQ(undo.status, 0) << undo.out;
  EXPECT_TRUE(
      Has(undo.out, "restored 1, already back 2, not renamed by the run 0, changed since 0"))
      << undo.out;
  EXPECT_EQ(Snapshot(tree_), before);

  // A journal cut short is reported, and the exit status says so.
  WriteBytes(journal_, journal.substr(0, journal.size() - 5));
  undo = Undo();
  EXPECT_EQ(undo.status, 1);
  EXPECT_TRUE(Has(undo.err, "last line is cut short")) << undo.err;

  // A file where a folder of the journal's paths was: the reason, not "neither name exists".
  WriteBytes(journal_, journal);
  ASSERT_EQ(Apply({"-r", "--dirs", Utf8(tree_)}).status, 1);  // the journal exists already
  fs::remove(journal_);
  ASSERT_EQ(Apply({"-r", "--dirs", Utf8(tree_)}).status, 0);
  fs::remove_all(tree_ / "Zhuk");
  WriteBytes(tree_ / "Zhuk", "a file");
  undo = Undo();
  EXPECT_EQ(undo.status, 1);
  EXPECT_TRUE(Has(undo.out, "changed since 1, could not undo 1")) << undo.out;
}

TEST_F(RenameTrust, AJournalInAFolderTheRunRenamesGoesOn) {
  Make({u8"Жук/ж.txt", u8"ж.txt"});
  journal_ = tree_ / Path(u8"Жук/run.journal");
  const ProgramResult apply = Apply({"-r", "--dirs", Utf8(tree_)});
  EXPECT_EQ(apply.status, 0) << apply.out << apply.err;
  const fs::path moved = tree_ / "Zhuk" / "run.journal";
  EXPECT_TRUE(Has(apply.out, "renamed 3, unchanged 0, skipped 0, failed 0; journal " + Utf8(moved)))
      << apply.out;
  journal_ = moved;
  EXPECT_EQ(Undo().status, 0);
  EXPECT_EQ(ReadBytes(tree_ / Path(u8"ж.txt")), "ж.txt");
  EXPECT_TRUE(fs::exists(tree_ / Path(u8"Жук/run.journal")));
  // Nor does a run rename its own journal, whatever its name.
  journal_ = tree_ / "z" / Path(u8"ж.journal");  // made before its folder is listed:
  Make({u8"a/é.txt", u8"z/é.txt"});              // a/ is a group of its own, before z/
  SetEnvironment("NAMEFOLD_TEST_GROUP", "1");
  EXPECT_EQ(Apply({"-r", Utf8(tree_)}).status, 0);
  SetEnvironment("NAMEFOLD_TEST_GROUP", nullptr);
  EXPECT_TRUE(fs::exists(journal_));
  EXPECT_TRUE(fs::exists(tree_ / "z" / "e.txt"));
}

TEST_F(RenameTrust, AJournalOfTheFirstFormatIsUndoneByItsPaths) {
  Make({u8"café.txt"});
  fs::rename(tree_ / Path(u8"café.txt"), tree_ / "cafe.txt");
  WriteBytes(journal_,
             "# namefold rename journal: FROM<TAB>TO per line, full paths, in the order renamed\n" +
                 cli::JournalLine(fs::absolute(tree_ / Path(u8"café.txt")),
                                  fs::absolute(tree_ / "cafe.txt")));
  const ProgramResult undo = Undo();
  EXPECT_EQ(undo.status, 0) << undo.out << undo.err;
  EXPECT_TRUE(Has(undo.out, "restored 1, not renamed by the run 0, could not undo 0")) << undo.out;
  EXPECT_EQ(ReadBytes(tree_ / Path(u8"café.txt")), "café.txt");
  WriteBytes(journal_, "plain text\n");
  EXPECT_TRUE(Has(Undo().err, "not a journal of namefold rename"));
}

// Every path of a tree, the tree first, NUL-terminated as find -print0 gives them: the same
// renames as -r, each entry planned once though its folder and itself are both named.
TEST_F(RenameTrust, PathsFromFindPlanWhatARecursiveRunPlans) {
  Make({u8"café.txt", u8"Жук/ж.txt", u8"Жук/жж/é.txt", u8"plain.txt", u8"d/É.TXT", u8"d/è.txt"});
  std::string list = cli::PathBytes(tree_) + '\0';
  for (const auto& entry : fs::recursive_directory_iterator(tree_))
    list += cli::PathBytes(entry.path()) + '\0';
  const auto renames = [](const std::string& tsv) {  // Path's last name, New name, Action
    std::multiset<std::string> rows;
    std::istringstream lines(tsv);
    for (std::string line; std::getline(lines, line);) {
      const std::size_t tab = line.find('\t');
      const std::size_t slash = line.find_last_of("/\\", tab);
      rows.insert(line.substr(slash == std::string::npos ? 0 : slash + 1));
    }
    return rows;
  };
  const ProgramResult listed =
      RunProgram(BuiltProgram(),
                 {"rename", "--plugin", Utf8(plugin_), "--dirs", "--tsv", "--from0", "-"}, list);
  const ProgramResult recursive = Rename({"-r", "--dirs", "--tsv", Utf8(tree_)});
  EXPECT_EQ(renames(listed.out), renames(recursive.out)) << listed.out << recursive.out;
  EXPECT_EQ(listed.err, recursive.err);
  EXPECT_TRUE(Has(recursive.out, "\tskipped\tsame name, ")) << recursive.out;
}

TEST_F(RenameTrust, EveryKillInAGroupIsUndoneExactly) {
  Make({u8"a/é1.txt", u8"a/é2.txt", u8"a/ж/é3.txt", u8"ж/é4.txt", u8"Жук/"});
  const auto before = Snapshot(tree_);
  for (const char* stop : {"1", "2", "4", "6"}) {
    for (const char* group : {"4096", "2"}) {  // killed inside a group, or after some groups
      SCOPED_TRACE(std::string(stop) + " in groups of " + group);
      fs::remove(journal_);
      SetEnvironment("NAMEFOLD_TEST_STOP_AFTER", stop);
      SetEnvironment("NAMEFOLD_TEST_GROUP", group);
      const ProgramResult stopped = Apply({"-r", "--dirs", Utf8(tree_)});
      SetEnvironment("NAMEFOLD_TEST_STOP_AFTER", nullptr);
      SetEnvironment("NAMEFOLD_TEST_GROUP", nullptr);
      EXPECT_EQ(stopped.status, 9) << stopped.out << stopped.err;
      const ProgramResult undo = Undo();
      EXPECT_EQ(undo.status, 0) << undo.out << undo.err;
      EXPECT_TRUE(Has(undo.out, std::string("restored ") + stop + ",")) << undo.out;
      EXPECT_EQ(Snapshot(tree_), before);
    }
  }
}

// Killed between the two steps of the rename that file systems without RENAME_NOREPLACE get,
// a run leaves a file with both names, or an empty folder under the new name.
TEST_F(RenameTrust, UndoRecognisesTheStatesAnInterruptedFallbackLeaves) {
  Make({u8"é.txt", u8"Жук/"});
  const auto before = Snapshot(tree_);
  ASSERT_EQ(Apply({"--dirs", Utf8(tree_)}).status, 0);
  // Back to the moment after link() and mkdir(), before the outcomes were written.
  fs::rename(tree_ / "Zhuk", tree_ / Path(u8"Жук"));
  fs::create_directory(tree_ / "Zhuk");
  std::error_code no_links;  // a file system without hard links cannot be in that state
  fs::create_hard_link(tree_ / "e.txt", tree_ / Path(u8"é.txt"), no_links);
  if (no_links) GTEST_SKIP() << no_links.message();
  std::string journal = ReadBytes(journal_);
  journal = journal.substr(0, journal.find("\nO\t") + 1);
  WriteBytes(journal_, journal);
  const ProgramResult undo = Undo();
  EXPECT_EQ(undo.status, 0) << undo.out << undo.err;
  EXPECT_TRUE(Has(undo.out, "the empty folder an interrupted rename left")) << undo.out;
  EXPECT_EQ(Snapshot(tree_), before);
}

TEST_F(RenameTrust, LinksToRenamedNamesAreToldAndFixedOnRequest) {
  Make({u8"Цель.txt", u8"Жук/ж.txt"});
  std::error_code no_links;
  fs::create_symlink(Path(u8"Цель.txt"), tree_ / Path(u8"Ссылка.txt"), no_links);
  fs::create_symlink(Path(u8"../Жук/ж.txt"), tree_ / Path(u8"Жук/up"), no_links);
  if (no_links) GTEST_SKIP() << "no symbolic links here: " << no_links.message();
  const auto before = Snapshot(tree_);
  const ProgramResult dry = Rename({"-r", "--dirs", Utf8(tree_)});
  EXPECT_TRUE(Has(dry.out, "would dangle")) << dry.out;
  EXPECT_TRUE(Has(dry.out, "links that would dangle 2")) << dry.out;
  const ProgramResult apply = Apply({"-r", "--dirs", "--fix-links", Utf8(tree_)});
  EXPECT_EQ(apply.status, 0) << apply.out << apply.err;
  EXPECT_EQ(fs::read_symlink(tree_ / "Ssylka.txt"), fs::path("Tsel.txt"));
  EXPECT_EQ(fs::read_symlink(tree_ / "Zhuk" / "up"), fs::path("../Zhuk/zh.txt"));
  EXPECT_EQ(ReadBytes(tree_ / "Zhuk" / "up"), Utf8(Path(u8"Жук/ж.txt")));
  const ProgramResult undo = Undo();
  EXPECT_EQ(undo.status, 0) << undo.out << undo.err;
  EXPECT_EQ(Snapshot(tree_), before);
}

TEST_F(RenameTrust, DefaultJournalsOfOneSecondDiffer) {
  Make({u8"a/é.txt", u8"b/é.txt"});
  const auto journals = [] {
    std::set<fs::path> found;
    for (const auto& entry : fs::directory_iterator(fs::current_path()))
      if (entry.path().filename().string().starts_with("namefold-rename-"))
        found.insert(entry.path());
    return found;
  };
  const std::set<fs::path> earlier = journals();
  EXPECT_EQ(Rename({"--apply", T(u8"a")}).status, 0);
  EXPECT_EQ(Rename({"--apply", T(u8"b")}).status, 0);
  std::set<fs::path> made = journals();
  for (const fs::path& old : earlier) made.erase(old);
  EXPECT_EQ(made.size(), 2u);
  for (const fs::path& journal : made) {
    EXPECT_EQ(Run({"rename", "--undo", Utf8(journal)}).status, 0);
    fs::remove(journal);
  }
}

// A folder swapped for a link, or moved out of the tree, between listing and renaming: nothing
// outside the tree is renamed. The system's shell runs the swap at the test hook.
TEST_F(RenameTrust, AFolderSwappedMidRunMovesNothingOutside) {
  struct Row {
    const char* name;
    std::string posix, windows;  // the hook's command; empty: not on this system
    const char8_t* moved;        // where the listed folder went
  };
  const std::string sub = T(u8"z/sub"), outside = Utf8(root_ / "outside");
  const Row rows[] = {
      {"replaced by a link to a folder outside",
       "mv '" + sub + "' '" + T(u8"z/moved") + "' && ln -s '" + outside + "' '" + sub + "'", "",
       u8"z/moved"},
      {"moved outside the tree", "mv '" + sub + "' '" + outside + "/sub'",
       "move \"" + sub + "\" \"" + outside + "\\sub\"", nullptr},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.name);
    const std::string& hook = kWindows ? row.windows : row.posix;
    if (hook.empty()) continue;
    fs::remove_all(tree_);
    fs::remove_all(root_ / "outside");
    fs::remove(journal_);
    Make({u8"a/ü.txt", u8"z/sub/ü.txt"});
    fs::create_directories(root_ / "outside");
    WriteBytes(root_ / "outside" / Path(u8"ü.txt"), "outside");
    SetEnvironment("NAMEFOLD_TEST_BEFORE_RENAMES", hook.c_str());
    const ProgramResult apply = Apply({"-r", Utf8(tree_)});
    SetEnvironment("NAMEFOLD_TEST_BEFORE_RENAMES", nullptr);
    EXPECT_EQ(apply.status, 1) << apply.out;
    EXPECT_TRUE(Has(apply.out, "folder replaced")) << apply.out;
    EXPECT_EQ(ReadBytes(root_ / "outside" / Path(u8"ü.txt")), "outside");
    EXPECT_FALSE(fs::exists(root_ / "outside" / "u.txt"));
    EXPECT_FALSE(fs::exists(root_ / "outside" / "sub" / "u.txt"));
    EXPECT_TRUE(fs::exists(tree_ / "a" / "u.txt"));
    if (row.moved != nullptr) {
      EXPECT_TRUE(fs::exists(tree_ / Path(row.moved) / Path(u8"ü.txt")));
    }
  }
}

TEST_F(RenameTrust, ARenameThatFailedIsNeverUndone) {
  Make({u8"è.txt"});
  const std::string target = T(u8"e.txt");  // appears before the rename
  const std::string hook =
      kWindows ? "echo other> \"" + target + "\"" : "echo other > '" + target + "'";
  SetEnvironment("NAMEFOLD_TEST_BEFORE_RENAMES", hook.c_str());
  const ProgramResult apply = Apply({Utf8(tree_)});
  SetEnvironment("NAMEFOLD_TEST_BEFORE_RENAMES", nullptr);
  EXPECT_TRUE(Has(apply.out, "a file of that name appeared")) << apply.out;
  fs::remove(tree_ / Path(u8"è.txt"));
  const ProgramResult undo = Undo();
  EXPECT_EQ(undo.status, 0) << undo.out;
  EXPECT_TRUE(Has(undo.out, "restored 0, already back 0, not renamed by the run 1")) << undo.out;
  EXPECT_TRUE(ReadBytes(tree_ / "e.txt").starts_with("other"));
}

// The rest needs names that are bytes, or paths beyond Windows' limits.

TEST_F(RenameTrust, NamesThatAreNotUtf8AreReadOnlyThroughACodePage) {
  if (kWindows) GTEST_SKIP() << "Windows names are UTF-16";
  WriteBytes(tree_ / fs::path(std::string("caf\xE9 \xFC.txt")), "bytes");
  const ProgramResult plain = Apply({Utf8(tree_)});
  EXPECT_TRUE(Has(plain.out, "undecodable name")) << plain.out;
  EXPECT_TRUE(Has(plain.out, "caf\\xE9 \\xFC.txt")) << plain.out;
  fs::remove(journal_);
  const ProgramResult read = Apply({"--from-code-page", "1252", Utf8(tree_)});
  EXPECT_EQ(read.status, 0) << read.out << read.err;
  EXPECT_EQ(ReadBytes(tree_ / "cafe u.txt"), "bytes");
  EXPECT_EQ(Undo().status, 0);
  EXPECT_EQ(ReadBytes(tree_ / fs::path(std::string("caf\xE9 \xFC.txt"))), "bytes");
  // Reasons name such a file by its bytes, as every other output does.
  WriteBytes(tree_ / fs::path(std::string("caf\xE8 \xFC.txt")), "grave");
  const ProgramResult clash = Rename({"--from-code-page", "1252", Utf8(tree_)});
  EXPECT_TRUE(Has(clash.out, "as Windows compares names: caf\\xE8 \\xFC.txt, caf\\xE9 \\xFC.txt"))
      << clash.out;
}

// A tree deeper than PATH_MAX, made and checked one relative name at a time, and deeper than the
// soft limit on open files that the program starts with.
TEST_F(RenameTrust, ATreeDeeperThanPathMaxIsRenamedAndUndone) {
  if (kWindows) GTEST_SKIP() << "POSIX";
  const fs::path start = fs::current_path();
  const std::string level(200, 'd');
  fs::current_path(tree_);
  for (int i = 0; i < 30; ++i) {
    fs::create_directory(level);
    fs::current_path(level);
  }
  WriteBytes(Path(u8"é.txt"), "deep");
  fs::current_path(start);
  auto with_few_files = [](auto run) {
    const std::size_t open_files = SetOpenFileLimit(24);
    const ProgramResult result = run();
    SetOpenFileLimit(open_files);
    return result;
  };
  const ProgramResult apply = with_few_files([&] { return Apply({"-r", Utf8(tree_)}); });
  EXPECT_EQ(apply.status, 0) << apply.out << apply.err;
  auto bottom = [&](const char8_t* name) {
    fs::current_path(tree_);
    for (int i = 0; i < 30; ++i) fs::current_path(level);
    const bool there = fs::exists(Path(name));
    fs::current_path(start);
    return there;
  };
  EXPECT_TRUE(bottom(u8"e.txt"));
  const ProgramResult undo = with_few_files([&] { return Undo(); });
  EXPECT_EQ(undo.status, 0) << undo.out << undo.err;
  EXPECT_TRUE(bottom(u8"é.txt"));
  EXPECT_FALSE(bottom(u8"e.txt"));
  for (int depth = 30; depth > 0; --depth) {  // remove_all would need the long paths
    fs::current_path(tree_);
    for (int i = 0; i < depth - 1; ++i) fs::current_path(level);
    std::error_code ignored;
    fs::remove_all(level, ignored);
    fs::current_path(start);
  }
}

}  // namespace
}  // namespace namefold::testing
