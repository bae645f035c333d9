"""The inherent vowel of Hindi, Punjabi, Gujarati and Bengali names as the standards read it.

A reference to measure the tables against, written from the descriptions of schwa deletion
(Ohala's rule, as Narasimhan, Sproat and Kiraz state it for Hindi text to speech) and not from
the tables, which can only see a few letters at a time:

- A consonant with neither vowel sign nor virama carries the inherent vowel a.
- Hindi, Punjabi and Gujarati drop it at the end of a word (भारत bharat, कमल kamal), but not in
  a word of one letter, and not after a cluster that could not close a syllable: one whose last
  member is y, r or v, or a nasal or l after a stop, a sibilant or h (मित्र mitra, राज्य rajya,
  कृष्ण krishna; धर्म dharm, फ़िल्म film, हिन्द hind).
- They also drop it inside a word where a vowel stands before its consonant and a consonant with
  a vowel after it (VC_CV), the word scanned from its end to its start, so that a vowel dropped
  on the right keeps the one on its left (कमरा kamra, अपनापन apnapan, समझदार samajhdar); the
  first syllable keeps it.
- Bengali drops it at the end of a word, except after a cluster (যুক্তরাষ্ট্র yuktarashtra), and
  keeps it inside a word.
- The anusvara (and Gurmukhi's tippi) before p, ph, b, bh or m is m in every Indic script
  (కొలంబియా kolambiya, सम्बन्ध), n or the script's own reading elsewhere.

The letters themselves are read as tools/gen/gen_indic.py reads them, so that a comparison with
the library's reading differs only where the inherent vowel or the anusvara is decided.
`classify` names the rules a reading breaks: each rule's decisions are turned over in turn,
alone and together, until the reading matches.
"""

import itertools
import os
import re
import sys
import unicodedata

sys.path.insert(0, os.path.join(os.path.dirname(os.path.abspath(__file__)), "gen"))
import gen_indic  # noqa: E402

# The scripts whose inherent vowel the rules drop, and whether they drop it inside a word.
DELETING = {"Devanagari": True, "Gurmukhi": True, "Gujarati": True, "Bengali": False}
LABIALS = {0x2A, 0x2B, 0x2C, 0x2D, 0x2E}
SEMIVOWELS = {0x2F, 0x30, 0x31, 0x35}  # y, r, rr, v
NASALS_AND_L = {0x19, 0x1E, 0x23, 0x28, 0x2E, 0x32, 0x33}
SONORANTS = SEMIVOWELS | NASALS_AND_L | {0x34}
NASAL_SIGNS = {0x02}  # the anusvara; Gurmukhi's tippi below
TIPPI = 0x0A70
INDEPENDENT_VOWELS = set(range(0x04, 0x15)) | {0x60, 0x61, 0x72, 0x73, 0x74, 0x75, 0x76, 0x77}
NUKTA, VIRAMA = 0x3C, gen_indic.VIRAMA
KHANDA_TA = 0x09CE

# The rules a reading may break, as `classify` reports them.
END = "final vowel at the name's end"
WORD_END = "final vowel before a space or sign"
MEDIAL = "medial vowel"
CLUSTER = "vowel after a final cluster"
ANUSVARA = "anusvara before a labial"
ONE_LETTER = "vowel of a one-letter word"
OTHER = "other inherent vowels"
CLASSES = (END, WORD_END, MEDIAL, CLUSTER, ONE_LETTER, ANUSVARA, OTHER)


def script_of(ch):
    for name, base in gen_indic.SCRIPTS:
        if base <= ord(ch) < base + 0x80:
            return name, ord(ch) - base
    return None, None


class Syllable:
    """A consonant (or an independent vowel) with what follows it."""

    def __init__(self, consonant=None, offset=None, reading=""):
        self.consonant = consonant  # its reading without a vowel, None for a vowel letter
        self.offset = offset
        self.vowel = None  # None: the inherent vowel; "": virama; else the sign's reading
        self.reading = reading  # an independent vowel's reading
        self.nasal = None  # offset of an anusvara-like sign after it
        self.nasal_reading = ""
        self.extra = ""  # visarga and the like
        self.keeps = True  # the inherent vowel, once the rules have run
        self.rule = None  # the rule that decided it
        self.position = None  # a consonant's unit in the composed name
        self.nasal_rule = None


def parse_word(script, word, single, start=0):
    """The syllables of one word of one script that starts at unit `start` of the name."""
    syllables = []
    for position, ch in enumerate(word, start):
        if ch in "\u200c\u200d":  # the joiners choose a glyph, not a sound
            continue
        _, offset = script_of(ch)
        last = syllables[-1] if syllables else None
        if ord(ch) == KHANDA_TA:  # a t without a vowel
            syllables.append(Syllable("t", offset))
            syllables[-1].vowel = ""
        elif offset in gen_indic.CONSONANTS or ord(ch) in gen_indic.SCRIPT_CONSONANTS:
            bare = gen_indic.SCRIPT_CONSONANTS.get(ord(ch)) or gen_indic.CONSONANTS[offset]
            syllables.append(Syllable(bare, offset))
            syllables[-1].position = position
        elif offset == NUKTA and last is not None and last.consonant is not None:
            nukta = {**gen_indic.NUKTA, **gen_indic.SCRIPT_NUKTA.get(script, {})}
            last.consonant = nukta.get(last.offset, last.consonant)
        elif offset == VIRAMA and last is not None and last.consonant is not None:
            last.vowel = ""
        elif offset in gen_indic.VOWEL_SIGNS and last is not None:
            if last.consonant is not None and last.vowel is None:
                last.vowel = gen_indic.VOWEL_SIGNS[offset]
            else:
                last.extra += gen_indic.VOWEL_SIGNS[offset]
        elif (offset in NASAL_SIGNS or ord(ch) == TIPPI) and last is not None:
            last.nasal = 0x02
            last.nasal_reading = single.get(ch, "n")
        elif offset in INDEPENDENT_VOWELS:
            syllables.append(Syllable(reading=single.get(ch, "")))
        elif last is not None:
            last.extra += single.get(ch, "")
        else:
            syllables.append(Syllable(reading=single.get(ch, "")))
    return syllables


def has_vowel(s):
    """Whether the syllable ends in a vowel, as the rules have decided so far."""
    return s.consonant is None or s.vowel != "" and (s.vowel is not None or s.keeps)


def candidate(s):
    """Whether the syllable's vowel is the inherent one, with nothing after it that keeps it."""
    return s.consonant is not None and s.vowel is None and s.nasal is None and not s.extra


def rising_cluster(first, last):
    """Whether a cluster that ends in these consonants could not close a syllable."""
    if last.offset in SEMIVOWELS:
        return True
    return last.offset in NASALS_AND_L and first.offset not in SONORANTS


def mark_labial_anusvara(syllables):
    """The anusvara before a labial reads m."""
    for s, following in zip(syllables, syllables[1:]):
        if s.nasal is not None and following.consonant is not None \
                and following.offset in LABIALS:
            s.nasal_rule = ANUSVARA


def apply_rules(script, syllables, at_name_end):
    """Decides the inherent vowel of each syllable of one word, as the module's rules say."""
    medial = DELETING[script]
    n = len(syllables)
    if n == 1 and candidate(syllables[0]):
        syllables[0].rule = ONE_LETTER  # kept: न na, र ra
    elif n > 1 and candidate(syllables[-1]):
        last = syllables[-1]
        before = syllables[-2]
        if before.consonant is not None and before.vowel == "":
            last.rule = CLUSTER
            last.keeps = script == "Bengali" or rising_cluster(before, last)
        else:
            last.rule = END if at_name_end else WORD_END
            last.keeps = False
    if medial:
        for i in range(n - 2, 0, -1):
            s = syllables[i]
            if not candidate(s):
                continue
            right = syllables[i + 1]
            if has_vowel(syllables[i - 1]) and right.consonant is not None and has_vowel(right):
                s.keeps = False
                s.rule = MEDIAL
    mark_labial_anusvara(syllables)


def render(syllables, flipped=()):
    """The word's reading, with the decisions of the rules in `flipped` turned over."""
    out = []
    for s in syllables:
        if s.consonant is None:
            out.append(s.reading)
        else:
            out.append(s.consonant)
            if s.vowel:
                out.append(s.vowel)
            elif s.vowel is None and s.keeps != (s.rule in flipped):
                out.append("a")
        if s.nasal is not None:
            labial = s.nasal_rule == ANUSVARA and ANUSVARA not in flipped
            out.append("m" if labial else s.nasal_reading)
        out.append(s.extra)
    return "".join(out)


WORD = re.compile(r"[\u0900-\u0D7F\u200C\u200D]+")


def single_readings():
    """{character: reading} of gen_indic.py's single-character source."""
    lines = gen_indic.outputs()["indic.single.txt"]
    table = {}
    for line in lines:
        if line and not line.startswith("#"):
            key, value = line.split("=", 1)
            table[chr(int(key[2:], 16)) if key.startswith("U+") else key] = value
    return table


class Reference:
    """Reads names by the rules; the letters' readings are gen_indic.py's."""

    def __init__(self):
        self.single = single_readings()

    def words(self, name):
        """(start, end, script, syllables) of each Indic word of the composed name, rules applied."""
        name = unicodedata.normalize("NFC", name)
        found = []
        for match in WORD.finditer(name):
            text = match.group()
            script = next((script_of(c)[0] for c in text if script_of(c)[0]), None)
            syllables = parse_word(script, text, self.single, match.start())
            at_end = match.end() == len(name)
            if script in DELETING:
                apply_rules(script, syllables, at_end)
            else:
                mark_labial_anusvara(syllables)
            found.append((match.start(), match.end(), script, syllables))
        return name, found

    def reading(self, name, flipped=()):
        """The name as the rules read it, those in `flipped` turned over."""
        name, words = self.words(name)
        out, at = [], 0
        for start, end, _, syllables in words:
            out.append(name[at:start])
            out.append(render(syllables, flipped))
            at = end
        out.append(name[at:])
        return "".join(out)

    def classify(self, name, reading):
        """The rules `reading` breaks: a set of CLASSES, empty when it follows them all, None
        when its letters differ otherwise (another reading of some letter, not the vowel)."""
        used = set()
        for _, _, _, syllables in self.words(name)[1]:
            used.update(s.rule for s in syllables if s.rule)
            used.update(s.nasal_rule for s in syllables if s.nasal_rule)
        used = sorted(used)
        for size in range(len(used) + 1):
            for flipped in itertools.combinations(used, size):
                if self.reading(name, flipped) == reading:
                    return set(flipped)
        if strip_vowels(self.reading(name)) == strip_vowels(reading):
            return {OTHER}
        return None


def strip_vowels(text):
    """The text without what the rules decide: the letter a, and m, n or ng of a nasal sign."""
    return text.replace("m", "n").replace("ng", "n").replace("a", "")
