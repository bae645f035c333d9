#include "cli/problems.h"

#include <unordered_map>

#include "base/unit.h"
#include "cli/system.h"
#include "cli/utf.h"
#include "transform/compose.h"

namespace namefold::cli {
namespace {

bool IsReserved(std::u16string_view name) {
  std::u16string base(name.substr(0, name.find(u'.')));  // "CON.txt" is CON too
  while (!base.empty() && base.back() == u' ') base.pop_back();
  if (base.size() != 3 && base.size() != 4) return false;
  for (char16_t& unit : base) unit = unit >= u'a' && unit <= u'z' ? unit - 32 : unit;
  if (base == u"CON" || base == u"PRN" || base == u"AUX" || base == u"NUL") return true;
  // COM0 and LPT0 too, and the superscript digits that Windows reads as 1, 2 and 3.
  return base.size() == 4 && (base.starts_with(u"COM") || base.starts_with(u"LPT")) &&
         ((base[3] >= u'0' && base[3] <= u'9') || base[3] == u'\u00B9' || base[3] == u'\u00B2' ||
          base[3] == u'\u00B3');
}

std::u16string Composed(const std::u16string& name) {
  static thread_local Unit buffer[kComposeCapacity + 1];
  const Unit* composed = ComposeName(name.c_str(), buffer);
  return composed == name.c_str() ? name : std::u16string(composed);
}

}  // namespace

std::vector<std::string> NameProblems(std::u16string_view name, std::size_t native_units) {
  if (name.empty()) return {"empty name"};
  if (name == u"." || name == u"..") return {"dot name"};
  std::vector<std::string> kinds;
  if (name.size() > kMaxNameUnits || native_units > kMaxNameUnits) kinds.emplace_back("too long");
  bool control = false, forbidden = false, unpaired = false;
  for (std::size_t i = 0; i < name.size(); ++i) {
    const char16_t unit = name[i];
    if (unit < 0x80) {
      control = control || unit < 0x20 || unit == 0x7F;
      forbidden = forbidden || unit == '<' || unit == '>' || unit == ':' || unit == '"' ||
                  unit == '/' || unit == '\\' || unit == '|' || unit == '?' || unit == '*';
    } else if (unit <= 0x9F) {
      control = true;
    } else if (IsHighSurrogate(unit) && i + 1 < name.size() && IsLowSurrogate(name[i + 1])) {
      ++i;  // a pair
    } else if (IsSurrogate(unit)) {
      unpaired = true;
    }
  }
  if (unpaired) kinds.emplace_back("not valid Unicode");
  if (control) kinds.emplace_back("control character");
  if (forbidden) kinds.emplace_back("character Windows forbids");
  if (name.back() == u'.' || name.back() == u' ') kinds.emplace_back("trailing dot or space");
  if (name.front() == u' ') kinds.emplace_back("leading space");
  if (IsReserved(name)) kinds.emplace_back("reserved name");
  return kinds;
}

std::vector<std::vector<std::size_t>> EqualKeys(const std::vector<std::u16string>& keys) {
  std::unordered_map<std::u16string_view, std::size_t> seen;  // key -> its first index, or group
  seen.reserve(keys.size());
  constexpr std::size_t kGrouped = std::size_t{1} << (8 * sizeof(std::size_t) - 1);
  std::vector<std::vector<std::size_t>> groups;
  for (std::size_t i = 0; i < keys.size(); ++i) {
    const auto [it, first] = seen.emplace(keys[i], i);
    if (first) continue;
    if ((it->second & kGrouped) == 0) {  // its second holder: the group begins
      groups.push_back({it->second});
      it->second = kGrouped | (groups.size() - 1);
    }
    groups[it->second & ~kGrouped].push_back(i);
  }
  return groups;
}

std::vector<std::vector<std::string>> FolderProblems(const std::vector<std::u16string>& names,
                                                     const std::vector<std::string>& shown) {
  std::vector<std::vector<std::string>> kinds(names.size());
  std::vector<std::u16string> keys(names.size());
  const auto mark = [&](auto key, const std::string& kind) {
    for (std::size_t i = 0; i < names.size(); ++i) keys[i] = key(names[i]);
    for (const std::vector<std::size_t>& group : EqualKeys(keys)) {
      for (std::size_t i : group) {
        std::string others;
        for (std::size_t j : group) {
          if (j == i || names[j] == names[i]) continue;
          const bool given = j < shown.size() && !shown[j].empty();
          others +=
              (others.empty() ? "" : ", ") + (given ? shown[j] : EscapeForLine(ToUtf8(names[j])));
        }
        if (!others.empty()) kinds[i].push_back(kind + others);
      }
    }
  };
  mark([](const std::u16string& name) { return FoldCaseAsWindows(name); },
       "same name as Windows compares names: ");
  mark(Composed, "same name once composed: ");
  return kinds;
}

}  // namespace namefold::cli
