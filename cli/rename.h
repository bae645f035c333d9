// `namefold rename`: files renamed to a field's value, never replacing a file, with a journal
// that undoes a run.
#pragma once

#include <string>
#include <string_view>
#include <vector>

#include "cli/options.h"
#include "host/plugin_loader.h"
#include "cli/system.h"

namespace namefold::cli {

// Why a new name cannot be used on Windows or in common archives, as a short kind ("reserved
// name"), or empty when it can. `native_units` is its length in the file system's own units.
[[nodiscard]] std::string UnusableKind(std::u16string_view name, std::size_t native_units);

// One name of a folder and the name the field gives it; `kind` and `detail` say why it is not
// renamed (empty: renamed, or left alone when `target` equals `name`).
struct FolderEntry {
  std::u16string name;
  std::u16string target;
  std::string kind;
  std::string detail;
};

// Leaves out every rename whose new name would clash with another name the folder holds after
// the run: a name there now, or another new name, compared exactly and as Windows compares
// names. All renames of one clash are left out together, until none is left, since a rename
// left out keeps its old name.
// `shown` gives, by index, a name as output shows it (bad bytes as \xHH), for the reasons;
// absent or empty, a name is shown from its units.
void LeaveOutClashes(std::vector<FolderEntry>& entries, const std::vector<std::string>& shown = {});

// A journal line, "FROM<TAB>TO<LF>": the full paths, escaped as TSV fields are, so that any name
// survives; and back. Returns false for a line that is not one.
[[nodiscard]] std::string JournalLine(const fs::path& from, const fs::path& to);
[[nodiscard]] bool ParseJournalLine(std::string_view line, fs::path& from, fs::path& to);

// Runs `namefold rename PATH...` with the loaded `plugin`, or `namefold rename --undo JOURNAL`
// (no plugin needed). Returns the exit status: 0 when all went as planned, 1 when something was
// skipped or failed, 2 for a usage error.
[[nodiscard]] int RunRename(const Options& options, const host::Plugin& plugin);
[[nodiscard]] int RunUndo(const Options& options);

}  // namespace namefold::cli
