#!/usr/bin/env python3
"""Generate the table lines that read Hangul in the Revised Romanization of Korean.

A precomposed syllable U+AC00..U+D7A3 is built from an initial, a medial and an
optional final jamo:

    code = 0xAC00 + (initial * 21 + medial) * 28 + final

The tables hold no syllable. They hold the 67 conjoining jamo the syllables are
made of (initials U+1100..U+1112, medials U+1161..U+1175, finals U+11A8..U+11C2),
each read as the system reads it alone: initials and medials as it spells them,
the final as it is pronounced at the end of a syllable (k, n, t, l, m, p, ng).
The engine reads a syllable that has no entry of its own as its jamo, so a
syllable alone reads as before; between two syllables the final meets the next
initial, and the sequence entries here give the sound changes the system writes
there:

- a final before the silent initial of a vowel is carried over to it (한국어
  hangugeo, 닭이 dalgi); a final ㅎ is silent there (좋아 joa);
- assimilation: k, t, p before n or m become ng, n, m (백마 baengma); r after a
  final other than n or l is n, and makes k, t, p nasal (종로 jongno, 왕십리
  wangsimni); n and l together are ll (신라 silla, 별내 byeollae); l + r is ll;
- palatalization: t and t' before i are ji and chi, t + hi is chi (해돋이 haedoji,
  같이 gachi, 굳히다 guchida);
- aspiration: a final ㅎ makes g, d, j into k, t, ch (좋고 joko, 놓다 nota), and
  j + h is ch; after g, d, b the h is written, as the system writes nouns (묵호
  mukho, 집현전 jiphyeonjeon);
- tense sounds are not written (압구정 apgujeong).

The epenthetic n and l (학여울 hangnyeoul) depend on the word's make-up and are
left out. Only pairs whose reading differs from their jamo read one by one are
written. make_tables.py imports this module; run it to print both sources.
"""

import sys

INITIAL_BASE, MEDIAL_BASE, FINAL_BASE = 0x1100, 0x1161, 0x11A7  # final 0 is "none"

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

# Each final before a vowel: what stays in its syllable and what is carried to the next
# (ㄳ carries s, ㄺ g; ㅎ is silent, so ㄶ carries n and ㅀ r; ㅇ stays).
CARRIED = ("", "g", "kk", "ks", "n", "nj", "n", "d", "r", "lg", "lm", "lb", "ls", "lt",
           "lp", "r", "m", "b", "ps", "s", "ss", "ng", "j", "ch", "k", "t", "p", "")

# Finals that hold ㅎ, with what is left of them: ㅎ, ㄶ and ㅀ.
WITH_H = {27: "", 6: "n", 15: "l"}

# Initials by index.
G, N, D, R, M, B, S, SILENT, J, H = 0, 2, 3, 5, 6, 7, 9, 11, 12, 18
I_MEDIAL = 20
FINAL_D, FINAL_J, FINAL_NJ, FINAL_T, FINAL_LT = 7, 22, 5, 25, 13

# Nasal counterpart of a final's sound before n or m (and before r, which is then n).
NASAL = {"k": "ng", "t": "n", "p": "m"}


def initial(index):
    return chr(INITIAL_BASE + index)


def medial(index):
    return chr(MEDIAL_BASE + index)


def final(index):
    return chr(FINAL_BASE + index)


def single_entries():
    """(jamo, reading) for the initials, medials and finals, in code order."""
    for index, value in enumerate(INITIALS):
        yield initial(index), value
    for index, value in enumerate(MEDIALS):
        yield medial(index), value
    for index in range(1, 28):
        yield final(index), FINALS[index]


def pair_reading(last, first):
    """The reading of final `last` followed by initial `first`, sound changes applied."""
    coda = FINALS[last]
    if first == SILENT:
        return CARRIED[last]
    if last in WITH_H:
        rest = WITH_H[last]
        aspirated = {G: "k", D: "t", J: "ch", S: "s"}
        if first in aspirated:
            return rest + aspirated[first]
        if first == N:
            return (rest or "n") + ("l" if rest == "l" else "n")
    if last in (FINAL_J, FINAL_NJ) and first == H:
        return ("n" if last == FINAL_NJ else "") + "ch"
    if first in (N, M):
        if coda == "l" and first == N:
            return "ll"
        return NASAL.get(coda, coda) + INITIALS[first]
    if first == R:
        if coda in ("n", "l"):
            return "ll"
        return NASAL.get(coda, coda) + "n"
    return coda + INITIALS[first]


def sequence_entries():
    """(key, reading) for every final + initial whose reading the sound changes alter, then the
    three-letter palatalizations, which are tried before the pairs they start with."""
    for last in range(1, 28):
        for first in range(19):
            value = pair_reading(last, first)
            if value != FINALS[last] + INITIALS[first]:
                yield final(last) + initial(first), value
    yield final(FINAL_D) + initial(SILENT) + medial(I_MEDIAL), "ji"
    yield final(FINAL_T) + initial(SILENT) + medial(I_MEDIAL), "chi"
    yield final(FINAL_LT) + initial(SILENT) + medial(I_MEDIAL), "lchi"
    yield final(FINAL_D) + initial(H) + medial(I_MEDIAL), "chi"


def lines():
    """The single-character source: comment lines, then one entry per jamo."""
    yield "# Hangul in the Revised Romanization of Korean: the conjoining jamo, each as"
    yield "# read alone; a syllable without an entry of its own reads as its jamo"
    yield "# (generated by gen_hangul.py)."
    for jamo, value in single_entries():
        yield "%s=%s" % (jamo, value)


def sequence_lines():
    """The sequence source: a final before the next syllable's initial."""
    yield "# Hangul across syllables in the Revised Romanization of Korean: a final"
    yield "# before the next initial, as pronounced (generated by gen_hangul.py)."
    for key, value in sequence_entries():
        yield "%s=%s" % (key, value)


def main():
    out = sys.stdout
    for line in list(lines()) + [""] + list(sequence_lines()):
        out.write(line + "\n")
    return 0


if __name__ == "__main__":
    sys.exit(main())
