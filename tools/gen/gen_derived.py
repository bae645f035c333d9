#!/usr/bin/env python3
"""Derive table entries from the Unicode Character Database and the written sources.

    gen_derived.py [--unicode DIR] [--update]

prints (or, with --update, writes into data/tables/derived.single.txt and
derived.sequence.txt) the entries that follow from the data of Unicode rather
than from a romanization:

  - combining marks, Hebrew and Arabic points (those without a written
    entry), variation selectors and the spacing modifier letters that are
    accents or tone marks are deleted;
  - characters with a compatibility decomposition (ligatures, presentation
    forms, superscripts and subscripts, circled, parenthesised and full-stop
    numbers and letters, Roman numerals, letterlike symbols, fractions,
    halfwidth katakana, squared words) read as their decomposition, each
    part through the written sources; a character one of whose parts has no
    reading gets no entry;
  - outside the Basic Multilingual Plane, as sequence entries of two units:
    the mathematical letters and digits (𝐀 A, 𝟙 1), the enclosed letters and
    numbers of the supplement, and the flags as their region codes (🇩🇪 DE).
    Emoji and other pictographs get no entry and stay as they are.

Only characters that no written source maps are derived, so a written entry
always wins. Characters that a file name cannot hold are given through the
fullwidth source's stand-ins (a slash becomes "-", so the fraction one half
reads 1-2). The data comes from UnicodeData.txt of Debian's unicode-data
package (/usr/share/unicode).
"""

import argparse
import os
import sys
import unicodedata

TOOLS_DIR = os.path.dirname(os.path.abspath(__file__))
sys.path.insert(0, TOOLS_DIR)
import make_tables  # noqa: E402

UNICODE_DIR = "/usr/share/unicode"
OUTPUT = os.path.join(make_tables.DEFAULT_DATA_DIR, "derived.single.txt")
COMMAND = "tools/gen/gen_derived.py --update"

# Blocks whose marks (general category Mn or Me) are deleted.
MARK_BLOCKS = [
    (0x0300, 0x036F),  # Combining Diacritical Marks
    (0x0483, 0x0489),  # Cyrillic titlo and number signs
    (0x0591, 0x05C7),  # Hebrew points and cantillation
    (0x0610, 0x061A), (0x064B, 0x065F), (0x0670, 0x0670), (0x06D6, 0x06ED),  # Arabic
    (0x08D3, 0x08FF),  # Arabic Extended-A marks
    (0x1AB0, 0x1AFF),  # Combining Diacritical Marks Extended
    (0x1DC0, 0x1DFF),  # Combining Diacritical Marks Supplement
    (0x20D0, 0x20FF),  # Combining Diacritical Marks for Symbols
    (0x2DE0, 0x2DFF),  # Cyrillic Extended-A
    (0xA66F, 0xA69F),  # Cyrillic Extended-B marks
    (0xFE00, 0xFE0F),  # variation selectors
    (0xFE20, 0xFE2F),  # Combining Half Marks
]

# Blocks whose compatibility characters are derived from their decomposition.
COMPATIBILITY_BLOCKS = [
    (0x00A0, 0x00FF),  # Latin-1 Supplement (the fractions)
    (0x02B0, 0x02FF),  # Spacing Modifier Letters
    (0x1D00, 0x1DBF),  # Phonetic Extensions
    (0x2000, 0x206F),  # General Punctuation
    (0x2070, 0x209F),  # Superscripts and Subscripts
    (0x2100, 0x214F),  # Letterlike Symbols
    (0x2150, 0x218F),  # Number Forms
    (0x2460, 0x24FF),  # Enclosed Alphanumerics
    (0x3200, 0x33FF),  # Enclosed CJK Letters and Months, CJK Compatibility
    (0xFB00, 0xFDFF),  # Alphabetic Presentation Forms, Arabic Presentation Forms-A
    (0xFE10, 0xFE6F),  # Vertical Forms, CJK Compatibility Forms, Small Form Variants
    (0xFE70, 0xFEFF),  # Arabic Presentation Forms-B
    (0xFF00, 0xFFEF),  # Halfwidth and Fullwidth Forms
]


def read_unicode_data(unicode_dir=UNICODE_DIR):
    """{code point: (name, general category, decomposition)} from UnicodeData.txt."""
    path = os.path.join(unicode_dir, "UnicodeData.txt")
    if not os.path.isfile(path):
        raise make_tables.TableSourceError(
            "%s not found: install Debian's unicode-data package" % path)
    data = {}
    with open(path, encoding="utf-8") as f:
        for line in f:
            fields = line.split(";")
            data[int(fields[0], 16)] = (fields[1], fields[2], fields[5])
            if fields[8]:
                _numeric[int(fields[0], 16)] = fields[8]
    return data


_numeric = {}


def numeric_value(code):
    """The numeric value of a character read by read_unicode_data, or None."""
    return _numeric.get(code)


def written_readings(data_dir=make_tables.DEFAULT_DATA_DIR):
    """The readings of every written default single-character source, by key."""
    readings = {}
    for path in make_tables.default_sources(data_dir)[make_tables.SINGLE]:
        if os.path.basename(path) == os.path.basename(OUTPUT):
            continue
        for entry in make_tables.parse_source(path).entries:
            readings[entry.key] = entry.value
    return readings


def _in(blocks, code):
    return any(first <= code <= last for first, last in blocks)


def _safe(text, readings):
    """text with each character a file name cannot hold given by its stand-in."""
    out = []
    for ch in text:
        if ch in make_tables.FORBIDDEN_IN_NAMES:
            out.append(readings.get(chr(ord(ch) + 0xFEE0), "_"))  # its fullwidth form's reading
        else:
            out.append(ch)
    return "".join(out)


def decomposition_reading(code, unicode_data, readings, depth=0):
    """The reading of a character through its full compatibility decomposition, or None."""
    _, _, decomposition = unicode_data.get(code, ("", "", ""))
    parts = [p for p in decomposition.split() if not p.startswith("<")]
    if not parts or depth > 8:
        return None
    codes = [int(p, 16) for p in parts]
    out = []
    for index, part in enumerate(codes):
        ch = chr(part)
        following = unicode_data.get(codes[index + 1], ("", "", ""))[1] if index + 1 < len(codes) else ""
        if part == 0x20 and following.startswith("M"):
            continue  # the space that carries an isolated Arabic mark
        if 0x20 <= part < 0x7F:
            out.append(ch)
        elif ch in readings:
            out.append(readings[ch])
        elif unicode_data.get(part, ("", "", ""))[1].startswith("M"):
            continue
        else:
            reading = decomposition_reading(part, unicode_data, readings, depth + 1)
            if reading is None:
                return None
            out.append(reading)
    return "".join(out)


def derived_entries(unicode_data, readings):
    """[(comment or None, [(key, value)])] in the order of the output file."""
    marks, compatibility = [], []
    for code in sorted(unicode_data):
        if code > 0xFFFF or chr(code) in readings or 0xD800 <= code <= 0xDFFF:
            continue
        name, category, decomposition = unicode_data[code]
        if _in(MARK_BLOCKS, code) and category in ("Mn", "Me"):
            marks.append((code, ""))
        elif _in(COMPATIBILITY_BLOCKS, code):
            reading = decomposition_reading(code, unicode_data, readings) if decomposition.startswith("<") or \
                code in (0x2126, 0x212A, 0x212B) else None
            if reading is not None:
                reading = _safe(reading, readings)
                if len(reading) <= 16:
                    compatibility.append((code, reading))
            elif code <= 0x02FF and category in ("Lm", "Sk"):
                marks.append((code, ""))  # accents, tone and length marks
    return marks, compatibility


def _key(code):
    ch = chr(code)
    if ch.isprintable() and not (0x0300 <= code <= 0x036F) and ch not in " =":
        category = make_tables_category(code)
        if not category.startswith(("M", "Z", "C")):
            return ch
    return "U+%04X" % code


_categories = {}


def make_tables_category(code):
    return _categories.get(code, "Cn")


def lines(unicode_dir=UNICODE_DIR, data_dir=make_tables.DEFAULT_DATA_DIR):
    """The lines of derived.single.txt."""
    unicode_data = read_unicode_data(unicode_dir)
    _categories.update({code: fields[1] for code, fields in unicode_data.items()})
    marks, compatibility = derived_entries(unicode_data, written_readings(data_dir))
    out = [
        "# Generated by %s from UnicodeData.txt and the written sources; do not edit." % COMMAND,
        "# Characters that follow from the data of Unicode: marks deleted, and",
        "# compatibility characters read as their decomposition.",
        "",
        "# Combining marks, points, variation selectors and modifier marks",
    ]
    out += ["%s=%s" % (_key(code), value) for code, value in marks]
    out += ["", "# Compatibility characters"]
    out += ["%s=%s" % (_key(code), value) for code, value in compatibility]
    return out


SEQUENCE_OUTPUT = os.path.join(make_tables.DEFAULT_DATA_DIR, "derived.sequence.txt")

# Blocks outside the Basic Multilingual Plane whose compatibility characters
# are derived as sequence entries (a surrogate pair is two units).
SUPPLEMENTARY_BLOCKS = [
    (0x1D400, 0x1D7FF),  # Mathematical Alphanumeric Symbols
    (0x1F100, 0x1F1FF),  # Enclosed Alphanumeric Supplement
]
REGIONAL_INDICATOR_A = 0x1F1E6


def flag_sequences(unicode_dir=UNICODE_DIR):
    """The regional-indicator pairs of the flags that Unicode recommends (emoji-sequences.txt)."""
    path = os.path.join(unicode_dir, "emoji", "emoji-sequences.txt")
    flags = []
    with open(path, encoding="utf-8") as f:
        for line in f:
            if "; RGI_Emoji_Flag_Sequence" in line:
                flags.append(tuple(int(p, 16) for p in line.split(";")[0].split()))
    return flags


HALFWIDTH_KATAKANA = range(0xFF66, 0xFF9E)
HALFWIDTH_VOICING = (0xFF9E, 0xFF9F)
HALFWIDTH_SMALL_Y = (0xFF6C, 0xFF6D, 0xFF6E)


def halfwidth_kana_entries(readings, data_dir):
    """(key, value) pairs of halfwidth katakana, shorter keys first."""
    halfwidth = {}  # fullwidth katakana: the halfwidth units that stand for it
    for code in HALFWIDTH_KATAKANA:
        halfwidth.setdefault(unicodedata.normalize("NFKC", chr(code)), chr(code))
        for mark in HALFWIDTH_VOICING:
            voiced = unicodedata.normalize("NFKC", chr(code) + chr(mark))
            if len(voiced) == 1:
                halfwidth.setdefault(voiced, chr(code) + chr(mark))
    entries = {}
    for full, half in halfwidth.items():
        if len(half) == 2 and full in readings:
            entries[half] = readings[full]
    written = {}
    for entry in make_tables.parse_source(os.path.join(data_dir, "kana.sequence.txt")).entries:
        written[entry.key] = entry.value
    for full, half in halfwidth.items():  # the kana rule, where no written pair reads it otherwise
        for small in HALFWIDTH_SMALL_Y:
            small_full = unicodedata.normalize("NFKC", chr(small))
            if full in readings and readings[full] and full + small_full not in written:
                entries[half + chr(small)] = readings[full][:1] + readings[small_full]
    for key, value in written.items():
        if all(ch in halfwidth for ch in key):
            half = "".join(halfwidth[ch] for ch in key)
            if len(half) <= make_tables.SEQUENCE_KEY_MAX:
                entries[half] = value
    return sorted(entries.items(), key=lambda entry: len(entry[0]))


def sequence_lines(unicode_dir=UNICODE_DIR, data_dir=make_tables.DEFAULT_DATA_DIR):
    """The lines of derived.sequence.txt: characters outside the BMP as surrogate pairs."""
    unicode_data = read_unicode_data(unicode_dir)
    readings = written_readings(data_dir)
    out = [
        "# Generated by %s from UnicodeData.txt, emoji-sequences.txt and the written" % COMMAND,
        "# sources; do not edit. Characters outside the Basic Multilingual Plane, each",
        "# two units: the mathematical letters and digits and the enclosed letters read",
        "# as their decomposition, a single regional indicator as its letter, and a",
        "# flag (two regional indicators) as its two-letter region code.",
        "",
    ]
    out += ["# Halfwidth katakana read as the katakana they stand for: with a halfwidth",
            "# voicing mark, which composition does not join, the voiced kana (ﾊﾞ ba, ﾊﾟ pa);",
            "# the pairs of the kana sequence source (ｼｬ sha, ｳﾞｨ vi, ｯｶ kka); and a kana with a",
            "# small ya, yu or yo as the kana rule reads the fullwidth ones (ｷｮ kyo)."]
    out += ["%s=%s" % entry for entry in halfwidth_kana_entries(readings, data_dir)]
    out.append("")
    for code in sorted(unicode_data):
        if not _in(SUPPLEMENTARY_BLOCKS, code):
            continue
        reading = decomposition_reading(code, unicode_data, readings)
        if 0x1F1E6 <= code <= 0x1F1FF:
            reading = chr(ord("A") + code - REGIONAL_INDICATOR_A)
        if reading is not None and len(_safe(reading, readings)) <= make_tables.SEQUENCE_VALUE_MAX:
            out.append("%s=%s" % (chr(code), _safe(reading, readings)))
    out += ["", "# Flags, after the single regional indicators: a later entry is tried first"]
    for first, second in flag_sequences(unicode_dir):
        out.append("%s%s=%s%s" % (chr(first), chr(second), chr(ord("A") + first - REGIONAL_INDICATOR_A),
                                  chr(ord("A") + second - REGIONAL_INDICATOR_A)))
    return out


def run_generator(name, doc, outputs, argv=None):
    """The command line that the source generators share: OUTPUTS(unicode_dir) gives
    {path: lines}, a bare file name standing for one in data/tables; each file is printed, or
    written with --update."""
    parser = argparse.ArgumentParser(description=doc.split("\n")[0])
    parser.add_argument("--unicode", default=UNICODE_DIR, help="folder of the Unicode data files")
    parser.add_argument("--update", action="store_true", help="write the files")
    args = parser.parse_args(argv)
    try:
        files = outputs(args.unicode)
    except make_tables.TableSourceError as error:
        print("%s: error: %s" % (name, error), file=sys.stderr)
        return 1
    for path, file_lines in files.items():
        path = os.path.join(make_tables.DEFAULT_DATA_DIR, path)  # an absolute path stays
        text = "\n".join(file_lines) + "\n"
        if not args.update:
            sys.stdout.write(text)
            continue
        with open(path, "w", encoding="utf-8", newline="\n") as f:
            f.write(text)
    return 0


def main(argv=None):
    return run_generator("gen_derived", __doc__, lambda unicode_dir: {
        OUTPUT: lines(unicode_dir), SEQUENCE_OUTPUT: sequence_lines(unicode_dir)}, argv)


if __name__ == "__main__":
    sys.exit(main())
