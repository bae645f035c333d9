#include "platform/posix/locale_code_page.h"

#include <gtest/gtest.h>

namespace namefold::platform {
namespace {

TEST(CodePageForLocale, MapsLocalesToTheirWindowsAnsiCodePage) {
  struct Row {
    const char* locales;  // space-separated
    int code_page;
  };
  const Row rows[] = {
      {"ru_RU.UTF-8 uk_UA be_BY bg_BG mk_MK kk_KZ ky_KG mn_MN tt_RU sr_RS sr_RS.UTF-8 sr_ME", 1251},
      {"cs_CZ.UTF-8 sk_SK pl_PL hu_HU sl_SI hr_HR ro_RO sq_AL bs_BA sr_RS@latin sr_RS.UTF-8@latin", 1250},
      {"el_GR.UTF-8 el", 1253},
      {"tr_TR az_AZ uz_UZ", 1254},
      {"he_IL.UTF-8", 1255},
      {"ar_EG ar_SA.UTF-8 fa_IR ur_PK", 1256},
      {"et_EE lv_LV lt_LT", 1257},
      {"vi_VN", 1258},
      {"th_TH.UTF-8", 874},
      {"ja_JP.UTF-8 ja_JP.eucJP ja", 932},
      {"zh_CN.UTF-8 zh_SG zh", 936},
      {"ko_KR.UTF-8", 949},
      {"zh_TW.UTF-8 zh_HK.Big5-HKSCS", 950},
      {"hi_IN bn_BD ta_IN ka_GE hy_AM am_ET", 65001},
      {"en_US.UTF-8 de_DE fr_FR es_ES it_IT pt_BR nl_NL da_DK sv_SE nb_NO fi_FI is_IS ca_ES", 1252},
      {"C POSIX C.UTF-8 xx_YY qq", 1252},
  };
  for (const Row& row : rows) {
    std::string_view rest(row.locales);
    while (!rest.empty()) {
      const std::size_t space = rest.find(' ');
      const std::string locale(rest.substr(0, space));
      EXPECT_EQ(CodePageForLocale(locale.c_str()), row.code_page) << locale;
      rest.remove_prefix(space == std::string_view::npos ? rest.size() : space + 1);
    }
  }
  EXPECT_EQ(CodePageForLocale(""), 1252);
  EXPECT_EQ(CodePageForLocale(nullptr), 1252);
}

}  // namespace
}  // namespace namefold::platform
