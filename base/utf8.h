// UTF-8 for every layer: the one decoder of a sequence and the one encoder of a code point.
#pragma once

#include <cstddef>
#include <string_view>

#include "base/unit.h"

namespace namefold {

// Length of the well-formed UTF-8 sequence at the start of `bytes`, with its code point in
// `code_point`; 0, `code_point` untouched, when the first byte starts none: a continuation byte,
// an overlong form, an encoded surrogate, a code point beyond U+10FFFF or a sequence cut short.
// A caller that goes on past a bad sequence skips one byte.
[[nodiscard]] constexpr std::size_t NextCodePoint(std::string_view bytes, char32_t& code_point) {
  if (bytes.empty()) return 0;
  const auto lead = static_cast<unsigned char>(bytes[0]);
  if (lead < 0x80) {
    code_point = lead;
    return 1;
  }
  std::size_t length = 0;
  char32_t c = 0;
  unsigned char low = 0x80, high = 0xBF;  // the range of the second byte, narrowed below
  if (lead >= 0xC2 && lead <= 0xDF) {
    length = 2, c = lead & 0x1Fu;
  } else if (lead >= 0xE0 && lead <= 0xEF) {
    length = 3, c = lead & 0x0Fu;
    if (lead == 0xE0) low = 0xA0;   // overlong below U+0800
    if (lead == 0xED) high = 0x9F;  // U+D800..U+DFFF are not characters
  } else if (lead >= 0xF0 && lead <= 0xF4) {
    length = 4, c = lead & 0x07u;
    if (lead == 0xF0) low = 0x90;   // overlong below U+10000
    if (lead == 0xF4) high = 0x8F;  // beyond U+10FFFF
  } else {
    return 0;  // a continuation byte, C0, C1 or F5..FF
  }
  if (bytes.size() < length) return 0;
  for (std::size_t i = 1; i < length; ++i) {
    const auto b = static_cast<unsigned char>(bytes[i]);
    if (b < (i == 1 ? low : 0x80) || b > (i == 1 ? high : 0xBF)) return 0;
    c = (c << 6) | (b & 0x3Fu);
  }
  code_point = c;
  return length;
}

inline constexpr std::size_t kMaxUtf8Length = 4;

// Writes the UTF-8 form of `code_point` (at most U+10FFFF) into `out`, which holds
// kMaxUtf8Length bytes, and returns its length. A surrogate gets the three bytes of its number,
// which only the Windows file-name form of UTF-8 (WTF-8) accepts.
constexpr std::size_t EncodeCodePoint(char32_t code_point, char* out) {
  const char32_t c = code_point;
  if (c < 0x80) {
    out[0] = static_cast<char>(c);
    return 1;
  }
  if (c < 0x800) {
    out[0] = static_cast<char>(0xC0 | (c >> 6));
    out[1] = static_cast<char>(0x80 | (c & 0x3F));
    return 2;
  }
  if (c < kFirstSupplementary) {
    out[0] = static_cast<char>(0xE0 | (c >> 12));
    out[1] = static_cast<char>(0x80 | ((c >> 6) & 0x3F));
    out[2] = static_cast<char>(0x80 | (c & 0x3F));
    return 3;
  }
  out[0] = static_cast<char>(0xF0 | (c >> 18));
  out[1] = static_cast<char>(0x80 | ((c >> 12) & 0x3F));
  out[2] = static_cast<char>(0x80 | ((c >> 6) & 0x3F));
  out[3] = static_cast<char>(0x80 | (c & 0x3F));
  return 4;
}

}  // namespace namefold
