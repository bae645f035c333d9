// Checks a replacement table file: the library's own scan of the table's grammar reports what it
// finds, and the check explains, line by line, what the library will make of the lines that do
// not do what they seem to.
#pragma once

#include <array>
#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

namespace namefold::cli {

enum class TableType { kSingleChar, kSequence };

// The kinds of problem; each kind is reported a few times at most, then only counted.
enum class ProblemKind {
  kEncoding,
  kZeroUnit,
  kBeginsWithEquals,
  kSurrogateKey,
  kTextBeforeKey,
  kKeyAgain,
  kOneUnitSequence,
  kLongSequence,
  kLongValue,
  kSequenceAgain,
  kHiddenSequence,
  kEdgeInside,
  kUnknownRule,
};
inline constexpr std::size_t kProblemKindCount = 13;
inline constexpr std::size_t kProblemsShownPerKind = 20;

struct TableProblem {
  ProblemKind kind = ProblemKind::kEncoding;
  std::size_t line = 0;  // 1-based; 0 for the file as a whole
  std::string message;   // UTF-8, one line, offending text escaped
};

struct TableCheck {
  std::vector<TableProblem> problems;  // the first kProblemsShownPerKind of each kind, by line
  std::size_t problem_count = 0;       // all of them, shown or not
  std::array<std::size_t, kProblemKindCount> omitted{};  // per kind, those not in `problems`
  std::size_t entries = 0;  // what the library's parser stored: keys, or sequence entries
};

// What a kind of problem is, for "... and 5 more: key given again".
[[nodiscard]] const char* ProblemKindName(ProblemKind kind);

// Checks the bytes of a table file of `type`. Never fails: a file the library cannot use as
// meant is a problem in the report. Time and memory grow linearly with the size of the file.
// For 8-bit text the suggested conversion names `code_page`, the likeliest one.
[[nodiscard]] TableCheck CheckTable(std::string_view bytes, TableType type, int code_page = 1252);

// The encoding of a file's bytes, judged from its byte-order mark or, without one, from where
// its zero bytes fall (a table in UTF-16 LE has a zero after every ASCII character).
enum class TextEncoding { kEmpty, kUtf16Le, kUtf16Be, kUtf8, kEightBit };
[[nodiscard]] TextEncoding DetectEncoding(std::string_view bytes);

}  // namespace namefold::cli
