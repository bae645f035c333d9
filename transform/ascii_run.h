// The length of a run of ASCII, found a machine word (four units) at a time.
#pragma once

#include <cstddef>
#include <cstdint>
#include <cstring>

#include "tables/text.h"

namespace namefold {

// Units from `text` on before the first one that is zero or above 0x7F.
//
// The words are 8-byte aligned and read whole, so the last one may hold up to three units past
// the terminator. An aligned word never crosses a page boundary, so those bytes are always
// readable; their values are never used, since the run ends at the terminator. The sanitizers
// would count them as read beyond the string, hence the attribute.
__attribute__((no_sanitize("address", "thread"))) inline std::size_t AsciiRunLength(
    const Unit* text) {
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

}  // namespace namefold
