#include "cli/table_build.h"

#include <algorithm>
#include <cstdint>
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

// Calls `visit` with each line of a block; an entry line (the only lines with "=") also with its
// key as UTF-16.
template <typename Visit>
void ForEachLine(const SourceBlock& block, Visit&& visit) {
  std::string_view text = block.text;
  for (;;) {
    const std::size_t end = text.find('\n');
    const std::string_view line = text.substr(0, end);
    const std::size_t equals = line.find('=');
    visit(line,
          equals == std::string_view::npos ? std::u16string() : FromUtf8(line.substr(0, equals)));
    if (end == std::string_view::npos) break;
    text.remove_prefix(end + 1);
  }
}

// Whether `key` holds a unit of one of the scripts left out.
bool LeftOut(const std::u16string& key, const std::vector<const ScriptRanges*>& without) {
  for (const ScriptRanges* script : without) {
    for (std::size_t i = 0; i < script->count; ++i) {
      for (char16_t unit : key) {
        if (unit >= script->ranges[i].first && unit <= script->ranges[i].last) return true;
      }
    }
  }
  return false;
}

// Appends a block without the entries that the overlays in `later` replace (they would only be
// dead lines, which `namefold check` rightly reports) and those of the scripts left out.
void AppendBlock(const SourceBlock& block, std::uint32_t later,
                 const std::vector<const ScriptRanges*>& without, std::string& bytes,
                 std::size_t& entries) {
  std::size_t entry = 0;
  const ReplacedEntry* replaced = block.replaced;
  const ReplacedEntry* const replaced_end = block.replaced + block.replaced_count;
  ForEachLine(block, [&](std::string_view line, const std::u16string& key) {
    if (!key.empty()) {
      bool gone = false;
      if (replaced != replaced_end && replaced->entry == entry) {
        gone = (replaced->by & later) != 0;
        ++replaced;
      }
      ++entry;
      if (gone || LeftOut(key, without)) return;
    }
    AppendLine(line, bytes);
    if (!key.empty()) ++entries;
  });
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

std::vector<std::string> KnownScripts() {
  std::vector<std::string> names;
  for (std::size_t i = 0; i < kScriptCount; ++i) names.emplace_back(kScripts[i].name);
  return names;
}

BuiltTables BuildTables(const std::vector<std::string>& overlays,
                        const std::vector<std::string>& without) {
  BuiltTables tables;
  std::vector<const ScriptRanges*> left_out;
  for (const std::string& asked : without) {
    const ScriptRanges* found = nullptr;
    for (std::size_t i = 0; i < kScriptCount; ++i) {
      if (asked == kScripts[i].name) found = &kScripts[i];
    }
    if (found == nullptr) {
      std::string known;
      for (const std::string& name : KnownScripts()) known += (known.empty() ? "" : ", ") + name;
      tables.error = "unknown script '" + asked + "' (known: " + known + ")";
      return tables;
    }
    left_out.push_back(found);
  }
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
    if (std::find(chosen.begin(), chosen.end(), found) != chosen.end()) {
      tables.error = "overlay '" + asked + "' is named twice";
      return tables;
    }
    if (found == nullptr) {
      std::string available;
      for (const std::string& known : AvailableOverlays())
        available += (available.empty() ? "" : ", ") + known;
      tables.error = "unknown overlay '" + asked + "' (available: " + available + ")";
      return tables;
    }
    for (const OverlayBlocks* earlier : chosen) {
      if (std::string_view(earlier->script) != found->script ||
          earlier->adds_script != found->adds_script)
        continue;
      tables.error =
          "overlays '" + std::string(earlier->name) + "' and '" + asked + "' both " +
          (found->adds_script ? "add " + std::string(found->script) + "; choose one"
                              : "change how the tables read " + std::string(found->script) +
                                    " for a language; choose one: each replaces only "
                                    "its own language's readings, so together they "
                                    "would mix two spellings");
      return tables;
    }
    chosen.push_back(found);
  }

  std::string label;
  for (const std::string& name : overlays)
    label += (label.empty() ? " with overlays " : ", ") + name;
  AppendLine(Title(kSingleTitle, label), tables.single_bytes);
  AppendLine(Title(kSequenceTitle, label), tables.sequence_bytes);
  // The overlays after each point, as bits of their indexes in kOverlays: all for the defaults.
  std::vector<std::uint32_t> later(chosen.size() + 1, 0);
  for (std::size_t i = chosen.size(); i-- > 0;)
    later[i] = later[i + 1] | std::uint32_t{1} << (chosen[i] - kOverlays);
  for (std::size_t i = 0; i < kDefaultSingleBlocksCount; ++i)
    AppendBlock(kDefaultSingleBlocks[i], later[0], left_out, tables.single_bytes,
                tables.single_entries);
  for (std::size_t i = 0; i < kDefaultSequenceBlocksCount; ++i)
    AppendBlock(kDefaultSequenceBlocks[i], later[0], left_out, tables.sequence_bytes,
                tables.sequence_entries);
  for (std::size_t i = 0; i < chosen.size(); ++i) {
    if (chosen[i]->single != nullptr)
      AppendBlock(*chosen[i]->single, later[i + 1], left_out, tables.single_bytes,
                  tables.single_entries);
    if (chosen[i]->sequence != nullptr)
      AppendBlock(*chosen[i]->sequence, later[i + 1], left_out, tables.sequence_bytes,
                  tables.sequence_entries);
  }
  tables.ok = true;
  return tables;
}

}  // namespace namefold::cli
