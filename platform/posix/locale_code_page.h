// The ANSI code page that Windows assigns to a locale, for systems that name locales as
// language[_TERRITORY][.codeset][@modifier].
#pragma once

namespace namefold::platform {

// Maps a locale name such as "ru_RU.UTF-8" or "sr_RS@latin" to its ANSI code page (1251, 1250).
// C, POSIX, empty and unknown names give 1252; locales that Windows serves in Unicode only
// (Hindi, Georgian, ...) give 65001.
[[nodiscard]] int CodePageForLocale(const char* locale);

}  // namespace namefold::platform
