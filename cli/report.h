// The rows of `namefold PATH...` in the three output formats.
#pragma once

#include <string>
#include <vector>

namespace namefold::cli {

struct Cell {
  bool known = true;     // false when the library refused the value (shown as "?", JSON null)
  bool boolean = false;  // a "HasUnicode"-like field: `flag` holds the value
  bool flag = false;
  std::string text;     // a string value, UTF-8
  bool marked = false;  // the value differs from the name (a boolean: it is 1)
};

struct Row {
  std::string shown;  // the path for a line of output, escaped
  std::string tsv;    // the same for a TSV field, backslashes escaped too
  std::string text;   // the path as UTF-8, for JSON
  std::string hex;    // the path's own bytes in hex when `text` lost some, else empty
  std::vector<Cell> cells;
};

// An aligned table with a header line; columns are padded by display width, cells that differ
// from the name carry a "*" (and, with `color`, are highlighted). Cells wider than `max_width`
// columns (0: no limit) are cut and end in "…".
// Without `header` the header line is left out (for the later parts of a long table).
[[nodiscard]] std::string FormatTable(const std::vector<std::string>& fields,
                                      const std::vector<Row>& rows, bool color,
                                      std::size_t max_width = 0, bool header = true);

// Tab-separated values: the header line, then one line per row. Tabs, line breaks, control and
// invisible characters inside values are escaped, and so is the backslash itself, so each row is
// one line and each escape means one thing.
[[nodiscard]] std::string FormatTsvHeader(const std::vector<std::string>& fields);
[[nodiscard]] std::string FormatTsvRow(const Row& row);
void AppendTsvRow(const Row& row, std::string& out);

// One JSON object on one line: {"path": ..., field: value, ...}; booleans as true or false. A
// path that is not valid Unicode, which "path" shows with U+FFFD, also comes whole as
// "path_hex".
[[nodiscard]] std::string FormatJsonLine(const std::vector<std::string>& fields, const Row& row);
void AppendJsonLine(const std::vector<std::string>& fields, const Row& row, std::string& out);

}  // namespace namefold::cli
