#include "transform/inherent_vowel.h"

#include <gtest/gtest.h>

#include <string>

namespace namefold {
namespace {

// The word at the start of `text` with a virama where its consonants lose their vowel (and a
// zero-width non-joiner after a consonant alone that keeps it), and the rest of `text` as it is.
std::u16string WithDrops(const std::u16string& text) {
  std::uint16_t after[kMedialWordCapacity];
  const MedialDrops word = FindMedialDrops(text.c_str(), after);
  std::u16string out;
  std::size_t next = 0;
  for (std::size_t k = 0; k < text.size(); ++k) {
    out += text[k];
    if (next < word.count && after[next] == k + 1) {
      out += word.kept ? u'\u200C' : ViramaOf(text[k]);
      ++next;
    }
  }
  EXPECT_EQ(next, word.count);
  EXPECT_EQ(text.substr(word.length).find_first_of(u"\u0900\u0A00\u0A80"), std::u16string::npos)
      << "the word ends at the first unit of another kind";
  return out;
}

TEST(InherentVowel, DropsTheVowelInsideAWordByVcCv) {
  struct Row {
    const char* name;
    std::u16string word, respelled;
  };
  const Row rows[] = {
      // The examples of schwa deletion in Hindi: VC_CV, read from the word's end.
      {"kamra", u"कमरा", u"कम्रा"},
      {"apnapan: a dropped vowel keeps the one before it", u"अपनापन", u"अप्नापन"},
      {"samajhdar", u"समझदार", u"समझ्दार"},
      {"kamal: the last consonant goes, so the one before keeps its vowel", u"कमल", u"कमल"},
      {"the first syllable keeps its vowel", u"कम", u"कम"},
      {"a consonant after a virama has no vowel before it", u"सम्पादक", u"सम्पादक"},
      {"a consonant before a cluster has none after it", u"उत्तरप्रदेश", u"उत्तरप्रदेश"},
      {"an anusvara keeps the vowel before it: kamandal", u"कमंडल", u"कमंडल"},
      {"the virama goes after the nukta", u"बज़रा", u"बज़्रा"},
      {"a joiner is part of the word and no syllable", u"कम\u200Dरा", u"कम्\u200Dरा"},
      {"the word ends before a space", u"कमरा कमरा", u"कम्रा कमरा"},
      {"Gurmukhi, tippi and all: kingdam", u"ਕਿੰਗਡਮ", u"ਕਿੰਗ੍ਡਮ"},
      {"Gujarati: gujrati", u"ગુજરાતી", u"ગુજ્રાતી"},
      // A word of one consonant keeps its vowel (Nepali र, "and"); nothing else is such a word.
      {"one consonant", u"र श्याम", u"र\u200C श्याम"},
      {"one consonant and its nukta", u"ज़.txt", u"ज़\u200C.txt"},
      {"one consonant with a sign", u"रः", u"रः"},
      {"one consonant with its vowel sign", u"ने", u"ने"},
      {"a vowel letter", u"ए", u"ए"},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.name);
    EXPECT_EQ(WithDrops(row.word), row.respelled);
  }
}

}  // namespace
}  // namespace namefold
