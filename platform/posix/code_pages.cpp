#include "platform/posix/code_pages.h"

#include <algorithm>
#include <array>
#include <cstdint>
#include <optional>
#include <span>

#include "platform/posix/code_page_data.h"

namespace namefold::platform {
namespace {

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
  for (const BestFit& pair : page.best_fit) {
    if (pair.from == pair.to) return false;  // a unit that is not held never comes back as itself
  }
  return true;
}

static_assert(std::all_of(std::begin(kCodePages), std::end(kCodePages), IsWellFormed));

// Per block of 256 units (the unit's high byte): where the block's ranges and best-fit pairs
// start, so that a look-up searches only the few entries of its own block.
struct BlockIndex {
  std::array<std::uint16_t, 257> unchanged{};  // the first range that ends in or after block b
  std::array<std::uint16_t, 257> best_fit{};   // the first pair from block b on
};

constexpr BlockIndex MakeBlockIndex(const CodePageData& page) {
  BlockIndex index;
  std::size_t range = 0, fit = 0;
  for (std::size_t block = 0; block <= 256; ++block) {
    const std::size_t start = block * 256;
    while (range < page.unchanged.size() && page.unchanged[range].last < start) ++range;
    while (fit < page.best_fit.size() && page.best_fit[fit].from < start) ++fit;
    index.unchanged[block] = static_cast<std::uint16_t>(range);
    index.best_fit[block] = static_cast<std::uint16_t>(fit);
  }
  return index;
}

constexpr bool FitsBlockIndex(const CodePageData& page) {
  return page.unchanged.size() < 0xFFFF && page.best_fit.size() < 0xFFFF;
}
static_assert(std::all_of(std::begin(kCodePages), std::end(kCodePages), FitsBlockIndex));

constexpr auto kBlockIndexes = [] {
  std::array<BlockIndex, std::size(kCodePages)> indexes;
  for (std::size_t i = 0; i < indexes.size(); ++i) indexes[i] = MakeBlockIndex(kCodePages[i]);
  return indexes;
}();

// A code page's data with its block index.
struct CodePage {
  const CodePageData& data;
  const BlockIndex& index;
};

std::optional<CodePage> FindCodePage(int code_page) {
  for (std::size_t i = 0; i < std::size(kCodePages); ++i) {
    if (kCodePages[i].code_page == code_page) return CodePage{kCodePages[i], kBlockIndexes[i]};
  }
  return std::nullopt;
}

// Whether the code page holds `unit`. Only ranges from the unit's block on can hold it, and the
// first range that ends at or after the unit is the only candidate; it lies at most one past the
// next block's start, since a range may begin in this block and end in a later one.
bool Holds(const CodePage& page, Unit unit) {
  const unsigned block = unit >> 8;
  const UnitRange* first = page.data.unchanged.data() + page.index.unchanged[block];
  const UnitRange* last =
      page.data.unchanged.data() +
      std::min<std::size_t>(page.index.unchanged[block + 1] + 1u, page.data.unchanged.size());
  const UnitRange* range =
      std::lower_bound(first, last, unit, [](const UnitRange& r, Unit u) { return r.last < u; });
  return range != last && range->first <= unit;
}

Unit FoldUnit(const CodePage& page, Unit unit) {
  if (Holds(page, unit)) return unit;
  const unsigned block = unit >> 8;
  const BestFit* first = page.data.best_fit.data() + page.index.best_fit[block];
  const BestFit* last = page.data.best_fit.data() + page.index.best_fit[block + 1];
  const BestFit* fit = std::lower_bound(first, last, unit,
                                        [](const BestFit& pair, Unit u) { return pair.from < u; });
  if (fit != last && fit->from == unit) return fit->to;
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
  const std::optional<CodePage> page = FindCodePage(code_page);
  if (!page) return false;
  // Each unit folds alone: Windows converts a unit the same way whatever surrounds it in these
  // code pages, surrogate pairs included (each half becomes the default character).
  for (std::size_t i = 0; i < count; ++i) {
    const Unit unit = source[i];
    destination[i] = unit < 0x80 ? unit : FoldUnit(*page, unit);
  }
  return true;
}

std::optional<bool> KnownCodePageHolds(int code_page, const Unit* text) {
  if (code_page == kUtf8) {
    for (; *text != 0; ++text) {
      if (IsHighSurrogate(*text) && IsLowSurrogate(text[1])) {
        ++text;  // a whole pair: the terminator is no low surrogate, so text[1] was readable
      } else if (IsHighSurrogate(*text) || IsLowSurrogate(*text)) {
        return false;
      }
    }
    return true;
  }
  const std::optional<CodePage> page = FindCodePage(code_page);
  if (!page) return std::nullopt;
  for (; *text != 0; ++text) {
    if (*text >= 0x80 && !Holds(*page, *text)) return false;  // a best fit never maps to itself
  }
  return true;
}

}  // namespace namefold::platform
