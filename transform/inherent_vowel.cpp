#include "transform/inherent_vowel.h"

#include <algorithm>
#include <array>

namespace namefold {
namespace {

// What a unit of an Indic word is to the syllables, by its place in the block.
enum class Role : std::uint8_t {
  kConsonant,
  kNukta,
  kVirama,
  kVowelSign,
  kVowelLetter,  // an independent vowel: a syllable without a consonant
  kSilent,       // reads as nothing (avagraha, stress and length marks)
  kSign,         // reads as something after the syllable (anusvara, visarga, digits, dandas)
};

constexpr Role RoleAt(Unit place) {
  if ((place >= 0x15 && place <= 0x39) || (place >= 0x58 && place <= 0x5F) ||
      (place >= 0x79 && place != 0x7D)) {
    return Role::kConsonant;
  }
  if (place == kNuktaPlace) return Role::kNukta;
  if (place == kViramaPlace) return Role::kVirama;
  if (place == 0x3A || place == 0x3B || (place >= 0x3E && place <= 0x4C) || place == 0x4E ||
      place == 0x4F || place == 0x62 || place == 0x63) {
    return Role::kVowelSign;
  }
  if ((place >= 0x04 && place <= 0x14) || place == 0x60 || place == 0x61 ||
      (place >= 0x72 && place <= 0x77)) {
    return Role::kVowelLetter;
  }
  if (place == 0x3D || (place >= 0x51 && place <= 0x57) || place == 0x71) return Role::kSilent;
  return Role::kSign;
}

// The role of each place in a block.
constexpr auto kRoles = [] {
  std::array<Role, kIndicBlockMask + 1> roles{};
  for (Unit place = 0; place <= kIndicBlockMask; ++place) roles[place] = RoleAt(place);
  return roles;
}();

// The vowel a syllable ends in.
enum class Vowel : std::uint8_t {
  kInherent,  // a consonant with nothing after it: the rules decide
  kDropped,   // the rules took the inherent vowel away
  kOther,     // a vowel sign, a vowel letter, or a sign after the consonant that keeps the vowel
  kNone,      // the virama
};

struct Syllable {
  std::uint16_t end;   // the place after its consonant and the nukta that follows it
  std::uint8_t place;  // its consonant's place in the block, 0 for a vowel letter
  Vowel vowel;
};

bool EndsInVowel(const Syllable& s) {
  return s.vowel != Vowel::kDropped && s.vowel != Vowel::kNone;
}

bool Inherent(const Syllable& s) {
  return s.place != 0 && s.vowel == Vowel::kInherent;
}

}  // namespace

MedialDrops FindMedialDrops(const Unit* word, std::span<std::uint16_t, kMedialWordCapacity> after) {
  Syllable syllables[kMedialWordCapacity];
  std::size_t n = 0;
  std::size_t k = 0;
  for (; k < kMedialWordCapacity && IsIndicWordUnit(word[k]); ++k) {
    if (!IsIndic(word[k])) continue;  // the joiners choose a glyph only
    const Role role = kRoles[word[k] & kIndicBlockMask];
    Syllable* last = n != 0 ? &syllables[n - 1] : nullptr;
    if (role == Role::kConsonant) {
      syllables[n++] = {static_cast<std::uint16_t>(k + 1),
                        static_cast<std::uint8_t>(word[k] & kIndicBlockMask), Vowel::kInherent};
    } else if (role == Role::kVowelLetter || last == nullptr) {
      syllables[n++] = {0, 0, Vowel::kOther};  // a word that starts with a sign reads it alone
    } else if (role == Role::kNukta) {
      if (Inherent(*last) && last->end == k) last->end = static_cast<std::uint16_t>(k + 1);
    } else if (role == Role::kVirama) {
      if (last->place != 0) last->vowel = Vowel::kNone;
    } else if (role != Role::kSilent && last->vowel == Vowel::kInherent) {
      last->vowel = Vowel::kOther;  // a vowel sign, or a sign that keeps the vowel before it
    }
  }
  const auto length = static_cast<std::uint32_t>(k);
  if (n == 1 && Inherent(syllables[0])) {
    after[0] = syllables[0].end;
    return {length, 1, true};
  }
  // The word's last consonant loses its vowel, as the tables read it at a word's end. (The rule
  // keeps it after a cluster that could not close a syllable, मित्र mitra, but the consonant
  // before such a cluster is no candidate anyway.)
  if (n >= 2 && Inherent(syllables[n - 1])) syllables[n - 1].vowel = Vowel::kDropped;
  // From the end, so that a vowel dropped on the right keeps the one on its left.
  for (std::size_t i = n >= 2 ? n - 2 : 0; i >= 1; --i) {
    Syllable& s = syllables[i];
    const Syllable& right = syllables[i + 1];
    if (Inherent(s) && EndsInVowel(syllables[i - 1]) && right.place != 0 && EndsInVowel(right)) {
      s.vowel = Vowel::kDropped;
    }
  }
  std::size_t written = 0;
  for (std::size_t i = 1; i + 1 < n; ++i) {
    if (syllables[i].vowel == Vowel::kDropped) after[written++] = syllables[i].end;
  }
  return {length, static_cast<std::uint32_t>(written), false};
}

}  // namespace namefold
