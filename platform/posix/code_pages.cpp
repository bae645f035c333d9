#include "platform/posix/code_pages.h"

#include <algorithm>
#include <span>

namespace namefold::platform {
namespace {

struct UnitRange {
  Unit first;
  Unit last;
};

struct BestFit {
  Unit from;
  Unit to;
};

struct CodePageData {
  int code_page;
  std::span<const UnitRange> unchanged;  // sorted, disjoint
  std::span<const BestFit> best_fit;     // sorted by `from`, none of them inside `unchanged`
};

#include "platform/posix/code_page_data.inc"

constexpr int kUtf8 = 65001;
constexpr Unit kDefault = u'_';
constexpr Unit kReplacement = 0xFFFD;

// What the look-ups rely on: sorted data, and ASCII held whole by the first range so that the
// fast path may copy it.
constexpr bool IsWellFormed(const CodePageData& page) {
  if (page.unchanged.empty() || page.unchanged[0].first != 0 || page.unchanged[0].last < 0x7F) {
    return false;
  }
  for (std::size_t i = 0; i < page.unchanged.size(); ++i) {
    if (page.unchanged[i].first > page.unchanged[i].last) return false;
    if (i > 0 && page.unchanged[i - 1].last >= page.unchanged[i].first) return false;
  }
  for (std::size_t i = 1; i < page.best_fit.size(); ++i) {
    if (page.best_fit[i - 1].from >= page.best_fit[i].from) return false;
  }
  return true;
}

static_assert(std::all_of(std::begin(kCodePages), std::end(kCodePages), IsWellFormed));

constexpr bool IsHighSurrogate(Unit unit) {
  return unit >= 0xD800 && unit <= 0xDBFF;
}
constexpr bool IsLowSurrogate(Unit unit) {
  return unit >= 0xDC00 && unit <= 0xDFFF;
}

const CodePageData* FindCodePage(int code_page) {
  for (const CodePageData& page : kCodePages) {
    if (page.code_page == code_page) return &page;
  }
  return nullptr;
}

Unit FoldUnit(const CodePageData& page, Unit unit) {
  // The first range that ends at or after the unit is the only one that can hold it.
  auto range = std::lower_bound(page.unchanged.begin(), page.unchanged.end(), unit,
                                [](const UnitRange& r, Unit u) { return r.last < u; });
  if (range != page.unchanged.end() && range->first <= unit) return unit;
  auto fit = std::lower_bound(page.best_fit.begin(), page.best_fit.end(), unit,
                              [](const BestFit& pair, Unit u) { return pair.from < u; });
  if (fit != page.best_fit.end() && fit->from == unit) return fit->to;
  return kDefault;
}

// UTF-8 holds every character, so only a surrogate without its partner changes. A pair is
// copied as a whole, which keeps this correct when destination == source.
void FoldUtf8(const Unit* source, std::size_t count, Unit* destination) {
  for (std::size_t i = 0; i < count; ++i) {
    const Unit unit = source[i];
    if (IsHighSurrogate(unit) && i + 1 < count && IsLowSurrogate(source[i + 1])) {
      destination[i] = unit;
      destination[i + 1] = source[i + 1];
      ++i;
    } else if (IsHighSurrogate(unit) || IsLowSurrogate(unit)) {
      destination[i] = kReplacement;
    } else {
      destination[i] = unit;
    }
  }
}

}  // namespace

bool FoldKnownCodePage(int code_page, const Unit* source, std::size_t count, Unit* destination) {
  if (code_page == kUtf8) {
    FoldUtf8(source, count, destination);
    return true;
  }
  const CodePageData* page = FindCodePage(code_page);
  if (page == nullptr) return false;
  // Each unit folds alone: Windows converts a unit the same way whatever surrounds it in these
  // code pages, surrogate pairs included (each half becomes the default character).
  for (std::size_t i = 0; i < count; ++i) {
    const Unit unit = source[i];
    destination[i] = unit < 0x80 ? unit : FoldUnit(*page, unit);
  }
  return true;
}

}  // namespace namefold::platform
