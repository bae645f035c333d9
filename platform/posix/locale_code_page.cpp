#include "platform/posix/locale_code_page.h"

#include <cstring>
#include <string_view>

namespace namefold::platform {
namespace {

struct LanguageCodePage {
  const char* languages;  // space-separated ISO 639 codes
  int code_page;
};

// Languages whose code page does not depend on the territory or the script.
constexpr LanguageCodePage kLanguages[] = {
    {"ru uk be bg mk kk ky mn tt ba sah tg", 1251},
    {"cs sk pl hu sl hr ro sq bs tk", 1250},
    {"el", 1253},
    {"tr az uz", 1254},
    {"he iw yi", 1255},
    {"ar fa ur ug", 1256},
    {"et lv lt", 1257},
    {"vi", 1258},
    {"th", 874},
    {"ja", 932},
    {"ko", 949},
    {"hi bn ta ka hy am te kn ml mr gu pa or as ne si km lo my bo dv iu sa kok mai mni sat "
     "sd ti chr syr",
     65001},
};

bool ListHas(const char* list, std::string_view word) {
  std::string_view rest(list);
  while (!rest.empty()) {
    const std::size_t space = rest.find(' ');
    if (rest.substr(0, space) == word) return true;
    if (space == std::string_view::npos) break;
    rest.remove_prefix(space + 1);
  }
  return false;
}

}  // namespace

int CodePageForLocale(const char* locale) {
  const std::string_view name(locale == nullptr ? "" : locale);
  const std::size_t language_end = name.find_first_of("_.@");
  const std::string_view language = name.substr(0, language_end);
  std::string_view territory;
  if (language_end != std::string_view::npos && name[language_end] == '_') {
    const std::size_t end = name.find_first_of(".@", language_end + 1);
    territory = name.substr(language_end + 1, end == std::string_view::npos ? end : end - language_end - 1);
  }
  const std::size_t at = name.find('@');
  const std::string_view modifier = at == std::string_view::npos ? "" : name.substr(at + 1);

  if (language.empty() || language == "C" || language == "POSIX") return 1252;
  if (language == "zh") {
    return territory == "TW" || territory == "HK" || territory == "MO" ? 950 : 936;
  }
  if (language == "sr") return modifier == "latin" ? 1250 : 1251;  // Serbian is Cyrillic by default
  if (modifier == "cyrillic" && (language == "uz" || language == "az")) return 1251;
  for (const LanguageCodePage& row : kLanguages) {
    if (ListHas(row.languages, language)) return row.code_page;
  }
  return 1252;
}

}  // namespace namefold::platform
