#!/usr/bin/env python3
"""Generate the table sources of Sinhala, Khmer, Lao, Myanmar, Chakma and Tibetan.

    gen_abugidas.py [--unicode DIR] [--update]

prints (or, with --update, writes into data/tables/) abugidas.single.txt and
abugidas.sequence.txt. These scripts write a consonant with its vowel as one
unit, as the Indic scripts do (tools/gen/gen_indic.py), so they are read the same
way: a consonant alone carries the script's inherent vowel; in the sequence
table a consonant followed by a vowel sign takes that vowel instead, and
followed by the sign that silences a vowel (al-lakuna, coeng, bantoc, asat,
virama) none. Lao writes some vowels before the consonant they follow in speech: a
sequence moves them after it (ເມ me).

- Sinhala: ISO 15919 without diacritics, as the Indic scripts (ශ්‍රී ලංකා shri lanka).
- Khmer: the UNGEGN romanization (BGN/PCGN) without diacritics; the consonants
  of the first series carry a, those of the second o, as their names say;
  the vowel signs read as each series has them (ា a after ក, ea after គ); a consonant
  that ends a word, before a space or a full stop, reads bare.
- Lao: the BGN/PCGN romanization without diacritics; a consonant carries no
  vowel of its own, as in the Thai overlay; wo after a vowel is o (ລາວ lao).
- Tibetan: Wylie without its capitals (see tibetan_lines).
- Chakma: ISO 15919 style, as the Indic scripts, consonants from their names
  (KAA ka); outside the BMP, so every entry is in the sequence table.
- Myanmar: the BGN/PCGN romanization of Burmese, consonants with their
  inherent a, the medial consonants y, y, w, h; the letters of the other
  languages of the block (Mon, Shan, Karen) by their names.

Letters, signs and digits come from UnicodeData.txt of Debian's unicode-data package.
"""

import os
import re
import sys
import unicodedata

TOOLS_DIR = os.path.dirname(os.path.abspath(__file__))
sys.path.insert(0, TOOLS_DIR)
import gen_derived  # noqa: E402
import make_tables  # noqa: E402

COMMAND = "tools/gen/gen_abugidas.py --update"


def chars(text):
    """{character: reading} from "ක=k ඛ=kh ..." (one reading may be empty: "ං=")."""
    return dict(item.split("=", 1) for item in text.split())


SCRIPTS = {
    "Sinhala": dict(
        block=(0x0D80, 0x0DFF), inherent="a", kill="\u0dca", leading="",
        consonants=chars("""ක=k ඛ=kh ග=g ඝ=gh ඞ=ng ඟ=ng ච=ch ඡ=chh ජ=j ඣ=jh ඤ=ny ඥ=gn ඦ=nj
            ට=t ඨ=th ඩ=d ඪ=dh ණ=n ඬ=nd ත=t ථ=th ද=d ධ=dh න=n ඳ=nd ප=p ඵ=ph බ=b භ=bh ම=m
            ඹ=mb ය=y ර=r ල=l ව=v ශ=sh ෂ=sh ස=s හ=h ළ=l ෆ=f"""),
        signs=chars("""ා=a ැ=ae ෑ=ae ි=i ී=i ු=u ූ=u ෘ=ru ෲ=ru ෟ=lu ෳ=lu ෙ=e ේ=e ෛ=ai ො=o ෝ=o
            ෞ=au"""),
        others=chars("""ඁ=n ං=n ඃ=h අ=a ආ=a ඇ=ae ඈ=ae ඉ=i ඊ=i උ=u ඌ=u ඍ=ru ඎ=ru ඏ=lu ඐ=lu
            එ=e ඒ=e ඓ=ai ඔ=o ඕ=o ඖ=au ෴=.""")),
    "Khmer": dict(
        block=(0x1780, 0x17FF), inherent=None, kill="\u17d2\u17d1\u17cb", leading="", word_final=True,
        consonants=chars("""ក=k ខ=kh គ=k ឃ=kh ង=ng ច=ch ឆ=chh ជ=ch ឈ=chh ញ=nh ដ=d ឋ=th ឌ=d
            ឍ=th ណ=n ត=t ថ=th ទ=t ធ=th ន=n ប=b ផ=ph ព=p ភ=ph ម=m យ=y រ=r ល=l វ=v ឝ=sh ឞ=ss
            ស=s ហ=h ឡ=l អ="""),
        signs=chars("""ា=a ិ=e ី=ei ឹ=oe ឺ=oe ុ=o ូ=ou ួ=uo ើ=aeu ឿ=oea ៀ=ie េ=e ែ=ae ៃ=ai ោ=ao
            ៅ=av"""),
        second_series_signs=chars("""ា=ea ិ=i ី=i ឹ=ue ឺ=ue ុ=u ូ=u ើ=eu ៃ=ey ោ=o ៅ=ov"""),
        others=chars("""ឣ=a ឤ=a ឥ=e ឦ=ei ឧ=o ឨ=ok ឩ=ou ឪ=ov ឫ=rue ឬ=rue ឭ=lue ឮ=lue ឯ=ae ឰ=ai
            ឱ=ao ឲ=ao ឳ=au ំ=m ះ=h ៈ=a ។=. ៕=. ៖=- ៘=... ៙=_ ៚=_ ៜ=""")),
    "Lao": dict(
        block=(0x0E80, 0x0EFF), inherent="", kill="\u0eba", leading="ເແໂໃໄ",
        consonants=chars("""ກ=k ຂ=kh ຄ=kh ຆ=kh ງ=ng ຈ=ch ຉ=ch ຊ=x ຌ=x ຍ=gn ຎ=gn ຏ=t ຐ=th ຑ=d
            ຒ=th ຓ=n ດ=d ຕ=t ຖ=th ທ=th ຘ=th ນ=n ບ=b ປ=p ຜ=ph ຝ=f ພ=ph ຟ=f ຠ=ph ມ=m ຢ=y ຣ=r
            ລ=l ວ=v ຨ=s ຩ=s ສ=s ຫ=h ຬ=l ອ=o ຮ=h ໜ=n ໝ=m ໞ=g ໟ=gn"""),
        signs=chars("""ະ=a ັ=a າ=a ຳ=am ິ=i ີ=i ຶ=u ື=u ຸ=ou ູ=ou ົ=o ຼ=l ຽ=ia ໍ=o"""),
        others=chars("""ເ=e ແ=e ໂ=o ໃ=ai ໄ=ai ຯ=... ໆ=""")),
    "Chakma": dict(
        block=(0x11100, 0x1114F), inherent="a", kill="\U00011133\U00011134", leading="",
        consonants=None,  # from the letters' names (chakma_consonants)
        signs={chr(0x11127): "a", chr(0x11128): "i", chr(0x11129): "i", chr(0x1112A): "u",
               chr(0x1112B): "u", chr(0x1112C): "e", chr(0x1112D): "ai", chr(0x1112E): "o",
               chr(0x1112F): "au", chr(0x11130): "oi", chr(0x11145): "a", chr(0x11146): "ei"},
        others={chr(0x11100): "n", chr(0x11101): "ng", chr(0x11102): "h", chr(0x11103): "a",
                chr(0x11104): "i", chr(0x11105): "u", chr(0x11106): "e", chr(0x11131): "o",
                chr(0x11132): "au", chr(0x11140): "", chr(0x11141): ".", chr(0x11142): ".",
                chr(0x11143): "_"}),
    "Myanmar": dict(
        block=(0x1000, 0x109F), inherent="a", kill="\u103a\u1039", leading="",
        consonants=chars("""က=k ခ=hk ဂ=g ဃ=g င=ng စ=s ဆ=hs ဇ=z ဈ=z ဉ=ny ည=ny ဋ=t ဌ=ht ဍ=d ဎ=d
            ဏ=n တ=t ထ=ht ဒ=d ဓ=d န=n ပ=p ဖ=hp ဗ=b ဘ=b မ=m ယ=y ရ=y လ=l ဝ=w သ=th ဟ=h ဠ=l"""),
        signs=chars("""ါ=a ာ=a ိ=i ီ=i ု=u ူ=u ေ=e ဲ=e ျ=ya ြ=ya ွ=wa ှ=ha"""),
        others=chars("""အ=a ဣ=i ဤ=i ဥ=u ဦ=u ဧ=e ဩ=aw ဪ=aw ံ=n ၊=, ။=. ဿ=th""")),
}


# The Lao vowels written in several parts around their consonant (C), after BGN/PCGN.
LAO_VOWEL_GROUPS = {"Cົວ": "oua", "Cັວ": "oua", "ເCົາ": "ao", "ເCືອ": "ua", "ເCີຍ": "ia"}

# Khmer ends a word on a consonant without a vowel: before a space, a full stop, a hyphen, an
# underscore, a comma or a bracket a consonant reads bare (ភ្នំពេញ phnompenh).
WORD_ENDS = " .-_,)"


def chakma_consonants(unicode_data):
    """The Chakma consonants, named with their vowel aa: the name without it, ISO 15919 style."""
    found = {}
    for code in range(0x11107, 0x11148):
        name = unicode_data.get(code, ("", "", ""))[0]
        if name.startswith("CHAKMA LETTER ") and name.endswith("AA") and code != 0x11103:
            word = name.split()[-1][:-2].lower()
            found[chr(code)] = {"c": "ch", "ch": "chh", "yy": "y"}.get(word, re.sub(r"(.)\1", r"\1", word))
    return found


def fallback(name):
    """A letter the table above leaves out (Mon, Shan, Karen, Khmu...) by its name."""
    word = re.sub(r"[^A-Z]", "", name.split()[-1]).lower()
    return re.sub(r"(.)\1", r"\1", word)


def key(ch):
    return "U+%04X" % ord(ch) if unicodedata.category(ch)[0] == "M" else ch


def outputs(unicode_dir=gen_derived.UNICODE_DIR):
    """{file name: lines} of the generated sources."""
    unicode_data = gen_derived.read_unicode_data(unicode_dir)
    single = ["# Generated by %s from UnicodeData.txt; do not edit." % COMMAND,
              "# Sinhala, Khmer, Lao and Myanmar letter by letter (see tools/gen/gen_abugidas.py):",
              "# a consonant alone carries its inherent vowel; vowel signs give their vowel."]
    sequence = ["# Generated by %s; do not edit." % COMMAND,
                "# Sinhala, Khmer, Lao and Myanmar consonants followed by a vowel sign or the",
                "# sign that silences their vowel; Lao vowels written before their consonant."]
    for script, table in SCRIPTS.items():
        first, last = table["block"]
        single += ["", "# " + script]
        sequence += ["", "# " + script]
        consonants, signs, others = table["consonants"], table["signs"], table["others"]
        if consonants is None:
            consonants = chakma_consonants(unicode_data)
        letters = sequence if first > 0xFFFF else single  # beyond the BMP only sequences hold them
        for code in range(first, last + 1):
            if code not in unicode_data:
                continue
            ch = chr(code)
            name, category, _ = unicode_data[code]
            if ch in consonants:
                inherent = table["inherent"]
                if inherent is None:  # Khmer: the series says it
                    inherent = "o" if name.endswith("O") else "a"
                reading = consonants[ch] + inherent
            elif ch in signs:
                reading = signs[ch]
            elif ch in others:
                reading = others[ch]
            elif ch in table["kill"] or category[0] == "M":
                reading = ""
            elif category == "Sc":
                continue  # currency signs are read with the others, as their ISO 4217 codes
            elif category == "Nd" or category == "No":
                reading = gen_derived.numeric_value(code)
            elif category[0] == "L":
                reading = fallback(name)
            else:
                continue
            letters.append("%s=%s" % (key(ch) if code <= 0xFFFF else ch, reading))
        for consonant, bare in consonants.items():
            if table["inherent"] == "":  # Lao: a consonant and its sign read as each alone
                sequence += ["%s%s=%s" % (vowel, consonant, bare + others[vowel])
                             for vowel in table["leading"]]
                sequence += ["%s=%s" % (group.replace("C", consonant), bare + vowel)
                             for group, vowel in LAO_VOWEL_GROUPS.items()]
                continue
            for kill in table["kill"]:
                sequence.append("%s%s=%s" % (consonant, kill, bare))
            second = unicode_data[ord(consonant)][0].endswith("O")  # Khmer: the o series
            for sign, vowel in signs.items():
                if second:
                    vowel = table.get("second_series_signs", {}).get(sign, vowel)
                if unicodedata.normalize("NFC", consonant + sign) == consonant + sign:
                    sequence.append("%s%s=%s" % (consonant, sign, bare + vowel))
            if table.get("word_final"):
                sequence += ["%s%s=%s%s" % (consonant, end, bare, end) for end in WORD_ENDS]
        for sign, vowel in signs.items() if script == "Lao" else ():
            sequence.append("%s\u0ea7=%so" % (sign, vowel))  # wo after a vowel is o (ລາວ lao)
    tibetan_single, tibetan_sequence = tibetan_lines(unicode_data)
    return {"abugidas.single.txt": single + tibetan_single,
            "abugidas.sequence.txt": sequence + tibetan_sequence}


TSHEG, SHAD = "\u0f0b", "\u0f0d"
TIBETAN_VOWELS = chars("""ཱ=a ི=i ུ=u ེ=e ཻ=ai ོ=o ཽ=au ྀ=i ཷ=ri ཹ=li""")
TIBETAN_SIGNS = chars("""ཾ=m ཿ=h ྂ=m ྃ=m ༎=.""")
TIBETAN_SIGNS.update({"\u0f73": "i", "\u0f75": "u", "\u0f81": "i", "\u0f76": "ri", "\u0f78": "li"})
TIBETAN_SIGNS["\u0f0c"] = " "  # the tsheg that does not break a line
# The long vowels, as composition leaves them: the a-chung and the short vowel after it.
TIBETAN_LONG_VOWELS = {"\u0f71\u0f72": "i", "\u0f71\u0f74": "u", "\u0f71\u0f80": "i"}
TIBETAN_SUFFIXES = "གངདནབམའརལས"
MAIN_TIBETAN_VOWELS = "ིེོུ"
TIBETAN_SUPERSCRIPTS = "རལས"
TIBETAN_SUBSCRIPTS = "\u0fb1\u0fb2\u0fb3\u0fad"  # subjoined ya, ra, la, wa


def wylie(name):
    """The Wylie consonant of a Tibetan letter's name, without its vowel and capitals."""
    word = name.split()[-1]
    special = {"-A": "'", "A": "", "KSSA": "ksh", "SSA": "sh"}
    if word in special:
        return special[word]
    word = word[:-1] if word.endswith("A") else word
    return re.sub(r"(.)\1", r"\1", word.lower())


def tibetan_lines(unicode_data):
    """Tibetan after Wylie without capitals: a letter carries a unless a vowel sign follows; the
    stacks of a superscript or a subscript are read as one consonant with its vowel; a suffix
    after a letter and its vowel sign, and after a letter between two tshegs, reads bare (bod,
    thang). The tsheg between syllables is a space, as in Wylie. A prefix letter reads with a
    (བཀའ baka'), a suffix after a stack too (སྐད skada)."""
    base, subjoined = {}, {}
    single = ["", "# Tibetan"]
    for code in range(0x0F00, 0x1000):
        if code not in unicode_data:
            continue
        ch = chr(code)
        name, category, _ = unicode_data[code]
        if "LETTER" in name and category == "Lo":
            (subjoined if "SUBJOINED" in name else base)[ch] = wylie(name)
            reading = wylie(name) + "a"
        elif "SUBJOINED LETTER" in name:
            subjoined[ch] = wylie(name)
            reading = wylie(name) + "a"
        elif ch in TIBETAN_VOWELS:
            reading = TIBETAN_VOWELS[ch]
        elif ch in TIBETAN_SIGNS:
            reading = TIBETAN_SIGNS[ch]
        elif ch == TSHEG:
            reading = " "
        elif ch == SHAD:
            reading = "."
        elif category == "Nd":
            reading = gen_derived.numeric_value(code)
        elif category[0] == "M":
            reading = ""
        elif category[0] == "L":
            reading = "om" if code == 0x0F00 else ""  # the syllable om; the cantillation signs
        elif category[0] == "P":
            reading = {"Ps": "(", "Pe": ")"}.get(category, "." if "SHAD" in name else "")
        else:
            continue
        single.append("%s=%s" % (key(ch), reading))
    sequence = ["", "# Tibetan"]
    seen = set()

    def add(key_text, value):
        if (unicodedata.normalize("NFC", key_text) == key_text and key_text not in seen
                and len(value) <= make_tables.SEQUENCE_VALUE_MAX):
            seen.add(key_text)
            sequence.append("%s=%s" % (key_text, value))

    for long_vowel, vowel in TIBETAN_LONG_VOWELS.items():
        add(long_vowel, vowel)
    for letter, bare in list(base.items()) + list(subjoined.items()):
        for sign, vowel in list(TIBETAN_VOWELS.items()) + list(TIBETAN_LONG_VOWELS.items()):
            add(letter + sign, bare + vowel)
        # The aspirated letters of Sanskrit that composition splits (གྷ is ག and ྷ): as one letter.
        decomposed = unicodedata.normalize("NFC", letter)
        if decomposed != letter:
            add(decomposed, bare + "a")
            for sign, vowel in TIBETAN_VOWELS.items():
                add(decomposed + sign, bare + vowel)
    stacks = [(upper, lower) for upper in TIBETAN_SUPERSCRIPTS for lower in subjoined]
    stacks += [(upper, lower) for upper in base for lower in TIBETAN_SUBSCRIPTS]
    for upper, lower in stacks:
        bare = base[upper] + subjoined[lower]
        add(upper + lower, bare + "a")
        for sign, vowel in TIBETAN_VOWELS.items():
            add(upper + lower + sign, bare + vowel)
    for upper in "རས":  # the common three-level stacks: rgy, sky, spr...
        for root in "\u0f90\u0f92\u0fa8\u0fa4\u0fa6":
            for lower in "\u0fb1\u0fb2":
                bare = base[upper] + subjoined[root] + subjoined[lower]
                add(upper + root + lower, bare + "a")
                for sign in MAIN_TIBETAN_VOWELS:
                    add(upper + root + lower + sign, bare + TIBETAN_VOWELS[sign])
    # A suffix closes the syllable of a letter and its vowel sign: བོད་ bod.
    for letter, bare in base.items():
        for sign in MAIN_TIBETAN_VOWELS:
            for suffix in TIBETAN_SUFFIXES:
                syllable = bare + TIBETAN_VOWELS[sign] + base[suffix]
                add(letter + sign + suffix, syllable)
                if suffix in "གངབམ":
                    add(letter + sign + suffix + "ས", syllable + "s")
    for letter, bare in base.items():
        add(TSHEG + letter + TSHEG, " %sa " % bare)
        for suffix in TIBETAN_SUFFIXES:
            add(TSHEG + letter + suffix + TSHEG, " %sa%s " % (bare, base[suffix]))
    # Longer keys after shorter ones: a later entry is tried first.
    body = sorted(sequence[2:], key=lambda line: len(line.split("=", 1)[0]))
    return single, sequence[:2] + body


def main(argv=None):
    return gen_derived.run_generator("gen_abugidas", __doc__, outputs, argv)


if __name__ == "__main__":
    sys.exit(main())
