// The table sources, built into the program (tools/gen/gen_table_sources.py writes the data at
// build time from data/tables): enough to assemble the same table files as
// tools/gen/make_tables.py.
#pragma once

#include <cstddef>
#include <cstdint>

namespace namefold::cli {

// An entry of a block that overlays replace: its index among the block's entries, and a bit for
// each overlay (by its index in kOverlays) whose entries replace it.
struct ReplacedEntry {
  std::size_t entry;
  std::uint32_t by;
};

struct SourceBlock {
  const char* name;               // the source's file name
  std::size_t entries;            // entry lines in `text`
  const ReplacedEntry* replaced;  // ascending by entry; null when no overlay replaces one
  std::size_t replaced_count;
  const char* text;  // UTF-8 lines, joined by line feeds, exactly as the table holds them
};

struct OverlayBlocks {
  const char* name;           // as the user names it in --with
  const SourceBlock* single;  // null when the overlay has no such source
  const SourceBlock* sequence;
  const char* script;  // the script it reads: two overlays of one kind for one script exclude
  bool adds_script;    // each other; false for a language overlay, which changes readings
};

// A script that `namefold tables --without` leaves out: the entries whose key holds a unit of
// one of its ranges (bounds inclusive).
struct ScriptRanges {
  const char* name;
  struct {
    char16_t first, last;
  } ranges[8];
  std::size_t count;
};

struct OverlayAlias {
  const char* alias;
  const char* name;
};

// The first line of each table after its byte-order mark; "{with}" stands where the list of
// overlays goes (" with overlays de, uk", or nothing).
extern const char* const kSingleTitle;
extern const char* const kSequenceTitle;

extern const SourceBlock kDefaultSingleBlocks[];
extern const std::size_t kDefaultSingleBlocksCount;
extern const SourceBlock kDefaultSequenceBlocks[];
extern const std::size_t kDefaultSequenceBlocksCount;
extern const OverlayBlocks kOverlays[];
extern const std::size_t kOverlayCount;
extern const ScriptRanges kScripts[];
extern const std::size_t kScriptCount;
extern const OverlayAlias kOverlayAliases[];
extern const std::size_t kOverlayAliasCount;

}  // namespace namefold::cli
