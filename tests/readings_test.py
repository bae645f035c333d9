#!/usr/bin/env python3
"""Names and their readings after the romanization standards, through the built library.

    readings_test.py [--library build/linux/out/namefold.so]

Each row gives a name and the reading its standard gives: the inherent vowel of the Indic scripts
as the Hindi, Punjabi, Gujarati and Bengali schwa rules drop or keep it, the anusvara before a
labial, and Thai finals after RTGS. The readings come from the standards' examples, not from the
tables. A row the tables can reach is read through the library's NameReplaceUserAll field (with
the overlay it names); a row of the four schwa-dropping scripts is also read by
tools/schwa_reference.py, the reference that tools/table-coverage measures the tables against.
"""
import argparse
import importlib.machinery
import os
import sys
import unittest

ROOT = os.path.dirname(os.path.dirname(os.path.abspath(__file__)))
sys.path.insert(0, os.path.join(ROOT, "tools"))
import schwa_reference  # noqa: E402

sample = importlib.machinery.SourceFileLoader(
    "table_sample", os.path.join(ROOT, "tools", "table-sample")).load_module()

LIBRARY = os.path.join(ROOT, "build", "linux", "out", "namefold.so")

# (rule, name, reading, read by the tables, overlay)
READINGS = [
    # The final inherent vowel goes at the name's end as before an extension (राम Rām).
    ("final", "राम", "ram", True, ""),
    ("final", "भारत", "bharat", True, ""),
    ("final", "भारत.pdf", "bharat.pdf", True, ""),
    ("final", "ਪੰਜਾਬ", "panjab", True, ""),
    ("final", "বাংলাদেশ", "bangladesh", True, ""),
    ("final", "नेपाल का", "nepal ka", True, ""),
    # After a cluster that cannot close a syllable it stays; Bengali keeps it after every cluster.
    ("cluster", "मित्र", "mitra", True, ""),
    ("cluster", "महाराष्ट्र", "maharashtra", True, ""),
    ("cluster", "धर्म", "dharm", True, ""),
    ("cluster", "যুক্তরাষ্ট্র", "yuktarashtra", True, ""),
    ("cluster", "যুক্তরাষ্ট্র.pdf", "yuktarashtra.pdf", True, ""),
    ("cluster", "মার্কিন যুক্তরাষ্ট্র", "markin yuktarashtra", True, ""),
    ("cluster", "পদ্ম", "padma", True, ""),
    # The anusvara, and Gurmukhi's tippi, before p, ph, b, bh, m is m.
    ("anusvara", "संबंध", "sambandh", True, ""),
    ("anusvara", "चंपा", "champa", True, ""),
    ("anusvara", "ਕੰਬਲ", "kambal", True, ""),
    ("anusvara", "সংবাদ", "sambad", True, ""),
    ("anusvara", "కొలంబియా", "kolambiya", True, ""),
    ("anusvara", "ಕೊಲಂಬೊ.jpg", "kolambo.jpg", True, ""),
    # Inside a word, VC_CV from the end: only the reference reads these.
    ("medial", "कमरा", "kamra", False, ""),
    ("medial", "अपनापन", "apnapan", False, ""),
    ("medial", "समझदार", "samajhdar", False, ""),
    ("medial", "कमल", "kamal", True, ""),
    ("medial", "ਕਿੰਗਡਮ", "kingdam", False, ""),
    # Thai: a final consonant at the name's end as before a space (RTGS).
    ("thai final", "กรุงเทพ", "krungthep", True, "th"),
    ("thai final", "แบบ", "baep", True, "th"),
    ("thai final", "ประเทศ", "prathet", True, "th"),
    ("thai final", "จอด", "chot", True, "th"),
]


class Readings(unittest.TestCase):
    library = LIBRARY

    def test_the_library_reads_the_standard(self):
        entries = {}
        for rule, name, reading, by_tables, overlay in READINGS:
            if not by_tables:
                continue
            if overlay not in entries:
                library = self.library if not overlay else sample.with_overlays(self.library,
                                                                                [overlay])
                entries[overlay] = sample.load(library)
            with self.subTest(rule=rule, name=name):
                self.assertEqual(sample.field_value(entries[overlay], "/files/" + name,
                                                    sample.FIELDS["NameReplaceUserAll"]), reading)

    def test_the_reference_reads_the_standard(self):
        reference = schwa_reference.Reference()
        for rule, name, reading, _, overlay in READINGS:
            if not overlay:
                with self.subTest(rule=rule, name=name):
                    self.assertEqual(reference.reading(name), reading)


def main():
    parser = argparse.ArgumentParser(description=__doc__.split("\n")[0])
    parser.add_argument("--library", default=LIBRARY)
    args, rest = parser.parse_known_args()
    if not os.path.exists(args.library):
        print("no library at %s" % args.library)
        return 77
    Readings.library = args.library
    program = unittest.main(argv=[sys.argv[0]] + rest, exit=False)
    return 0 if program.result.wasSuccessful() else 1


if __name__ == "__main__":
    sys.exit(main())
