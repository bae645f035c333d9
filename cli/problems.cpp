#include "cli/problems.h"

#include <map>

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
  std::u16string zero_terminated = name + u'\0';
  static thread_local Unit buffer[kComposeCapacity + 1];
  return std::u16string(ComposeName(zero_terminated.c_str(), buffer));
}

}  // namespace

std::vector<std::string> NameProblems(std::u16string_view name, std::size_t native_units) {
  if (name.empty()) return {"empty name"};
  if (name == u"." || name == u"..") return {"dot name"};
  std::vector<std::string> kinds;
  if (name.size() > kMaxNameUnits || native_units > kMaxNameUnits) kinds.emplace_back("too long");
  std::string bytes;
  if (!EncodeUtf8(name, bytes)) kinds.emplace_back("not valid Unicode");
  bool control = false, forbidden = false;
  for (char16_t unit : name) {
    control = control || unit < 0x20 || unit == 0x7F || (unit >= 0x80 && unit <= 0x9F);
    forbidden =
        forbidden || std::u16string_view(u"<>:\"/\\|?*").find(unit) != std::u16string_view::npos;
  }
  if (control) kinds.emplace_back("control character");
  if (forbidden) kinds.emplace_back("character Windows forbids");
  if (name.back() == u'.' || name.back() == u' ') kinds.emplace_back("trailing dot or space");
  if (name.front() == u' ') kinds.emplace_back("leading space");
  if (IsReserved(name)) kinds.emplace_back("reserved name");
  return kinds;
}

std::vector<std::vector<std::string>> FolderProblems(const std::vector<std::u16string>& names) {
  std::vector<std::vector<std::string>> kinds(names.size());
  const auto mark = [&](auto key, const std::string& kind) {
    std::map<std::u16string, std::vector<std::size_t>> groups;
    for (std::size_t i = 0; i < names.size(); ++i) groups[key(names[i])].push_back(i);
    for (const auto& [folded, group] : groups) {
      for (std::size_t i : group) {
        std::string others;
        for (std::size_t j : group)
          if (j != i && names[j] != names[i])
            others += (others.empty() ? "" : ", ") + EscapeForLine(ToUtf8(names[j]));
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
