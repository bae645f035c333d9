// Round trips through code pages: what a name looks like after a system that only knows that
// code page has stored it.
#pragma once

#include <cstddef>
#include <span>

#include "base/unit.h"

namespace namefold {

// Folds the zero-terminated `source` through `code_page` (0: the ANSI code page) into
// `destination`, whose size counts the terminator. Units the code page holds come back unchanged,
// others as their best-fit substitute or '_'; a substitute that is a character file names may not
// hold (\ / : * ? " < > | and controls) becomes '_'. A result that does not fit is cut, never in
// the middle of a surrogate pair, and always terminated. Nothing is written into an empty span.
// `source` and `destination` must not overlap. Returns the units written before the terminator.
std::size_t FoldThroughCodePage(int code_page, const Unit* source, std::span<Unit> destination);

// Whether the zero-terminated `text`, of any length, folds through `code_page` unchanged.
[[nodiscard]] bool FoldsUnchanged(int code_page, const Unit* text);

}  // namespace namefold
