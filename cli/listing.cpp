#include "cli/listing.h"

#include <algorithm>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <system_error>

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

// A path as the library is given it.
struct FullPath {
  std::u16string units;
  bool well_formed = true;
};

struct Lister {
  const Options& options;
  const host::Plugin& plugin;
  std::vector<FieldInfo> fields;
  std::vector<int> selected;
  std::vector<std::string> selected_names;
  Format format;
  std::vector<Row> rows;  // kept for the aligned table, which needs every width first
  int status = 0;
  int has_unicode = -1;  // the index of the field that tells what the code page cannot hold

  void Error(const fs::path& path, const std::string& message) {
    Write(Stream::kErr, "namefold: " + DescribePath(path).shown + ": " + message + "\n");
    status = 1;
  }

  Cell Value(const std::u16string& path_units, std::u16string_view name, int field) const {
    const FieldValue value = QueryValue(plugin, path_units, field);
    Cell cell;
    if (value.code == NAMEFOLD_FT_BOOLEAN) {
      cell.boolean = true;
      cell.flag = value.flag;
      cell.marked = cell.flag;
    } else if (value.code == NAMEFOLD_FT_WIDE_STRING) {
      cell.text = ToUtf8(value.text);
      cell.marked = value.text != name;
    } else {
      cell.known = false;
    }
    return cell;
  }

  // Every reason the entry will cause trouble: the name's own, `in_folder`'s (the other names it
  // is one with), the path's, and what the ANSI code page cannot hold.
  std::string Problems(const FullPath& full, std::u16string_view name, const fs::path& path,
                       const std::vector<std::string>& in_folder) const {
    std::vector<std::string> kinds = NameProblems(name, NameUnits(path.filename()));
    if (!full.well_formed) kinds.emplace_back("not valid UTF-8");
    if (has_unicode >= 0 && QueryValue(plugin, full.units, has_unicode).flag)
      kinds.emplace_back("not in the ANSI code page");
    if (full.units.size() >= kMaxPathUnits) kinds.emplace_back("path over 259 units");
    kinds.insert(kinds.end(), in_folder.begin(), in_folder.end());
    std::string text;
    for (const std::string& kind : kinds) text += (text.empty() ? "" : "; ") + kind;
    return text;
  }

  void AddRow(const fs::path& path, const fs::path& shown,
              const std::vector<std::string>& in_folder = {}) {
    std::error_code error;
    fs::path absolute = fs::absolute(path, error);
    if (error) return Error(path, error.message());
    absolute = absolute.lexically_normal().make_preferred();
    FullPath full;  // for the library only: no escaped forms
    full.well_formed = PathUnits(absolute, full.units);
    const PathText display = DescribePath(shown);
    if (!full.well_formed) {
      Write(Stream::kErr, "namefold: warning: " + display.shown +
                              ": not valid UTF-8; the library is given U+FFFD for the bad bytes\n");
    }
    // The name as the library takes it: after the last separator of the path it is given.
    const std::size_t separator = full.units.rfind(host::kPathSeparator);
    const std::u16string_view name =
        std::u16string_view(full.units)
            .substr(separator == std::u16string::npos ? 0 : separator + 1);
    Row row{display.shown, display.tsv, display.text, display.well_formed ? "" : display.hex, {}};
    bool changed = false;
    for (int field : selected) {
      row.cells.push_back(Value(full.units, name, field));
      changed = changed || row.cells.back().marked;
    }
    if (options.changed && !changed) return;
    if (options.problems) {
      Cell problems;
      problems.text = Problems(full, name, path, in_folder);
      if (problems.text.empty()) return;
      problems.marked = true;
      row.cells.push_back(std::move(problems));
    }
    if (options.null_output) {
      Write(Stream::kOut, PathBytes(path) + '\0');
    } else if (format == Format::kTsv) {
      Write(Stream::kOut, FormatTsvRow(row));
    } else if (format == Format::kJson) {
      Write(Stream::kOut, FormatJsonLine(selected_names, row));
    } else {
      rows.push_back(std::move(row));
    }
  }

  // The entries of `folder` in byte order; `shown` is how the folder appears in the name column.
  void AddFolder(const fs::path& folder, const fs::path& shown) {
    std::error_code error;
    fs::directory_iterator it(folder, error);
    if (error) return Error(folder, error.message());
    std::vector<fs::directory_entry> entries;
    for (; it != fs::directory_iterator(); it.increment(error)) {
      if (error) break;
      entries.push_back(*it);
    }
    if (error) Error(folder, error.message());
    std::sort(entries.begin(), entries.end(), [](const auto& a, const auto& b) {
      return a.path().filename().native() < b.path().filename().native();
    });
    std::vector<std::vector<std::string>> in_folder(entries.size());
    if (options.problems) {
      std::vector<std::u16string> names(entries.size());
      for (std::size_t i = 0; i < entries.size(); ++i)
        (void)PathUnits(entries[i].path().filename(), names[i]);
      in_folder = FolderProblems(names);
    }
    for (std::size_t i = 0; i < entries.size(); ++i) {
      const fs::directory_entry& entry = entries[i];
      const fs::path entry_shown =
          shown.empty() ? entry.path().filename() : shown / entry.path().filename();
      AddRow(entry.path(), entry_shown, in_folder[i]);
      std::error_code kind_error;
      // Symbolic links to folders are not followed: they could lead back up the tree.
      if (options.recursive && entry.is_directory(kind_error) && !entry.is_symlink(kind_error)) {
        AddFolder(entry.path(), entry_shown);
      }
    }
  }

  void AddOperand(const std::string& operand, bool only_operand) {
    const fs::path path = PathFromArgument(operand);
    std::error_code error;
    const fs::file_status status_found = fs::status(path, error);
    if (error || !fs::exists(status_found)) {
      return Error(path, error ? error.message() : "no such file or folder");
    }
    if (fs::is_directory(status_found)) {
      AddFolder(path, only_operand ? fs::path() : path);
    } else {
      AddRow(path, path);
    }
  }
};

}  // namespace

FieldValue QueryValue(const host::Plugin& plugin, const std::u16string& path_units, int field) {
  std::vector<NamefoldUnit> wide(path_units.begin(), path_units.end());
  wide.push_back(0);
  alignas(std::int32_t) unsigned char buffer[kValueBytes] = {};
  FieldValue value;
  value.code = plugin.get_value_w(wide.data(), field, 0, buffer, kValueBytes, 0);
  if (value.code == NAMEFOLD_FT_BOOLEAN) {
    std::int32_t flag;
    std::memcpy(&flag, buffer, sizeof flag);
    value.flag = flag != 0;
  } else if (value.code == NAMEFOLD_FT_WIDE_STRING) {
    for (std::size_t i = 0; i + 1 < kValueBytes; i += 2) {
      const auto unit = static_cast<char16_t>(buffer[i] | buffer[i + 1] << 8);
      if (unit == 0) break;
      value.text += unit;
    }
  }
  return value;
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
  Lister lister{options, plugin, QueryFields(plugin), {}, {}, options.format, {}, 0};
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
  const bool terminal = IsTerminal(Stream::kOut);
  if (lister.format == Format::kAuto) {  // -0 writes each row as it comes, like TSV
    lister.format = terminal && !options.null_output ? Format::kTable : Format::kTsv;
  }
  if (lister.format == Format::kTsv && !options.null_output)
    Write(Stream::kOut, FormatTsvHeader(lister.selected_names));

  if (options.operands.empty()) {
    lister.AddOperand(".", true);
  } else {
    for (const std::string& operand : options.operands)
      lister.AddOperand(operand, options.operands.size() == 1);
  }
  if (lister.format == Format::kTable) {
    const char* no_color = std::getenv("NO_COLOR");
    const bool color = terminal && (no_color == nullptr || no_color[0] == 0);
    Write(Stream::kOut, FormatTable(lister.selected_names, lister.rows, color,
                                    terminal ? kTerminalCellWidth : 0));
  }
  return lister.status;
}

}  // namespace namefold::cli
