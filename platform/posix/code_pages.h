// The Windows round trip through an ANSI code page, reproduced from data measured on the Windows
// API, for systems that have no such API.
#pragma once

#include <cstddef>
#include <optional>

#include "base/unit.h"

namespace namefold::platform {

// Folds `count` units of `source` through `code_page` and back as WideCharToMultiByte (default
// character '_') and MultiByteToWideChar do on Windows, writing exactly `count` units to
// `destination`, which may be `source` itself. Knows 874, 932, 936, 949, 950, 1250 to 1258 and
// 65001; for any other number (0 included) it returns false and writes nothing.
[[nodiscard]] bool FoldKnownCodePage(int code_page, const Unit* source, std::size_t count,
                                     Unit* destination);

// Whether every unit of the zero-terminated `text` comes back from FoldKnownCodePage unchanged;
// stops at the first that would not. No value for a code page that FoldKnownCodePage does not know.
[[nodiscard]] std::optional<bool> KnownCodePageHolds(int code_page, const Unit* text);

}  // namespace namefold::platform
