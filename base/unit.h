// The facts every layer shares: the UTF-16 unit, what a surrogate is, a range of units,
// zero-terminated strings with their bounded copies, and where a path's last name starts.
#pragma once

#include <cstddef>
#include <span>
#include <type_traits>

namespace namefold {

using Unit = char16_t;

// The surrogate block: a high surrogate then a low one encode a code point above U+FFFF; either
// alone is no character. The predicates take code points as well as units.
inline constexpr char32_t kHighSurrogateFirst = 0xD800;
inline constexpr char32_t kHighSurrogateLast = 0xDBFF;
inline constexpr char32_t kLowSurrogateFirst = 0xDC00;
inline constexpr char32_t kLowSurrogateLast = 0xDFFF;
inline constexpr char32_t kFirstSupplementary = 0x10000;

[[nodiscard]] constexpr bool IsHighSurrogate(char32_t c) {
  return c >= kHighSurrogateFirst && c <= kHighSurrogateLast;
}
[[nodiscard]] constexpr bool IsLowSurrogate(char32_t c) {
  return c >= kLowSurrogateFirst && c <= kLowSurrogateLast;
}
[[nodiscard]] constexpr bool IsSurrogate(char32_t c) {
  return c >= kHighSurrogateFirst && c <= kLowSurrogateLast;
}

// The two units of a code point above U+FFFF, and the code point of a high and a low surrogate.
[[nodiscard]] constexpr char16_t HighSurrogateOf(char32_t code_point) {
  return static_cast<char16_t>(kHighSurrogateFirst + ((code_point - kFirstSupplementary) >> 10));
}
[[nodiscard]] constexpr char16_t LowSurrogateOf(char32_t code_point) {
  return static_cast<char16_t>(kLowSurrogateFirst + ((code_point - kFirstSupplementary) & 0x3FF));
}
[[nodiscard]] constexpr char32_t CodePointOfPair(char32_t high, char32_t low) {
  return kFirstSupplementary + ((high - kHighSurrogateFirst) << 10) + (low - kLowSurrogateFirst);
}

// An inclusive range of units, as sorted range tables store them.
struct UnitRange {
  Unit first, last;
};

// Number of units before the terminator.
[[nodiscard]] constexpr std::size_t UnitLength(const Unit* text) {
  std::size_t length = 0;
  while (text[length] != 0) ++length;
  return length;
}

// Copies as much of the zero-terminated `source` (bytes or units) as fits into `destination`,
// whose size counts the terminator, and terminates the copy; writes nothing into an empty span.
// Source and destination may start at the same place. Returns the characters copied.
template <typename Char>
std::size_t CopyBounded(std::span<Char> destination, const std::type_identity_t<Char>* source) {
  if (destination.empty()) return 0;
  const std::size_t limit = destination.size() - 1;
  std::size_t n = 0;
  for (; n < limit && source[n] != 0; ++n) destination[n] = source[n];
  destination[n] = 0;
  return n;
}

// The part of `path` after its last `separator`, or the whole path when it holds none; when
// `end` is given, it receives the path's terminator.
[[nodiscard]] constexpr const Unit* NamePart(const Unit* path, Unit separator,
                                             const Unit** end = nullptr) {
  const Unit* name = path;
  const Unit* p = path;
  for (; *p != 0; ++p) {
    if (*p == separator) name = p + 1;
  }
  if (end != nullptr) *end = p;
  return name;
}

}  // namespace namefold
