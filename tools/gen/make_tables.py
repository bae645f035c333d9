#!/usr/bin/env python3
"""Assemble the replacement table files from the table sources in data/tables.

    make_tables.py --out DIR [--with de,uk] [--without hangul] [--data DIR]

writes DIR/namefold1.tbl (single-character table) and DIR/namefold2.tbl
(sequence table) in the encoding the plugin reads: UTF-16 LE with a
byte-order mark and CR LF line ends.

namefold1.tbl holds every *.single.txt source, then the Hangul jamo from
gen_hangul.py, then the single entries of the named overlays; namefold2.tbl
holds every *.sequence.txt source, then the Hangul pairs across syllables from
gen_hangul.py, then the capital pairs generated from the
single-character readings (see capital_entries), then the sequence entries of
the overlays, each followed by the capital pairs of the letters it changes.
An overlay entry replaces the defaults (and earlier overlays) for its key: the
entries it replaces are left out of the file, so every table written is clean
under `namefold check`. In the sequence table that also drops the entries an
overlay sequence hides, those that start with it.

Source format (UTF-8):
  - a line starting with "#" is a comment and is copied into the table; it
    must not contain "=", since the plugin would read such a line as an entry;
  - a blank line is skipped;
  - every other line is KEY=VALUE, split at the first "=". A single-character
    key is one character, or U+XXXX for characters that are hard to see
    (spaces, format characters, combining marks). A sequence key is 2 to 4
    characters. VALUE is printable ASCII, taken as it is, trailing spaces
    included; a single-character value may be empty.

Any fault in a source stops the build with a message naming file and line.
The functions are importable: build_tables() returns the lines of both tables
and encode_table() turns lines into file bytes.
"""

import argparse
import os
import sys
from dataclasses import dataclass, field

TOOLS_DIR = os.path.dirname(os.path.abspath(__file__))
DEFAULT_DATA_DIR = os.path.join(os.path.dirname(os.path.dirname(TOOLS_DIR)), "data", "tables")

SINGLE_FILE = "namefold1.tbl"
SEQUENCE_FILE = "namefold2.tbl"

SINGLE = "single"
SEQUENCE = "sequence"

SEQUENCE_KEY_MIN = 2
SEQUENCE_KEY_MAX = 4
SEQUENCE_VALUE_MAX = 7

# Characters a Windows file name cannot hold; no value may produce them.
FORBIDDEN_IN_NAMES = set('\\/:*?"<>|')

# Overlay names that are spelled differently by users.
OVERLAY_ALIASES = {"no": "nb"}

# Each overlay's script and kind. A language overlay changes how the default tables read a script
# for one language; a script overlay adds a script the defaults leave alone. Two overlays of one
# kind for one script exclude each other: each replaces only the letters its own language reads
# differently, so together they would read one word with two spellings (uk and ru: Shchuka y
# yozhyk).
LANGUAGE = "language"
SCRIPT = "script"
OVERLAYS = {
    "de": ("Latin", LANGUAGE), "da": ("Latin", LANGUAGE), "nb": ("Latin", LANGUAGE),
    "uk": ("Cyrillic", LANGUAGE), "bg": ("Cyrillic", LANGUAGE), "ru": ("Cyrillic", LANGUAGE),
    "sr": ("Cyrillic", LANGUAGE), "mk": ("Cyrillic", LANGUAGE), "be": ("Cyrillic", LANGUAGE),
    "kk": ("Cyrillic", LANGUAGE), "ky": ("Cyrillic", LANGUAGE), "mn": ("Cyrillic", LANGUAGE),
    "tt": ("Cyrillic", LANGUAGE),
    "ug": ("Arabic", LANGUAGE), "fa": ("Arabic", LANGUAGE), "ur": ("Arabic", LANGUAGE),
    "yi": ("Hebrew", LANGUAGE), "iu": ("Canadian syllabics", LANGUAGE),
    "th": ("Thai", SCRIPT), "zh": ("Han", SCRIPT),
}

BOM = "\ufeff"


class TableSourceError(Exception):
    """A table source breaks a rule of the format."""


@dataclass
class Entry:
    key: str
    value: str
    source: str
    line: int


@dataclass
class Source:
    """One parsed source file: its lines for the table, in order."""
    name: str
    kind: str
    # Each item is ("comment", text) or ("entry", Entry).
    items: list = field(default_factory=list)

    @property
    def entries(self):
        return [item for tag, item in self.items if tag == "entry"]


def utf16_units(text):
    """Number of UTF-16 code units of text."""
    return len(text.encode("utf-16-le")) // 2


def _decode_key(raw, kind, where):
    if kind == SINGLE and raw.startswith("U+") and len(raw) > 2:
        try:
            code = int(raw[2:], 16)
        except ValueError:
            raise TableSourceError("%s: bad code point %r" % (where, raw)) from None
        if not 0 < code <= 0x10FFFF or 0xD800 <= code <= 0xDFFF:
            raise TableSourceError("%s: bad code point %r" % (where, raw))
        return chr(code)
    return raw


def _check_value(value, kind, where):
    for ch in value:
        if not " " <= ch <= "~":
            raise TableSourceError(
                "%s: value %r holds %r, which is not printable ASCII" % (where, value, ch))
        if ch in FORBIDDEN_IN_NAMES:
            raise TableSourceError(
                "%s: value %r holds %r, which a file name cannot hold" % (where, value, ch))
    if kind == SEQUENCE and utf16_units(value) > SEQUENCE_VALUE_MAX:
        raise TableSourceError("%s: sequence value %r is longer than %d units"
                               % (where, value, SEQUENCE_VALUE_MAX))


def _check_key(key, kind, where):
    units = utf16_units(key)
    if kind == SINGLE:
        if units != 1:
            raise TableSourceError("%s: single-character key %r is %d UTF-16 units, not 1"
                                   % (where, key, units))
        if key in "\r\n=\0":
            raise TableSourceError("%s: key %r cannot be written in a table" % (where, key))
    else:
        if not SEQUENCE_KEY_MIN <= units <= SEQUENCE_KEY_MAX:
            raise TableSourceError("%s: sequence key %r is %d UTF-16 units, not %d to %d"
                                   % (where, key, units, SEQUENCE_KEY_MIN, SEQUENCE_KEY_MAX))
        if any(ch in "\r\n=\0" for ch in key):
            raise TableSourceError("%s: key %r cannot be written in a table" % (where, key))


def parse_source_text(text, name, kind):
    """Parse the text of one source; raise TableSourceError on any fault."""
    if kind not in (SINGLE, SEQUENCE):
        raise ValueError("unknown table kind %r" % kind)
    source = Source(name, kind)
    seen = {}
    if text.startswith(BOM):
        text = text[1:]
    # Only LF and CR LF end a line: other Unicode line separators may be keys.
    for number, line in enumerate(text.split("\n"), 1):
        if line.endswith("\r"):
            line = line[:-1]
        where = "%s:%d" % (name, number)
        if line.startswith("#"):
            if "=" in line:
                raise TableSourceError("%s: comment line contains '='" % where)
            source.items.append(("comment", line))
            continue
        if not line.strip():
            continue
        if "=" not in line:
            raise TableSourceError("%s: line is neither a comment nor an entry" % where)
        raw_key, value = line.split("=", 1)
        if not raw_key:
            raise TableSourceError("%s: entry has no key" % where)
        key = _decode_key(raw_key, kind, where)
        _check_key(key, kind, where)
        _check_value(value, kind, where)
        if key in seen:
            raise TableSourceError("%s: key %r already given on line %d" % (where, key, seen[key]))
        seen[key] = number
        source.items.append(("entry", Entry(key, value, name, number)))
    return source


def parse_source(path, kind=None):
    """Parse a source file; the kind follows from its name unless given."""
    name = os.path.basename(path)
    if kind is None:
        kind = source_kind(name)
    with open(path, encoding="utf-8") as f:
        return parse_source_text(f.read(), name, kind)


def source_kind(name):
    if name.endswith(".single.txt"):
        return SINGLE
    if name.endswith(".sequence.txt"):
        return SEQUENCE
    raise TableSourceError("%s: name must end in .single.txt or .sequence.txt" % name)


def default_sources(data_dir=DEFAULT_DATA_DIR):
    """Paths of the default sources of each kind, sorted by name."""
    found = {SINGLE: [], SEQUENCE: []}
    for name in sorted(os.listdir(data_dir)):
        path = os.path.join(data_dir, name)
        if os.path.isfile(path) and name.endswith(".txt"):
            found[source_kind(name)].append(path)
    return found


def available_overlays(data_dir=DEFAULT_DATA_DIR):
    """Names of the overlays found in the overlays folder."""
    folder = os.path.join(data_dir, "overlays")
    if not os.path.isdir(folder):
        return []
    names = {n.split(".", 1)[0] for n in os.listdir(folder) if n.endswith(".txt")}
    for name in names:
        if name not in OVERLAYS:
            raise TableSourceError("overlays/%s: add the overlay's script and kind to OVERLAYS in "
                                   "make_tables.py" % name)
    return sorted(names)


# The scripts a user can leave out of the tables (`--without`), so that every field keeps them:
# for a system whose code page holds the user's own script without a native range (Hangul under
# code page 949), or for any script a user wants to keep.
SCRIPT_RANGES = {
    "arabic": [(0x0600, 0x06FF), (0x0750, 0x077F), (0x08A0, 0x08FF), (0xFB50, 0xFDFF),
               (0xFE70, 0xFEFF)],
    "cyrillic": [(0x0400, 0x052F), (0x1C80, 0x1C8F), (0x2DE0, 0x2DFF), (0xA640, 0xA69F)],
    "greek": [(0x0370, 0x03FF), (0x1F00, 0x1FFF)],
    "hangul": [(0x1100, 0x11FF), (0x3130, 0x318F), (0xA960, 0xA97F), (0xAC00, 0xD7A3),
               (0xD7B0, 0xD7FF), (0xFFA0, 0xFFDC)],
    "hebrew": [(0x0590, 0x05FF), (0xFB1D, 0xFB4F)],
    "kana": [(0x3040, 0x30FF), (0x31F0, 0x31FF), (0xFF65, 0xFF9F)],
    "thai": [(0x0E00, 0x0E7F)],
}


def leave_out_scripts(sources, scripts):
    """Drop the entries whose key holds a character of one of the scripts."""
    ranges = [r for name in scripts for r in SCRIPT_RANGES[name]]
    for source, _ in sources:
        source.items = [(tag, item) for tag, item in source.items
                        if tag != "entry" or not any(first <= ord(ch) <= last for ch in item.key
                                                     for first, last in ranges)]


def overlay_conflict(overlays):
    """The message for two overlays of one kind for one script among the names given, or None."""
    seen = {}
    for name in overlays:
        canonical = OVERLAY_ALIASES.get(name, name)
        if canonical not in OVERLAYS:
            continue
        group = OVERLAYS[canonical]
        if group in seen:
            return ("overlays '%s' and '%s' both change how the tables read %s for a language; "
                    "choose one: each replaces only its own language's readings, so together they "
                    "would mix two spellings" % (seen[group], name, group[0])
                    if group[1] == LANGUAGE else
                    "overlays '%s' and '%s' both add %s; choose one" % (seen[group], name, group[0]))
        seen[group] = name
    return None


def overlay_sources(name, data_dir=DEFAULT_DATA_DIR):
    """Paths of one overlay's sources, as {kind: path or None}."""
    canonical = OVERLAY_ALIASES.get(name, name)
    folder = os.path.join(data_dir, "overlays")
    found = {}
    for kind in (SINGLE, SEQUENCE):
        path = os.path.join(folder, "%s.%s.txt" % (canonical, kind))
        found[kind] = path if os.path.isfile(path) else None
    if not any(found.values()):
        raise TableSourceError("unknown overlay %r (available: %s)"
                               % (name, ", ".join(available_overlays(data_dir))))
    return found


def hangul_sources():
    """The generated Hangul jamo and their pairs across syllables, as parsed sources
    (single-character, sequence)."""
    if TOOLS_DIR not in sys.path:
        sys.path.insert(0, TOOLS_DIR)
    import gen_hangul
    return (parse_source_text("\n".join(gen_hangul.lines()), "gen_hangul.py", SINGLE),
            parse_source_text("\n".join(gen_hangul.sequence_lines()), "gen_hangul.py", SEQUENCE))


def check_shadowing(sources):
    """Fail when a sequence entry can never match.

    A later entry is tried first and the first match wins, so an entry is
    dead when an entry written after it, with the same first unit, has a
    continuation that is a prefix of its own. Entries of the same source are
    always checked; across sources only among the defaults, since an overlay
    replacing a default on purpose is what overlays are for.
    """
    by_first_unit = {}  # first character: [(entry, is_overlay)] in file order
    for source, is_overlay in sources:
        for entry in source.entries:
            by_first_unit.setdefault(entry.key[0], []).append((entry, is_overlay))
    for written in by_first_unit.values():
        _check_group(written)


def _check_group(written):
    for index, (earlier, earlier_overlay) in enumerate(written):
        for later, later_overlay in written[index + 1:]:
            if not earlier.key.startswith(later.key):
                continue
            if later.source != earlier.source and (earlier_overlay or later_overlay):
                continue
            raise TableSourceError(
                "%s:%d: sequence %r can never match: %s:%d (%r) is written after it "
                "and is tried first; write the shorter entry first"
                % (earlier.source, earlier.line, earlier.key,
                   later.source, later.line, later.key))


def drop_replaced(sources, kind):
    """Leave out the entries that a later overlay entry replaces or hides."""
    later = set()  # keys of the overlay entries after the source at hand
    for source, is_overlay in reversed(sources):
        keys = {entry.key for entry in source.entries}
        source.items = [(tag, item) for tag, item in source.items
                        if tag != "entry" or not _replaced(item.key, later, kind)]
        if is_overlay:
            later |= keys


def _replaced(key, later, kind):
    if kind == SINGLE:
        return key in later
    units = key.encode("utf-16-le")
    return any(units[:2 * n].decode("utf-16-le", "surrogatepass") in later
               for n in range(SEQUENCE_KEY_MIN, len(units) // 2 + 1))


# All-capital words. The engine reads a name left to right without context, so
# a letter whose reading has several letters (Zh, Shch, Th, Ae) gives title
# case wherever it stands. Where such a capital stands next to another
# capital, a generated sequence entry gives both readings in capitals
# (ЩУ SHCHU, УЖ UZH); a capital that stands alone or before a small letter
# keeps its title-case reading. The pairs are formed within one script, among
# the capitals of its main alphabets (CAPITAL_PAIR_RANGES), which keeps the
# sequence table to a few thousand entries. A written entry for a capital
# at a word's start (/Ե Ye) is paired the same way with the capital after it.
CAPITAL_PAIR_RANGES = {
    "Latin": [(0x41, 0x5A), (0xC0, 0xDE), (0x100, 0x17F)],
    "Cyrillic": [(0x400, 0x45F), (0x48A, 0x4FF)],  # without the letters of Church Slavonic
    "Greek": [(0x386, 0x3AB)],
    "Armenian": [(0x531, 0x556)],
}
# Partners beyond the letters that have a long reading: the basic alphabet.
CAPITAL_PARTNER_RANGES = {
    "Latin": [(0x41, 0x5A), (0xC0, 0xDE), (0x100, 0x17F)],
    "Cyrillic": [(0x400, 0x42F)],
    "Greek": [(0x386, 0x3AB)],
    "Armenian": [(0x531, 0x556)],
}

# The native ranges of the code pages that have them. A sequence entry whose
# first unit is replaceable under one of them but whose later units are native
# there would replace the user's own letters, so no such entry is generated.
NATIVE_RANGES = {
    932: [(0x3041, 0x30FF), (0xFF00, 0xFFEF)],
    1251: [(0x0000, 0x04FF)],
    1252: [(0x0080, 0x00FF)],
    1253: [(0x0370, 0x03FF)],
    1255: [(0x0591, 0x05FE)],
    1256: [(0x0600, 0x06FF), (0xFB50, 0xFDFF), (0xFE70, 0xFEFF)],
}


def _native(code_page, ch):
    return any(first <= ord(ch) <= last for first, last in NATIVE_RANGES[code_page])


def keeps_native_letters(key):
    """False when the entry would consume a native unit under some code page
    whose rules let its first unit be replaced."""
    return not any(not _native(page, key[0]) and any(_native(page, ch) for ch in key[1:])
                   for page in NATIVE_RANGES)


def _capitals(readings, ranges):
    """The capitals in ranges whose reading starts with a capital; an ASCII
    letter reads as itself."""
    found = []
    for first, last in ranges:
        for code in range(first, last + 1):
            ch = chr(code)
            value = readings.get(ch, ch if code < 0x80 else "")
            if ch.isupper() and value[:1].isupper():
                found.append(ch)
    return found


def _long_reading(value):
    return len(value) > 1 and value != value.upper()


def capital_entries(readings, written_keys, changed=None, stale=()):
    """Generated (key, value) pairs for capitals beside capitals.

    readings maps each single-character key to its reading, written_keys are
    the written sequence keys with their values; changed, when given, limits
    the entries to those that involve one of its keys (an overlay then only
    regenerates what it changes). An entry is left out when a written entry
    has the same key or begins with it, when its value would be longer than
    a sequence value can be, and when it would consume a native letter.
    stale are the keys of default pairs that an overlay must read again, since
    it changes one of their letters to a reading that makes no pair of its own
    (sr reads Ch as C: ЧА is CA, not the default CHA).
    """
    entries, seen = [], set()
    written_prefixes = {k[:n] for k in written_keys for n in range(SEQUENCE_KEY_MIN, len(k) + 1)}

    def add(key, value):
        if key in seen or len(value) > SEQUENCE_VALUE_MAX or key in written_prefixes:
            return
        if changed is not None and not any(ch in changed for ch in key):
            return
        if not keeps_native_letters(key):
            return
        seen.add(key)
        entries.append((key, value))

    for script, ranges in CAPITAL_PAIR_RANGES.items():
        capitals = _capitals(readings, ranges)
        long_ones = [ch for ch in capitals if _long_reading(readings.get(ch, ch))]
        partners = _capitals(readings, CAPITAL_PARTNER_RANGES[script]) + long_ones
        for first in long_ones:
            for second in partners:
                add(first + second, (readings[first] + readings.get(second, second)).upper())
                add(second + first, (readings.get(second, second) + readings[first]).upper())
        # Greek and Armenian write digraphs (ΟΥ, ΑΥ, ՈՒ...) as sequences: beside
        # a long capital they need entries of their own, or the pair would take
        # the first letter of the digraph.
        digraphs = []
        for key, value in written_keys.items() if script in ("Greek", "Armenian") else ():
            if key != key.upper() or len(key) > SEQUENCE_KEY_MAX - 1 or not value.isupper():
                continue
            if not any(first <= ord(key[0]) <= last for first, last in ranges):
                continue
            digraphs.append((key, value))
            for letter in long_ones:
                add(letter + key, (readings[letter] + value).upper())
                add(key + letter, (value + readings[letter]).upper())
        # A written entry that ends with a capital and reads it in title case (a
        # word's first letter: /Ե Ye, " Я" " Ja") reads in capitals before another
        # capital or a capital digraph: ԵՐԵՎԱՆ YEREVAN, ЯНКА JANKA, ԵՈՒ YEU.
        followers = [(ch, readings.get(ch, ch)) for ch in partners] + digraphs
        capital_set = set(capitals)
        for key, value in written_keys.items():
            if key[-1] not in capital_set or not _long_reading(value):
                continue
            for second, reading in followers:
                if len(key) + len(second) <= SEQUENCE_KEY_MAX:
                    add(key + second, (value + reading).upper())
    for key in stale:
        add(key, "".join(readings.get(ch, ch) for ch in key).upper())
    # Longer keys after shorter ones: a later entry is tried first.
    entries.sort(key=lambda entry: len(entry[0]))
    return entries


def capitals_source(name, readings, written_keys, changed=None, stale=()):
    """The generated capital pairs as a parsed sequence source."""
    lines = ["# All-capital words: a capital with a long reading beside another capital",
             "# (generated by make_tables.py from the single-character readings)."]
    lines += ["%s=%s" % pair for pair in capital_entries(readings, written_keys, changed, stale)]
    return parse_source_text("\n".join(lines), name, SEQUENCE)


def _readings(sources):
    readings = {}
    for source in sources:
        for entry in source.entries:
            readings[entry.key] = entry.value
    return readings


def _written(sources):
    return {entry.key: entry.value for source in sources for entry in source.entries}


def default_source_list(data_dir=DEFAULT_DATA_DIR):
    """The default sources in table order: (single sources, sequence sources),
    with the Hangul jamo and pairs and the capital pairs that are generated."""
    defaults = default_sources(data_dir)
    hangul_single, hangul_sequence = hangul_sources()
    singles = [parse_source(p) for p in defaults[SINGLE]]
    singles.append(hangul_single)
    sequences = [parse_source(p) for p in defaults[SEQUENCE]]
    sequences.append(hangul_sequence)
    sequences.append(capitals_source("capitals (generated)", _readings(singles), _written(sequences)))
    return singles, sequences


def overlay_source_list(name, data_dir=DEFAULT_DATA_DIR, defaults=None):
    """One overlay's sources as {kind: Source or None}; its sequence source
    ends with the capital pairs that its own readings change. defaults is
    what default_source_list returned, when the caller has it."""
    paths = overlay_sources(name, data_dir)
    found = {}
    for kind in (SINGLE, SEQUENCE):
        found[kind] = parse_source(paths[kind], kind) if paths[kind] else None
        if found[kind]:
            found[kind].name = "overlays/" + found[kind].name
    if found[SINGLE]:
        default_singles, default_sequences = defaults or default_source_list(data_dir)
        readings = _readings(default_singles + [found[SINGLE]])
        written = _written(default_sequences[:-1] + ([found[SEQUENCE]] if found[SEQUENCE] else []))
        changed = {entry.key for entry in found[SINGLE].entries}
        stale = [entry.key for entry in default_sequences[-1].entries if set(entry.key) & changed]
        generated = capitals_source("overlays/%s capitals (generated)" % name, readings, written,
                                    changed, stale)
        if found[SEQUENCE]:
            found[SEQUENCE].items += [("comment", text) for tag, text in generated.items if tag == "comment"]
            found[SEQUENCE].items += [item for item in generated.items if item[0] == "entry"]
        elif generated.entries:
            generated.name = "overlays/%s.sequence.txt" % OVERLAY_ALIASES.get(name, name)
            found[SEQUENCE] = generated
    return found


def _table_lines(title, sources):
    lines = [BOM + "# " + title]
    for source, _ in sources:
        lines.append("")
        lines.append("# ---- %s ----" % source.name)
        for tag, item in source.items:
            lines.append(item if tag == "comment" else "%s=%s" % (item.key, item.value))
    return lines


def build_tables(overlays=(), data_dir=DEFAULT_DATA_DIR, without=()):
    """Return (single_lines, sequence_lines, counts) for the given overlays, leaving out the
    entries of the scripts in without (names of SCRIPT_RANGES).

    counts maps each table file name to its number of entries.
    """
    for name in without:
        if name not in SCRIPT_RANGES:
            raise TableSourceError("unknown script %r (known: %s)"
                                   % (name, ", ".join(sorted(SCRIPT_RANGES))))
    if len({OVERLAY_ALIASES.get(n, n) for n in overlays}) != len(overlays):
        raise TableSourceError("an overlay is named twice in %s" % ", ".join(overlays))
    conflict = overlay_conflict(overlays)
    if conflict:
        raise TableSourceError(conflict)
    default_singles, default_sequences = default_source_list(data_dir)
    singles = [(source, False) for source in default_singles]
    sequences = [(source, False) for source in default_sequences]
    for name in overlays:
        found = overlay_source_list(name, data_dir, (default_singles, default_sequences))
        for kind, target in ((SINGLE, singles), (SEQUENCE, sequences)):
            if found[kind]:
                target.append((found[kind], True))
    check_shadowing(sequences)
    drop_replaced(singles, SINGLE)
    drop_replaced(sequences, SEQUENCE)
    leave_out_scripts(singles + sequences, without)
    label = " with overlays " + ", ".join(overlays) if overlays else ""
    single_lines = _table_lines(
        "namefold single-character table%s. Lines without an equals sign are comments." % label,
        singles)
    sequence_lines = _table_lines(
        "namefold sequence table%s. Lines without an equals sign are comments." % label,
        sequences)
    counts = {
        SINGLE_FILE: sum(len(s.entries) for s, _ in singles),
        SEQUENCE_FILE: sum(len(s.entries) for s, _ in sequences),
    }
    return single_lines, sequence_lines, counts


def encode_table(lines):
    """UTF-16 LE bytes of the lines, each ended by CR LF (the BOM is in line 1)."""
    return "".join(line + "\r\n" for line in lines).encode("utf-16-le")


def write_tables(out_dir, overlays=(), data_dir=DEFAULT_DATA_DIR, without=()):
    """Build and write both table files; return {file name: entry count}."""
    single_lines, sequence_lines, counts = build_tables(overlays, data_dir, without)
    os.makedirs(out_dir, exist_ok=True)
    for name, lines in ((SINGLE_FILE, single_lines), (SEQUENCE_FILE, sequence_lines)):
        path = os.path.join(out_dir, name)
        temp = path + ".tmp"
        with open(temp, "wb") as f:
            f.write(encode_table(lines))
        os.replace(temp, path)
    return counts


def parse_overlay_list(text):
    return [name.strip() for name in text.split(",") if name.strip()] if text else []


def main(argv=None):
    parser = argparse.ArgumentParser(description="Assemble the namefold table files.")
    parser.add_argument("--out", required=True, help="folder to write the table files into")
    parser.add_argument("--with", dest="overlays", default="",
                        help="comma-separated overlays to append, e.g. de,uk")
    parser.add_argument("--without", default="",
                        help="comma-separated scripts to leave alone, e.g. hangul")
    parser.add_argument("--data", default=DEFAULT_DATA_DIR, help="folder of the table sources")
    args = parser.parse_args(argv)
    try:
        counts = write_tables(args.out, parse_overlay_list(args.overlays), args.data,
                              parse_overlay_list(args.without))
    except (TableSourceError, OSError) as error:
        print("make_tables: error: %s" % error, file=sys.stderr)
        return 1
    for name, count in counts.items():
        print("%s: %d entries" % (os.path.join(args.out, name), count))
    return 0


if __name__ == "__main__":
    sys.exit(main())
