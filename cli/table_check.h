// Checks a replacement table file: the library's own parser loads it, and a scan of the same
// text explains, line by line, what the parser will make of the lines that do not do what they
// seem to.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

namespace namefold::cli {

enum class TableType { kSingleChar, kSequence };

struct TableProblem {
  std::size_t line = 0;  // 1-based; 0 for the file as a whole
  std::string message;   // UTF-8, one line, offending text escaped
};

struct TableCheck {
  std::vector<TableProblem> problems;
  std::size_t entries = 0;  // what the library's parser stored: keys, or sequence entries
};

// Checks the bytes of a table file of `type`. Never fails: a file the library cannot use as
// meant is a problem in the report.
[[nodiscard]] TableCheck CheckTable(std::string_view bytes, TableType type);

// The encoding of a file's bytes, judged from its byte-order mark or, without one, from where
// its zero bytes fall (a table in UTF-16 LE has a zero after every ASCII character).
enum class TextEncoding { kEmpty, kUtf16Le, kUtf16Be, kUtf8, kEightBit };
[[nodiscard]] TextEncoding DetectEncoding(std::string_view bytes);

}  // namespace namefold::cli
