// The shapes of the generated code-page data (code_page_data.inc), for the library's look-ups and
// for the tests that read the same data as their oracle.
#pragma once

#include <span>

#include "base/unit.h"

namespace namefold::platform {

struct BestFit {
  Unit from;
  Unit to;
};

struct CodePageData {
  int code_page;
  std::span<const UnitRange> unchanged;  // sorted, disjoint
  std::span<const BestFit> best_fit;     // sorted by `from`, none of them inside `unchanged`
};

}  // namespace namefold::platform
