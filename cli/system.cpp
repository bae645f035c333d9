// The parts of system.h that every system shares.
#include "cli/system.h"

#include <algorithm>

#include "host/plugin_loader.h"

namespace namefold::cli {

void EndInSeparator(PathText& described) {
  const char separator = static_cast<char>(host::kPathSeparator);
  if (described.text.empty() || described.text.back() == '/' || described.text.back() == separator)
    return;
  described.text += separator;
  described.shown += separator;
  described.tsv += separator == '\\' ? "\\\\" : "/";
}

void SortByName(std::vector<Listed>& entries) {
  std::vector<std::size_t> order(entries.size());
  for (std::size_t i = 0; i < order.size(); ++i) order[i] = i;
  std::sort(order.begin(), order.end(), [&](std::size_t a, std::size_t b) {
    return entries[a].name.native() < entries[b].name.native();
  });
  std::vector<Listed> sorted;
  sorted.reserve(entries.size());
  for (std::size_t i : order) sorted.push_back(std::move(entries[i]));
  entries = std::move(sorted);
}

}  // namespace namefold::cli
