// Canonical composition (Unicode NFC) of file names: the same name whether it was stored with
// precomposed characters or as base letters followed by combining marks or conjoining jamo.
#pragma once

#include <cstddef>

#include "tables/text.h"

namespace namefold {

// Units of work for the composition of one name: every unit may decompose into four.
inline constexpr std::size_t kComposeCapacity = 4 * 1024;

// The composed form of the zero-terminated `name`. Returns `name` itself when none of its units
// may change, whatever its length; otherwise writes its composed form, cut to `limit` units and
// terminated, into `buffer` (limit + 1 units, not `name`) and returns `buffer`. Units of the BMP
// are composed; surrogates stay as they are and compose with nothing. A combining mark that
// composes with nothing is kept, in canonical order. Of a name whose decomposition exceeds
// kComposeCapacity units, only what fits is composed and kept.
[[nodiscard]] const Unit* ComposeName(const Unit* name, Unit* buffer, std::size_t limit);

}  // namespace namefold
