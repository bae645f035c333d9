// The reasons a name will cause trouble on Windows, in archives or on old software: one place for
// the rules that `namefold --problems` reports and that `namefold rename` checks new names by.
#pragma once

#include <string>
#include <string_view>
#include <vector>

namespace namefold::cli {

// What is wrong with `name` alone, each as a short kind, in a fixed order whose first is the one
// rename reports: "empty name", "dot name", "too long", "not valid Unicode", "control
// character", "character Windows forbids", "trailing dot or space", "leading space", "reserved
// name". `native_units` is its length in the file system's own units (bytes on POSIX).
[[nodiscard]] std::vector<std::string> NameProblems(std::u16string_view name,
                                                    std::size_t native_units);

// For each name of one folder, by index, the other names it is one with: as Windows compares
// names (case), or once composed (NFC), each kind naming the others ("same name as Windows
// compares names: README.txt"). `shown[j]`, where given and not empty, is how name j is named
// there: a name whose units lost bad bytes is shown with them as \xHH.
[[nodiscard]] std::vector<std::vector<std::string>> FolderProblems(
    const std::vector<std::u16string>& names, const std::vector<std::string>& shown = {});

// The indexes of equal `keys`, a group for each key that more than one holds, each group in
// index order; found by hashing, so one look-up per name and nothing per pair of names.
[[nodiscard]] std::vector<std::vector<std::size_t>> EqualKeys(
    const std::vector<std::u16string>& keys);

}  // namespace namefold::cli
