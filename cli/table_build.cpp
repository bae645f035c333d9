#include "cli/table_build.h"

#include <string_view>

#include "cli/table_sources.h"
#include "cli/utf.h"

namespace namefold::cli {
namespace {

constexpr std::string_view kPlaceholder = "{with}";

void AppendLine(std::string_view utf8, std::string& bytes) {
  for (char16_t unit : FromUtf8(utf8)) {
    bytes += static_cast<char>(unit & 0xFF);
    bytes += static_cast<char>(unit >> 8);
  }
  bytes.append("\r\0\n\0", 4);
}

void AppendBlock(const SourceBlock& block, std::string& bytes, std::size_t& entries) {
  std::string_view text = block.text;
  for (;;) {
    const std::size_t end = text.find('\n');
    AppendLine(text.substr(0, end), bytes);
    if (end == std::string_view::npos) break;
    text.remove_prefix(end + 1);
  }
  entries += block.entries;
}

std::string Title(std::string_view format, std::string_view label) {
  std::string title(format);
  title.replace(title.find(kPlaceholder), kPlaceholder.size(), label);
  return "\xEF\xBB\xBF" + title;  // the byte-order mark opens the first line
}

}  // namespace

std::vector<std::string> AvailableOverlays() {
  std::vector<std::string> names;
  for (std::size_t i = 0; i < kOverlayCount; ++i) names.emplace_back(kOverlays[i].name);
  return names;
}

BuiltTables BuildTables(const std::vector<std::string>& overlays) {
  BuiltTables tables;
  std::vector<const OverlayBlocks*> chosen;
  for (const std::string& asked : overlays) {
    std::string name = asked;
    for (std::size_t i = 0; i < kOverlayAliasCount; ++i) {
      if (name == kOverlayAliases[i].alias) name = kOverlayAliases[i].name;
    }
    const OverlayBlocks* found = nullptr;
    for (std::size_t i = 0; i < kOverlayCount; ++i) {
      if (name == kOverlays[i].name) found = &kOverlays[i];
    }
    if (found == nullptr) {
      std::string available;
      for (const std::string& known : AvailableOverlays()) available += (available.empty() ? "" : ", ") + known;
      tables.error = "unknown overlay '" + asked + "' (available: " + available + ")";
      return tables;
    }
    chosen.push_back(found);
  }

  std::string label;
  for (const std::string& name : overlays) label += (label.empty() ? " with overlays " : ", ") + name;
  AppendLine(Title(kSingleTitle, label), tables.single_bytes);
  AppendLine(Title(kSequenceTitle, label), tables.sequence_bytes);
  for (std::size_t i = 0; i < kDefaultSingleBlocksCount; ++i)
    AppendBlock(kDefaultSingleBlocks[i], tables.single_bytes, tables.single_entries);
  for (std::size_t i = 0; i < kDefaultSequenceBlocksCount; ++i)
    AppendBlock(kDefaultSequenceBlocks[i], tables.sequence_bytes, tables.sequence_entries);
  for (const OverlayBlocks* overlay : chosen) {
    if (overlay->single != nullptr) AppendBlock(*overlay->single, tables.single_bytes, tables.single_entries);
    if (overlay->sequence != nullptr) AppendBlock(*overlay->sequence, tables.sequence_bytes, tables.sequence_entries);
  }
  tables.ok = true;
  return tables;
}

}  // namespace namefold::cli
