// The command line: which command runs, with which options and operands.
#pragma once

#include <optional>
#include <string>
#include <vector>

namespace namefold::cli {

enum class Command { kList, kCheck, kConvert, kInfo, kTables };
enum class Format { kAuto, kTable, kTsv, kJson };       // kAuto: a table on a terminal, else TSV
enum class TableKind { kFromName, kSingle, kSequence };  // kFromName: "1.tbl" or "2.tbl"
enum class Direction { kAuto, kToUtf8, kToTable };       // kAuto: from the input's encoding

struct Options {
  Command command = Command::kList;
  bool help = false;
  bool version = false;
  std::vector<std::string> operands;  // paths or files, as given
  std::optional<std::string> plugin;
  std::optional<std::string> locale;
  // namefold PATH...
  bool recursive = false;
  bool changed = false;
  Format format = Format::kAuto;
  std::optional<std::string> fields;
  // check
  TableKind kind = TableKind::kFromName;
  // convert
  Direction direction = Direction::kAuto;
  std::optional<std::string> output;
  // tables
  std::optional<std::string> with;
  std::optional<std::string> out_dir;
  bool list_overlays = false;
};

struct ParsedArguments {
  bool ok = false;
  std::string error;  // one line naming the option, when !ok
  Options options;
};

// Parses the arguments after the program name. The first operand names a command when it is
// one of check, convert, info, tables; "--" ends the options, so "namefold -- check" lists a
// folder called check. Options take their value as "--name VALUE" or "--name=VALUE".
[[nodiscard]] ParsedArguments ParseArguments(const std::vector<std::string>& arguments);

// The name of a command as the user types it.
[[nodiscard]] const char* CommandName(Command command);

struct FieldSelection {
  bool ok = false;
  std::string error;
  std::vector<int> indexes;  // into `names`, in the order asked for
};

// Resolves a comma-separated list of field names (case ignored) or indexes against the names
// the library reports; an empty or absent list selects every field.
[[nodiscard]] FieldSelection SelectFields(const std::optional<std::string>& list,
                                          const std::vector<std::string>& names);

// Splits "de, uk,,bg" into {"de", "uk", "bg"}.
[[nodiscard]] std::vector<std::string> SplitList(const std::string& list);

}  // namespace namefold::cli
