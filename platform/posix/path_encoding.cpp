#include "platform/posix/path_encoding.h"

namespace namefold::platform {
namespace {

// An undecodable byte b (b >= 0x80) travels as the lone low surrogate U+DC00 + b.
constexpr char32_t kEscapeBase = kLowSurrogateFirst;

// Length of the valid UTF-8 sequence at `s` and its code point, or 0 when it is not valid.
std::size_t DecodeUtf8(const unsigned char* s, char32_t& code_point) {
  const unsigned char b = s[0];
  std::size_t length;
  char32_t minimum;
  if (b < 0x80) {
    code_point = b;
    return 1;
  } else if (b >= 0xC2 && b <= 0xDF) {
    length = 2, minimum = 0x80, code_point = b & 0x1F;
  } else if (b >= 0xE0 && b <= 0xEF) {
    length = 3, minimum = 0x800, code_point = b & 0x0F;
  } else if (b >= 0xF0 && b <= 0xF4) {
    length = 4, minimum = 0x10000, code_point = b & 0x07;
  } else {
    return 0;
  }
  for (std::size_t i = 1; i < length; ++i) {
    if ((s[i] & 0xC0) != 0x80) return 0;  // also stops at the terminator
    code_point = (code_point << 6) | (s[i] & 0x3F);
  }
  return code_point < minimum || code_point > 0x10FFFF || IsSurrogate(code_point) ? 0 : length;
}

}  // namespace

std::size_t DecodePath(const char* bytes, Unit* units, std::size_t capacity) {
  const auto* s = reinterpret_cast<const unsigned char*>(bytes);
  std::size_t out = 0;
  while (*s != 0) {
    char32_t c;
    std::size_t length = DecodeUtf8(s, c);
    if (length == 0) c = kEscapeBase + *s, length = 1;
    const std::size_t needed = c >= kFirstSupplementary ? 2 : 1;
    if (out + needed >= capacity) return 0;
    if (needed == 2) {
      units[out++] = HighSurrogateOf(c);
      units[out++] = LowSurrogateOf(c);
    } else {
      units[out++] = static_cast<Unit>(c);
    }
    s += length;
  }
  if (capacity == 0) return 0;
  units[out] = 0;
  return out;
}

bool EncodePath(const Unit* units, char* bytes, std::size_t capacity) {
  std::size_t out = 0;
  auto put = [&](unsigned value) {
    if (out + 1 >= capacity) return false;
    bytes[out++] = static_cast<char>(value);
    return true;
  };
  for (std::size_t i = 0; units[i] != 0; ++i) {
    char32_t c = units[i];
    if (c >= kEscapeBase + 0x80 && c <= kEscapeBase + 0xFF) {
      if (!put(c - kEscapeBase)) return false;
      continue;
    }
    if (IsHighSurrogate(c) && IsLowSurrogate(units[i + 1])) {
      c = CodePointOfPair(c, units[i + 1]);
      ++i;
    }
    bool ok;
    if (c < 0x80) {
      ok = put(c);
    } else if (c < 0x800) {
      ok = put(0xC0 | (c >> 6)) && put(0x80 | (c & 0x3F));
    } else if (c < 0x10000) {
      ok = put(0xE0 | (c >> 12)) && put(0x80 | ((c >> 6) & 0x3F)) && put(0x80 | (c & 0x3F));
    } else {
      ok = put(0xF0 | (c >> 18)) && put(0x80 | ((c >> 12) & 0x3F)) &&
           put(0x80 | ((c >> 6) & 0x3F)) && put(0x80 | (c & 0x3F));
    }
    if (!ok) return false;
  }
  if (capacity == 0) return false;
  bytes[out] = 0;
  return true;
}

}  // namespace namefold::platform
