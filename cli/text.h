// `namefold text [STRING...]`: strings or lines of text converted as the library converts names.
#pragma once

#include "cli/options.h"
#include "host/plugin_loader.h"

namespace namefold::cli {

// Writes the value of `options.field` (default NameReplaceUserAll; HasUnicode as 0 or 1) for
// each operand, or for each line (NUL-terminated record with `options.zero`) of standard input.
// Returns the exit status: 0; 1 when a name was too long for the library to convert whole (the
// record is written unchanged); 2 for a bad --field.
[[nodiscard]] int ConvertText(const Options& options, const host::Plugin& plugin);

}  // namespace namefold::cli
