#!/usr/bin/env python3
"""Generate single-character table lines for the precomposed Hangul syllables.

Every syllable U+AC00..U+D7A3 is built from an initial, a medial and an
optional final jamo:

    code = 0xAC00 + (initial * 21 + medial) * 28 + final

The syllable is romanized on its own, in the Revised Romanization of Korean:
initials and medials as the system spells them, the final consonant as it is
pronounced at the end of a syllable (k, n, t, l, m, p, ng). Assimilation across
syllables is not applied, since each syllable is replaced alone.

Run it to print "syllable=romanization" lines; make_tables.py imports it.
"""

import sys

FIRST = 0xAC00
COUNT = 19 * 21 * 28  # 11,172 syllables

# ㄱ ㄲ ㄴ ㄷ ㄸ ㄹ ㅁ ㅂ ㅃ ㅅ ㅆ ㅇ ㅈ ㅉ ㅊ ㅋ ㅌ ㅍ ㅎ
INITIALS = ("g", "kk", "n", "d", "tt", "r", "m", "b", "pp", "s", "ss", "",
            "j", "jj", "ch", "k", "t", "p", "h")

# ㅏ ㅐ ㅑ ㅒ ㅓ ㅔ ㅕ ㅖ ㅗ ㅘ ㅙ ㅚ ㅛ ㅜ ㅝ ㅞ ㅟ ㅠ ㅡ ㅢ ㅣ
MEDIALS = ("a", "ae", "ya", "yae", "eo", "e", "yeo", "ye", "o", "wa", "wae",
           "oe", "yo", "u", "wo", "we", "wi", "yu", "eu", "ui", "i")

# (none) ㄱ ㄲ ㄳ ㄴ ㄵ ㄶ ㄷ ㄹ ㄺ ㄻ ㄼ ㄽ ㄾ ㄿ ㅀ ㅁ ㅂ ㅄ ㅅ ㅆ ㅇ ㅈ ㅊ ㅋ ㅌ ㅍ ㅎ
# A cluster is pronounced as one of its consonants at the end of a syllable:
# ㄳ ㄺ as k, ㄵ ㄶ as n, ㄻ as m, ㄿ ㅄ as p, ㄼ ㄽ ㄾ ㅀ as l.
FINALS = ("", "k", "k", "k", "n", "n", "n", "t", "l", "k", "m", "l", "l", "l",
          "p", "l", "m", "p", "p", "t", "t", "ng", "t", "t", "k", "t", "p", "t")


def romanize(syllable):
    """Return the romanization of one precomposed Hangul syllable."""
    index = ord(syllable) - FIRST
    if not 0 <= index < COUNT:
        raise ValueError("not a precomposed Hangul syllable: U+%04X" % ord(syllable))
    initial, rest = divmod(index, 21 * 28)
    medial, final = divmod(rest, 28)
    return INITIALS[initial] + MEDIALS[medial] + FINALS[final]


def entries():
    """Yield (syllable, romanization) for every syllable in code order."""
    for code in range(FIRST, FIRST + COUNT):
        syllable = chr(code)
        yield syllable, romanize(syllable)


def lines():
    """The table source: comment lines, then one entry per syllable."""
    yield "# Hangul syllables in the Revised Romanization of Korean, syllable by"
    yield "# syllable, generated from each syllable's jamo by gen_hangul.py."
    for syllable, value in entries():
        yield "%s=%s" % (syllable, value)


def main():
    out = sys.stdout
    for line in lines():
        out.write(line + "\n")
    return 0


if __name__ == "__main__":
    sys.exit(main())
