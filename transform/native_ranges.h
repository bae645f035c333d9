// The units that a code page's own script uses: left alone when names follow that code page's
// rules.
#pragma once

#include <cstddef>
#include <span>

#include "base/unit.h"

namespace namefold {

// The native ranges of `code_page`; empty for code pages without any (0, 1250, 65001, ...).
[[nodiscard]] std::span<const UnitRange> NativeRanges(int code_page);

// With a fixed extent the loop is unrolled: the engine picks the extent once per name.
template <std::size_t kExtent = std::dynamic_extent>
[[nodiscard]] constexpr bool InRanges(std::span<const UnitRange, kExtent> ranges, Unit unit) {
  for (const UnitRange& range : ranges) {
    if (unit >= range.first && unit <= range.last) return true;
  }
  return false;
}

// Whether the transliteration may replace `unit` under `code_page`'s rules: false inside one of
// its native ranges.
[[nodiscard]] inline bool IsReplaceable(int code_page, Unit unit) {
  return !InRanges(NativeRanges(code_page), unit);
}

}  // namespace namefold
