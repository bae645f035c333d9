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
// compares names: README.txt").
[[nodiscard]] std::vector<std::vector<std::string>> FolderProblems(
    const std::vector<std::u16string>& names);

}  // namespace namefold::cli
