#include "cli/options.h"

#include <gtest/gtest.h>

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
