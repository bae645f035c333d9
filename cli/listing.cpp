#include "cli/listing.h"

#include <algorithm>
#include <cstdint>
#include <cstdlib>
#include <cstring>

#include "cli/problems.h"
#include "cli/report.h"
#include "cli/system.h"
#include "cli/utf.h"

namespace namefold::cli {
namespace {

constexpr int kFieldNameBytes = 256;
constexpr std::size_t kTerminalCellWidth = 60;  // a longer name would widen every row
constexpr int kValueBytes = 4096;  // room for the longest name the library returns (1023 units)
constexpr std::size_t kMaxPathUnits = 260;  // MAX_PATH, the terminator included
constexpr std::size_t kFlushBytes = 1 << 16;
constexpr std::size_t kTableRows = 1000;  // an aligned table is printed in parts of this many rows

// A folder being listed: how the library and the output name what it holds.
struct Place {
  std::u16string units;  // its absolute path for the library, ending in a separator
  bool units_well_formed = true;
  fs::path path;       // the path it is reached by: the operand as given, joined with names
  fs::path shown;      // the same as the output names it (empty: entries by their own names)
  PathText described;  // `shown` in each output form, ending in a separator unless empty
};

struct Lister {
  Lister(const Options& given, const host::Plugin& library)
      : options(given), plugin(library), fields(QueryFields(library)) {}

  const Options& options;
  const host::Plugin& plugin;
  std::vector<FieldInfo> fields;
  std::vector<int> selected;
  std::vector<std::string> selected_names;
  Format format = Format::kAuto;
  bool terminal = false;
  bool color = false;
  int status = 0;
  int has_unicode = -1;  // the index of the field that tells what the code page cannot hold

  std::string out;        // rows not written yet
  std::vector<Row> rows;  // the aligned table's rows not printed yet
  bool table_header = true;
  Row row;  // the row being filled, its strings reused from row to row
  FieldReader reader{plugin};
  std::u16string units;  // the path given to the library
  std::vector<std::string> no_problems;

  void Error(const fs::path& path, const std::string& message) {
    Flush();  // the rows before it come first
    Write(Stream::kErr, "namefold: " + DescribePath(path).shown + ": " + message + "\n");
    status = 1;
  }

  void Flush() {
    if (!rows.empty()) {
      out +=
          FormatTable(selected_names, rows, color, terminal ? kTerminalCellWidth : 0, table_header);
      table_header = false;
      rows.clear();
    }
    Write(Stream::kOut, out);
    out.clear();
  }

  void SetCell(Cell& cell, std::u16string_view name, int field) {
    const FieldValue& value = reader.Read(units, field);
    cell.known = true;  // the text keeps its room from row to row
    cell.boolean = cell.flag = cell.marked = false;
    if (value.code == NAMEFOLD_FT_BOOLEAN) {
      cell.boolean = true;
      cell.flag = value.flag;
      cell.marked = cell.flag;
    } else if (value.code == NAMEFOLD_FT_WIDE_STRING) {
      (void)EncodeUtf8(value.text, cell.text);
      cell.marked = value.text != name;
    } else {
      cell.known = false;
    }
  }

  // Every reason the entry will cause trouble: the name's own, `in_folder`'s (the other names it
  // is one with), the path's, and what the ANSI code page cannot hold.
  std::string Problems(bool well_formed, std::u16string_view name, const fs::path& native_name,
                       const std::vector<std::string>& in_folder) {
    std::vector<std::string> kinds = NameProblems(name, NameUnits(native_name));
    if (!well_formed) kinds.emplace_back("not valid UTF-8");
    if (has_unicode >= 0 && reader.Read(units, has_unicode).flag)
      kinds.emplace_back("not in the ANSI code page");
    if (units.size() >= kMaxPathUnits) kinds.emplace_back("path over 259 units");
    kinds.insert(kinds.end(), in_folder.begin(), in_folder.end());
    std::string text;
    for (const std::string& kind : kinds) text += (text.empty() ? "" : "; ") + kind;
    return text;
  }

  // One row: the entry `name` of `place`. `shown_as`, when given, is what the output calls it
  // (a file operand is named as the user gave it).
  void AddRow(const Place& place, const fs::path& name, const std::vector<std::string>& in_folder,
              const fs::path* shown_as = nullptr) {
    const PathText described = DescribePath(name);
    PathText operand;
    if (shown_as != nullptr) operand = DescribePath(*shown_as);
    const PathText& display = shown_as != nullptr ? operand : described;
    units.assign(place.units);
    units += described.units;
    const bool well_formed = place.units_well_formed && described.well_formed;
    if (!well_formed) {
      Flush();
      Write(Stream::kErr, "namefold: warning: " + place.described.shown + display.shown +
                              ": not valid UTF-8; the library is given U+FFFD for the bad bytes\n");
    }
    const std::u16string_view library_name = std::u16string_view(units).substr(place.units.size());
    row.cells.resize(selected.size());
    bool changed = false;
    for (std::size_t i = 0; i < selected.size(); ++i) {
      SetCell(row.cells[i], library_name, selected[i]);
      changed = changed || row.cells[i].marked;
    }
    if (options.changed && !changed) return;
    if (options.problems) {
      Cell& problems = row.cells.emplace_back();
      problems.text = Problems(well_formed, library_name, name, in_folder);
      if (problems.text.empty()) return;
      problems.marked = true;
    }
    if (options.null_output) {
      out += PathBytes(shown_as != nullptr ? *shown_as : place.path / name);
      out += '\0';
    } else if (format == Format::kTsv) {
      row.tsv = place.described.tsv + display.tsv;
      AppendTsvRow(row, out);
    } else if (format == Format::kJson) {
      row.text = place.described.text + display.text;
      row.hex.clear();
      if (!place.described.well_formed || !display.well_formed)
        row.hex = DescribePath(place.shown / (shown_as != nullptr ? *shown_as : name)).hex;
      AppendJsonLine(selected_names, row, out);
    } else {
      row.shown = place.described.shown + display.shown;
      rows.push_back(row);
      if (rows.size() >= kTableRows) Flush();
    }
    if (out.size() >= kFlushBytes) Flush();
  }

  // The entries of `folder` in byte order, each folder's entries right after its own row.
  void AddFolder(const Folder& folder, const Place& place) {
    std::vector<Listed> entries;
    std::string error;
    if (!ListFolder(folder, entries, error)) Error(place.path, error);
    SortByName(entries);
    std::vector<std::vector<std::string>> in_folder;
    if (options.problems) {
      std::vector<std::u16string> names(entries.size());
      std::vector<std::string> shown;  // only where a name is not UTF-8
      for (std::size_t i = 0; i < entries.size(); ++i) {
        if (PathUnits(entries[i].name, names[i])) continue;
        shown.resize(entries.size());
        shown[i] = EscapeForLine(PathBytes(entries[i].name));
      }
      in_folder = FolderProblems(names, shown);
    }
    for (std::size_t i = 0; i < entries.size(); ++i) {
      const Listed& entry = entries[i];
      AddRow(place, entry.name, in_folder.empty() ? no_problems : in_folder[i]);
      // Symbolic links to folders are not followed: they could lead back up the tree.
      if (!options.recursive || entry.type != EntryType::kFolder) continue;
      Folder sub;
      if (!OpenSubfolder(folder, entry.name, sub, error)) {
        Error(place.path / entry.name, error);
        continue;
      }
      AddFolder(sub, Below(place, entry.name));
    }
  }

  // The place of the folder `name` of `place`.
  static Place Below(const Place& place, const fs::path& name) {
    const PathText described = DescribePath(name);
    Place below;
    below.units = place.units + described.units + host::kPathSeparator;
    below.units_well_formed = place.units_well_formed && described.well_formed;
    below.path = place.path / name;
    below.shown = place.shown / name;
    below.described.shown = place.described.shown + described.shown;
    below.described.tsv = place.described.tsv + described.tsv;
    below.described.text = place.described.text + described.text;
    below.described.well_formed = place.described.well_formed && described.well_formed;
    EndInSeparator(below.described);
    return below;
  }

  // The place of the operand `path`, a folder, or of the folder that holds the file `path`.
  bool Locate(const fs::path& path, bool is_folder, Place& place) {
    std::error_code error;
    fs::path absolute = fs::absolute(path, error);
    if (error) {
      Error(path, error.message());
      return false;
    }
    absolute = absolute.lexically_normal().make_preferred();
    if (!is_folder) absolute = absolute.parent_path();
    place.units_well_formed = PathUnits(absolute, place.units);
    if (place.units.empty() || place.units.back() != host::kPathSeparator)
      place.units += host::kPathSeparator;
    place.path = is_folder ? path : path.parent_path();
    return true;
  }

  // `operand` as given; `implicit` for the current folder when no operand is given, whose
  // entries go by their own names.
  void AddOperand(const std::string& operand, bool implicit, bool only) {
    const fs::path path = PathFromArgument(operand);
    std::error_code code;
    const fs::file_status found = fs::status(path, code);
    if (code || !fs::exists(found)) {
      return Error(path, code ? code.message() : "no such file or folder");
    }
    Place place;
    if (!fs::is_directory(found)) {
      if (Locate(path, false, place)) AddRow(place, path.filename(), no_problems, &path);
      return;
    }
    Folder folder;
    std::string error;
    if (!OpenFolder(path, folder, error)) return Error(path, error);
    if (!Locate(path, true, place)) return;
    // Scripts get the path as given, joined with the entries' names; a table of one folder,
    // read by people, the names below it.
    if (!implicit && !(only && format == Format::kTable)) {
      place.shown = path;
      place.described = DescribePath(path);
      EndInSeparator(place.described);
    }
    AddFolder(folder, place);
  }
};

}  // namespace

const FieldValue& FieldReader::Read(std::u16string_view path, int field) {
  path_.assign(path.begin(), path.end());
  path_.push_back(0);
  alignas(std::int32_t) unsigned char buffer[kValueBytes];
  value_.code = plugin_.get_value_w(path_.data(), field, 0, buffer, kValueBytes, 0);
  value_.flag = false;
  value_.text.clear();
  if (value_.code == NAMEFOLD_FT_BOOLEAN) {
    std::int32_t flag;
    std::memcpy(&flag, buffer, sizeof flag);
    value_.flag = flag != 0;
  } else if (value_.code == NAMEFOLD_FT_WIDE_STRING) {
    std::size_t length = 0;
    while (2 * length + 1 < kValueBytes && (buffer[2 * length] | buffer[2 * length + 1]) != 0)
      ++length;
    value_.text.resize(length);
    for (std::size_t i = 0; i < length; ++i)
      value_.text[i] = static_cast<char16_t>(buffer[2 * i] | buffer[2 * i + 1] << 8);
  }
  return value_;
}

std::vector<FieldInfo> QueryFields(const host::Plugin& plugin) {
  std::vector<FieldInfo> fields;
  for (int index = 0;; ++index) {
    char name[kFieldNameBytes] = {};
    char units[kFieldNameBytes] = {};
    const int type = plugin.get_supported_field(index, name, units, kFieldNameBytes);
    if (type == NAMEFOLD_FT_NO_MORE_FIELDS || index >= 256) break;
    fields.push_back({name, type});
  }
  return fields;
}

int ListFiles(const Options& options, const host::Plugin& plugin) {
  Lister lister(options, plugin);
  std::vector<std::string> names;
  for (const FieldInfo& field : lister.fields) names.push_back(field.name);
  const FieldSelection selection = SelectFields(options.fields, names);
  if (!selection.ok) {
    Write(Stream::kErr, "namefold: " + selection.error + "\n");
    return 2;
  }
  lister.selected = selection.indexes;
  if (options.problems && !options.fields) lister.selected.clear();  // the reasons alone
  for (int index : lister.selected)
    lister.selected_names.push_back(names[static_cast<std::size_t>(index)]);
  for (std::size_t i = 0; i < lister.fields.size(); ++i)
    if (lister.fields[i].type == NAMEFOLD_FT_BOOLEAN) lister.has_unicode = static_cast<int>(i);
  if (options.problems) lister.selected_names.push_back("Problems");
  lister.terminal = IsTerminal(Stream::kOut);
  lister.format = options.format;
  if (lister.format == Format::kAuto) {  // -0 writes each row as it comes, like TSV
    lister.format = lister.terminal && !options.null_output ? Format::kTable : Format::kTsv;
  }
  const char* no_color = std::getenv("NO_COLOR");
  lister.color = lister.terminal && (no_color == nullptr || no_color[0] == 0);
  if (lister.format == Format::kTsv && !options.null_output)
    lister.out += FormatTsvHeader(lister.selected_names);

  if (options.operands.empty()) {
    lister.AddOperand(".", true, true);
  } else {
    for (const std::string& operand : options.operands)
      lister.AddOperand(operand, false, options.operands.size() == 1);
  }
  if (lister.format == Format::kTable && lister.table_header && lister.rows.empty())
    lister.out += FormatTable(lister.selected_names, {}, lister.color, 0);
  lister.Flush();
  return lister.status;
}

}  // namespace namefold::cli
