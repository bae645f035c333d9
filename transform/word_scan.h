// Scans of zero-terminated UTF-16 text a machine word (four units) at a time.
//
// The words are 8-byte aligned and read whole, so the last one may hold up to three units past
// the terminator. An aligned word never crosses a page boundary, so those bytes are always
// readable; their values are never used, since every scan ends at the terminator. The sanitizers
// would count them as read beyond the string, hence the attribute on each scan.
#pragma once

#include <cstddef>
#include <cstdint>
#include <cstring>

#include "tables/text.h"

namespace namefold {

#define NAMEFOLD_WHOLE_WORD_READS __attribute__((no_sanitize("address", "thread")))

// Units from `text` on before the first one that is zero or above 0x7F.
NAMEFOLD_WHOLE_WORD_READS inline std::size_t AsciiRunLength(const Unit* text) {
  const Unit* p = text;
  auto in_run = [](Unit unit) { return static_cast<Unit>(unit - 1) < 0x7F; };  // 1 to 0x7F
  for (; (reinterpret_cast<std::uintptr_t>(p) & 7) != 0; ++p) {
    if (!in_run(*p)) return static_cast<std::size_t>(p - text);
  }
  for (;; p += 4) {
    std::uint64_t word;
    std::memcpy(&word, p, sizeof word);
    const std::uint64_t above = word & 0xFF80FF80FF80FF80u;  // a unit above 0x7F
    // With every unit below 0x80, the top bit of a unit minus one is set only for a zero unit.
    const std::uint64_t zero = (word - 0x0001000100010001u) & 0x8000800080008000u;
    if ((above | zero) != 0) break;
  }
  while (in_run(*p)) ++p;
  return static_cast<std::size_t>(p - text);
}

// Copies `count` units; runs of ASCII in names are short, where a call to memcpy costs more than
// the copy.
inline void CopyUnits(const Unit* source, std::size_t count, Unit* destination) {
  for (std::size_t k = 0; k < count; ++k) destination[k] = source[k];
}

}  // namespace namefold
