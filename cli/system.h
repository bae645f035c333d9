// What the program needs from the system: its arguments, paths as the library sees them, the
// terminal, and the locale the library reads. One implementation per system (posix/, win32/);
// what every system shares is in system.cpp.
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
  std::string hex;          // when not well formed, the path's own bytes in hex (UTF-16 LE on
                            // Windows): lossless
  bool well_formed = true;  // false when some bytes were not UTF-8
};
[[nodiscard]] PathText DescribePath(const fs::path& path);

// Ends each output form of a folder's path in a separator, unless it is empty or ends in one, so
// that the forms of its entries' names can follow.
void EndInSeparator(PathText& described);

// Only the `units` of DescribePath, for callers that show nothing; false when some bytes were not
// UTF-8.
[[nodiscard]] bool PathUnits(const fs::path& path, std::u16string& units);

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

// kFolderMoved: the folder renamed in is no longer where it was found (Windows, which renames by
// path, checks this; on POSIX a rename goes through the open folder wherever it is).
enum class RenameOutcome { kDone, kTargetExists, kFolderMoved, kFailed };

// Renames `from` to `to` (a symbolic link as the link itself) and never replaces what is at `to`,
// even if it appears meanwhile: kTargetExists then. kFailed comes with a one-line reason in
// `error`. `fallback_only` uses the method for systems that refuse the no-replace flag (link the
// new name, then unlink the old one), so that tests reach it.
[[nodiscard]] RenameOutcome RenameNoReplace(const fs::path& from, const fs::path& to,
                                            std::string& error, bool fallback_only = false);

// The identity of a file whatever its name: device and inode on POSIX, volume serial number and
// file ID on Windows.
struct EntryId {
  std::uint64_t device = 0, file = 0;
  friend bool operator==(const EntryId&, const EntryId&) = default;
};

enum class EntryType { kFolder, kLink, kOther };  // kLink: a symbolic link (reparse point)

// An open system handle (a descriptor on POSIX), closed with the object. Move-only.
class Handle {
 public:
  static constexpr std::intptr_t kNone = -1;
  Handle() = default;
  explicit Handle(std::intptr_t value) : value_(value) {}
  Handle(Handle&& other) noexcept : value_(other.value_) { other.value_ = kNone; }
  Handle& operator=(Handle&& other) noexcept;
  Handle(const Handle&) = delete;
  Handle& operator=(const Handle&) = delete;
  ~Handle();
  [[nodiscard]] std::intptr_t get() const { return value_; }
  [[nodiscard]] bool valid() const { return value_ != kNone; }

 private:
  std::intptr_t value_ = kNone;
};

// An open folder. Listing and renaming go through it, so that what later happens to the path it
// was reached by (a folder swapped for a link, say) cannot send them anywhere else. `path` is
// where it was found, for Windows, whose rename API takes paths, and for messages.
struct Folder {
  Handle handle;
  fs::path path;
};

// Opens the folder at `path`, following a link there (the user named it), or returns false with
// a one-line reason.
[[nodiscard]] bool OpenFolder(const fs::path& path, Folder& folder, std::string& error);

// Opens the folder `name` of `parent` without following a link: a link, or anything but a
// folder, is refused with a reason that says what it is.
[[nodiscard]] bool OpenSubfolder(const Folder& parent, const fs::path& name, Folder& folder,
                                 std::string& error);

// The names of a folder ("." and ".." left out) with their types, links not followed.
struct Listed {
  fs::path name;
  EntryType type;
};
[[nodiscard]] bool ListFolder(const Folder& folder, std::vector<Listed>& entries,
                              std::string& error);

// Puts a folder's entries in the order of their names' own units (bytes on POSIX, UTF-16 units
// on Windows), whether or not they are valid text, moving each entry once.
void SortByName(std::vector<Listed>& entries);

// What `name` in `folder` is now, links not followed; `name` "." is the folder itself.
enum class Lookup { kFound, kMissing, kError };
[[nodiscard]] Lookup Identify(const Folder& folder, const fs::path& name, EntryId& id,
                              EntryType& type, std::string& error);

// The folder's absolute path without links, "." or "..", at any depth (beyond PATH_MAX too).
[[nodiscard]] bool RealFolderPath(const Folder& folder, fs::path& path, std::string& error);

// Renames `from` to `to` inside `folder`, as RenameNoReplace does with paths.
[[nodiscard]] RenameOutcome RenameInFolder(const Folder& folder, const fs::path& from,
                                           const fs::path& to, std::string& error,
                                           bool fallback_only = false);

// Removes the name `name` of `folder`: a folder only when it is empty. False with a reason.
[[nodiscard]] bool RemoveName(const Folder& folder, const fs::path& name, bool is_folder,
                              std::string& error);

// The target of the symbolic link `name` in `folder`, as it is written in the link.
[[nodiscard]] bool ReadLinkTarget(const Folder& folder, const fs::path& name, fs::path& target,
                                  std::string& error);

// Points the symbolic link `name` of `folder`, whose identity must be `id`, at `target`. The new
// link takes the old one's place in one step, and whatever else is found there is put back
// untouched. Returns false with a reason (also where the system cannot do it in one step).
[[nodiscard]] bool RepointLink(const Folder& folder, const fs::path& name, const EntryId& id,
                               const fs::path& target, std::string& error);

// A new file at `path` for appending (it must not exist yet), or false with a reason ("exists
// already" when it does). Writes go through `file` whatever happens to the path afterwards.
[[nodiscard]] bool CreateNewFile(const fs::path& path, Handle& file, std::string& error);
[[nodiscard]] bool WriteAll(const Handle& file, std::string_view bytes, std::string& error);
// Waits until what was written to `file` is on disk; with `name_too`, its name as well.
[[nodiscard]] bool SyncFile(const Handle& file, const fs::path& path, bool name_too,
                            std::string& error);

// This process's id, for names that no other run of the program takes.
[[nodiscard]] unsigned long ProcessId();

// Where the library's ANSI code page comes from, for `namefold info`: "LC_ALL=ru_RU.UTF-8".
[[nodiscard]] std::string CodePageSource();

}  // namespace namefold::cli
