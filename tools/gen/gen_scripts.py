#!/usr/bin/env python3
"""Generate the table sources of the alphabets and syllabaries read from their letters' names.

    gen_scripts.py [--unicode DIR] [--update]

prints (or, with --update, writes into data/tables/) scripts.single.txt and
scripts.sequence.txt: Cherokee, Vai, Yi, Canadian syllabics, Tifinagh, Ol
Chiki, Thaana and Adlam. In each of them Unicode names a letter after the
sound it stands for in the script's usual romanization, so the reading comes
from the name, with the rules of each script below:

- Cherokee: the syllable of the name (GA ga, TLV tlv; v is the nasal schwa),
  in small letters, as Cherokee is romanized (the capitals are the everyday
  letters, the small ones their rarer case pairs).
- Vai: the syllable of the name (VAI SYLLABLE KPAN kpan), a word sign by its
  word (VAI SYMBOL KUNG kung).
- Yi: the Yi pinyin of the name, whose final t, x, p mark the tone (YI
  SYLLABLE NUOP nuop).
- Canadian syllabics: the Standard Roman Orthography of the name's syllable
  (WEST-CREE PWII pwii), the Cree finals by the consonant they write.
- Tifinagh: the IRCAM Latin letter of the name, ya- dropped and a doubled
  letter (the emphatics) single (YAB b, YADD d, YAGHH gh).
- Ol Chiki: the vowel of a letter named L and a vowel (LAA a; LA o, the open
  o), the consonant of the others (AG g, UNN n).
- Thaana: the consonant of the letter's name (NOONU n, SHAVIYANI sh); alifu
  carries only its vowel; the vowel signs (fili) by their vowel (ABAFILI a,
  EEBEEFILI ee), the sukun none.
- Adlam: the Fula Latin letter of the name (DAALI d, NHA ng), outside the
  BMP, so in the sequence table as surrogate pairs.

Digits read as their value; the scripts' full stops and commas as ASCII.
Letters and names come from UnicodeData.txt of Debian's unicode-data package.
"""

import os
import re
import sys

TOOLS_DIR = os.path.dirname(os.path.abspath(__file__))
sys.path.insert(0, TOOLS_DIR)
import gen_derived  # noqa: E402

COMMAND = "tools/gen/gen_scripts.py --update"

BLOCKS = [  # (script, first, last)
    ("Thaana", 0x0780, 0x07BF),
    ("Cherokee", 0x13A0, 0x13FF),
    ("Canadian syllabics", 0x1400, 0x167F),
    ("Ol Chiki", 0x1C50, 0x1C7F),
    ("Canadian syllabics", 0x18B0, 0x18FF),
    ("Tifinagh", 0x2D30, 0x2D7F),
    ("Yi", 0xA000, 0xA48F),
    ("Vai", 0xA500, 0xA63F),
    ("Cherokee", 0xAB70, 0xABBF),
    ("Adlam", 0x1E900, 0x1E95F),
]

PUNCTUATION = {
    0x1400: "-", 0x166E: ".", 0x1C7E: ".", 0x1C7F: ".", 0xA4FE: ",", 0xA4FF: ".",
    0xA60C: "", 0xA60D: ",", 0xA60E: ".", 0xA60F: "_", 0x1E95E: "_", 0x1E95F: "_",
}

# The Cree finals, by the consonant they write at the end of a syllable.
CREE_FINALS = {
    "GLOTTAL STOP": "'", "FINAL ACUTE": "t", "FINAL GRAVE": "k", "FINAL BOTTOM HALF RING": "sh",
    "FINAL TOP HALF RING": "s", "FINAL RIGHT HALF RING": "n", "FINAL RING": "w",
    "FINAL DOUBLE ACUTE": "", "FINAL DOUBLE SHORT VERTICAL STROKES": "h",
    "FINAL MIDDLE DOT": "w", "FINAL SHORT HORIZONTAL STROKE": "c", "FINAL PLUS": "y",
    "FINAL DOWN TACK": "", "FINAL SMALL RING": "", "FINAL RAISED DOT": "",
}

VOWELS = "AEIOU"


def last_word(name):
    return re.sub(r"[^A-Z]", "", name.split()[-1]).lower()


def single_letters(word):
    """A doubled letter written once (the Tifinagh and Ol Chiki emphatics): YADD d."""
    return re.sub(r"(.)\1", r"\1", word)


def cherokee(name):
    return last_word(name) if " LETTER " in name else None


def syllable(name):
    """A syllable, or a Vai word sign, by its name (VAI SYMBOL KUNG kung)."""
    return last_word(name) if " SYLLABLE " in name or "VAI SYMBOL " in name else None


def canadian(name):
    rest = name.replace("CANADIAN SYLLABICS ", "")
    if rest in CREE_FINALS:
        return CREE_FINALS[rest]
    return last_word(name) if re.fullmatch(r"[A-Z -]+", rest) else None


def tifinagh(name):
    if "LABIALIZATION" in name:
        return "w"
    if " LETTER " not in name:
        return "" if "JOINER" in name else None
    word = name.split()[-1].lower()
    if word.startswith("ya") and len(word) > 2:
        word = word[2:]
    elif word.startswith("y") and len(word) > 1:
        word = word[1:]
    return single_letters(word)


def ol_chiki(name):
    if " LETTER " in name:
        word = name.split()[-1]
        if word == "LA":
            return "o"
        if word[0] == "L" and all(c in VOWELS for c in word[1:]):
            return single_letters(word[1:].lower())
        return single_letters(word.lstrip(VOWELS).lower())
    if "MU TTUDDAG" in name:
        return "n"  # the nasal mark
    return "" if "OL CHIKI" in name and "MUCAAD" not in name else None


def thaana(name):
    word = name.split()[-1]
    if word.endswith("FILI"):
        return word.split("B")[0].lower()
    if word == "SUKUN":
        return ""
    if word == "ALIFU":
        return ""
    if word == "AINU":
        return "'"
    if word.endswith("AVIYANI"):
        return word[:-len("AVIYANI")].lower()
    consonant = re.match(r"[^AEIOU]*", word).group(0)
    return single_letters(consonant.lower())


ADLAM = {
    "ALIF": "a", "DAALI": "d", "LAAM": "l", "MIIM": "m", "BA": "b", "SINNYIIYHE": "s",
    "PE": "p", "BHE": "b", "RA": "r", "E": "e", "FA": "f", "I": "i", "O": "o", "DHA": "d",
    "YHE": "y", "WAW": "w", "NUN": "n", "KAF": "k", "YA": "y", "U": "u", "JIIM": "j",
    "CHI": "c", "HA": "h", "QAAF": "q", "GA": "g", "NYA": "ny", "TU": "t", "NHA": "ng",
    "VA": "v", "KHA": "kh", "GBE": "gb", "ZAL": "z", "KPO": "kp", "SHA": "sh",
}


def adlam(name):
    if " LETTER " in name:
        value = ADLAM[name.split(" LETTER ")[1]]
        return value.capitalize() if " CAPITAL " in name else value
    return "" if name.startswith("ADLAM") and "DIGIT" not in name else None


READERS = {"Cherokee": cherokee, "Vai": syllable, "Yi": syllable, "Canadian syllabics": canadian,
           "Tifinagh": tifinagh, "Ol Chiki": ol_chiki, "Thaana": thaana, "Adlam": adlam}


def key(code, category):
    if code > 0xFFFF or not category.startswith("M"):
        return chr(code)
    return "U+%04X" % code


def outputs(unicode_dir=gen_derived.UNICODE_DIR):
    """{file name: lines} of the generated sources."""
    unicode_data = gen_derived.read_unicode_data(unicode_dir)
    header = ["# Generated by %s from UnicodeData.txt; do not edit." % COMMAND,
              "# Alphabets and syllabaries, each letter read from its Unicode name after the",
              "# script's usual romanization (see tools/gen/gen_scripts.py); digits by their value."]
    single = header[:]
    sequence = header + ["# The scripts outside the Basic Multilingual Plane, as surrogate pairs."]
    for script, first, last in BLOCKS:
        target = sequence if first > 0xFFFF else single
        target += ["", "# " + script]
        for code in range(first, last + 1):
            if code not in unicode_data:
                continue
            name, category, _ = unicode_data[code]
            if code in PUNCTUATION:
                reading = PUNCTUATION[code]
            elif category == "Nd":
                reading = gen_derived.numeric_value(code)
            elif category[0] in "LM":
                reading = READERS[script](name)
            else:
                reading = None
            if reading is not None:
                target.append("%s=%s" % (key(code, category), reading))
    return {"scripts.single.txt": single, "scripts.sequence.txt": sequence}


def main(argv=None):
    return gen_derived.run_generator("gen_scripts", __doc__, outputs, argv)


if __name__ == "__main__":
    sys.exit(main())
