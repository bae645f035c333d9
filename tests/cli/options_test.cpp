#include "cli/options.h"

#include <gtest/gtest.h>

#include <set>
#include <sstream>

namespace namefold::cli {
namespace {

TEST(Options, CommandsOperandsAndValues) {
  struct Row {
    const char* name;
    std::vector<std::string> arguments;
    Command command;
    std::vector<std::string> operands;
  };
  const Row rows[] = {
      {.name = "no argument lists the current folder",
       .arguments = {},
       .command = Command::kList,
       .operands = {}},
      {.name = "paths",
       .arguments = {"a", "-r", "b"},
       .command = Command::kList,
       .operands = {"a", "b"}},
      {.name = "command",
       .arguments = {"check", "x1.tbl"},
       .command = Command::kCheck,
       .operands = {"x1.tbl"}},
      {.name = "command word after a path is a path",
       .arguments = {"a", "check"},
       .command = Command::kList,
       .operands = {"a", "check"}},
      {.name = "double dash: a folder named like a command",
       .arguments = {"--", "check"},
       .command = Command::kList,
       .operands = {"check"}},
      {.name = "dash alone is an operand",
       .arguments = {"convert", "-"},
       .command = Command::kConvert,
       .operands = {"-"}},
      {.name = "option value that looks like a command",
       .arguments = {"--fields", "info", "x"},
       .command = Command::kList,
       .operands = {"x"}},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.name);
    const ParsedArguments parsed = ParseArguments(row.arguments);
    ASSERT_TRUE(parsed.ok) << parsed.error;
    EXPECT_EQ(parsed.options.command, row.command);
    EXPECT_EQ(parsed.options.operands, row.operands);
  }
}

TEST(Options, ValuesInBothSpellings) {
  for (const std::vector<std::string>& arguments :
       {std::vector<std::string>{"--fields", "1,2", "--plugin", "p.so", "--locale", "ru_RU.UTF-8"},
        std::vector<std::string>{"--fields=1,2", "--plugin=p.so", "--locale=ru_RU.UTF-8"}}) {
    const ParsedArguments parsed = ParseArguments(arguments);
    ASSERT_TRUE(parsed.ok) << parsed.error;
    EXPECT_EQ(parsed.options.fields, "1,2");
    EXPECT_EQ(parsed.options.plugin, "p.so");
    EXPECT_EQ(parsed.options.locale, "ru_RU.UTF-8");
  }
  const ParsedArguments convert = ParseArguments({"convert", "a.tbl", "-oa.txt", "--to-utf8"});
  ASSERT_TRUE(convert.ok) << convert.error;
  EXPECT_EQ(convert.options.output, "a.txt");
  EXPECT_EQ(convert.options.direction, Direction::kToUtf8);
}

TEST(Options, UsageErrorsNameTheOption) {
  struct Row {
    const char* name;
    std::vector<std::string> arguments;
    const char* error;
  };
  const Row rows[] = {
      {.name = "unknown long", .arguments = {"--colour"}, .error = "unknown option --colour"},
      {.name = "unknown short", .arguments = {"-x"}, .error = "unknown option -x"},
      {.name = "missing value",
       .arguments = {"--fields"},
       .error = "option --fields needs a value"},
      {.name = "flag with value", .arguments = {"--tsv=1"}, .error = "option --tsv takes no value"},
      {.name = "wrong command",
       .arguments = {"check", "--tsv", "a1.tbl"},
       .error = "option --tsv does not apply to namefold check"},
      {.name = "listing option elsewhere",
       .arguments = {"--with", "de"},
       .error = "option --with does not apply to listing files"},
      {.name = "two formats",
       .arguments = {"--tsv", "--json"},
       .error = "--table, --tsv and --json exclude each other"},
      {.name = "two kinds",
       .arguments = {"check", "--single", "--sequence", "a"},
       .error = "--single and --sequence exclude each other"},
      {.name = "check without file", .arguments = {"check"}, .error = "check: no table file given"},
      {.name = "convert with two files",
       .arguments = {"convert", "a", "b"},
       .error = "convert: give exactly one input file"},
      {.name = "tables without folder",
       .arguments = {"tables", "--with", "de"},
       .error = "tables: --out DIR is required"},
      {.name = "info with operand",
       .arguments = {"info", "x"},
       .error = "info: unexpected operand x"},
      {.name = "list with a folder",
       .arguments = {"tables", "--list", "--out", "x"},
       .error = "tables: --list takes no --out, --with or --force"},
      {.name = "unknown short in a group", .arguments = {"-rx"}, .error = "unknown option -x"},
      {.name = "help for no command",
       .arguments = {"help", "bogus"},
       .error = "help: no command bogus"},
      {.name = "rename without a path", .arguments = {"rename"}, .error = "rename: no PATH given"},
      {.name = "undo with a path",
       .arguments = {"rename", "--undo", "j", "x"},
       .error = "rename: --undo JOURNAL takes no PATH, --apply, --dirs, -r, --field, --journal, "
                "--fix-links or --from-code-page"},
      {.name = "a journal for a dry run",
       .arguments = {"rename", "--journal", "j", "x"},
       .error = "rename: --journal is written only with --apply"},
      {.name = "code page that is no number",
       .arguments = {"convert", "--from-code-page", "cp1251", "a"},
       .error = "--from-code-page: 'cp1251' is not a code page number such as 1251"},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.name);
    const ParsedArguments parsed = ParseArguments(row.arguments);
    EXPECT_FALSE(parsed.ok);
    EXPECT_EQ(parsed.error, row.error);
  }
}

TEST(Options, HelpNeedsNoOperands) {
  for (const char* command : {"check", "convert", "info", "rename", "tables"}) {
    for (const std::vector<std::string>& arguments :
         {std::vector<std::string>{command, "--help"}, {"help", command}, {command, "-h"}}) {
      const ParsedArguments parsed = ParseArguments(arguments);
      EXPECT_TRUE(parsed.ok) << command;
      EXPECT_TRUE(parsed.options.help);
      EXPECT_STREQ(CommandName(parsed.options.command), command);
    }
  }
}

// The options a command's help lists: each one once, each only in the help of the commands it
// applies to, and each one there taken by the command's parsing.
TEST(Options, EachOptionInExactlyItsCommandsHelp) {
  struct Row {
    const char* name;
    std::vector<std::string> arguments;  // the command, as typed
    std::set<std::string> options;       // long names
  };
  const Row rows[] = {
      {"list",
       {},
       {"recursive", "fields", "changed", "problems", "table", "tsv", "json", "null", "from0",
        "plugin", "locale", "tables", "help", "version"}},
      {"check", {"check"}, {"single", "sequence", "help", "version"}},
      {"convert",
       {"convert"},
       {"to-utf8", "to-table", "from-code-page", "output", "help", "version"}},
      {"info", {"info"}, {"plugin", "locale", "help", "version"}},
      {"tables", {"tables"}, {"with", "without", "out", "list", "force", "help", "version"}},
      {"rename",
       {"rename"},
       {"recursive", "field", "dirs", "apply", "from0", "journal", "fix-links", "from-code-page",
        "undo", "tsv", "json", "plugin", "locale", "tables", "help", "version"}},
      {"text",
       {"text"},
       {"field", "zero-terminated", "plugin", "locale", "tables", "help", "version"}},
  };
  std::set<std::string> every;
  for (const Row& row : rows) every.insert(row.options.begin(), row.options.end());
  for (const Row& row : rows) {
    SCOPED_TRACE(row.name);
    std::vector<std::string> asking_help = row.arguments;
    asking_help.push_back("--help");  // no operands needed
    const ParsedArguments command = ParseArguments(asking_help);
    ASSERT_TRUE(command.ok) << command.error;
    std::multiset<std::string> listed;  // from the option lines: "  -r, --recursive", "      --out"
    std::istringstream help(HelpOf(command.options.command));
    for (std::string line; std::getline(help, line);) {
      const bool option_line =
          (line.rfind("  -", 0) == 0 && line.find(", --") == 4) || line.rfind("      --", 0) == 0;
      if (option_line) listed.insert(line.substr(8, line.find(' ', 8) - 8));  // after "--"
    }
    EXPECT_EQ(std::set<std::string>(listed.begin(), listed.end()), row.options);
    EXPECT_EQ(listed.size(), row.options.size()) << "an option listed twice";
    for (const std::string& option : every) {
      std::vector<std::string> arguments = row.arguments;
      arguments.insert(arguments.end(), {"--" + option, "1"});  // "1": a value, or an operand
      const std::string error = ParseArguments(arguments).error;
      EXPECT_EQ(error.find("does not apply") == std::string::npos, row.options.contains(option))
          << option << ": " << error;
    }
  }
}

TEST(Options, ShortOptionsGroup) {
  const ParsedArguments listing = ParseArguments({"-rh", "x"});
  ASSERT_TRUE(listing.ok) << listing.error;
  EXPECT_TRUE(listing.options.recursive);
  EXPECT_TRUE(listing.options.help);
  const ParsedArguments tables = ParseArguments({"tables", "-fo", "x"});  // -o is convert's
  EXPECT_EQ(tables.error, "option -o does not apply to namefold tables");
  const ParsedArguments convert = ParseArguments({"convert", "a", "-ob.txt"});
  EXPECT_EQ(convert.options.output, "b.txt");
}

TEST(Options, SelectFieldsByNameOrIndex) {
  const std::vector<std::string> names{"HasUnicode", "NameNoUnicode", "NameReplaceNoEnglish",
                                       "NameReplaceUserUnicode", "NameReplaceUserAll"};
  struct Row {
    const char* name;
    std::optional<std::string> list;
    std::vector<int> indexes;  // empty: an error
  };
  const Row rows[] = {
      {.name = "absent: all", .list = std::nullopt, .indexes = {0, 1, 2, 3, 4}},
      {.name = "empty: an error, not all", .list = " , ", .indexes = {}},
      {.name = "named twice", .list = "4,NameReplaceUserAll", .indexes = {}},
      {.name = "indexes in the order given", .list = "4,0", .indexes = {4, 0}},
      {.name = "names, case ignored, spaces trimmed",
       .list = "nameReplaceUserAll, hasunicode",
       .indexes = {4, 0}},
      {.name = "index out of range", .list = "5", .indexes = {}},
      {.name = "negative index", .list = "-1", .indexes = {}},
      {.name = "unknown name", .list = "Name", .indexes = {}},
      {.name = "huge index", .list = "99999999999", .indexes = {}},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.name);
    const FieldSelection selection = SelectFields(row.list, names);
    EXPECT_EQ(selection.ok, !row.indexes.empty()) << selection.error;
    if (selection.ok) {
      EXPECT_EQ(selection.indexes, row.indexes);
    } else {
      EXPECT_NE(selection.error.find("--fields: "), std::string::npos);
    }
  }
}

}  // namespace
}  // namespace namefold::cli
