#include "cli/report.h"

#include <gtest/gtest.h>

#include <sstream>

#include "cli/display_width.h"

namespace namefold::cli {
namespace {

Cell Text(std::string text, bool marked) {
  Cell cell;
  cell.text = std::move(text);
  cell.marked = marked;
  return cell;
}
Cell Flag(bool flag) {
  Cell cell;
  cell.boolean = true;
  cell.flag = cell.marked = flag;
  return cell;
}
Cell Unknown() {
  Cell cell;
  cell.known = false;
  return cell;
}

std::vector<std::string> Lines(const std::string& text) {
  std::vector<std::string> lines;
  std::istringstream in(text);
  for (std::string line; std::getline(in, line);) lines.push_back(line);
  return lines;
}

// The display column at which `needle` starts in `line`.
std::size_t ColumnOf(const std::string& line, const std::string& needle) {
  const std::size_t at = line.find(needle);
  EXPECT_NE(at, std::string::npos) << needle << " in " << line;
  return DisplayWidth(line.substr(0, at));
}

TEST(Report, TableAlignsColumnsByDisplayWidth) {
  const std::vector<std::string> fields{"HasUnicode", "NameReplaceUserAll"};
  const std::vector<Row> rows{
      {.shown = "東京.txt",
       .tsv = "",
       .text = "",
       .hex = "",
       .cells = {Flag(true), Text("Tokyo.txt", true)}},
      {.shown = "e\xCC\x81.txt",
       .tsv = "",
       .text = "",
       .hex = "",
       .cells = {Flag(false), Text("e.txt", true)}},
      {.shown = "a-much-longer-name.txt",
       .tsv = "",
       .text = "",
       .hex = "",
       .cells = {Flag(false), Text("a-much-longer-name.txt", false)}},
  };
  const std::vector<std::string> lines = Lines(FormatTable(fields, rows, false));
  ASSERT_EQ(lines.size(), 4u);
  const std::size_t second = ColumnOf(lines[0], "NameReplaceUserAll");
  EXPECT_EQ(ColumnOf(lines[1], "*Tokyo"), second - 1);  // the marker sits before the value
  EXPECT_EQ(ColumnOf(lines[2], "*e.txt"), second - 1);
  EXPECT_EQ(ColumnOf(lines[3], " a-much-longer-name.txt"), second - 1);
  EXPECT_EQ(ColumnOf(lines[1], "*1"), ColumnOf(lines[3], " 0"));
  for (const std::string& line : lines) EXPECT_NE(line.back(), ' ') << line;
}

TEST(Report, TableHighlightsOnlyMarkedCellsWithColor) {
  const std::vector<Row> rows{{.shown = "a",
                               .tsv = "",
                               .text = "",
                               .hex = "",
                               .cells = {Text("b", true), Text("a", false)}}};
  const std::string colored = FormatTable({"X", "Y"}, rows, true);
  EXPECT_NE(colored.find("\x1b[1;33m*b\x1b[0m"), std::string::npos) << colored;
  EXPECT_EQ(colored.find("\x1b[1;33m a"), std::string::npos);
  EXPECT_EQ(FormatTable({"X", "Y"}, rows, false).find('\x1b'), std::string::npos);
}

TEST(Report, TsvEscapesSeparatorsInsideValues) {
  // A real tab and a backslash followed by "t" once looked the same: the backslash is escaped.
  const Row row{.shown = "a\\tb",
                .tsv = "a\\\\tb",
                .text = "",
                .hex = "",
                .cells = {Flag(true), Text("x\ty\nz", true), Text("x\\ty", true), Unknown()}};
  EXPECT_EQ(FormatTsvHeader({"HasUnicode", "N", "M"}), "Name\tHasUnicode\tN\tM\n");
  EXPECT_EQ(FormatTsvRow(row), "a\\\\tb\t1\tx\\ty\\nz\tx\\\\ty\t?\n");
}

TEST(Report, JsonLineHoldsTypedValues) {
  const Row row{.shown = "",
                .tsv = "",
                .text = "dir/\"q\".txt",
                .hex = "",
                .cells = {Flag(false), Text("\xFF", true), Unknown()}};
  EXPECT_EQ(FormatJsonLine({"HasUnicode", "NameNoUnicode", "X"}, row),
            R"({"path":"dir/\"q\".txt","HasUnicode":false,"NameNoUnicode":"\ufffd","X":null})"
            "\n");
  // A path that lost bytes to U+FFFD also comes whole.
  const Row lossy{.shown = "", .tsv = "", .text = "b\uFFFD", .hex = "62ff", .cells = {}};
  EXPECT_EQ(FormatJsonLine({}, lossy), "{\"path\":\"b\uFFFD\",\"path_hex\":\"62ff\"}\n");
}

TEST(Report, TableCutsLongCellsWithAnEllipsis) {
  const std::vector<Row> rows{{.shown = "東京東京東京.txt",
                               .tsv = "",
                               .text = "",
                               .hex = "",
                               .cells = {Text("abcdefghij", true)}}};
  const std::vector<std::string> lines = Lines(FormatTable({"N"}, rows, false, 8));
  ASSERT_EQ(lines.size(), 2u);
  EXPECT_EQ(lines[1], "東京東\u2026  *abcdefg\u2026");  // at most 8 columns each
}

}  // namespace
}  // namespace namefold::cli
