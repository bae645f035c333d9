// Scans of zero-terminated UTF-16 text a machine word (four units) at a time, or with SSE2 a
// 16-byte block (eight units) at a time.
//
// The words and blocks are aligned to their size and read whole, so the first may hold units
// before the text and the last up to seven units past the terminator. An aligned word or block
// never crosses a page boundary, so those bytes are always readable; their values are never used,
// since every scan masks what lies before the text and ends at the terminator. The sanitizers
// would count them as read outside the string, hence the attribute on each scan.
#pragma once

#include <cstddef>
#include <cstdint>
#include <cstring>

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

#include "base/unit.h"

namespace namefold {

#define NAMEFOLD_WHOLE_WORD_READS __attribute__((no_sanitize("address", "thread")))

// Units from `text` on before the first one that is zero or above 0x7F.
NAMEFOLD_WHOLE_WORD_READS inline std::size_t AsciiRunLengthByWords(const Unit* text) {
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

#if defined(__SSE2__)
// The same eight units at a time, in aligned 16-byte blocks.
NAMEFOLD_WHOLE_WORD_READS inline std::size_t AsciiRunLength(const Unit* text) {
  const auto address = reinterpret_cast<std::uintptr_t>(text);
  if ((address & 1) != 0) return AsciiRunLengthByWords(text);
  const __m128i zero = _mm_setzero_si128();
  const __m128i above_ascii = _mm_set1_epi16(static_cast<short>(0xFF80));
  const auto* block = reinterpret_cast<const Unit*>(address & ~std::uintptr_t{15});
  // Two mask bits per unit; those of the bytes before the text are dropped.
  for (unsigned in_text = ~0u << (address & 15);; block += 8, in_text = ~0u) {
    const __m128i units = _mm_load_si128(reinterpret_cast<const __m128i*>(block));
    const __m128i ascii_or_zero = _mm_cmpeq_epi16(_mm_and_si128(units, above_ascii), zero);
    const auto ascii = static_cast<unsigned>(
        _mm_movemask_epi8(_mm_andnot_si128(_mm_cmpeq_epi16(units, zero), ascii_or_zero)));
    const unsigned ends = ~ascii & 0xFFFF & in_text;
    if (ends != 0) {
      return static_cast<std::size_t>(block + __builtin_ctz(ends) / 2 - text);
    }
  }
}
#else
inline std::size_t AsciiRunLength(const Unit* text) {
  return AsciiRunLengthByWords(text);
}
#endif

#if defined(__SSE2__)
// NamePart with its end, eight units at a time, in aligned 16-byte blocks (which never cross a
// page either).
NAMEFOLD_WHOLE_WORD_READS inline const Unit* LastComponent(const Unit* path, Unit separator,
                                                           const Unit** end) {
  const auto address = reinterpret_cast<std::uintptr_t>(path);
  if ((address & 1) != 0) return NamePart(path, separator, end);
  const __m128i zero = _mm_setzero_si128();
  const __m128i separators = _mm_set1_epi16(static_cast<short>(separator));
  const Unit* name = path;
  const auto* block = reinterpret_cast<const Unit*>(address & ~std::uintptr_t{15});
  // Two mask bits per unit; those of the bytes before the path are dropped.
  for (unsigned in_path = ~0u << (address & 15);; block += 8, in_path = ~0u) {
    const __m128i units = _mm_load_si128(reinterpret_cast<const __m128i*>(block));
    const auto zeros = static_cast<unsigned>(_mm_movemask_epi8(_mm_cmpeq_epi16(units, zero)));
    auto found = static_cast<unsigned>(_mm_movemask_epi8(_mm_cmpeq_epi16(units, separators)));
    found &= in_path;
    const unsigned terminator = zeros & in_path;
    if (terminator != 0) found &= (terminator & (0 - terminator)) - 1;  // only those before it
    if (found != 0) name = block + (31 - __builtin_clz(found)) / 2 + 1;
    if (terminator != 0) {
      *end = block + __builtin_ctz(terminator) / 2;
      return name;
    }
  }
}
#else
inline const Unit* LastComponent(const Unit* path, Unit separator, const Unit** end) {
  return NamePart(path, separator, end);
}
#endif

// Copies `count` units; runs of ASCII in names are short, where a call to memcpy costs more than
// the copy.
inline void CopyUnits(const Unit* source, std::size_t count, Unit* destination) {
  for (std::size_t k = 0; k < count; ++k) destination[k] = source[k];
}

}  // namespace namefold
