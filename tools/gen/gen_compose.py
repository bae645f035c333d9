#!/usr/bin/env python3
"""Write transform/compose_data.inc: what canonical composition (NFC) needs, for the BMP.

    gen_compose.py [--ucd DIR] [OUTPUT]

Reads UnicodeData.txt (canonical combining classes and canonical decompositions),
CompositionExclusions.txt and DerivedNormalizationProps.txt (NFC_QC and
Full_Composition_Exclusion) from DIR, by default /usr/share/unicode, where
Debian's unicode-data package installs them. The first line of the output names
the Unicode version. Only units of the Basic Multilingual Plane are kept: a
decomposition or composition that involves a code point beyond it is left out.
Hangul syllables are composed algorithmically and have no rows here.
"""

import argparse
import pathlib
import re
import sys

BMP = 0x10000
BLOCK = 256  # units per block of the quick-test bitmap


def fail(message):
    sys.exit("gen_compose: " + message)


def data_lines(path):
    """The fields of each data line of a UCD file, comments and blanks left out."""
    with open(path, encoding="utf-8") as f:
        for line in f:
            line = line.split("#", 1)[0].strip()
            if line:
                yield [field.strip() for field in line.split(";")]


def code_points(text):
    """A code point or a range "XXXX..YYYY" as a range."""
    first, _, last = text.partition("..")
    return range(int(first, 16), int(last or first, 16) + 1)


def read_unicode_data(path):
    classes, decompositions = {}, {}
    for fields in data_lines(path):
        code = int(fields[0], 16)
        if int(fields[3]):
            classes[code] = int(fields[3])
        mapping = fields[5]
        if mapping and not mapping.startswith("<"):  # <tag> marks a compatibility mapping
            decompositions[code] = [int(part, 16) for part in mapping.split()]
    return classes, decompositions


def read_properties(path, name):
    """Code point -> value of property `name` in a file of "range ; property [; value]" lines."""
    values = {}
    for fields in data_lines(path):
        if len(fields) >= 2 and fields[1] == name:
            for code in code_points(fields[0]):
                values[code] = fields[2] if len(fields) > 2 else True
    return values


def version(path):
    with open(path, encoding="utf-8") as f:
        match = re.match(r"# DerivedNormalizationProps-(\d+\.\d+\.\d+)\.txt", f.readline())
    if not match:
        fail("%s: no version on its first line" % path)
    return match.group(1)


def full_decomposition(code, decompositions):
    if code not in decompositions:
        return [code]
    return [unit for part in decompositions[code] for unit in full_decomposition(part, decompositions)]


def ranges(codes):
    """Sorted [first, last] runs of the ascending code points `codes`."""
    found = []
    for code in codes:
        if found and found[-1][1] == code - 1:
            found[-1][1] = code
        else:
            found.append([code, code])
    return found


def class_ranges(classes):
    """Sorted {first, last, class} runs of BMP units sharing a nonzero class."""
    runs = []
    for code in sorted(c for c in classes if c < BMP):
        if runs and runs[-1][1] == code - 1 and runs[-1][2] == classes[code]:
            runs[-1][1] = code
        else:
            runs.append([code, code, classes[code]])
    return runs


def two_level(values):
    """A value of 0 to 3 per BMP unit in two levels: for each block of 256 units the index of
    its map, and the distinct maps, each 16 words of 16 two-bit values."""
    maps, index = [(0,) * (BLOCK // 16)], []
    for block in range(BMP // BLOCK):
        words = [0] * (BLOCK // 16)
        for offset in range(BLOCK):
            words[offset // 16] |= values.get(block * BLOCK + offset, 0) << (2 * (offset % 16))
        words = tuple(words)
        if words not in maps:
            maps.append(words)
        index.append(maps.index(words))
    return index, maps


def generate(ucd):
    classes, decompositions = read_unicode_data(ucd / "UnicodeData.txt")
    excluded = {code for fields in data_lines(ucd / "CompositionExclusions.txt")
                for code in code_points(fields[0])}
    derived = ucd / "DerivedNormalizationProps.txt"
    full_exclusions = set(read_properties(derived, "Full_Composition_Exclusion"))
    quick_check = read_properties(derived, "NFC_QC")

    # Full_Composition_Exclusion is the listed exclusions, the singletons and the decompositions
    # that start with a non-starter: derive it, and check it against the derived file.
    derived_exclusions = excluded | {
        code for code, parts in decompositions.items()
        if len(parts) == 1 or classes.get(code, 0) or classes.get(parts[0], 0)}
    if derived_exclusions != full_exclusions:
        fail("exclusions differ from Full_Composition_Exclusion")

    bmp = lambda *codes: all(code < BMP for code in codes)
    rows_decomposed = sorted((code, parts) for code, parts in decompositions.items()
                             if bmp(code, *parts))
    compositions = sorted((parts, code) for code, parts in rows_decomposed
                          if code not in full_exclusions)
    longest = max(len(full_decomposition(code, decompositions)) for code, _ in rows_decomposed)

    # The quick check of each unit: a unit whose NFC_QC is No, or Maybe with a class, needs
    # composing; a mark (nonzero class) only when it follows a mark of a higher class; a starter
    # whose NFC_QC is Maybe only when it composes with the unit before it.
    quick = {code: 1 for code in classes if code < BMP}
    for code in range(BMP):
        value = quick_check.get(code, "Y")
        if value == "N" or (value == "M" and code in classes):
            quick[code] = 2
        elif value == "M":
            quick[code] = 3
    if min(quick) < 0x0300:
        fail("a unit below U+0300 is a mark or needs composing")
    index, maps = two_level(quick)

    lines = [
        "// Generated by tools/gen/gen_compose.py from the Unicode Character Database %s; do not edit."
        % version(derived),
        "",
        "// The longest full canonical decomposition of a BMP unit, in units.",
        "inline constexpr std::size_t kLongestDecomposition = %d;" % longest,
        "",
        "// The quick check of each unit, two bits: 0 a starter that composes with nothing before",
        "// it, 1 a mark (nonzero class), 2 a unit that decomposes or a mark that may compose with",
        "// what precedes it (NFC_QC No, or Maybe), 3 a starter that may compose with the unit",
        "// before it (NFC_QC Maybe). In two levels: a block of 256 units -> one of the distinct maps.",
        "inline constexpr std::uint8_t kQuickCheckBlocks[%d] = {" % len(index),
    ]
    for at in range(0, len(index), 16):
        lines.append("    " + " ".join("%d," % i for i in index[at:at + 16]))
    lines += ["};", "inline constexpr std::uint32_t kQuickCheckMaps[%d][%d] = {" % (len(maps), BLOCK // 16)]
    for words in maps:
        lines.append("    {" + ", ".join("0x%08X" % w for w in words[:8]) + ",")
        lines.append("     " + ", ".join("0x%08X" % w for w in words[8:]) + "},")
    lines.append("};")
    lines += ["",
              "// Sorted {first, last, class} runs of units with a nonzero canonical combining class.",
              "inline constexpr CombiningClassRun kCombiningClasses[] = {"]
    for first, last, value in class_ranges(classes):
        lines.append("    {0x%04X, 0x%04X, %d}," % (first, last, value))
    lines += ["};", "",
              "// Canonical decompositions, sorted by unit: {unit, first, second or 0 for a singleton}.",
              "inline constexpr Decomposition kDecompositions[] = {"]
    for code, parts in rows_decomposed:
        lines.append("    {0x%04X, 0x%04X, 0x%04X}," % (code, parts[0], parts[1] if len(parts) > 1 else 0))
    lines += ["};", "",
              "// Primary composites, sorted by pair: {first, second, composite}.",
              "inline constexpr Composition kCompositions[] = {"]
    for parts, code in compositions:
        lines.append("    {0x%04X, 0x%04X, 0x%04X}," % (parts[0], parts[1], code))
    lines.append("};")
    return "\n".join(lines) + "\n"


def ucd_main(doc, generate, argv):
    """The command line of a generator from the UCD: [--ucd DIR] [OUTPUT], OUTPUT or standard
    output getting generate(DIR)."""
    parser = argparse.ArgumentParser(description=doc.split("\n")[0])
    parser.add_argument("--ucd", type=pathlib.Path, default=pathlib.Path("/usr/share/unicode"))
    parser.add_argument("output", nargs="?")
    args = parser.parse_args(argv[1:])
    text = generate(args.ucd)
    if args.output:
        with open(args.output, "w", encoding="ascii", newline="\n") as f:
            f.write(text)
    else:
        sys.stdout.write(text)
    return 0


if __name__ == "__main__":
    sys.exit(ucd_main(__doc__, generate, sys.argv))
