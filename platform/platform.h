// The operations the library needs from the system: its own file, whole-file reading, the ANSI
// code page and conversions through code pages. One implementation per system lives beside this
// header (win32/, posix/); the build picks one.
#pragma once

#include <cstddef>
#include <span>

#include "base/unit.h"

namespace namefold::platform {

// The separator between a path's folders: '\' on Windows, '/' on POSIX.
extern const Unit kPathSeparator;

// Records the library's instance handle as the loader passes it at process attach (Windows).
void SetModuleHandle(void* instance);

// Writes the full path of the library's own file into `buffer` (its size counts the terminator).
// Returns its length, or 0 when it is unknown or did not fit whole.
[[nodiscard]] std::size_t OwnPath(std::span<Unit> buffer);

// The text of a whole file: `units` units followed by a zero unit, in a buffer from malloc that
// the caller owns (and may keep for good).
struct FileText {
  Unit* text = nullptr;
  std::size_t units = 0;
};

// Reads the regular file at `path` whole; never blocks on a FIFO or device. The text holds
// size / 2 units (an odd last byte is ignored) and a terminator. Returns no text when the file is
// missing, not a regular file, empty, larger than `max_bytes`, or cannot be read whole.
[[nodiscard]] FileText ReadWholeFile(const Unit* path, std::size_t max_bytes);

// The system's ANSI code page number, such as 1252.
[[nodiscard]] int AnsiCodePage();

// The part of an 8-bit path after its last separator; on Windows with a double-byte ANSI code
// page a trail byte that equals '\' is not taken for a separator.
[[nodiscard]] const char* NarrowNamePart(const char* path);

// Passes `count` units of `source` through code page `code_page` (0: the ANSI code page) and back,
// as WideCharToMultiByte with the default character '_' and MultiByteToWideChar do, and writes
// exactly `count` units to `destination`: a unit the code page holds comes back unchanged, any
// other as its best-fit substitute or '_'. Under 65001 only unpaired surrogates change (U+FFFD).
// Every code page holds ASCII (units below 0x80), whatever surrounds it.
void FoldUnits(int code_page, const Unit* source, std::size_t count, Unit* destination);

// Whether the zero-terminated `text`, of any length, comes back from FoldUnits unchanged (folded
// in pieces that never separate a surrogate pair). May stop at the first unit that changes.
[[nodiscard]] bool FoldsUnchanged(int code_page, const Unit* text);

}  // namespace namefold::platform
