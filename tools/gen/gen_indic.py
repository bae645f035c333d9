#!/usr/bin/env python3
"""Generate the table sources of the Indic scripts and of Ethiopic.

    gen_indic.py [--unicode DIR] [--update]

prints (or, with --update, writes into data/tables/) indic.single.txt,
indic.sequence.txt, ethiopic.single.txt and ethiopic.sequence.txt.

Indic: Devanagari, Bengali, Gurmukhi, Gujarati, Oriya, Tamil, Telugu,
Kannada and Malayalam lay out their letters in the same order (the order of
ISCII), so one list of readings by position within the block serves all nine.
The readings are those of IAST and ISO 15919 with the diacritics dropped, as
Indian names are written in English (c as ch, s with accent or dot as sh). A
consonant alone carries the inherent vowel a; in the sequence table the
consonant followed by a vowel sign takes that vowel instead, and followed by
the virama no vowel, so that नमस्ते reads namaste; in Hindi, Punjabi,
Gujarati and Bengali the last consonant of a word before a space, a full stop
or a dash, and at the end of the name, has none either (भारत.txt, भारत Bharat),
unless a cluster ends the word: Bengali keeps the vowel after every cluster,
the others after one that could not close a syllable (मित्र mitra, but धर्म
dharm). The anusvara before p, ph, b, bh and m is m (कंबोडिया Kambodiya), as
the standards write it where it stands for the nasal of the consonant after
it. A nukta after a consonant gives the sound it marks (क़ q, ज़ z, फ़ f).

What a sequence of four units cannot see stays as it is: the medial vowel
that Hindi, Punjabi and Gujarati drop between a vowel and a consonant with
its own vowel (कमरा reads kamara, spoken kamra) depends on the letters on
both sides of it, and tools/schwa_reference.py measures what is left.

Ethiopic: every syllable of the Ethiopic block, read from its Unicode name
after the BGN/PCGN romanization of Amharic without diacritics: the sixth
order (the vowel e in the name, a schwa or no vowel at all) is written as
the consonant alone, the ejectives as their plain consonants.

Letters and marks that exist come from UnicodeData.txt of Debian's
unicode-data package (/usr/share/unicode).
"""

import os
import sys
import unicodedata

TOOLS_DIR = os.path.dirname(os.path.abspath(__file__))
sys.path.insert(0, TOOLS_DIR)
import gen_derived  # noqa: E402

COMMAND = "tools/gen/gen_indic.py --update"

SCRIPTS = [  # (name, first code point of the block)
    ("Devanagari", 0x0900), ("Bengali", 0x0980), ("Gurmukhi", 0x0A00),
    ("Gujarati", 0x0A80), ("Oriya", 0x0B00), ("Tamil", 0x0B80),
    ("Telugu", 0x0C00), ("Kannada", 0x0C80), ("Malayalam", 0x0D00),
]

# Signs and independent vowels, by position in the block.
SIGNS = {
    0x00: "n", 0x01: "n", 0x02: "n", 0x03: "h",
    0x04: "a", 0x05: "a", 0x06: "a", 0x07: "i", 0x08: "i", 0x09: "u", 0x0A: "u",
    0x0B: "ri", 0x0C: "li", 0x0D: "e", 0x0E: "e", 0x0F: "e", 0x10: "ai",
    0x11: "o", 0x12: "o", 0x13: "o", 0x14: "au",
    0x3C: "", 0x3D: "", 0x4D: "",
    0x50: "om", 0x51: "", 0x52: "", 0x53: "", 0x54: "", 0x55: "", 0x56: "", 0x57: "",
    0x60: "ri", 0x61: "li", 0x64: ".", 0x65: ".", 0x70: ".", 0x71: "",
    0x72: "a", 0x73: "o", 0x74: "o", 0x75: "au", 0x76: "u", 0x77: "u",
}
DIGITS = range(0x66, 0x70)

# Consonants without their vowel, by position.
CONSONANTS = {
    0x15: "k", 0x16: "kh", 0x17: "g", 0x18: "gh", 0x19: "n",
    0x1A: "ch", 0x1B: "chh", 0x1C: "j", 0x1D: "jh", 0x1E: "n",
    0x1F: "t", 0x20: "th", 0x21: "d", 0x22: "dh", 0x23: "n",
    0x24: "t", 0x25: "th", 0x26: "d", 0x27: "dh", 0x28: "n", 0x29: "n",
    0x2A: "p", 0x2B: "ph", 0x2C: "b", 0x2D: "bh", 0x2E: "m",
    0x2F: "y", 0x30: "r", 0x31: "r", 0x32: "l", 0x33: "l", 0x34: "zh", 0x35: "v",
    0x36: "sh", 0x37: "sh", 0x38: "s", 0x39: "h",
    # consonants with nukta, precomposed
    0x58: "q", 0x59: "kh", 0x5A: "gh", 0x5B: "z", 0x5C: "r", 0x5D: "rh", 0x5E: "f", 0x5F: "y",
    0x79: "z", 0x7A: "y", 0x7B: "g", 0x7C: "j", 0x7E: "d", 0x7F: "b",
}
# What a nukta makes of a consonant, by the consonant's position; Gurmukhi also marks la and sa
# (ਲ਼ l, ਸ਼ sh), which Unicode decomposes, so that a name holds them as consonant and nukta.
NUKTA = {0x15: "q", 0x16: "kh", 0x17: "gh", 0x1C: "z", 0x21: "r", 0x22: "rh", 0x2B: "f", 0x2F: "y"}
SCRIPT_NUKTA = {"Gurmukhi": {0x32: "l", 0x38: "sh"}}

# Vowel signs, by position.
VOWEL_SIGNS = {
    0x3A: "e", 0x3B: "e", 0x3E: "a", 0x3F: "i", 0x40: "i", 0x41: "u", 0x42: "u",
    0x43: "ri", 0x44: "ri", 0x45: "e", 0x46: "e", 0x47: "e", 0x48: "ai", 0x49: "o",
    0x4A: "o", 0x4B: "o", 0x4C: "au", 0x4E: "e", 0x4F: "au", 0x62: "li", 0x63: "li",
}
VIRAMA = 0x4D
# The vowel signs that take part in sequences; the rarer ones (the vocalic l,
# the vowel signs of Kashmiri and Bihari) stay single entries.
SEQUENCE_VOWEL_SIGNS = [0x3E, 0x3F, 0x40, 0x41, 0x42, 0x43, 0x45, 0x46, 0x47, 0x48, 0x49,
                        0x4A, 0x4B, 0x4C]

# The anusvara as each script's languages write it.
ANUSVARA = {"Bengali": "ng", "Oriya": "ng", "Malayalam": "m"}  # final in Malayalam (malayalam)

# Hindi, Punjabi, Gujarati and Bengali drop the inherent vowel of a word's
# last consonant (भारत Bharat). The engine sees no end of word, but it sees
# the character after one, and "/" as the last unit of a sequence stands for
# the end of the name: a consonant before these reads without its vowel.
WORD_FINAL_SCRIPTS = {"Devanagari", "Bengali", "Gurmukhi", "Gujarati"}
# Hindi, Punjabi and Gujarati also drop it inside a word by the VC_CV rule (कमरा kamra), which
# the engine applies where the sequence table holds "//" + the script's virama = "medial": it
# writes the virama after the consonant, so that the entries above read it bare.
MEDIAL_SCRIPTS = {"Devanagari", "Gurmukhi", "Gujarati"}
WORD_ENDS = " .-_,;)"
NAME_END = "/"
# A word that ends in a cluster keeps its last vowel where the cluster could
# not close a syllable (महाराष्ट्र Maharashtra, कृष्ण Krishna): its last member
# is ra, ya, va or nna; elsewhere the vowel goes (धर्म dharm, फ़िल्म film).
# Bengali keeps it after every cluster (যুক্ত jukta).
# The clusters are read consonant by consonant, so these sequences give the
# vowel back after a virama, before a space or a full stop and at the name's
# end; before the other signs the cluster stays bare. That keeps the entries
# near 3,800 (2,600 of them Bengali, whose every cluster keeps the vowel), and
# the sequence index of the default tables within 65,536 slots.
CLUSTER_TAILS = (0x30, 0x2F, 0x35, 0x23)
# Gurmukhi writes a cluster with the virama only under ra, va and ya; Bengali
# hardly begins one at a word's end with gha, chha, jha, ttha, ddha or pha
# (বিঘ্ন and পাঠ্য are rare in names), nor ends one in nga, jha, nya, ddha, pha
# or ha.
GURMUKHI_CLUSTER_TAILS = (0x30, 0x35, 0x2F)
BENGALI_NEVER_FIRST = {0x18, 0x1B, 0x1D, 0x20, 0x22, 0x2B}
BENGALI_NEVER_LAST = {0x19, 0x1D, 0x1E, 0x22, 0x2B, 0x39}
CLUSTER_ENDS = " ." + NAME_END

# The anusvara before p, ph, b, bh or m is m (कंबोडिया Kambodiya, కొలంబియా
# Kolambiya), and so is Gurmukhi's tippi: the entries take the labial with it,
# and with the labial its vowel sign, virama or word end.
LABIALS = (0x2A, 0x2B, 0x2C, 0x2D, 0x2E)
NASAL_SIGNS = {"Gurmukhi": (0x0A02, 0x0A70)}
# Vowel signs that names hardly put after an anusvara and a labial (the
# vocalic r, the candra e and o of loanwords): left to the letters' readings.
RARE_AFTER_LABIAL = {0x43, 0x45, 0x49}

# Letters that only some scripts have, by code point.
SCRIPT_LETTERS = {
    0x0978: "da", 0x097D: "", 0x0AFA: "", 0x0AFB: "", 0x0AFC: "", 0x0AFD: "", 0x0AFE: "", 0x0AFF: "",
    0x09CE: "t", 0x09FC: "v", 0x09FD: "", 0x09FE: "",
    0x0A70: "n", 0x0A71: "", 0x0A72: "", 0x0A73: "", 0x0A74: "ek onkar", 0x0A75: "",
    0x0B71: "w", 0x0BD0: "om", 0x0C58: "ts", 0x0C59: "dz", 0x0C5A: "r", 0x0C5D: "n",
    0x0CDD: "n", 0x0CF1: "", 0x0CF2: "",
    0x0D4E: "r", 0x0D54: "m", 0x0D55: "y", 0x0D56: "zh", 0x0D5F: "i",
    0x0D7A: "n", 0x0D7B: "n", 0x0D7C: "r", 0x0D7D: "l", 0x0D7E: "l", 0x0D7F: "k",
}

# Consonants that only some scripts have, by code point: Assamese ra and wa carry the vowel
# a as every other consonant does (অসমীয়া ৰাষ্ট্ৰ).
SCRIPT_CONSONANTS = {0x09F0: "r", 0x09F1: "w"}

# Tamil ten, hundred and thousand, which other scripts' positions hold signs.
TAMIL_NUMBERS = (0x0BF0, 0x0BF1, 0x0BF2)

ETHIOPIC = (0x1200, 0x139F)
ETHIOPIC_CONSONANTS = {
    "HH": "h", "SZ": "s", "QH": "q", "C": "ch", "X": "h", "KX": "kh", "DD": "d",
    "GG": "g", "TH": "t", "CH": "ch", "PH": "p", "TZ": "ts", "ZH": "zh", "SH": "sh",
    "NY": "ny", "TS": "ts", "QY": "q", "KY": "k", "XY": "h", "GY": "g", "CCH": "ch",
    "DZ": "dz", "JJ": "j", "HHY": "h", "FY": "f", "RY": "r", "MY": "m", "BB": "b",
}
ETHIOPIC_VOWELS = [  # longest first; the first order (A in the name) is e, the fourth (AA) a
    ("WAA", "wa"), ("WEE", "we"), ("WA", "wa"), ("WI", "wi"), ("WE", "w"), ("OA", "wa"),
    ("AA", "a"), ("EE", "e"), ("A", "e"), ("U", "u"), ("I", "i"), ("E", ""), ("O", "o"),
]
# The first order of the h series is spoken, and written, as the fourth (ሀ ha).
ETHIOPIC_H_SERIES = {"H", "HH", "X", "KX"}
# The labiovelars have orders of their own: WA is their first (ቈ qwe), WAA their fourth; for the
# other consonants WA is the labialized fourth order (ሏ lwa).
ETHIOPIC_LABIOVELARS = {"Q", "QH", "X", "K", "KX", "G", "GG"}
# The glottal and pharyngeal letters carry only their vowel: the first order is a (አዲስ adis), the
# sixth i (እንግሊዝ ingliz), as it is spoken at the start of a word, where these letters stand.
ETHIOPIC_VOWEL_CARRIERS = {"A": "a", "E": "i"}
ETHIOPIC_SIGNS = {0x1360: " ", 0x1361: " ", 0x1362: ".", 0x1363: ",", 0x1364: ";",
                  0x1365: "-", 0x1366: "-", 0x1367: "_", 0x1368: "-"}


def _key(code):
    return "U+%04X" % code if code in MARKS else chr(code)


MARKS = set()


def word_end_lines(letter, bare):
    """The letter without its vowel before a word's end and at the name's end."""
    return ["%s%s=%s%s" % (letter, end, bare, end) for end in WORD_ENDS] \
        + ["%s%s=%s" % (letter, NAME_END, bare)]


def consonants_of(base, exists):
    """{offset: reading without the vowel} of the consonants of the block at base."""
    found = {o: CONSONANTS[o] for o in exists & set(CONSONANTS) if base + o not in SCRIPT_LETTERS}
    found.update({c - base: r for c, r in SCRIPT_CONSONANTS.items() if c - base in exists})
    return found


def cluster_lines(name, base, first, consonants):
    """A cluster of `first`, the virama and a last member that keeps its vowel at a word's end."""
    if name == "Bengali":
        if first in BENGALI_NEVER_FIRST:
            return []
        tails = [o for o in sorted(consonants) if (o < 0x58 or base + o in SCRIPT_CONSONANTS)
                 and o not in BENGALI_NEVER_LAST]
    elif name == "Gurmukhi":
        tails = [o for o in GURMUKHI_CLUSTER_TAILS if o in consonants]
    else:
        tails = [o for o in CLUSTER_TAILS if o in consonants]
    lines = []
    for tail in tails:
        for end in CLUSTER_ENDS:
            value = consonants[first] + consonants[tail] + "a" + end.replace(NAME_END, "")
            if len(value) <= 7:  # a sequence value holds seven letters (ছ্ছ chchha is left out)
                lines.append("%s%s%s%s=%s" % (chr(base + first), chr(base + VIRAMA),
                                              chr(base + tail), end, value))
    return lines


def anusvara_lines(name, base, exists):
    """The anusvara before a labial, with what follows the labial, as m."""
    signs = [c for c in NASAL_SIGNS.get(name, (base + 0x02,)) if c - base in exists]
    if ANUSVARA.get(name) == "m":
        return []  # Malayalam reads it m everywhere
    lines = []
    for sign in signs:
        for labial in LABIALS:
            if labial not in exists:
                continue
            bare = CONSONANTS[labial]
            pair = chr(sign) + chr(base + labial)
            lines.append("%s=m%sa" % (pair, bare))
            lines.append("%s%s=m%s" % (pair, chr(base + VIRAMA), bare))
            lines += ["%s%s=m%s%s" % (pair, chr(base + s), bare, VOWEL_SIGNS[s])
                      for s in sorted(exists & set(SEQUENCE_VOWEL_SIGNS) - RARE_AFTER_LABIAL)]
            if name in WORD_FINAL_SCRIPTS:  # a word hardly ends in them: the commonest ends only
                lines += ["%s%s=m%s%s" % (pair, end, bare, end.replace(NAME_END, ""))
                          for end in CLUSTER_ENDS]
    return lines


def indic_lines(unicode_data):
    single = ["# Generated by %s from UnicodeData.txt; do not edit." % COMMAND,
              "# Indic scripts, letter by letter, after IAST and ISO 15919 without",
              "# diacritics: a consonant alone carries the vowel a; vowel signs give their",
              "# vowel, the virama none (both in the sequence table after a consonant)."]
    sequence = ["# Generated by %s from UnicodeData.txt; do not edit." % COMMAND,
                "# Indic consonants followed by a vowel sign, the virama or a nukta."]
    for name, base in SCRIPTS:
        exists = {offset for offset in range(0x80) if base + offset in unicode_data}
        single += ["", "# " + name]
        sequence += ["", "# " + name]
        if name in MEDIAL_SCRIPTS:
            sequence.append("//%s=medial" % chr(base + VIRAMA))
        for offset in sorted(exists):
            code = base + offset
            reading = None
            if offset == 0x02 and name in ANUSVARA:
                reading = ANUSVARA[name]
            elif code in SCRIPT_LETTERS:
                reading = SCRIPT_LETTERS[code]
            elif code in SCRIPT_CONSONANTS:
                reading = SCRIPT_CONSONANTS[code] + "a"
            elif code in TAMIL_NUMBERS:
                reading = gen_derived.numeric_value(code)
            elif offset in CONSONANTS:
                reading = CONSONANTS[offset] + "a"
            elif offset in VOWEL_SIGNS:
                reading = VOWEL_SIGNS[offset]
            elif offset in SIGNS and unicode_data[code][1] not in ("Sc", "No", "So"):
                reading = SIGNS[offset]  # where other scripts keep currency and fraction signs
            elif offset in DIGITS and unicode_data[code][1] == "Nd":
                reading = str(offset - 0x66)
            if reading is None:
                continue
            single.append("%s=%s" % (_key(code), reading))
        consonants = consonants_of(base, exists)
        for offset, bare in sorted(consonants.items()):
            letter = chr(base + offset)
            sequence.append("%s%s=%s" % (letter, chr(base + VIRAMA), bare))
            for sign in sorted(exists & set(SEQUENCE_VOWEL_SIGNS)):
                sequence.append("%s%s=%s" % (letter, chr(base + sign), bare + VOWEL_SIGNS[sign]))
            if name in WORD_FINAL_SCRIPTS:
                sequence += word_end_lines(letter, bare)
                sequence += cluster_lines(name, base, offset, consonants)
            nukta_reading = {**NUKTA, **SCRIPT_NUKTA.get(name, {})}.get(offset)
            if nukta_reading is not None and 0x3C in exists:
                nukta = letter + chr(base + 0x3C)
                sequence.append("%s=%sa" % (nukta, nukta_reading))
                if name in WORD_FINAL_SCRIPTS:
                    sequence += word_end_lines(nukta, nukta_reading)
                sequence.append("%s%s=%s" % (nukta, chr(base + VIRAMA), nukta_reading))
                for sign in sorted(exists & set(SEQUENCE_VOWEL_SIGNS)):
                    sequence.append("%s%s=%s" % (nukta, chr(base + sign), nukta_reading + VOWEL_SIGNS[sign]))
        sequence += anusvara_lines(name, base, exists)
    # A name is composed before the tables see it, and the letters that Unicode keeps out of
    # composition (क़, ਸ਼, ড়) reach them as consonant and nukta: a key that holds one could never
    # match.
    sequence = [line for line in sequence if line.startswith("#") or not line
                or unicodedata.normalize("NFC", line) == line]
    return single, sequence


def ethiopic_reading(name):
    syllable = name.replace("ETHIOPIC SYLLABLE ", "")
    for prefix in ("GLOTTAL ", "PHARYNGEAL "):
        if syllable.startswith(prefix):
            syllable = syllable[len(prefix):]
            if syllable in ETHIOPIC_VOWEL_CARRIERS:
                return ETHIOPIC_VOWEL_CARRIERS[syllable]
    syllable = syllable.split()[-1]
    for vowel, reading in ETHIOPIC_VOWELS:
        if syllable.endswith(vowel):
            consonant = syllable[:-len(vowel)]
            if vowel == "A" and consonant in ETHIOPIC_H_SERIES:
                reading = "a"
            elif vowel == "WA" and consonant in ETHIOPIC_LABIOVELARS:
                reading = "we"
            return ETHIOPIC_CONSONANTS.get(consonant, consonant.lower()) + reading
    return None


def ethiopic_lines(unicode_data):
    lines = ["# Generated by %s from UnicodeData.txt; do not edit." % COMMAND,
             "# Ethiopic syllables, read from their names after the BGN/PCGN romanization",
             "# of Amharic without diacritics; the sixth order as the bare consonant.",
             "# Ethiopic numbers by their value, punctuation as its ASCII counterpart."]
    for code in range(ETHIOPIC[0], ETHIOPIC[1] + 1):
        if code not in unicode_data:
            continue
        name, category, _ = unicode_data[code]
        if code in ETHIOPIC_SIGNS:
            reading = ETHIOPIC_SIGNS[code]
        elif name.startswith("ETHIOPIC SYLLABLE"):
            reading = ethiopic_reading(name)
        elif category == "No" or category == "Nd":
            reading = gen_derived.numeric_value(code)
        elif category.startswith("M"):
            reading = ""
        else:
            reading = None
        if reading is not None:
            lines.append("%s=%s" % (_key(code), reading))
    return lines


def ethiopic_number_lines():
    """Ethiopic numbers add their digits: a ten followed by a unit is one number (፲፪ 12)."""
    lines = ["# Generated by %s; do not edit." % COMMAND,
             "# Ethiopic numbers: a ten followed by a unit reads as the number they make."]
    for ten in range(1, 10):
        for unit in range(1, 10):
            lines.append("%s%s=%d" % (chr(0x1371 + ten), chr(0x1368 + unit), 10 * ten + unit))
    return lines


def outputs(unicode_dir=gen_derived.UNICODE_DIR):
    """{file name: lines} of the generated sources."""
    unicode_data = gen_derived.read_unicode_data(unicode_dir)
    MARKS.update(c for c, fields in unicode_data.items() if fields[1].startswith("M"))
    single, sequence = indic_lines(unicode_data)
    return {"indic.single.txt": single, "indic.sequence.txt": sequence,
            "ethiopic.single.txt": ethiopic_lines(unicode_data),
            "ethiopic.sequence.txt": ethiopic_number_lines()}


def main(argv=None):
    return gen_derived.run_generator("gen_indic", __doc__, outputs, argv)


if __name__ == "__main__":
    sys.exit(main())
