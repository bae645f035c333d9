// UTF-16 units, zero-terminated strings and the bounded copies that every layer uses.
#pragma once

#include <cstddef>

namespace namefold {

using Unit = char16_t;

// Number of units before the terminator.
[[nodiscard]] constexpr std::size_t UnitLength(const Unit* text) {
  std::size_t length = 0;
  while (text[length] != 0) ++length;
  return length;
}

// Copies at most `limit` bytes of the zero-terminated `source` and terminates the copy at or
// before index `limit`; `destination` must hold limit + 1 bytes. Returns the bytes copied.
inline std::size_t CopyBounded(char* destination, const char* source, std::size_t limit) {
  std::size_t n = 0;
  for (; n < limit && source[n] != 0; ++n) destination[n] = source[n];
  destination[n] = 0;
  return n;
}

// The same for UTF-16 units; `destination` must hold limit + 1 units. Source and destination
// may be the same buffer.
inline std::size_t CopyBoundedWide(Unit* destination, const Unit* source, std::size_t limit) {
  std::size_t n = 0;
  for (; n < limit && source[n] != 0; ++n) destination[n] = source[n];
  destination[n] = 0;
  return n;
}

// The part of `path` after its last `separator`, or the whole path when it holds none.
[[nodiscard]] constexpr const Unit* NamePart(const Unit* path, Unit separator) {
  const Unit* name = path;
  for (const Unit* p = path; *p != 0; ++p) {
    if (*p == separator) name = p + 1;
  }
  return name;
}

}  // namespace namefold
