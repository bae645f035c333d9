// The namefold program: a terminal host for the plugin, and tools for its table files.
#include <random>
#include <tuple>

#include "cli/input.h"
#include "cli/listing.h"
#include "cli/options.h"
#include "host/plugin_loader.h"
#include "cli/rename.h"
#include "cli/system.h"
#include "cli/table_build.h"
#include "cli/table_check.h"
#include "cli/table_convert.h"
#include "cli/text.h"
#include "cli/utf.h"
#include "platform/platform.h"
#include "tables/table_files.h"

namespace namefold::cli {
namespace {

constexpr int kUsageError = 2;

constexpr const char* kListIntro =
    "Usage: namefold [OPTIONS] [PATH...]\n"
    "       namefold COMMAND [OPTIONS] ...   (commands: check, convert, info,\n"
    "                                        rename, tables, text)\n"
    "       namefold help [COMMAND]\n"
    "\n"
    "Shows the fields the namefold plugin computes for files: a row per file, or per entry\n"
    "of a folder; the current folder when no PATH is given. Values that differ from the\n"
    "name (and HasUnicode = 1) are marked with '*'.\n";
constexpr const char* kListNotes =
    "Names are shown with control, bidirectional and other invisible characters escaped\n"
    "(\\u202E), so that what is printed is what the name holds.\n"
    "\n"
    "Exit status: 0 when all went well, 1 when a path could not be read, 2 for a usage error.\n"
    "Use '--' before a PATH that is named like a command.\n";

constexpr const char* kCheckIntro =
    "Usage: namefold check [--single | --sequence] FILE...\n"
    "\n"
    "Checks replacement table files with the library's own parsers and reports, by line, what\n"
    "does not do what it seems to: text that is not UTF-16 LE, an odd byte count, a zero unit\n"
    "that ends the text early, text before a key, a key given twice, a line beginning with\n"
    "'=', a one-unit sequence (which ends loading), sequences longer than 4 units, values\n"
    "longer than 7 units, sequences that a later line hides, a '/' (the name's edge) where\n"
    "it can never match, and a rule switch ('//' and a virama) whose value is not 'medial'.\n"
    "\n"
    "The table kind comes from the file name (...1.tbl single-character, ...2.tbl sequence)\n"
    "unless --single or --sequence is given.\n";
constexpr const char* kCheckNotes =
    "A file the library would not load (not a regular file, over its limit of 64 MiB) is\n"
    "reported as such and not read. The first 20 problems of each kind are shown, and a count\n"
    "of the rest.\n"
    "\n"
    "Exit status: 0 when every file is clean, 1 when problems were found, 2 for a usage error.\n";

constexpr const char* kConvertIntro =
    "Usage: namefold convert [--to-utf8 | --to-table] [--from-code-page N] FILE [-o OUTPUT]\n"
    "\n"
    "Converts between the table file encoding (UTF-16 LE with a byte-order mark and CR LF line\n"
    "ends) and UTF-8 text with LF line ends, for editing a table in any editor. Without a\n"
    "direction, a UTF-16 LE file becomes UTF-8 and anything else (UTF-8, UTF-16 BE) becomes a\n"
    "table file. Writes to OUTPUT, or to standard output. 8-bit text needs the code page it\n"
    "was saved in: --from-code-page 1251 reads it (then it becomes a table file by default).\n";
constexpr const char* kConvertNotes =
    "  namefold convert namefold1.tbl -o namefold1.txt      (edit namefold1.txt, then)\n"
    "  namefold convert namefold1.txt -o namefold1.tbl\n";

constexpr const char* kInfoIntro =
    "Usage: namefold info [--plugin FILE] [--locale NAME]\n"
    "\n"
    "Shows the plugin library in use, the two table files it looks for (whether they exist and\n"
    "parse cleanly), the ANSI code page it sees, its fields and the version.\n";
constexpr const char* kInfoNotes =
    "Exit status: 0 when all is well (a missing table is not an error), 1 when the library\n"
    "cannot be loaded or a table cannot be read or has problems, 2 for a usage error.\n";

constexpr const char* kTablesIntro =
    "Usage: namefold tables [--with LIST] [--without SCRIPTS] [--force] --out DIR\n"
    "       namefold tables --list\n"
    "\n"
    "Writes the default replacement tables, namefold1.tbl and namefold2.tbl, into DIR, with the\n"
    "language overlays in LIST (comma-separated, e.g. de,uk) replacing default entries: the\n"
    "entries an overlay replaces are left out, so the tables check clean. Two overlays of one\n"
    "kind for one script (uk and ru) exclude each other. Table files that already exist in DIR\n"
    "are kept unless --force (-f) is given. --list shows the overlays.\n";
constexpr const char* kTablesNotes =
    "--without SCRIPTS leaves the entries of those scripts out (arabic, cyrillic, greek, hangul,\n"
    "hebrew, kana, thai), so that every field keeps them: on a system whose code page holds\n"
    "your own script without keeping it (Hangul under code page 949), use --without hangul.\n"
    "\n"
    "A host reads the tables beside the plugin: write them into its plugin folder, or copy\n"
    "them there. The program reads them with 'namefold --tables DIR'.\n";

constexpr const char* kRenameIntro =
    "Usage: namefold rename [--field NAME|INDEX] [-r] [--dirs] [--apply] [--journal FILE]\n"
    "                       [--fix-links] [--from-code-page N] PATH... | --from0 FILE\n"
    "       namefold rename --undo JOURNAL\n"
    "\n"
    "Renames files to the value a field gives them (default NameReplaceUserAll; fields 1 to 4\n"
    "by name or index): each file given, or each entry of a folder given. Without --apply it\n"
    "only shows what it would do (OLD \u2192 NEW) and says what it would skip and why.\n";
constexpr const char* kRenameNotes =
    "No file is ever replaced, and nothing outside the PATHs is renamed: folders are opened\n"
    "one by one without following links, and renames go through the open folder. A rename is\n"
    "left out when a file of the new name exists (also one that differs only in case where the\n"
    "file system folds it), when two names of a folder would become one (compared exactly and\n"
    "as Windows compares names: all of them are left out), and when Windows or archives cannot\n"
    "hold the new name: empty, . or .., longer than 255 units, CON, PRN, AUX, NUL, COM0-9,\n"
    "LPT0-9, COM or LPT with a superscript 1, 2 or 3 (with any extension), a leading space, a\n"
    "trailing dot or space, one of < > : \" / \\ | ? *, a control character, or a leading dot\n"
    "the old name did not have (it would hide the file). Links that would point at a renamed\n"
    "name are reported (\"would dangle\").\n"
    "\n"
    "The journal holds each rename with the file's identity, on disk before the rename is made,\n"
    "then its outcome. Undo moves back only the file the run moved, never over a file, and says\n"
    "of each rename what it found: restored, already back, not renamed by the run, changed\n"
    "since, or could not.\n"
    "\n"
    "Exit status: 0 when all went as planned, 1 when something was skipped, failed or would\n"
    "dangle, 2 for a usage error.\n";

constexpr const char* kTextIntro =
    "Usage: namefold text [--field NAME|INDEX] [-z] [--locale NAME] [--plugin FILE]\n"
    "                     [--tables DIR] [STRING...]\n"
    "\n"
    "Converts each STRING, or each line of standard input, as the library converts a file's\n"
    "name, and writes one line for each: the value of the field (default NameReplaceUserAll;\n"
    "HasUnicode as 0 or 1). Nothing else in the line changes: its end (LF or CR LF, or none on\n"
    "the last line) is kept, and in a path each name is converted on its own, the separators\n"
    "and the names . and .. kept. Bytes that are not UTF-8 reach the library as U+FFFD, with a\n"
    "warning.\n";
constexpr const char* kTextNotes =
    "  printf 'Cr\u00E8me br\u00FBl\u00E9e\\n' | namefold text      writes Creme brulee\n"
    "\n"
    "Exit status: 0; 1 when a name was longer than the library converts whole (1023 units):\n"
    "its line is written unchanged; 2 for a usage error.\n";

void Print(const std::string& text) {
  Write(Stream::kOut, text);
}
void PrintError(const std::string& text) {
  Write(Stream::kErr, "namefold: " + text + "\n");
}

// The library beside the program (the build's output folder, a host's plugin folder), else where
// an installation puts it: PREFIX/lib/namefold beside PREFIX/bin.
fs::path DefaultPlugin() {
  const fs::path folder = host::ExecutablePath().parent_path();
  const fs::path beside = folder / host::kLibraryFileName;
  const fs::path installed =
      (folder / NAMEFOLD_PLUGIN_FROM_PROGRAM / host::kLibraryFileName).lexically_normal();
  std::error_code code;
  return fs::exists(beside, code) || !fs::exists(installed, code) ? beside : installed;
}

// The plugin reads the tables beside itself, named after itself, as in a host's plugin folder.
// With --tables DIR it is loaded from a copy in a private temporary folder that holds DIR's two
// tables under the names the copy looks for; the folder goes when the program ends, after the
// plugin has been unloaded.
class TablesFolder {
 public:
  TablesFolder() = default;
  TablesFolder(const TablesFolder&) = delete;
  TablesFolder& operator=(const TablesFolder&) = delete;
  ~TablesFolder() {
    std::error_code code;
    if (!path_.empty()) fs::remove_all(path_, code);
  }

  // The path of the copy of `library` beside the tables of `tables`; empty, with `error` set,
  // when a table is missing or a copy fails.
  fs::path Prepare(const fs::path& library, const fs::path& tables, std::string& error) {
    std::error_code code;
    std::random_device random;
    for (int attempt = 0; attempt < 16 && path_.empty(); ++attempt) {
      const fs::path candidate =
          fs::temp_directory_path(code) / ("namefold-tables-" + std::to_string(random()));
      if (!code && fs::create_directory(candidate, code)) path_ = candidate;
    }
    if (path_.empty()) {
      error = "cannot create a temporary folder for the plugin and its tables";
      return {};
    }
    const fs::path copy = path_ / library.filename();
    for (const char* suffix : {"1.tbl", "2.tbl"}) {
      const fs::path table = tables / (std::string("namefold") + suffix);
      if (!fs::is_regular_file(table, code)) {
        error =
            DescribePath(table).shown + ": no such table (namefold tables --out DIR writes both)";
        return {};
      }
      fs::path name = library.stem();  // abc.dll reads abc1.tbl
      name += suffix;
      if (!fs::copy_file(table, path_ / name, code)) {
        error = DescribePath(table).shown + ": " + code.message();
        return {};
      }
    }
    if (!fs::copy_file(library, copy, code)) {
      error = DescribePath(library).shown + ": " + code.message();
      return {};
    }
    return copy;
  }

 private:
  fs::path path_;
};

// Loads the plugin; returns 0, or the exit status when it cannot be.
int Load(const Options& options, host::Plugin& plugin) {
  if (options.locale) {
    std::string error;
    if (!SelectLibraryLocale(*options.locale, error)) {
      PrintError(error);
      return kUsageError;
    }
  }
  fs::path path = options.plugin ? PathFromArgument(*options.plugin) : DefaultPlugin();
  std::string error;
  if (options.tables) {
    static TablesFolder folder;  // removed at exit, after the plugin is unloaded
    path = folder.Prepare(path, PathFromArgument(*options.tables), error);
    if (path.empty()) {
      PrintError("--tables: " + EscapeForLine(error));
      return 1;
    }
  }
  if (!host::LoadPlugin(path, plugin, error)) {
    PrintError("cannot load the plugin: " + EscapeForLine(error));
    return 1;
  }
  return 0;
}

// The kind of a table file from its name: "...1.tbl" or "...2.tbl".
bool TypeFromName(const fs::path& path, TableKind kind, TableType& type) {
  if (kind != TableKind::kFromName) {
    type = kind == TableKind::kSingle ? TableType::kSingleChar : TableType::kSequence;
    return true;
  }
  const std::string name = DescribePath(path.filename()).text;
  auto ends_with = [&](const char* suffix) {
    const std::string s = suffix;
    return name.size() >= s.size() &&
           std::equal(s.rbegin(), s.rend(), name.rbegin(),
                      [](char a, char b) { return a == (b >= 'A' && b <= 'Z' ? b + 32 : b); });
  };
  if (ends_with("1.tbl"))
    type = TableType::kSingleChar;
  else if (ends_with("2.tbl"))
    type = TableType::kSequence;
  else
    return false;
  return true;
}

// The code page that 8-bit text was most likely saved in: the one the library sees, unless
// that is UTF-8, which such text is not.
int LikelyCodePage() {
  const int ansi = platform::AnsiCodePage();
  return ansi == 65001 ? 1252 : ansi;
}

// A table file read as the library reads it: refused when it is not a regular file, is larger
// than the library's limit or reads short, so that the check can never pass a file the library
// leaves out. An empty file is read, and CheckTable says what the library makes of it.
bool ReadTable(const fs::path& path, std::string& bytes, std::string& error) {
  if (ReadFileBytes(path, bytes, error, kMaxTableFileBytes)) return true;
  error += ": the library leaves this table out and replaces nothing from it";
  return false;
}

const char* EntriesWord(TableType type) {
  return type == TableType::kSingleChar ? " keys" : " entries";
}

int RunCheck(const Options& options) {
  int status = 0;
  for (const std::string& operand : options.operands) {
    const fs::path path = PathFromArgument(operand);
    const std::string shown = DescribePath(path).shown;
    TableType type;
    if (!TypeFromName(path, options.kind, type)) {
      PrintError("check: " + shown +
                 ": cannot tell the table kind from the name (not ...1.tbl "
                 "or ...2.tbl): give --single or --sequence");
      return kUsageError;
    }
    std::string bytes, error;
    if (!ReadTable(path, bytes, error)) {
      PrintError("check: " + shown + ": " + error);
      status = 1;
      continue;
    }
    const TableCheck check = CheckTable(bytes, type, LikelyCodePage());
    std::string out;
    for (const TableProblem& problem : check.problems) {
      out += shown + (problem.line > 0 ? ":" + std::to_string(problem.line) : "") + ": " +
             problem.message + "\n";
    }
    for (std::size_t kind = 0; kind < kProblemKindCount; ++kind) {
      if (check.omitted[kind] == 0) continue;
      out += shown + ": " + std::to_string(check.omitted[kind]) + " more of the kind \"" +
             ProblemKindName(static_cast<ProblemKind>(kind)) + "\" not shown\n";
    }
    const char* kind_name = type == TableType::kSingleChar ? "single-character" : "sequence";
    out += shown + ": " + kind_name + " table, " + std::to_string(check.entries) +
           EntriesWord(type) + ", " +
           (check.problem_count == 0 ? std::string("clean")
                                     : std::to_string(check.problem_count) + " problem(s)") +
           "\n";
    Print(out);
    if (check.problem_count != 0) status = 1;
  }
  return status;
}

int RunConvert(const Options& options) {
  const fs::path input = PathFromArgument(options.operands[0]);
  const std::string shown = DescribePath(input).shown;
  std::string bytes, error;
  if (!ReadFileBytes(input, bytes, error)) {
    PrintError("convert: " + shown + ": " + error);
    return 1;
  }
  Direction direction = options.direction;
  if (options.from_code_page != 0) {  // 8-bit text: UTF-8 first, then as any UTF-8 text
    std::u16string units;
    if (!DecodeCodePage(options.from_code_page, bytes, units, error)) {
      PrintError("convert: " + shown + ": " + error);
      return 1;
    }
    bytes = ToUtf8(units);
    if (direction == Direction::kAuto) direction = Direction::kToTable;
  }
  const Conversion conversion = ConvertTableText(bytes, direction);
  if (!conversion.ok) {
    const bool eight_bit =
        options.from_code_page == 0 && DetectEncoding(bytes) == TextEncoding::kEightBit;
    PrintError("convert: " + shown + ": " + conversion.error +
               (eight_bit ? " (8-bit text: name its code page, e.g. --from-code-page " +
                                std::to_string(LikelyCodePage()) + ")"
                          : ""));
    return 1;
  }
  if (!options.output) {
    if (conversion.to_table && IsTerminal(Stream::kOut)) {
      PrintError("a table file is UTF-16: give -o FILE rather than writing it to the terminal");
      return kUsageError;
    }
    Print(conversion.bytes);
    return 0;
  }
  const fs::path output = PathFromArgument(*options.output);
  if (!WriteFileBytes(output, conversion.bytes, error)) {
    PrintError(DescribePath(output).shown + ": " + error);
    return 1;
  }
  return 0;
}

// One table's line of `namefold info`; `trouble` is set to true when the table is not as it should
// be.
std::string TableStatus(const fs::path& path, TableType type, bool& trouble) {
  std::error_code code;
  if (!fs::exists(path, code)) return "missing (the fields are computed without it)";
  std::string bytes, error;
  if (!ReadTable(path, bytes, error)) {
    trouble = true;
    return "present, " + error;
  }
  const TableCheck check = CheckTable(bytes, type, LikelyCodePage());
  const std::string count = std::to_string(check.entries) + EntriesWord(type);
  if (check.problem_count == 0) return "present, parses cleanly, " + count;
  trouble = true;
  return "present, " + count + ", " + std::to_string(check.problem_count) +
         " problem(s): run namefold check on it";
}

int RunInfo(const Options& options) {
  host::Plugin plugin;
  if (const int status = Load(options, plugin); status != 0) return status;
  std::error_code code;
  const fs::path library =
      fs::absolute(options.plugin ? PathFromArgument(*options.plugin) : DefaultPlugin(), code)
          .lexically_normal()
          .make_preferred();
  std::string out = "namefold " NAMEFOLD_VERSION "\n";
  out += "library:        " + DescribePath(library).shown + "\n";
  const std::u16string library_units = DescribePath(library).units;
  bool trouble = false;  // a table that cannot be read or has problems
  for (const auto& [suffix, type] :
       {std::pair{u"1.tbl", TableType::kSingleChar}, std::pair{u"2.tbl", TableType::kSequence}}) {
    std::u16string table(library_units.size() + 8, u'\0');
    const std::size_t length =
        TableFilePath(library_units.c_str(), host::kPathSeparator, suffix, table);
    out += type == TableType::kSingleChar ? "single table:   " : "sequence table: ";
    if (length == 0) {
      out += "none (the library's path has no folder)\n";
      continue;
    }
    table.resize(length);
    const fs::path table_path = PathFromArgument(ToUtf8(table));
    out += DescribePath(table_path).shown + "\n                " +
           TableStatus(table_path, type, trouble) + "\n";
  }
  out += "ANSI code page: " + std::to_string(platform::AnsiCodePage()) + " (" +
         EscapeForLine(CodePageSource()) + ")\n";
  out += "fields:        ";
  int index = 0;
  for (const FieldInfo& field : QueryFields(plugin))
    out += " " + std::to_string(index++) + " " + field.name;
  Print(out + "\n");
  host::UnloadPlugin(plugin);
  return trouble ? 1 : 0;
}

int RunTables(const Options& options) {
  if (options.list_overlays) {
    std::string out;
    for (const std::string& name : AvailableOverlays()) out += name + "\n";
    Print(out);
    return 0;
  }
  const BuiltTables tables =
      BuildTables(options.with ? SplitList(*options.with) : std::vector<std::string>{},
                  options.without ? SplitList(*options.without) : std::vector<std::string>{});
  if (!tables.ok) {
    PrintError("tables: " + tables.error);
    return kUsageError;
  }
  const fs::path folder = PathFromArgument(*options.out_dir);
  std::error_code code;
  fs::create_directories(folder, code);
  if (code) {
    PrintError(DescribePath(folder).shown + ": " + code.message());
    return 1;
  }
  constexpr const char* kNames[] = {"namefold1.tbl", "namefold2.tbl"};
  for (const char* name : kNames) {  // a user's edited tables are not replaced unasked
    if (!options.force && fs::exists(folder / name, code)) {
      PrintError("tables: " + DescribePath(folder / name).shown +
                 " exists: give --force to replace it");
      return 1;
    }
  }
  std::string out;
  for (const auto& [name, bytes, entries] :
       {std::tuple{kNames[0], &tables.single_bytes, tables.single_entries},
        std::tuple{kNames[1], &tables.sequence_bytes, tables.sequence_entries}}) {
    const fs::path path = folder / name;
    std::string error;
    if (!WriteFileBytes(path, *bytes, error)) {
      PrintError(DescribePath(path).shown + ": " + error);
      return 1;
    }
    out += DescribePath(path).shown + ": " + std::to_string(entries) + " entries\n";
  }
  const std::string shown = DescribePath(folder).shown;
  out +=
      "\nTo use them in a host, put both files in the plugin's folder, beside the library\n"
      "(namefold.dll reads namefold1.tbl and namefold2.tbl), and restart the host.\n"
      "To use them with this program: namefold --tables " +
      shown + " [PATH...]\n";
  Print(out);
  return 0;
}

// The operand rules, one per command.
std::string ListOperands(const Options& options) {
  if (options.null_output && options.format != Format::kAuto)
    return "-0 writes the paths alone: it excludes --table, --tsv and --json";
  return {};
}
std::string AnyOperands(const Options&) {
  return {};
}
std::string CheckOperands(const Options& options) {
  return options.operands.empty() ? "check: no table file given" : "";
}
std::string ConvertOperands(const Options& options) {
  return options.operands.size() != 1 ? "convert: give exactly one input file" : "";
}
std::string InfoOperands(const Options& options) {
  return options.operands.empty() ? "" : "info: unexpected operand " + options.operands[0];
}
std::string TablesOperands(const Options& options) {
  if (!options.operands.empty()) return "tables: unexpected operand " + options.operands[0];
  if (options.list_overlays && (options.out_dir || options.with || options.force))
    return "tables: --list takes no --out, --with or --force";
  if (!options.list_overlays && !options.out_dir) return "tables: --out DIR is required";
  return {};
}
std::string RenameOperands(const Options& options) {
  if (options.undo &&
      (!options.operands.empty() || options.apply || options.dirs || options.recursive ||
       options.field || options.journal || options.fix_links || options.from_code_page != 0))
    return "rename: --undo JOURNAL takes no PATH, --apply, --dirs, -r, --field, --journal, "
           "--fix-links or --from-code-page";
  if (options.undo && options.from0) return "rename: --undo JOURNAL takes no --from0";
  if (!options.undo && options.operands.empty() && !options.from0) return "rename: no PATH given";
  if (options.journal && !options.apply) return "rename: --journal is written only with --apply";
  return {};
}

// Runs `run` with the plugin loaded as the options say.
int WithPlugin(const Options& options, int (*run)(const Options&, const host::Plugin&)) {
  host::Plugin plugin;
  if (const int status = Load(options, plugin); status != 0) return status;
  const int status = run(options, plugin);
  host::UnloadPlugin(plugin);
  return status;
}

int RunList(const Options& options) {
  return WithPlugin(options, ListFiles);
}
int RunRenameCommand(const Options& options) {
  return options.undo ? RunUndo(options) : WithPlugin(options, RunRename);
}
int RunText(const Options& options) {
  return WithPlugin(options, ConvertText);
}

constexpr CommandRow kCommandRows[] = {
    {Command::kList, "", kListIntro, kListNotes, ListOperands, RunList},
    {Command::kCheck, "check", kCheckIntro, kCheckNotes, CheckOperands, RunCheck},
    {Command::kConvert, "convert", kConvertIntro, kConvertNotes, ConvertOperands, RunConvert},
    {Command::kInfo, "info", kInfoIntro, kInfoNotes, InfoOperands, RunInfo},
    {Command::kRename, "rename", kRenameIntro, kRenameNotes, RenameOperands, RunRenameCommand},
    {Command::kTables, "tables", kTablesIntro, kTablesNotes, TablesOperands, RunTables},
    {Command::kText, "text", kTextIntro, kTextNotes, AnyOperands, RunText},
};

}  // namespace

std::span<const CommandRow> CommandRows() {
  return kCommandRows;
}

int Main(const std::vector<std::string>& arguments) {
  const ParsedArguments parsed = ParseArguments(arguments);
  if (!parsed.ok) {
    const Command command = parsed.options.command;
    PrintError(EscapeForLine(parsed.error) + " (see namefold " +
               (command == Command::kList ? "" : CommandName(command) + std::string(" ")) +
               "--help)");
    return kUsageError;
  }
  Options options = parsed.options;
  if (options.help) {
    Print(HelpOf(options.command));
    return 0;
  }
  if (options.version) {
    Print("namefold " NAMEFOLD_VERSION "\n");
    return 0;
  }
  if (options.from0) {  // the paths take the place of the operands, for listing and rename alike
    std::string error;
    if (!ReadNulTerminatedPaths(*options.from0, options.operands, error)) {
      PrintError("--from0 " + EscapeForLine(*options.from0) + ": " + error);
      return 1;
    }
    if (options.operands.empty()) return 0;  // nothing to list or rename, not the current folder
  }
  return RowOf(options.command).run(options);
}

}  // namespace namefold::cli
