// File paths between the system's bytes and the library's UTF-16 units. Bytes that are not valid
// UTF-8 travel as the lone surrogates U+DC80..U+DCFF, so every path survives the round trip.
#pragma once

#include <cstddef>

#include "base/unit.h"

namespace namefold::platform {

inline constexpr std::size_t kMaxNativePath = 4096 * 3;

// Decodes the zero-terminated `bytes` into `units` (capacity units, terminator included). Returns
// the length, or 0 when the result would not fit.
[[nodiscard]] std::size_t DecodePath(const char* bytes, Unit* units, std::size_t capacity);

// Encodes the zero-terminated `units` back into `bytes` (capacity bytes, terminator included).
// Returns false when the result would not fit.
[[nodiscard]] bool EncodePath(const Unit* units, char* bytes, std::size_t capacity);

}  // namespace namefold::platform
