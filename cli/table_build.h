// Assembles the two table files from the built-in sources and the overlays a user names.
#pragma once

#include <string>
#include <vector>

namespace namefold::cli {

struct BuiltTables {
  bool ok = false;
  std::string error;           // an unknown overlay, naming the ones there are
  std::string single_bytes;    // namefold1.tbl: UTF-16 LE, byte-order mark, CR LF
  std::string sequence_bytes;  // namefold2.tbl
  std::size_t single_entries = 0;
  std::size_t sequence_entries = 0;
};

// The default sources, then the overlays in the order given, without the entries whose key holds
// a character of a script in `without`; an overlay's entry replaces the
// entries for its key before it (they are left out), so the tables check clean. The same bytes
// as tools/gen/make_tables.py. An overlay named twice, and two overlays of one kind for one script
// (uk and ru), are errors.
[[nodiscard]] BuiltTables BuildTables(const std::vector<std::string>& overlays,
                                      const std::vector<std::string>& without = {});

// The scripts that `without` may name, sorted: their entries are left out, so that every field
// keeps them (Hangul for a system on code page 949).
[[nodiscard]] std::vector<std::string> KnownScripts();

// The overlays there are, sorted.
[[nodiscard]] std::vector<std::string> AvailableOverlays();

}  // namespace namefold::cli
