#include "cli/options.h"

#include <algorithm>
#include <array>
#include <cctype>
#include <string_view>

namespace namefold::cli {
namespace {

enum class Takes { kFlag, kValue };

struct OptionSpec {
  std::string_view long_name;
  char short_name;
  Takes takes;
  std::array<bool, 5> applies;  // indexed by Command
};

constexpr std::array<bool, 5> kAll{true, true, true, true, true};
constexpr std::array<bool, 5> kListOnly{true, false, false, false, false};
constexpr std::array<bool, 5> kListAndInfo{true, false, false, true, false};

constexpr OptionSpec kOptionSpecs[] = {
    {"help", 'h', Takes::kFlag, kAll},
    {"version", 0, Takes::kFlag, kAll},
    {"plugin", 0, Takes::kValue, kListAndInfo},
    {"locale", 0, Takes::kValue, kListAndInfo},
    {"recursive", 'r', Takes::kFlag, kListOnly},
    {"changed", 0, Takes::kFlag, kListOnly},
    {"fields", 0, Takes::kValue, kListOnly},
    {"table", 0, Takes::kFlag, kListOnly},
    {"tsv", 0, Takes::kFlag, kListOnly},
    {"json", 0, Takes::kFlag, kListOnly},
    {"single", 0, Takes::kFlag, {false, true, false, false, false}},
    {"sequence", 0, Takes::kFlag, {false, true, false, false, false}},
    {"to-utf8", 0, Takes::kFlag, {false, false, true, false, false}},
    {"to-table", 0, Takes::kFlag, {false, false, true, false, false}},
    {"output", 'o', Takes::kValue, {false, false, true, false, false}},
    {"with", 0, Takes::kValue, {false, false, false, false, true}},
    {"out", 0, Takes::kValue, {false, false, false, false, true}},
    {"list", 0, Takes::kFlag, {false, false, false, false, true}},
};

constexpr std::pair<std::string_view, Command> kCommands[] = {
    {"check", Command::kCheck},
    {"convert", Command::kConvert},
    {"info", Command::kInfo},
    {"tables", Command::kTables},
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
  if (name == "help") options.help = true;
  else if (name == "version") options.version = true;
  else if (name == "plugin") options.plugin = value;
  else if (name == "locale") options.locale = value;
  else if (name == "recursive") options.recursive = true;
  else if (name == "changed") options.changed = true;
  else if (name == "fields") options.fields = value;
  else if (name == "table") return set_format(Format::kTable);
  else if (name == "tsv") return set_format(Format::kTsv);
  else if (name == "json") return set_format(Format::kJson);
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
  } else if (name == "output") options.output = value;
  else if (name == "with") options.with = value;
  else if (name == "out") options.out_dir = value;
  else if (name == "list") options.list_overlays = true;
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

  for (std::size_t i = 0; i < arguments.size(); ++i) {
    const std::string& argument = arguments[i];
    if (options_ended || argument.size() < 2 || argument[0] != '-') {
      if (!command_known && !options_ended && options.operands.empty()) {
        command_known = true;
        const auto* found = std::find_if(std::begin(kCommands), std::end(kCommands),
                                         [&](const auto& c) { return c.first == argument; });
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
    const OptionSpec* spec = nullptr;
    std::string value;
    bool has_value = false;
    std::string spelling;
    if (argument[1] == '-') {
      const std::size_t equals = argument.find('=');
      spelling = argument.substr(0, equals);
      spec = FindLong(std::string_view(spelling).substr(2));
      if (equals != std::string::npos) value = argument.substr(equals + 1), has_value = true;
    } else {
      spelling = argument.substr(0, 2);
      spec = FindShort(argument[1]);
      if (argument.size() > 2) value = argument.substr(2), has_value = true;  // -oFILE
    }
    if (spec == nullptr) return fail("unknown option " + spelling);
    if (spec->takes == Takes::kFlag && has_value) {
      return fail("option " + spelling + " takes no value");
    }
    if (spec->takes == Takes::kValue && !has_value) {
      if (i + 1 >= arguments.size()) return fail("option " + spelling + " needs a value");
      value = arguments[++i];
    }
    given.push_back({spec, value, spelling});
  }

  for (const Pending& option : given) {
    if (!option.spec->applies[static_cast<std::size_t>(options.command)]) {
      return fail("option " + option.spelling + " does not apply to " +
                  (options.command == Command::kList ? std::string("listing files")
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

  switch (options.command) {
    case Command::kList:
      break;
    case Command::kCheck:
      if (options.operands.empty()) return fail("namefold check: no table file given");
      break;
    case Command::kConvert:
      if (options.operands.size() != 1) return fail("namefold convert: give exactly one input file");
      break;
    case Command::kInfo:
      if (!options.operands.empty()) return fail("namefold info: unexpected operand " + options.operands[0]);
      break;
    case Command::kTables:
      if (!options.operands.empty()) return fail("namefold tables: unexpected operand " + options.operands[0]);
      if (!options.list_overlays && !options.out_dir) return fail("namefold tables: --out DIR is required");
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
    selection.indexes.push_back(index);
  }
  selection.ok = true;
  return selection;
}

}  // namespace namefold::cli
