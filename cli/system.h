// What the program needs from the system: its arguments, paths as the library sees them, the
// terminal, and the locale the library reads. One implementation per system (posix/, win32/).
#pragma once

#include <cstdint>
#include <filesystem>
#include <string>
#include <string_view>
#include <vector>

namespace namefold::cli {

namespace fs = std::filesystem;

// The program proper, called by the system's entry point (entry.cpp) with the arguments after
// the program name as UTF-8 (on POSIX, the bytes as given). Returns the exit status.
[[nodiscard]] int Main(const std::vector<std::string>& arguments);

// A path from a command-line argument or from UTF-8 text.
[[nodiscard]] fs::path PathFromArgument(const std::string& argument);

// A path as the library and the user see it.
struct PathText {
  std::u16string units;     // for the library; bytes that are not UTF-8 become U+FFFD
  std::string text;         // the same as UTF-8
  std::string shown;        // for one line of output: bad bytes and control characters escaped
  std::string tsv;          // for a TSV field: as `shown`, backslashes escaped too
  std::string hex;          // the path's own bytes in hex (UTF-16 LE on Windows): lossless
  bool well_formed = true;  // false when some bytes were not UTF-8
};
[[nodiscard]] PathText DescribePath(const fs::path& path);

enum class Stream { kOut, kErr };

// Whether the stream is an interactive terminal (a console on Windows).
[[nodiscard]] bool IsTerminal(Stream stream);

// Writes UTF-8 text; a Windows console receives it as UTF-16, anything else gets the bytes.
void Write(Stream stream, std::string_view text);

// Reads a whole regular file into `bytes`, or returns false with a one-line reason in `error`:
// missing, not a regular file, larger than `max_bytes` (refused before anything is read), or read
// short. These are the library's own reasons to leave a table file out.
[[nodiscard]] bool ReadFileBytes(const fs::path& path, std::string& bytes, std::string& error,
                                 std::size_t max_bytes = SIZE_MAX);

// The reason for a file of `size` bytes over `max_bytes`.
[[nodiscard]] inline std::string OverLimit(unsigned long long size, std::size_t max_bytes) {
  return std::to_string(size) + " bytes, over the limit of " + std::to_string(max_bytes) + " bytes";
}

// Creates or replaces a file with `bytes`, or returns false with a one-line reason in `error`.
[[nodiscard]] bool WriteFileBytes(const fs::path& path, std::string_view bytes, std::string& error);

// Decodes 8-bit text in Windows code page `code_page` (1251, 932, ...) into `units` with the
// system's converter, or returns false with a one-line reason: a code page the system does not
// know, or bytes that are not text in it.
[[nodiscard]] bool DecodeCodePage(int code_page, std::string_view bytes, std::u16string& units,
                                  std::string& error);

// Makes the library see the ANSI code page of locale `name`; must run before it is loaded.
// Returns false with a one-line reason where the system offers no such choice.
[[nodiscard]] bool SelectLibraryLocale(const std::string& name, std::string& error);

// A path's exact form as 8-bit text, and back: the bytes on POSIX; UTF-8 on Windows, where an
// unpaired surrogate is kept as its three-byte form. Lossless for every name the system holds.
[[nodiscard]] std::string PathBytes(const fs::path& path);
[[nodiscard]] fs::path PathFromBytes(std::string_view bytes);

// The longest name the file system holds, in its own units (bytes on POSIX, UTF-16 units on
// Windows), and the length of `name` in those units.
inline constexpr std::size_t kMaxNameUnits = 255;
[[nodiscard]] std::size_t NameUnits(const fs::path& name);

// `text` as Windows compares names: each UTF-16 unit by its simple uppercase form.
[[nodiscard]] std::u16string FoldCaseAsWindows(std::u16string_view text);

// Whether two paths name one and the same file, symbolic links not followed.
[[nodiscard]] bool SameEntry(const fs::path& a, const fs::path& b);

enum class RenameOutcome { kDone, kTargetExists, kFailed };

// Renames `from` to `to` (a symbolic link as the link itself) and never replaces what is at `to`,
// even if it appears meanwhile: kTargetExists then. kFailed comes with a one-line reason in
// `error`. `fallback_only` uses the method for systems that refuse the no-replace flag (link the
// new name, then unlink the old one), so that tests reach it.
[[nodiscard]] RenameOutcome RenameNoReplace(const fs::path& from, const fs::path& to,
                                            std::string& error, bool fallback_only = false);

// Appends `bytes` to the file at `path` and waits until they are on disk. With `create` the file
// must not exist yet, so that no earlier file is ever appended to. Returns false with a reason.
[[nodiscard]] bool AppendDurably(const fs::path& path, std::string_view bytes, bool create,
                                 std::string& error);

// Where the library's ANSI code page comes from, for `namefold info`: "LC_ALL=ru_RU.UTF-8".
[[nodiscard]] std::string CodePageSource();

}  // namespace namefold::cli
