#!/usr/bin/env python3
"""A reference romanizer for Korean in the Revised Romanization (2000), for checking the tables.

    tools/rr_reference.py 한국어 신라 ...

It works as the system says a romanization is made: each run of Hangul syllables (a word) is
taken apart into its letters, the pronunciation rules that the system writes are applied at each
boundary between two syllables, and the letters are then spelt with the system's tables. It knows
nothing of namefold's tables. The rules, in the order applied:

1. Liaison: a final before a syllable that starts with a vowel moves to it (the second letter of a
   cluster moves, the first stays); a final ㅎ is silent there; ㄷ and ㅌ moving before ㅣ are
   palatalized to ㅈ and ㅊ.
2. Aspiration: ㅎ at the end of a syllable joins a following ㄱ ㄷ ㅈ into ㅋ ㅌ ㅊ (ㅅ stays: the
   tense sound is not written), and before ㄴ it is ㄴ; ㅈ before ㅎ is ㅊ, ㄷ before 히 is 치.
   After ㄱ ㄷ ㅂ the ㅎ stays written, as the system writes nouns (묵호 Mukho).
3. Neutralization: a cluster keeps one letter, and every final is one of ㄱ ㄴ ㄷ ㄹ ㅁ ㅂ ㅇ.
4. ㄹ after a final other than ㄴ and ㄹ is ㄴ.
5. Nasalization: ㄱ ㄷ ㅂ before ㄴ or ㅁ are ㅇ ㄴ ㅁ.
6. Lateralization: ㄴ next to ㄹ is ㄹ.

The system leaves tense sounds unwritten, so none is made; the epenthetic ㄴ and ㄹ (학여울
Hangnyeoul) need the make-up of the word and are not made either. Everything that is not a Hangul
syllable is copied. romanize() returns small letters.
"""

import sys

# Letters by their compatibility forms, in the order of the syllable arithmetic.
ONSETS = "ㄱㄲㄴㄷㄸㄹㅁㅂㅃㅅㅆㅇㅈㅉㅊㅋㅌㅍㅎ"
VOWELS = "ㅏㅐㅑㅒㅓㅔㅕㅖㅗㅘㅙㅚㅛㅜㅝㅞㅟㅠㅡㅢㅣ"
CODAS = ["", "ㄱ", "ㄲ", "ㄱㅅ", "ㄴ", "ㄴㅈ", "ㄴㅎ", "ㄷ", "ㄹ", "ㄹㄱ", "ㄹㅁ", "ㄹㅂ", "ㄹㅅ",
         "ㄹㅌ", "ㄹㅍ", "ㄹㅎ", "ㅁ", "ㅂ", "ㅂㅅ", "ㅅ", "ㅆ", "ㅇ", "ㅈ", "ㅊ", "ㅋ", "ㅌ", "ㅍ",
         "ㅎ"]

# The system's spelling of each letter: consonants before a vowel, consonants at the end of a
# syllable (after neutralization only these occur), vowels.
SPELL_ONSET = dict(zip(ONSETS, ["g", "kk", "n", "d", "tt", "r", "m", "b", "pp", "s", "ss", "",
                                "j", "jj", "ch", "k", "t", "p", "h"]))
SPELL_CODA = {"": "", "ㄱ": "k", "ㄴ": "n", "ㄷ": "t", "ㄹ": "l", "ㅁ": "m", "ㅂ": "p", "ㅇ": "ng"}
SPELL_VOWEL = dict(zip(VOWELS, ["a", "ae", "ya", "yae", "eo", "e", "yeo", "ye", "o", "wa", "wae",
                                "oe", "yo", "u", "wo", "we", "wi", "yu", "eu", "ui", "i"]))

# Which letter of a cluster is pronounced at the end of a syllable.
CLUSTER_KEEPS = {"ㄱㅅ": "ㄱ", "ㄴㅈ": "ㄴ", "ㄴㅎ": "ㄴ", "ㄹㄱ": "ㄱ", "ㄹㅁ": "ㅁ", "ㄹㅂ": "ㄹ",
                 "ㄹㅅ": "ㄹ", "ㄹㅌ": "ㄹ", "ㄹㅍ": "ㅂ", "ㄹㅎ": "ㄹ", "ㅂㅅ": "ㅂ"}
# The sound a single final has at the end of a syllable.
NEUTRAL = {"ㄲ": "ㄱ", "ㅋ": "ㄱ", "ㅅ": "ㄷ", "ㅆ": "ㄷ", "ㅈ": "ㄷ", "ㅊ": "ㄷ", "ㅌ": "ㄷ",
           "ㅎ": "ㄷ", "ㅍ": "ㅂ"}
NASAL = {"ㄱ": "ㅇ", "ㄷ": "ㄴ", "ㅂ": "ㅁ"}
ASPIRATE = {"ㄱ": "ㅋ", "ㄷ": "ㅌ", "ㅈ": "ㅊ"}


def syllable(ch):
    """[onset, vowel, coda] of a precomposed syllable, or None."""
    index = ord(ch) - 0xAC00
    if not 0 <= index < 11172:
        return None
    return [ONSETS[index // 588], VOWELS[index % 588 // 28], CODAS[index % 28]]


def neutral(coda):
    coda = CLUSTER_KEEPS.get(coda, coda)
    return NEUTRAL.get(coda, coda)


# The classes of sound change, as the tools count them.
LIAISON, PALATALIZATION, ASPIRATION, NASALIZATION, LATERALIZATION = (
    "final carried over", "palatalization", "aspiration", "nasal assimilation", "ll")


def join(left, right, applied):
    """Apply the rules at the boundary of two syllables of one word, in place; add the class of
    each change made to the set applied."""
    coda, onset = left[2], right[0]
    if not coda:
        return
    if onset == "ㅇ":
        if coda.endswith("ㅎ"):
            coda = coda[:-1]
            applied.add(ASPIRATION)
        if coda and coda != "ㅇ":
            moved = coda[-1]
            if right[1] == "ㅣ" and moved in "ㄷㅌ":
                moved = "ㅈ" if moved == "ㄷ" else "ㅊ"
                applied.add(PALATALIZATION)
            coda, onset = coda[:-1], moved
            applied.add(LIAISON)
        left[2], right[0] = coda, onset
        if not coda:
            return
    if coda.endswith("ㅎ") and onset in "ㄱㄷㅈㅅㄴ":
        if onset in ASPIRATE:
            coda, onset = coda[:-1], ASPIRATE[onset]
        elif onset == "ㅅ":
            coda = coda[:-1]
        else:
            coda = coda[:-1] or "ㄴ"
        applied.add(ASPIRATION)
    elif onset == "ㅎ" and coda.endswith("ㅈ"):
        coda, onset = coda[:-1], "ㅊ"
        applied.add(ASPIRATION)
    elif onset == "ㅎ" and coda == "ㄷ" and right[1] == "ㅣ":
        coda, onset = "", "ㅊ"
        applied.add(PALATALIZATION)
    coda = neutral(coda)
    if onset == "ㄹ" and coda not in ("", "ㄴ", "ㄹ"):
        onset = "ㄴ"
        applied.add(NASALIZATION)
    if onset in "ㄴㅁ" and coda in NASAL:
        coda = NASAL[coda]
        applied.add(NASALIZATION)
    if (coda, onset) in (("ㄴ", "ㄹ"), ("ㄹ", "ㄴ"), ("ㄹ", "ㄹ")):
        coda = onset = "ㄹ"
        applied.add(LATERALIZATION)
    left[2], right[0] = coda, onset


def spell(word):
    """The letters of one word, its rules applied, in the system's spelling."""
    out = []
    for index, (onset, vowel, coda) in enumerate(word):
        after_l = index > 0 and word[index - 1][2] == "ㄹ"
        out.append("l" if onset == "ㄹ" and after_l else SPELL_ONSET[onset])
        out.append(SPELL_VOWEL[vowel])
        out.append(SPELL_CODA[neutral(coda)])
    return "".join(out)


def romanize(text, applied=None):
    """text with every run of Hangul syllables romanized; the classes of the sound changes made
    are added to the set applied, when given."""
    applied = set() if applied is None else applied
    out, word = [], []
    for ch in text + "\0":
        parts = syllable(ch)
        if parts:
            if word:
                join(word[-1], parts, applied)
            word.append(parts)
            continue
        if word:
            out.append(spell(word))
            word = []
        out.append(ch)
    return "".join(out[:-1])


if __name__ == "__main__":
    for argument in sys.argv[1:]:
        print("%s\t%s" % (argument, romanize(argument)))
