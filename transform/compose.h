// Canonical composition (Unicode NFC) of file names: the same name whether it was stored with
// precomposed characters or as base letters followed by combining marks or conjoining jamo.
#pragma once

#include <cstddef>
#include <cstdint>
#include <span>

#include "base/unit.h"

namespace namefold {

// Units of work for the composition of one name: every unit may decompose into four.
inline constexpr std::size_t kComposeCapacity = 4 * 1024;

// What composition may do to a name because of `unit`. A name whose units all stay, and whose
// marks each follow a unit that stays, is its own composed form.
enum class CompositionRole : std::uint8_t {
  kStays,      // a starter that composes with nothing before it
  kMark,       // a mark that composes with nothing: only reordered among the marks around it
  kMayChange,  // never part of a composed name, or may compose with the unit before it
};
[[nodiscard]] CompositionRole RoleInComposition(Unit unit);

// Whether composition changes `name` at its unit `i`, whatever follows: a unit never found in a
// composed name, one that composes with the unit before it, or a mark after a mark of a higher
// class. A name for which this holds at no unit is its own composed form.
[[nodiscard]] bool ComposesAt(const Unit* name, std::size_t i);

// The composed form of the zero-terminated `name`. Returns `name` itself when none of its units
// may change, whatever its length; otherwise writes as much of its composed form as fits into
// `buffer` (its size counts the terminator; not `name`; not empty), terminated, and returns
// `buffer`. Units of the BMP
// are composed; surrogates stay as they are and compose with nothing. A combining mark that
// composes with nothing is kept, in canonical order. Of a name whose decomposition exceeds
// kComposeCapacity units, only what fits is composed and kept.
[[nodiscard]] const Unit* ComposeName(const Unit* name, std::span<Unit> buffer);

}  // namespace namefold
