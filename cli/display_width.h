// How many terminal columns text takes, for aligning tables.
#pragma once

#include <cstddef>
#include <string_view>

namespace namefold::cli {

struct CodePointRange {
  char32_t first;
  char32_t last;
};

// 0 for combining marks and format characters, 2 for East Asian Wide and Fullwidth characters,
// 1 for everything else (control characters included: callers escape them first).
[[nodiscard]] int CodePointWidth(char32_t code_point);

// The columns of UTF-8 text; a byte that is not well-formed UTF-8 counts as one column.
[[nodiscard]] std::size_t DisplayWidth(std::string_view text);

}  // namespace namefold::cli
