#include "cli/options.h"

#include <algorithm>
#include <cctype>
#include <string_view>

namespace namefold::cli {
namespace {

enum class Takes { kFlag, kValue };

// The commands an option applies to, as a set of bits.
using CommandSet = unsigned;
constexpr CommandSet Only(Command command) {
  return 1u << static_cast<unsigned>(command);
}
constexpr CommandSet kAll = ~0u;
constexpr CommandSet kList = Only(Command::kList);
constexpr CommandSet kRename = Only(Command::kRename);
constexpr CommandSet kText = Only(Command::kText);

struct OptionSpec {
  std::string_view long_name;
  char short_name;
  Takes takes;
  CommandSet applies;
};

constexpr OptionSpec kOptionSpecs[] = {
    {"help", 'h', Takes::kFlag, kAll},
    {"version", 0, Takes::kFlag, kAll},
    {"plugin", 0, Takes::kValue, kList | Only(Command::kInfo) | kRename | kText},
    {"locale", 0, Takes::kValue, kList | Only(Command::kInfo) | kRename | kText},
    {"tables", 0, Takes::kValue, kList | kRename},
    {"recursive", 'r', Takes::kFlag, kList | kRename},
    {"changed", 0, Takes::kFlag, kList},
    {"problems", 0, Takes::kFlag, kList},
    {"fields", 0, Takes::kValue, kList},
    {"table", 0, Takes::kFlag, kList},
    {"tsv", 0, Takes::kFlag, kList | kRename},
    {"json", 0, Takes::kFlag, kList | kRename},
    {"null", '0', Takes::kFlag, kList},
    {"from0", 0, Takes::kValue, kList | kRename},
    {"single", 0, Takes::kFlag, Only(Command::kCheck)},
    {"sequence", 0, Takes::kFlag, Only(Command::kCheck)},
    {"to-utf8", 0, Takes::kFlag, Only(Command::kConvert)},
    {"to-table", 0, Takes::kFlag, Only(Command::kConvert)},
    {"from-code-page", 0, Takes::kValue, Only(Command::kConvert) | kRename},
    {"output", 'o', Takes::kValue, Only(Command::kConvert)},
    {"with", 0, Takes::kValue, Only(Command::kTables)},
    {"without", 0, Takes::kValue, Only(Command::kTables)},
    {"out", 0, Takes::kValue, Only(Command::kTables)},
    {"list", 0, Takes::kFlag, Only(Command::kTables)},
    {"force", 'f', Takes::kFlag, Only(Command::kTables)},
    {"field", 0, Takes::kValue, kRename | kText},
    {"apply", 0, Takes::kFlag, kRename},
    {"dirs", 0, Takes::kFlag, kRename},
    {"journal", 0, Takes::kValue, kRename},
    {"undo", 0, Takes::kValue, kRename},
    {"fix-links", 0, Takes::kFlag, kRename},
    {"zero-terminated", 'z', Takes::kFlag, kText},
};

constexpr std::string_view kHelpWord = "help";

constexpr std::pair<std::string_view, Command> kCommands[] = {
    {"check", Command::kCheck},   {"convert", Command::kConvert}, {"info", Command::kInfo},
    {"rename", Command::kRename}, {"tables", Command::kTables},   {"text", Command::kText},
};

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

// Stores one option; returns an error line, empty on success.
std::string Apply(const OptionSpec& spec, const std::string& value, Options& options) {
  const std::string_view name = spec.long_name;
  auto set_format = [&](Format format) {
    if (options.format != Format::kAuto && options.format != format)
      return std::string("--table, --tsv and --json exclude each other");
    options.format = format;
    return std::string();
  };
  auto set_once = [&](bool condition, const char* message) {
    return condition ? std::string(message) : std::string();
  };
  if (name == "help")
    options.help = true;
  else if (name == "version")
    options.version = true;
  else if (name == "plugin")
    options.plugin = value;
  else if (name == "locale")
    options.locale = value;
  else if (name == "tables")
    options.tables = value;
  else if (name == "recursive")
    options.recursive = true;
  else if (name == "changed")
    options.changed = true;
  else if (name == "problems")
    options.problems = true;
  else if (name == "fields")
    options.fields = value;
  else if (name == "null")
    options.null_output = true;
  else if (name == "from0")
    options.from0 = value;
  else if (name == "table")
    return set_format(Format::kTable);
  else if (name == "tsv")
    return set_format(Format::kTsv);
  else if (name == "json")
    return set_format(Format::kJson);
  else if (name == "single" || name == "sequence") {
    const TableKind kind = name == "single" ? TableKind::kSingle : TableKind::kSequence;
    std::string error = set_once(options.kind != TableKind::kFromName && options.kind != kind,
                                 "--single and --sequence exclude each other");
    options.kind = kind;
    return error;
  } else if (name == "to-utf8" || name == "to-table") {
    const Direction direction = name == "to-utf8" ? Direction::kToUtf8 : Direction::kToTable;
    std::string error =
        set_once(options.direction != Direction::kAuto && options.direction != direction,
                 "--to-utf8 and --to-table exclude each other");
    options.direction = direction;
    return error;
  } else if (name == "from-code-page") {
    const bool digits =
        !value.empty() && value.size() <= 5 &&
        std::all_of(value.begin(), value.end(), [](char c) { return c >= '0' && c <= '9'; });
    options.from_code_page = digits ? std::stoi(value) : 0;
    if (options.from_code_page <= 0 || options.from_code_page > 65535)
      return "--from-code-page: '" + value + "' is not a code page number such as 1251";
  } else if (name == "output")
    options.output = value;
  else if (name == "with")
    options.with = value;
  else if (name == "without")
    options.without = value;
  else if (name == "out")
    options.out_dir = value;
  else if (name == "list")
    options.list_overlays = true;
  else if (name == "force")
    options.force = true;
  else if (name == "field")
    options.field = value;
  else if (name == "apply")
    options.apply = true;
  else if (name == "dirs")
    options.dirs = true;
  else if (name == "journal")
    options.journal = value;
  else if (name == "undo")
    options.undo = value;
  else if (name == "fix-links")
    options.fix_links = true;
  else if (name == "zero-terminated")
    options.zero = true;
  return {};
}

struct Pending {
  const OptionSpec* spec;
  std::string value;
  std::string spelling;  // as typed, for messages
};

}  // namespace

const char* CommandName(Command command) {
  for (const auto& [name, value] : kCommands) {
    if (value == command) return name.data();
  }
  return "namefold";
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
  auto find_command = [](const std::string& word) {
    return std::find_if(std::begin(kCommands), std::end(kCommands),
                        [&](const auto& c) { return c.first == word; });
  };

  for (std::size_t i = 0; i < arguments.size(); ++i) {
    const std::string& argument = arguments[i];
    if (options_ended || argument.size() < 2 || argument[0] != '-') {
      if (help_word && !command_known) {
        command_known = true;
        const auto* found = find_command(argument);
        if (found == std::end(kCommands)) return fail("help: no command " + argument);
        options.command = found->second;
        continue;
      }
      if (!command_known && !options_ended && options.operands.empty()) {
        if (argument == kHelpWord) {
          help_word = options.help = true;
          continue;
        }
        command_known = true;
        const auto* found = find_command(argument);
        if (found != std::end(kCommands)) {
          options.command = found->second;
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
      if (spec->takes == Takes::kFlag && has_value)
        return fail("option " + spelling + " takes no value");
      std::string value = has_value ? argument.substr(equals + 1) : std::string();
      if (spec->takes == Takes::kValue && !has_value) {
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
      if (spec->takes == Takes::kFlag) {
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
    if ((option.spec->applies & Only(options.command)) == 0) {
      return fail("option " + option.spelling + " does not apply to " +
                  (options.command == Command::kList
                       ? std::string("listing files")
                       : "namefold " + std::string(CommandName(options.command))));
    }
    if (std::string error = Apply(*option.spec, option.value, options); !error.empty()) {
      return fail(error);
    }
  }
  if (options.help || options.version) {
    result.ok = true;
    return result;
  }

  if (options.from0 && !options.operands.empty())
    return fail("--from0 takes the place of the PATH operands: give one or the other");
  switch (options.command) {
    case Command::kList:
      if (options.null_output && options.format != Format::kAuto)
        return fail("-0 writes the paths alone: it excludes --table, --tsv and --json");
      break;
    case Command::kText:
      break;
    case Command::kCheck:
      if (options.operands.empty()) return fail("check: no table file given");
      break;
    case Command::kConvert:
      if (options.operands.size() != 1) return fail("convert: give exactly one input file");
      break;
    case Command::kInfo:
      if (!options.operands.empty()) return fail("info: unexpected operand " + options.operands[0]);
      break;
    case Command::kTables:
      if (!options.operands.empty())
        return fail("tables: unexpected operand " + options.operands[0]);
      if (options.list_overlays && (options.out_dir || options.with || options.force))
        return fail("tables: --list takes no --out, --with or --force");
      if (!options.list_overlays && !options.out_dir) return fail("tables: --out DIR is required");
      break;
    case Command::kRename:
      if (options.undo &&
          (!options.operands.empty() || options.apply || options.dirs || options.recursive ||
           options.field || options.journal || options.fix_links || options.from_code_page != 0))
        return fail(
            "rename: --undo JOURNAL takes no PATH, --apply, --dirs, -r, --field, --journal, "
            "--fix-links or --from-code-page");
      if (options.undo && options.from0) return fail("rename: --undo JOURNAL takes no --from0");
      if (!options.undo && options.operands.empty() && !options.from0)
        return fail("rename: no PATH given");
      if (options.journal && !options.apply)
        return fail("rename: --journal is written only with --apply");
      break;
  }
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
