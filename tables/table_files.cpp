#include "tables/table_files.h"

#include <cstdlib>
#include <cstring>

#include "platform/platform.h"
#include "tables/once.h"
#include "tables/sequence_index.h"

namespace namefold {
namespace {

// Static storage starts with every entry empty, and only the one caller that claims a table fills
// it, once: clearing them again would only make all 1 MiB of them resident.
SingleCharTable single_char_table;  // the text it points into is kept for the life of the process
SequenceTable sequence_table;
SequenceIndex sequence_index;  // built from sequence_table before it is marked ready
bool sequence_index_built = false;
Once single_char_load;
Once sequence_load;

// Room for the longest path Windows hands out, plus the suffix.
constexpr std::size_t kPathCapacity = 32768 + 8;
Unit single_char_path[kPathCapacity];
Unit sequence_path[kPathCapacity];

// The process's sequence nodes are never released, so they come from large blocks rather than
// one allocation each. Only the one caller that loads the sequence table ever allocates.
void* AllocateNode(std::size_t size) {
  constexpr std::size_t kBlockBytes = 64 * 1024;
  static char* block = nullptr;
  static std::size_t used = kBlockBytes;
  size = (size + alignof(SequenceNode) - 1) / alignof(SequenceNode) * alignof(SequenceNode);
  if (size > kBlockBytes) return nullptr;
  if (kBlockBytes - used < size) {
    block = static_cast<char*>(std::malloc(kBlockBytes));  // malloc aligns for any node
    if (block == nullptr) return nullptr;
    used = 0;
  }
  void* node = block + used;
  used += size;
  return node;
}

// The text of the table file with `suffix`, or none. Only the caller that claimed the table's load
// uses its `table_path` buffer (kPathCapacity units), which keeps 64 KiB off the host's stack.
platform::FileText ReadTableFile(const Unit* suffix, std::span<Unit, kPathCapacity> table_path) {
  if (platform::OwnPath(table_path) == 0) return {};
  if (TableFilePath(table_path.data(), platform::kPathSeparator, suffix, table_path) == 0)
    return {};
  return platform::ReadWholeFile(table_path.data(), kMaxTableFileBytes);
}

}  // namespace

const SingleCharTable& kProcessSingleCharTable = single_char_table;

std::size_t TableFilePath(const Unit* library_path, Unit separator, const Unit* suffix,
                          std::span<Unit> out) {
  const Unit* file_name = NamePart(library_path, separator);
  if (file_name == library_path) return 0;  // no folder: nowhere to look
  std::size_t stem = UnitLength(library_path);
  for (const Unit* p = file_name; *p != 0; ++p) {
    if (*p == u'.') stem = static_cast<std::size_t>(p - library_path);  // the last '.' wins
  }
  const std::size_t length = stem + UnitLength(suffix);
  if (length >= out.size()) return 0;
  std::memmove(out.data(), library_path, stem * sizeof(Unit));  // out may be library_path
  (void)CopyBounded(out.subspan(stem, length - stem + 1), suffix);
  return length;
}

bool EnsureSingleCharTable() {
  const OnceState state = BuildOnce(single_char_load, [] {
    const platform::FileText file = ReadTableFile(u"1.tbl", single_char_path);
    if (file.text == nullptr) return false;
    ParseSingleCharTable(file.text, single_char_table);
    return true;
  });
  return state == OnceState::kReady;
}

bool EnsureSequenceTable() {
  const OnceState state = BuildOnce(sequence_load, [] {
    const platform::FileText file = ReadTableFile(u"2.tbl", sequence_path);
    if (file.text == nullptr) return false;
    ParseSequenceTable(file.text, sequence_table, AllocateNode);
    // Without the index (no memory for it) the lists answer the same, only slower.
    sequence_index_built = BuildSequenceIndex(sequence_table, sequence_index);
    return true;
  });
  return state == OnceState::kReady;
}

SequenceSnapshot ProcessSequenceTable() {
  const OnceState state = StateOf(sequence_load);
  if (state != OnceState::kReady) return {nullptr, nullptr, IsSettled(state)};
  return {&sequence_table, sequence_index_built ? &sequence_index : nullptr, true};
}

}  // namespace namefold
