#include "cli/display_width.h"

#include <algorithm>
#include <iterator>

#include "cli/utf.h"

namespace namefold::cli {
namespace {

#include "cli/display_width_data.inc"

template <std::size_t kCount>
bool InRanges(const CodePointRange (&ranges)[kCount], char32_t c) {
  const auto* found = std::upper_bound(
      std::begin(ranges), std::end(ranges), c,
      [](char32_t value, const CodePointRange& range) { return value < range.first; });
  return found != std::begin(ranges) && c <= std::prev(found)->last;
}

}  // namespace

int CodePointWidth(char32_t code_point) {
  if (InRanges(kZeroWidthRanges, code_point)) return 0;
  return InRanges(kWideRanges, code_point) ? 2 : 1;
}

std::size_t DisplayWidth(std::string_view text) {
  std::size_t width = 0;
  while (!text.empty()) {
    char32_t c;
    std::size_t length = NextCodePoint(text, c);
    if (length == 0) {
      width += 1;
      length = 1;
    } else {
      width += static_cast<std::size_t>(CodePointWidth(c));
    }
    text.remove_prefix(length);
  }
  return width;
}

}  // namespace namefold::cli
