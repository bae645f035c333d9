// The command line: which command runs, with which options and operands.
#pragma once

#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

namespace namefold::cli {

// A new command needs a value here, a row in CommandRows() (commands.cpp) with its function, and
// its options' rows in options.cpp.
enum class Command { kList, kCheck, kConvert, kInfo, kTables, kRename, kText };
enum class Format { kAuto, kTable, kTsv, kJson };        // kAuto: a table on a terminal, else TSV
enum class TableKind { kFromName, kSingle, kSequence };  // kFromName: "1.tbl" or "2.tbl"
enum class Direction { kAuto, kToUtf8, kToTable };       // kAuto: from the input's encoding

struct Options {
  Command command = Command::kList;
  bool help = false;
  bool version = false;
  std::vector<std::string> operands;  // paths or files, as given
  std::optional<std::string> plugin;
  std::optional<std::string> locale;
  std::optional<std::string> tables;  // a folder whose tables the plugin reads instead of its own
  // namefold PATH...
  bool recursive = false;
  bool changed = false;
  bool problems = false;  // only names that will cause trouble, with every reason
  Format format = Format::kAuto;
  std::optional<std::string> fields;
  bool null_output = false;          // -0: only the paths, each ended by NUL
  std::optional<std::string> from0;  // the paths, NUL-terminated, from this file or "-"
  // check
  TableKind kind = TableKind::kFromName;
  // convert
  Direction direction = Direction::kAuto;
  std::optional<std::string> output;
  int from_code_page = 0;  // 0: the input (convert) or a name (rename) is UTF-8 or UTF-16
  // tables
  std::optional<std::string> with;
  std::optional<std::string> without;  // scripts whose entries are left out
  std::optional<std::string> out_dir;
  bool list_overlays = false;
  bool force = false;  // replace table files that exist
  // rename
  std::optional<std::string> field;  // the field that gives the new names
  bool apply = false;                // rename rather than report what would be renamed
  bool dirs = false;                 // folders are renamed too
  std::optional<std::string> journal;
  std::optional<std::string> undo;  // the journal to undo
  bool fix_links = false;           // links to renamed entries are pointed at the new names
  // text
  bool zero = false;  // -z: records end with NUL rather than a line feed
};

// One command of the program: how it is typed, its help, the rule its operands follow, and the
// function that runs it.
struct CommandRow {
  Command command;
  std::string_view name;  // as typed; empty for the listing, which is no word
  const char* intro;      // the help before the options: usage and what the command does
  const char* notes;      // the help after them (may be empty)
  std::string (*check)(const Options& options);  // why the operands do not do, or empty
  int (*run)(const Options& options);            // the exit status
};

// Every command, the listing first; defined with the commands (commands.cpp).
[[nodiscard]] std::span<const CommandRow> CommandRows();

// The row of `command`.
[[nodiscard]] const CommandRow& RowOf(Command command);

// The help of `command`: its intro, a line for each option that applies to it, its notes.
[[nodiscard]] std::string HelpOf(Command command);

struct ParsedArguments {
  bool ok = false;
  std::string error;  // one line naming the option, when !ok
  Options options;
};

// Parses the arguments after the program name. The first operand names a command when it is
// one of check, convert, info, rename, tables, text; "help" (optionally followed by a command) asks
// for help.
// "--" ends the options, so "namefold -- check" lists a folder called check. Options take their
// value as "--name VALUE" or "--name=VALUE"; short ones group, "-rh", and take "-oFILE".
// On failure `options.command` still names the command given, for pointing to its help.
[[nodiscard]] ParsedArguments ParseArguments(const std::vector<std::string>& arguments);

// The name of a command as the user types it.
[[nodiscard]] const char* CommandName(Command command);

struct FieldSelection {
  bool ok = false;
  std::string error;
  std::vector<int> indexes;  // into `names`, in the order asked for
};

// Resolves a comma-separated list of field names (case ignored) or indexes against the names
// the library reports; an absent list selects every field. An empty list and a field named twice
// are errors.
[[nodiscard]] FieldSelection SelectFields(const std::optional<std::string>& list,
                                          const std::vector<std::string>& names);

// Splits "de, uk,,bg" into {"de", "uk", "bg"}.
[[nodiscard]] std::vector<std::string> SplitList(const std::string& list);

}  // namespace namefold::cli
