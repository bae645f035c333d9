#include "platform/posix/path_encoding.h"

#include <string_view>

#include "base/utf8.h"

namespace namefold::platform {
namespace {

// An undecodable byte b (b >= 0x80) travels as the lone low surrogate U+DC00 + b.
constexpr char32_t kEscapeBase = kLowSurrogateFirst;

}  // namespace

std::size_t DecodePath(const char* bytes, std::span<Unit> units) {
  const std::size_t capacity = units.size();
  std::string_view rest(bytes);
  std::size_t out = 0;
  while (!rest.empty()) {
    char32_t c;
    std::size_t length = NextCodePoint(rest, c);
    if (length == 0) c = kEscapeBase + static_cast<unsigned char>(rest[0]), length = 1;
    const std::size_t needed = c >= kFirstSupplementary ? 2 : 1;
    if (out + needed >= capacity) return 0;
    if (needed == 2) {
      units[out++] = HighSurrogateOf(c);
      units[out++] = LowSurrogateOf(c);
    } else {
      units[out++] = static_cast<Unit>(c);
    }
    rest.remove_prefix(length);
  }
  if (capacity == 0) return 0;
  units[out] = 0;
  return out;
}

bool EncodePath(const Unit* units, std::span<char> bytes) {
  const std::size_t capacity = bytes.size();
  std::size_t out = 0;
  for (std::size_t i = 0; units[i] != 0; ++i) {
    char32_t c = units[i];
    if (c >= kEscapeBase + 0x80 && c <= kEscapeBase + 0xFF) {
      if (out + 1 >= capacity) return false;
      bytes[out++] = static_cast<char>(c - kEscapeBase);
      continue;
    }
    if (IsHighSurrogate(c) && IsLowSurrogate(units[i + 1])) {
      c = CodePointOfPair(c, units[i + 1]);
      ++i;
    }
    char sequence[kMaxUtf8Length];
    const std::size_t length = EncodeCodePoint(c, sequence);
    if (out + length >= capacity) return false;
    for (std::size_t k = 0; k < length; ++k) bytes[out++] = sequence[k];
  }
  if (capacity == 0) return false;
  bytes[out] = 0;
  return true;
}

}  // namespace namefold::platform
