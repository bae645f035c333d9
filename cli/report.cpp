#include "cli/report.h"

#include <algorithm>

#include "cli/display_width.h"
#include "cli/utf.h"

namespace namefold::cli {
namespace {

constexpr const char* kNameHeader = "Name";
constexpr const char* kPathKey = "path";
constexpr const char* kPathHexKey = "path_hex";
constexpr const char* kHighlight = "\x1b[1;33m";
constexpr const char* kReset = "\x1b[0m";

std::string CellText(const Cell& cell) {
  if (!cell.known) return "?";
  if (cell.boolean) return cell.flag ? "1" : "0";
  return EscapeForLine(cell.text);
}

constexpr std::string_view kEllipsis = "\u2026";

// `text` cut to at most `max_width` columns, ending in an ellipsis when it was cut.
std::string Cut(const std::string& text, std::size_t max_width) {
  if (max_width == 0 || DisplayWidth(text) <= max_width) return text;
  std::string_view rest = text;
  std::size_t width = 0;
  while (!rest.empty()) {
    char32_t c;
    std::size_t length = NextCodePoint(rest, c);
    const std::size_t columns = length == 0 ? 1 : static_cast<std::size_t>(CodePointWidth(c));
    if (width + columns + 1 > max_width) break;  // room for the ellipsis
    width += columns;
    rest.remove_prefix(length == 0 ? 1 : length);
  }
  return text.substr(0, text.size() - rest.size()) + std::string(kEllipsis);
}

void Pad(std::string& line, std::size_t width, std::size_t target) {
  line.append(target > width ? target - width : 0, ' ');
}

}  // namespace

std::string FormatTable(const std::vector<std::string>& fields, const std::vector<Row>& rows,
                        bool color, std::size_t max_width, bool header) {
  // Every field cell starts with a one-column marker: "*" when it differs from the name.
  std::vector<std::size_t> widths(fields.size() + 1);
  widths[0] = DisplayWidth(kNameHeader);
  for (std::size_t f = 0; f < fields.size(); ++f) widths[f + 1] = DisplayWidth(fields[f]) + 1;
  std::vector<std::vector<std::string>> texts;
  for (const Row& row : rows) {
    std::vector<std::string>& line = texts.emplace_back();
    line.push_back(Cut(row.shown, max_width));
    for (const Cell& cell : row.cells) line.push_back(Cut(CellText(cell), max_width));
    for (std::size_t c = 0; c < line.size(); ++c)
      widths[c] = std::max(widths[c], DisplayWidth(line[c]) + (c > 0 ? 1 : 0));
  }

  std::string out;
  auto format_line = [&](const std::vector<std::string>& cells, const Row* row) {
    std::string line = cells[0];
    Pad(line, DisplayWidth(cells[0]), widths[0]);
    for (std::size_t c = 1; c < cells.size(); ++c) {
      const bool marked = row != nullptr && row->cells[c - 1].marked;
      line += "  ";
      if (marked && color) line += kHighlight;
      line += marked ? "*" : " ";
      line += cells[c];
      if (marked && color) line += kReset;
      if (c + 1 < cells.size()) Pad(line, DisplayWidth(cells[c]) + 1, widths[c]);
    }
    return line + "\n";
  };
  std::vector<std::string> header_cells{kNameHeader};
  header_cells.insert(header_cells.end(), fields.begin(), fields.end());
  if (header) out += format_line(header_cells, nullptr);
  for (std::size_t r = 0; r < rows.size(); ++r) out += format_line(texts[r], &rows[r]);
  return out;
}

std::string FormatTsvHeader(const std::vector<std::string>& fields) {
  std::string line = kNameHeader;
  for (const std::string& field : fields) line += "\t" + field;
  return line + "\n";
}

std::string FormatTsvRow(const Row& row) {
  std::string line;
  AppendTsvRow(row, line);
  return line;
}

void AppendTsvRow(const Row& row, std::string& out) {
  out += row.tsv;
  for (const Cell& cell : row.cells) {
    out += '\t';
    if (!cell.known)
      out += '?';
    else if (cell.boolean)
      out += cell.flag ? '1' : '0';
    else
      AppendEscapedForLine(cell.text, Backslash::kEscaped, out);
  }
  out += '\n';
}

std::string FormatJsonLine(const std::vector<std::string>& fields, const Row& row) {
  std::string line;
  AppendJsonLine(fields, row, line);
  return line;
}

void AppendJsonLine(const std::vector<std::string>& fields, const Row& row, std::string& out) {
  out += '{';
  AppendJsonString(kPathKey, out);
  out += ':';
  AppendJsonString(row.text, out);
  if (!row.hex.empty()) {
    out += ',';
    AppendJsonString(kPathHexKey, out);
    out += ':';
    AppendJsonString(row.hex, out);
  }
  for (std::size_t f = 0; f < fields.size() && f < row.cells.size(); ++f) {
    const Cell& cell = row.cells[f];
    out += ',';
    AppendJsonString(fields[f], out);
    out += ':';
    if (!cell.known)
      out += "null";
    else if (cell.boolean)
      out += cell.flag ? "true" : "false";
    else
      AppendJsonString(cell.text, out);
  }
  out += "}\n";
}

}  // namespace namefold::cli
