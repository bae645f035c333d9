#include "cli/options.h"

#include <algorithm>
#include <cctype>
#include <string_view>

namespace namefold::cli {
namespace {

// The commands an option applies to, as a set of bits.
using CommandSet = unsigned;
constexpr CommandSet Only(Command command) {
  return 1u << static_cast<unsigned>(command);
}
constexpr CommandSet kAll = ~0u;
constexpr CommandSet kList = Only(Command::kList);
constexpr CommandSet kRename = Only(Command::kRename);
constexpr CommandSet kText = Only(Command::kText);
constexpr CommandSet kHosted = kList | Only(Command::kInfo) | kRename | kText;  // load the library

// What an option sets: `value` is empty for a flag. Returns an error line, empty on success.
using Setter = std::string (*)(Options& options, const std::string& value);

template <bool Options::*member>
std::string Flag(Options& options, const std::string&) {
  options.*member = true;
  return {};
}

template <std::optional<std::string> Options::*member>
std::string Value(Options& options, const std::string& value) {
  options.*member = value;
  return {};
}

template <Format format>
std::string SetFormat(Options& options, const std::string&) {
  if (options.format != Format::kAuto && options.format != format)
    return "--table, --tsv and --json exclude each other";
  options.format = format;
  return {};
}

template <TableKind kind>
std::string SetKind(Options& options, const std::string&) {
  const bool other = options.kind != TableKind::kFromName && options.kind != kind;
  options.kind = kind;
  return other ? "--single and --sequence exclude each other" : "";
}

template <Direction direction>
std::string SetDirection(Options& options, const std::string&) {
  const bool other = options.direction != Direction::kAuto && options.direction != direction;
  options.direction = direction;
  return other ? "--to-utf8 and --to-table exclude each other" : "";
}

std::string SetCodePage(Options& options, const std::string& value) {
  const bool digits =
      !value.empty() && value.size() <= 5 &&
      std::all_of(value.begin(), value.end(), [](char c) { return c >= '0' && c <= '9'; });
  options.from_code_page = digits ? std::stoi(value) : 0;
  if (options.from_code_page <= 0 || options.from_code_page > 65535)
    return "--from-code-page: '" + value + "' is not a code page number such as 1251";
  return {};
}

// One option: how it is typed, the commands it applies to, what it sets, and its line in their
// help (lines after the first start at the help's second column). An option may have one row
// per group of commands where it reads differently; its spelling and value are the same in all.
struct OptionSpec {
  std::string_view long_name;
  char short_name;
  std::string_view value_name;  // empty: a flag
  CommandSet applies;
  Setter set;
  std::string_view help;
};

// In the order of the help.
constexpr OptionSpec kOptionSpecs[] = {
    {"recursive", 'r', "", kList, Flag<&Options::recursive>,
     "descend into subfolders (symbolic links to folders are not followed)"},
    {"recursive", 'r', "", kRename, Flag<&Options::recursive>,
     "descend into subfolders (symbolic links are renamed, never followed)"},
    {"fields", 0, "LIST", kList, Value<&Options::fields>,
     "fields by name or index, comma-separated (default: all)"},
    {"changed", 0, "", kList, Flag<&Options::changed>,
     "only files for which some shown field differs from the name;\n"
     "HasUnicode looks at the whole path, so inside a folder whose own\n"
     "name is not ANSI every entry counts: '--fields 1,2,3,4 --changed'\n"
     "judges the names alone"},
    {"problems", 0, "", kList, Flag<&Options::problems>,
     "only names that will cause trouble on Windows, in archives or on old\n"
     "software, with every reason in a Problems column (no fields unless\n"
     "--fields names some): the answer to \"which names will break\""},
    {"table", 0, "", kList, SetFormat<Format::kTable>,
     "aligned table (the default on a terminal; long cells are cut there)"},
    {"tsv", 0, "", kList, SetFormat<Format::kTsv>,
     "tab-separated values with a header line (the default otherwise);\n"
     "'\\' is written '\\\\', so \\t, \\n, \\xHH and \\uHHHH are always escapes"},
    {"json", 0, "", kList, SetFormat<Format::kJson>,
     "JSON Lines: one object per file; a path that is not valid Unicode\n"
     "also comes whole as \"path_hex\" (its bytes; UTF-16 LE on Windows)"},
    {"null", '0', "", kList, Flag<&Options::null_output>,
     "only the paths, each ended by a NUL and written as they are, for\n"
     "'xargs -0' (with --changed: the paths some shown field changes)"},
    {"from0", 0, "FILE", kList, Value<&Options::from0>,
     "the paths, NUL-terminated as 'find -print0' writes them, from FILE\n"
     "('-': standard input) instead of PATH operands; a folder among them\n"
     "is listed as a PATH is"},
    {"single", 0, "", Only(Command::kCheck), SetKind<TableKind::kSingle>,
     "read every FILE as a single-character table"},
    {"sequence", 0, "", Only(Command::kCheck), SetKind<TableKind::kSequence>,
     "read every FILE as a sequence table"},
    {"to-utf8", 0, "", Only(Command::kConvert), SetDirection<Direction::kToUtf8>,
     "from the table file encoding to UTF-8"},
    {"to-table", 0, "", Only(Command::kConvert), SetDirection<Direction::kToTable>,
     "from text to the table file encoding"},
    {"from-code-page", 0, "N", Only(Command::kConvert), SetCodePage,
     "read 8-bit text as Windows code page N"},
    {"output", 'o', "OUTPUT", Only(Command::kConvert), Value<&Options::output>,
     "write to OUTPUT rather than to standard output"},
    {"with", 0, "LIST", Only(Command::kTables), Value<&Options::with>,
     "the language overlays, comma-separated"},
    {"without", 0, "SCRIPTS", Only(Command::kTables), Value<&Options::without>,
     "leave the entries of these scripts out"},
    {"out", 0, "DIR", Only(Command::kTables), Value<&Options::out_dir>,
     "the folder to write the tables into"},
    {"list", 0, "", Only(Command::kTables), Flag<&Options::list_overlays>, "show the overlays"},
    {"force", 'f', "", Only(Command::kTables), Flag<&Options::force>,
     "replace table files that exist in DIR"},
    {"field", 0, "NAME|INDEX", kRename | kText, Value<&Options::field>,
     "the field to use (NameReplaceUserAll unless given)"},
    {"dirs", 0, "", kRename, Flag<&Options::dirs>, "rename folders too, each after its contents"},
    {"apply", 0, "", kRename, Flag<&Options::apply>, "rename"},
    {"from0", 0, "FILE", kRename, Value<&Options::from0>,
     "the paths, NUL-terminated as 'find -print0' writes them, from FILE\n"
     "('-': standard input) instead of PATH operands"},
    {"journal", 0, "FILE", kRename, Value<&Options::journal>,
     "the journal of the renames (default: namefold-rename-DATE-TIME.US-PID\n"
     ".journal in the current folder); an existing file is never written to"},
    {"fix-links", 0, "", kRename, Flag<&Options::fix_links>,
     "point symbolic links that name a renamed entry at its new name"},
    {"from-code-page", 0, "N", kRename, SetCodePage,
     "read names that are not UTF-8 as Windows code page N"},
    {"undo", 0, "JOURNAL", kRename, Value<&Options::undo>,
     "rename back, last first, what the journal holds"},
    {"tsv", 0, "", kRename, SetFormat<Format::kTsv>,
     "the report as TSV (Path, New name, Action, Reason); the summary\n"
     "line goes to standard error then"},
    {"json", 0, "", kRename, SetFormat<Format::kJson>,
     "the report as JSON Lines; the summary line goes to standard error"},
    {"zero-terminated", 'z', "", kText, Flag<&Options::zero>,
     "records end with NUL rather than a line feed, in and out"},
    {"plugin", 0, "FILE", kHosted, Value<&Options::plugin>,
     "the plugin library to load (default: the one beside namefold)"},
    {"locale", 0, "NAME", kHosted, Value<&Options::locale>,
     "the locale whose ANSI code page the library sees (POSIX); an\n"
     "installed locale, or one whose language has its own code page"},
    {"tables", 0, "DIR", kList | kRename | kText, Value<&Options::tables>,
     "the plugin reads the tables in DIR (namefold1.tbl, namefold2.tbl,\n"
     "as 'namefold tables --out DIR' writes them) instead of its own"},
    {"help", 'h', "", kAll, Flag<&Options::help>,
     "this help; 'namefold help COMMAND' for a command's"},
    {"version", 0, "", kAll, Flag<&Options::version>, "the version"},
};

constexpr std::size_t kHelpColumn = 22;  // where an option's text starts in the help

constexpr std::string_view kHelpWord = "help";

const OptionSpec* FindLong(std::string_view name) {
  for (const OptionSpec& spec : kOptionSpecs) {
    if (spec.long_name == name) return &spec;
  }
  return nullptr;
}

const OptionSpec* FindShort(char name) {
  for (const OptionSpec& spec : kOptionSpecs) {
    if (spec.short_name != 0 && spec.short_name == name) return &spec;
  }
  return nullptr;
}

// The row of `spec`'s option for `command`, or null when the option does not apply to it.
const OptionSpec* ForCommand(const OptionSpec& spec, Command command) {
  for (const OptionSpec& row : kOptionSpecs) {
    if (row.long_name == spec.long_name && (row.applies & Only(command)) != 0) return &row;
  }
  return nullptr;
}

const CommandRow* FindCommand(std::string_view name) {
  for (const CommandRow& row : CommandRows()) {
    if (!row.name.empty() && row.name == name) return &row;
  }
  return nullptr;
}

struct Pending {
  const OptionSpec* spec;
  std::string value;
  std::string spelling;  // as typed, for messages
};

}  // namespace

const CommandRow& RowOf(Command command) {
  for (const CommandRow& row : CommandRows()) {
    if (row.command == command) return row;
  }
  return CommandRows().front();
}

const char* CommandName(Command command) {
  const CommandRow& row = RowOf(command);
  return row.name.empty() ? "namefold" : row.name.data();
}

std::string HelpOf(Command command) {
  const CommandRow& row = RowOf(command);
  std::string help = std::string(row.intro) + "\n";
  for (const OptionSpec& spec : kOptionSpecs) {
    if ((spec.applies & Only(command)) == 0) continue;
    std::string line =
        spec.short_name != 0 ? std::string("  -") + spec.short_name + ", " : "      ";
    line += "--" + std::string(spec.long_name);
    if (!spec.value_name.empty()) line += " " + std::string(spec.value_name);
    line.append(line.size() + 2 <= kHelpColumn ? kHelpColumn - line.size() : 2, ' ');
    for (const char c : spec.help) {
      line += c;
      if (c == '\n') line.append(kHelpColumn, ' ');
    }
    help += line + "\n";
  }
  return help + (row.notes[0] != 0 ? "\n" + std::string(row.notes) : "");
}

ParsedArguments ParseArguments(const std::vector<std::string>& arguments) {
  ParsedArguments result;
  Options& options = result.options;
  std::vector<Pending> given;  // checked against the command once it is known
  bool options_ended = false;
  bool command_known = false;
  auto fail = [&](std::string message) {
    result.error = std::move(message);
    return result;
  };

  bool help_word = false;  // "namefold help [COMMAND]"

  for (std::size_t i = 0; i < arguments.size(); ++i) {
    const std::string& argument = arguments[i];
    if (options_ended || argument.size() < 2 || argument[0] != '-') {
      if (help_word && !command_known) {
        command_known = true;
        const CommandRow* found = FindCommand(argument);
        if (found == nullptr) return fail("help: no command " + argument);
        options.command = found->command;
        continue;
      }
      if (!command_known && !options_ended && options.operands.empty()) {
        if (argument == kHelpWord) {
          help_word = options.help = true;
          continue;
        }
        command_known = true;
        if (const CommandRow* found = FindCommand(argument); found != nullptr) {
          options.command = found->command;
          continue;
        }
      }
      options.operands.push_back(argument);
      continue;
    }
    if (argument == "--") {
      options_ended = true;
      continue;
    }
    if (argument[1] == '-') {
      const std::size_t equals = argument.find('=');
      const std::string spelling = argument.substr(0, equals);
      const OptionSpec* spec = FindLong(std::string_view(spelling).substr(2));
      if (spec == nullptr) return fail("unknown option " + spelling);
      const bool has_value = equals != std::string::npos;
      if (spec->value_name.empty() && has_value)
        return fail("option " + spelling + " takes no value");
      std::string value = has_value ? argument.substr(equals + 1) : std::string();
      if (!spec->value_name.empty() && !has_value) {
        if (i + 1 >= arguments.size()) return fail("option " + spelling + " needs a value");
        value = arguments[++i];
      }
      given.push_back({spec, value, spelling});
      continue;
    }
    // Short options group: "-rh"; one that takes a value takes the rest, "-oFILE", or the next.
    for (std::size_t j = 1; j < argument.size(); ++j) {
      const std::string spelling = std::string("-") + argument[j];
      const OptionSpec* spec = FindShort(argument[j]);
      if (spec == nullptr) return fail("unknown option " + spelling);
      if (spec->value_name.empty()) {
        given.push_back({spec, {}, spelling});
        continue;
      }
      std::string value = argument.substr(j + 1);
      if (value.empty()) {
        if (i + 1 >= arguments.size()) return fail("option " + spelling + " needs a value");
        value = arguments[++i];
      }
      given.push_back({spec, value, spelling});
      break;
    }
  }

  for (const Pending& option : given) {
    const OptionSpec* spec = ForCommand(*option.spec, options.command);
    if (spec == nullptr) {
      return fail("option " + option.spelling + " does not apply to " +
                  (options.command == Command::kList
                       ? std::string("listing files")
                       : "namefold " + std::string(CommandName(options.command))));
    }
    if (std::string error = spec->set(options, option.value); !error.empty()) return fail(error);
  }
  if (options.help || options.version) {
    result.ok = true;
    return result;
  }

  if (options.from0 && !options.operands.empty())
    return fail("--from0 takes the place of the PATH operands: give one or the other");
  if (std::string error = RowOf(options.command).check(options); !error.empty()) return fail(error);
  result.ok = true;
  return result;
}

std::vector<std::string> SplitList(const std::string& list) {
  std::vector<std::string> items;
  std::size_t start = 0;
  while (start <= list.size()) {
    std::size_t end = list.find(',', start);
    if (end == std::string::npos) end = list.size();
    std::string item = list.substr(start, end - start);
    const auto first = item.find_first_not_of(" \t");
    const auto last = item.find_last_not_of(" \t");
    if (first != std::string::npos) items.push_back(item.substr(first, last - first + 1));
    start = end + 1;
  }
  return items;
}

FieldSelection SelectFields(const std::optional<std::string>& list,
                            const std::vector<std::string>& names) {
  FieldSelection selection;
  const std::vector<std::string> items = list ? SplitList(*list) : std::vector<std::string>{};
  if (list && items.empty()) {
    selection.error = "--fields: the list is empty (leave --fields out for every field)";
    return selection;
  }
  if (items.empty()) {
    for (std::size_t i = 0; i < names.size(); ++i) selection.indexes.push_back(static_cast<int>(i));
    selection.ok = true;
    return selection;
  }
  auto lower = [](std::string text) {
    for (char& c : text) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    return text;
  };
  for (const std::string& item : items) {
    int index = -1;
    if (std::all_of(item.begin(), item.end(), [](char c) { return c >= '0' && c <= '9'; })) {
      if (item.size() <= 3) index = std::stoi(item);
      if (index >= static_cast<int>(names.size())) index = -1;
    } else {
      for (std::size_t i = 0; i < names.size(); ++i) {
        if (lower(names[i]) == lower(item)) index = static_cast<int>(i);
      }
    }
    if (index < 0) {
      std::string known;
      for (const std::string& name : names) known += (known.empty() ? "" : ", ") + name;
      selection.error = "--fields: no field " + item + " (fields: " + known + ", or 0 to " +
                        std::to_string(names.size() - 1) + ")";
      return selection;
    }
    if (std::find(selection.indexes.begin(), selection.indexes.end(), index) !=
        selection.indexes.end()) {
      selection.error = "--fields: " + names[static_cast<std::size_t>(index)] + " is named twice";
      return selection;
    }
    selection.indexes.push_back(index);
  }
  selection.ok = true;
  return selection;
}

}  // namespace namefold::cli
