// File paths between the system's bytes and the library's UTF-16 units. Bytes that are not valid
// UTF-8 travel as the lone surrogates U+DC80..U+DCFF, so every path survives the round trip.
#pragma once

#include <cstddef>
#include <span>

#include "base/unit.h"

namespace namefold::platform {

inline constexpr std::size_t kMaxNativePath = 4096 * 3;

// Decodes the zero-terminated `bytes` into `units` (its size counts the terminator). Returns the
// length, or 0 when the result would not fit.
[[nodiscard]] std::size_t DecodePath(const char* bytes, std::span<Unit> units);

// Encodes the zero-terminated `units` back into `bytes` (its size counts the terminator). Returns
// false when the result would not fit.
[[nodiscard]] bool EncodePath(const Unit* units, std::span<char> bytes);

}  // namespace namefold::platform
