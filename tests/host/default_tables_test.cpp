// The default tables that the build places beside the library, through the library itself.
#include <gtest/gtest.h>

#include <fstream>
#include <string>
#include <vector>

#include "tests/host/host_support.h"

namespace namefold::testing {
namespace {

// The built library with the default tables, as a copy of its own.
class DefaultTables : public ::testing::Test {
 protected:
  virtual fs::path TableFolder() const { return BuiltLibrary().parent_path(); }

  void SetUp() override {
    for (const char* table : {"namefold1.tbl", "namefold2.tbl"}) {
      fs::copy_file(TableFolder() / table, folder_.path() / table);
    }
    plugin_ = LoadCopy(folder_.path());
    ASSERT_NE(plugin_.get_value_w, nullptr);
  }
  void TearDown() override { host::UnloadPlugin(plugin_); }

  std::u16string Field(int field, std::u16string_view name) {
    const ValueResult result =
        GetValueW(plugin_, NativePath(u"C:/files/") + std::u16string(name), field);
    EXPECT_EQ(result.code, NAMEFOLD_FT_WIDE_STRING);
    return result.text;
  }

  // Names and what "NameReplaceUserAll" makes of them, each row named for what it shows.
  struct Reading {
    const char* what;
    std::u16string_view in, out;
  };
  void ExpectReadings(std::initializer_list<Reading> readings) {
    for (const Reading& reading : readings) {
      SCOPED_TRACE(reading.what);
      EXPECT_EQ(ToUtf8(Field(NAMEFOLD_FIELD_NAME_REPLACE_USER_ALL, reading.in)),
                ToUtf8(reading.out));
    }
  }

  TempDir folder_;
  host::Plugin plugin_;
};

bool IsCjkIdeograph(char16_t unit) {
  return (unit >= 0x4E00 && unit <= 0x9FFF) || (unit >= 0x3400 && unit <= 0x4DBF);
}

TEST_F(DefaultTables, EverySampleNameBecomesAscii) {
  std::ifstream in(fs::path(NAMEFOLD_CASES_FILE).parent_path().parent_path() / "data" /
                   "names.txt");
  ASSERT_TRUE(in.good());
  int names = 0;
  for (std::string line; std::getline(in, line);) {
    if (line.empty()) continue;
    ++names;
    const std::u16string result = Field(NAMEFOLD_FIELD_NAME_REPLACE_USER_ALL, FromUtf8(line));
    EXPECT_FALSE(result.empty()) << line;
    for (char16_t unit : result) {
      if (unit >= 0x80 && !IsCjkIdeograph(unit)) {
        ADD_FAILURE() << line << " -> " << ToUtf8(result);
        break;
      }
    }
  }
  EXPECT_GE(names, 300);
}

TEST_F(DefaultTables, FollowTheirConventions) {
  ExpectReadings({
      {"Russian", u"\u041c\u043e\u0441\u043a\u0432\u0430", u"Moskva"},
      {"Russian capitals", u"\u0416\u0443\u043a\u043e\u0432 \u0429\u0443\u043a\u0438\u043d",
       u"Zhukov Shchukin"},
      {"Greek", u"\u0391\u03b8\u03ae\u03bd\u03b1", u"Athina"},
      {"Greek mu pi: b at a word's start, mp inside",
       u"\u039c\u03c0\u03b1\u03bc\u03c0\u03ac\u03c1\u03b1 "
       u"\u039b\u03ac\u03bc\u03c0\u03c1\u03bf\u03c2",
       u"Bampara Lampros"},
      {"hiragana", u"\u304d\u3087\u3046\u3068", u"kyouto"},
      {"sh + small yu", u"\u3057\u3093\u3058\u3085\u304f", u"shinjuku"},
      {"ch + small ya", u"\u3061\u3083", u"cha"},
      {"small tsu", u"\u304c\u3063\u3053\u3046", u"gakkou"},
      {"Hangul", u"\uc11c\uc6b8", u"seoul"},
      {"German", u"Stra\u00dfe \u00fcber", u"Strasse uber"},
      {"fullwidth", u"\uff21\uff22\uff23", u"ABC"},
      {"typography", u"\u201cquoted\u201d \u2014 \u2026", u"'quoted' - ..."},
      {"CJK ideographs stay", u"\u6771\u4eac", u"\u6771\u4eac"},
  });
}

// Readings of the letters and signs beyond the basic alphabets, from their conventions.
TEST_F(DefaultTables, ReadEveryLetterOfTheirScripts) {
  ExpectReadings({
      {"Kazakh",
       u"\u049a\u0430\u0437\u0430\u049b\u0441\u0442\u0430\u043d "
       u"\u04e8\u0441\u043a\u0435\u043c\u0435\u043d",
       u"Qazaqstan Oskemen"},
      {"Tatar and Bashkir", u"\u0496\u0438\u0440 \u0498\u0443\u0440 \u04a0\u0430\u043b\u0430",
       u"Zhir Dhur Qala"},
      {"African letters and clicks",
       u"Ga\u0253\u0257o \u025b \u0254 \u014b \u01c0 \u01c1 \u01c2 \u01c3",
       u"Gabdo e o ng c x tc q"},
      {"Sindhi and Pashto", u"\u06aa\u0631\u0627\u0686\u064a \u067e\u069a\u062a\u0648",
       u"krachy pshtw"},
      {"Uyghur and Kurdish", u"\u0626\u06c7\u064a\u063a\u06c7\u0631 \u0695\u06ce", u"'uyghur re"},
      {"combining marks and points", u"e\u0301 \u05e9\u05c1\u05c2 \u0645\u0670", u"e sh ma"},
      {"Arabic presentation forms", u"\ufe8d\ufedf\ufed8\ufe8e\ufeeb\ufeae\ufe93", u"alqahra"},
      {"ligatures and numerals", u"\ufb01le \u216b \u217b \u2461 \u2474 \u2488 \u24d0",
       u"file XII xii 2 (1) 1. a"},
      {"super- and subscripts, fractions, signs", u"x\u00b2 H\u2082O \u00bd \u2103 \u20b8",
       u"x2 H2O 1-2 C KZT"},
      {"all capitals, Cyrillic",
       u"\u0429\u0423\u041a\u0410 \u041c\u0423\u0416 \u0416\u0423\u041a \u0429\u0443\u043a\u0430 "
       u"\u0416",
       u"SHCHUKA MUZH ZHUK Shchuka Zh"},
      {"all capitals, Greek",
       u"\u0398\u0395\u03a3\u03a3\u0391\u039b\u039f\u039d\u0399\u039a\u0397 "
       u"\u03a8\u03a5\u03a7\u0397",
       u"THESSALONIKI PSYCHI"},
      {"all capitals, Latin", u"\u00c6SIR \u0152UVRE", u"AESIR OEUVRE"},
      {"Devanagari",
       u"\u0928\u092e\u0938\u094d\u0924\u0947 \u0939\u093f\u0928\u094d\u0926\u0940 "
       u"\u092d\u093e\u0930\u0924.txt",
       u"namaste hindi bharat.txt"},
      {"Bengali, Tamil, Malayalam",
       u"\u09ac\u09be\u0982\u09b2\u09be \u0ba4\u0bae\u0bbf\u0bb4\u0bcd "
       u"\u0d2e\u0d32\u0d2f\u0d3e\u0d33\u0d02",
       u"bangla tamizh malayalam"},
      {"Ethiopic", u"\u12a0\u12f2\u1235 \u12a0\u1260\u1263", u"adis abeba"},
      {"katakana digraphs",
       u"\u30b3\u30f3\u30a6\u30a7\u30fc \u30cf\u30ed\u30a6\u30a3\u30f3 \u30c7\u30e5\u30fc\u30af",
       u"konwe harowin dyuku"},
  });
}

// Korean in the Revised Romanization with the sound changes across syllables, by class, from the
// examples the system gives itself; and the letters that read otherwise at the start of the name.
// The system's examples that need the make-up of the word are not here: the epenthetic n and l
// (hangnyeoul), n + r read nn in a compound (sinmunno) and h after b aspirated in a verb (japyeo).
TEST_F(DefaultTables, ReadWhatTheNeighboursDecide) {
  ExpectReadings({
      {"a syllable alone", u"\uc11c\uc6b8", u"seoul"},
      {"final carried over", u"\ud55c\uad6d\uc5b4 \ubc31\uc554 \uc124\uc545",
       u"hangugeo baegam seorak"},
      {"l before r", u"\uc6b8\ub989 \ub300\uad00\ub839", u"ulleung daegwallyeong"},
      {"assimilation", u"\ubc31\ub9c8 \uc885\ub85c \uc655\uc2ed\ub9ac",
       u"baengma jongno wangsimni"},
      {"n and l", u"\ubcc4\ub0b4 \uc2e0\ub77c", u"byeollae silla"},
      {"palatalization", u"\ud574\ub3cb\uc774 \uac19\uc774 \uad73\ud788\ub2e4",
       u"haedoji gachi guchida"},
      {"aspiration", u"\uc88b\uace0 \ub193\ub2e4 \ub0b3\uc9c0", u"joko nota nachi"},
      {"h after g, d, b in nouns", u"\ubb35\ud638 \uc9d1\ud604\uc804", u"mukho jiphyeonjeon"},
      {"tense sounds not written",
       u"\uc555\uad6c\uc815 \ub099\ub3d9\uac15 \ud569\uc815 \ud314\ub2f9 \uc0db\ubcc4 "
       u"\uc6b8\uc0b0",
       u"apgujeong nakdonggang hapjeong paldang saetbyeol ulsan"},
      {"finals at a syllable's end",
       u"\uc6d4\uacf6 \ubc9a\uaf43 \ud55c\ubc2d \uc625\ucc9c \ud569\ub355",
       u"wolgot beotkkot hanbat okcheon hapdeok"},
      {"ui", u"\uad11\ud76c\ubb38", u"gwanghuimun"},
      {"no change across a space or a dot", u"\ud55c\uad6d \uc5b4.txt \ubb3c.\uc774",
       u"hanguk eo.txt mul.i"},
      {"Hangul written as jamo", u"\u1112\u1161\u11ab\u1100\u116e\u11a8\u110b\u1165", u"hangugeo"},
      {"Armenian ye at the name's start", u"\u0535\u0580\u0587\u0561\u0576", u"Yerevan"},
      {"Armenian vo at the name's start", u"\u0548\u057d\u056f\u0565\u057a\u0561\u0580",
       u"Voskepar"},
      {"Armenian u at the name's start", u"\u0548\u0582\u0580\u0561\u0580\u057f\u0578\u0582",
       u"Urartu"},
  });
}

// The same library with tables that add the overlays de, ru, ug, yi, th and zh.
class OverlayTables : public DefaultTables {
 protected:
  fs::path TableFolder() const override { return NAMEFOLD_OVERLAY_TABLES; }
};

TEST_F(OverlayTables, FollowTheirConventions) {
  ExpectReadings({
      {"de", u"\u00dcBER M\u00fcller", u"UEBER Mueller"},
      {"ru",
       u"\u042e\u043b\u0438\u044f \u0421\u044a\u0451\u043c\u043a\u0430 \u042e\u041b\u0418\u042f",
       u"Yuliya Syomka YULIYA"},
      {"ug",
       u"\u0626\u06c7\u064a\u063a\u06c7\u0631\u0686\u06d5 "
       u"\u0626\u06c8\u0631\u06c8\u0645\u0686\u0649",
       u"uyghurche urumchi"},
      {"yi",
       u"\u05d9\u05d9\u05b4\u05d3\u05d9\u05e9 \u05e4\u05bf\u05d5\u05df \u05d0\u05b7 "
       u"\u05e9\u05d8\u05d0\u05b8\u05d8",
       u"yidish fun a shtot"},
      {"th", u"\u0e01\u0e23\u0e38\u0e07\u0e40\u0e17\u0e1e \u0e20\u0e39\u0e40\u0e01\u0e47\u0e15",
       u"krungthep phuket"},
      {"zh", u"\u5317\u4eac \u4e0a\u6d77.txt \u5973", u"BeiJing ShangHai.txt Nyu"},
      {"zh words", u"\u897f\u85cf \u4eba\u6c11\u5171\u548c\u56fd", u"Xizang RenminGongheguo"},
      {"th finals and clusters",
       u"\u0e40\u0e04\u0e23\u0e37\u0e2d\u0e23\u0e31\u0e10 \u0e44\u0e17\u0e22", u"khruearat thai"},
  });
}

// "NameReplaceUserUnicode" keeps the system's own script.
TEST_F(DefaultTables, KeepTheNativeScript) {
  const std::u16string mixed =
      u"\u041c\u043e\u0441\u043a\u0432\u0430 caf\u00e9 \u304d\u3087\u3046\u3068";
  const std::u16string result = Field(NAMEFOLD_FIELD_NAME_REPLACE_USER_UNICODE, mixed);
  switch (AnsiCodePageUnderTest()) {
    case 1251:  // Cyrillic and everything else below U+0500 stay; kana go
      EXPECT_EQ(ToUtf8(result), ToUtf8(u"\u041c\u043e\u0441\u043a\u0432\u0430 caf\u00e9 kyouto"));
      break;
    case 1252:  // é stays
      EXPECT_EQ(ToUtf8(result), ToUtf8(u"Moskva caf\u00e9 kyouto"));
      break;
    case 932:  // kana stay
      EXPECT_EQ(ToUtf8(result), ToUtf8(u"Moskva cafe \u304d\u3087\u3046\u3068"));
      break;
    default:
      EXPECT_EQ(ToUtf8(result).find("Moskva"), 0u);
  }
}

// Greek mu pi reads b at the start of a word; where Greek is native (code pages 1253 and 1251) a
// Greek name stays whole, the space before the word included.
TEST_F(DefaultTables, KeepGreekWholeAtAWordStart) {
  const std::u16string name = u"a \u039c\u03c0\u03b1\u03bc\u03c0\u03ac\u03c1\u03b1";
  const int page = AnsiCodePageUnderTest();
  const std::u16string result = Field(NAMEFOLD_FIELD_NAME_REPLACE_USER_UNICODE, name);
  EXPECT_EQ(ToUtf8(result), ToUtf8(page == 1253 || page == 1251 ? name : u"a Bampara"));
}

}  // namespace
}  // namespace namefold::testing
