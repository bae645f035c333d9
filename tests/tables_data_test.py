#!/usr/bin/env python3
"""Checks of the default replacement tables built by tools/make_tables.py.

The built files are read back with a model of the plugin's parsers and run
through a model of its transliteration engine (every unit replaceable), so
the expected values below are what the plugin itself produces.

    python3 tests/tables_data_test.py
"""

import os
import subprocess
import sys
import tempfile
import unittest

ROOT = os.path.dirname(os.path.dirname(os.path.abspath(__file__)))
MAKE_TABLES = os.path.join(ROOT, "tools", "make_tables.py")
NAMES = os.path.join(ROOT, "tests", "data", "names.txt")
sys.path.insert(0, os.path.join(ROOT, "tools"))

import make_tables  # noqa: E402

CR, LF, EQ = 0x0D, 0x0A, 0x3D
SMALL_KANA = {0x3083, 0x3085, 0x3087, 0x30E3, 0x30E5, 0x30E7}


def units_of(data):
    """File bytes as the parsers see them: 16-bit units plus a terminator."""
    count = len(data) // 2
    units = [data[2 * i] | data[2 * i + 1] << 8 for i in range(count)]
    return units + [0]


def string_at(units, start, limit=None):
    end = start
    while units[end] != 0 and (limit is None or end - start < limit):
        end += 1
    return units[start:end]


def parse_single(data):
    """The single-character parser, step by step: {unit: [units]}."""
    units, table, p = units_of(data), {}, 0
    while True:
        while units[p] != 0 and units[p + 1] != EQ:
            p += 1
        if units[p] == 0:
            return table
        key, value_start = units[p], p + 2
        while units[p] not in (0, CR, LF):
            p += 1
        at_end = units[p] == 0
        units[p] = 0
        table[key] = string_at(units, value_start)
        if at_end:
            return table
        p += 1


def parse_sequence(data):
    """The sequence parser, step by step: {key: [(continuation, value)]},
    each list in lookup order (the entry written last comes first)."""
    units, table = units_of(data), {}
    s = m = 0  # the first unit stands in for the line break before line 1
    while True:
        while units[s] != 0 and units[s + 1] != EQ:
            if units[s] in (CR, LF):
                m = s
            s += 1
        if units[s] == 0 or units[m] == 0 or not s > m + 1:
            return table
        if units[m] in (CR, LF):
            m += 1
        key, continuation = units[m], units[m + 1:min(s, m + 3) + 1]
        e = s
        while units[e] not in (0, CR, LF):
            e += 1
        at_end = units[e] == 0
        units[e] = 0
        m = e
        table.setdefault(key, []).insert(0, (continuation, string_at(units, s + 2, 7)))
        if at_end:
            return table
        s = e + 1


def transliterate(name, single, sequence):
    """The engine with code page 0: sequence table, then single table with
    the small-kana rule; returns a str."""
    units = list(name.encode("utf-16-le"))
    units = [units[i] | units[i + 1] << 8 for i in range(0, len(units), 2)] + [0]
    out, i = [], 0
    while units[i] != 0:
        c, matched = units[i], False
        for continuation, value in sequence.get(c, ()):
            n = len(continuation)
            if units[i + 1:i + 1 + n] == continuation:
                out.extend(value)
                i += n + 1
                matched = True
                break
        if matched:
            continue
        replacement = single.get(c)
        if replacement is None:
            out.append(c)
        elif units[i + 1] in SMALL_KANA:
            out.extend(replacement[:1])
        else:
            out.extend(replacement)
        i += 1
    data = b"".join(u.to_bytes(2, "little") for u in out)
    return data.decode("utf-16-le", errors="surrogatepass")


def build(overlays=""):
    """Run make_tables.py into a temp folder; return (single, sequence) bytes."""
    with tempfile.TemporaryDirectory() as out:
        command = [sys.executable, MAKE_TABLES, "--out", out]
        if overlays:
            command += ["--with", overlays]
        subprocess.run(command, check=True, capture_output=True)
        with open(os.path.join(out, "namefold1.tbl"), "rb") as f:
            single = f.read()
        with open(os.path.join(out, "namefold2.tbl"), "rb") as f:
            sequence = f.read()
    return single, sequence


class Tables:
    """Built and parsed tables, one set per overlay list, built once."""
    cache = {}

    @classmethod
    def get(cls, overlays=""):
        if overlays not in cls.cache:
            single_bytes, sequence_bytes = build(overlays)
            cls.cache[overlays] = (single_bytes, sequence_bytes,
                                   parse_single(single_bytes), parse_sequence(sequence_bytes))
        return cls.cache[overlays]

    @classmethod
    def convert(cls, name, overlays=""):
        _, _, single, sequence = cls.get(overlays)
        return transliterate(name, single, sequence)


# Expected values, by script, with the default tables.
EXPECTED = [
    # Cyrillic (ICAO Doc 9303)
    ("Москва", "Moskva"),
    ("Щукин Жёлудь", "Shchukin Zhelud"),
    ("Объявление Юлия Ёлка", "Obieiavlenie Iuliia Elka"),
    ("Київ Ґанок Їжак Євген", "Kiiv Ganok Izhak Ievgen"),
    ("Ўладзімір", "Uladzimir"),
    ("Ђорђе Љубљана Њиви Ћирило Џеп Јован", "Djordje Ljubljana Njivi Cirilo Dzep Jovan"),
    ("Ѓорѓи Ќерка Ѕвезда", "Gjorgji Kjerka Dzvezda"),
    # Greek (ELOT 743)
    ("Αθήνα", "Athina"),
    ("Θεσσαλονίκη", "Thessaloniki"),
    ("Ευρώπη", "Evropi"),
    ("αυτοκίνητο", "aftokinito"),
    ("Άγγελος", "Angelos"),
    ("Ουρανός", "Ouranos"),
    ("Ζεύς ΠΑΥΛΟΣ", "Zefs PAVLOS"),
    ("Χαϊδάρι Ψυχή", "Chaidari Psychi"),
    # Kana (modified Hepburn)
    ("きょうと", "kyouto"),
    ("しんじゅく", "shinjuku"),
    ("ちゃ", "cha"),
    ("がっこう", "gakkou"),
    ("まっちゃ", "matcha"),
    ("ざっし", "zasshi"),
    ("きんえん", "kin'en"),
    ("トウキョウ", "toukyou"),
    ("コーヒー", "ko-hi-"),
    ("スパゲッティ", "supagetti"),
    ("ジョン・スミス", "jon sumisu"),
    ("ファイル", "fairu"),
    ("りょこう", "ryokou"),
    ("びょういん", "byouin"),
    ("ちょっきゅう", "chokkyuu"),
    ("東京タワー", "東京tawa-"),
    # Hangul (Revised Romanization, syllable by syllable)
    ("서울", "seoul"),
    ("한국", "hanguk"),
    ("부산", "busan"),
    ("김치찌개", "gimchijjigae"),
    ("값 닭 읽", "gap dak ik"),
    # Hebrew and Arabic
    ("שלום", "shlvm"),
    ("ירושלים", "yrvshlym"),
    ("אבא", "aba"),
    ("محمد", "mhmd"),
    ("القاهرة", "alqahra"),
    ("شكرا", "shkra"),
    ("مدرسة ٢٠٢٤", "mdrsa 2024"),
    # Armenian and Georgian
    ("Երևան", "Erevan"),
    ("Հայաստան", "Hayastan"),
    ("Ուրախ ժողովուրդ", "Urakh zhoghovurd"),
    ("თბილისი", "tbilisi"),
    ("საქართველო", "sakartvelo"),
    ("ქუთაისი", "kutaisi"),
    # Latin
    ("Crème brûlée", "Creme brulee"),
    ("Straße Ærø Œuvre", "Strasse Aero Oeuvre"),
    ("Þórður Łódź Ðakovo", "Thordur Lodz Dakovo"),
    ("Ĳsselmeer", "IJsselmeer"),
    ("Şişli Ğ İstanbul ı", "Sisli G Istanbul i"),
    ("Tiếng Việt Đà Nẵng", "Tieng Viet Da Nang"),
    ("București Țară", "Bucuresti Tara"),
    ("Dvořák Škoda Ŋ ſ", "Dvorak Skoda Ng s"),
    # Fullwidth, typographic punctuation and signs
    ("ＡＢＣ１２３", "ABC123"),
    ("ｆｉｌｅ＿ｎａｍｅ．ｔｘｔ", "file_name.txt"),
    ("ＡＣ／ＤＣ：Ｂａｃｋ？", "AC-DC-Back_"),
    ("“Quoted” ‘name’ — draft…", "'Quoted' 'name' - draft..."),
    ("a\u00a0b\u3000c\u200bd", "a b cd"),
    ("© ® ™ € №5", "(c) (R) TM EUR No5"),
    ("「題名」、【版】。", "'題名',[版]."),
]

# Expected values with overlays.
OVERLAY_EXPECTED = [
    ("de", "Müller Öl Übung", "Mueller Oel Uebung"),
    ("da", "Århus Søren Æble", "Aarhus Soeren Aeble"),
    ("nb", "Tromsø blåbær", "Tromsoe blaabaer"),
    ("no", "Tromsø", "Tromsoe"),
    ("uk", "Київ", "Kyiv"),
    ("uk", "Запоріжжя Харків Львів", "Zaporizhzhia Kharkiv Lviv"),
    ("uk", "Юрій Євген Їжак Йосип", "Yurii Yevhen Yizhak Yosyp"),
    ("uk", "Марія Костянтин Згорани", "Mariia Kostiantyn Zghorany"),
    ("uk", "м’ясо Ім'я", "miaso Imia"),
    ("uk", "КИЇВ", "KYIV"),
    ("bg", "София.jpg", "Sofia.jpg"),
    ("bg", "България е щастие", "Balgaria e shtastie"),
    ("bg", "Юлия Янков Христо Йордан", "Yulia Yankov Hristo Yordan"),
    ("de,uk", "Müller Київ", "Mueller Kyiv"),
]


class TableFileFormat(unittest.TestCase):
    def check_file(self, data, kind):
        self.assertEqual(data[:2], b"\xff\xfe", "byte-order mark")
        text = data.decode("utf-16-le")
        self.assertTrue(text.endswith("\r\n"))
        lines = text[1:].split("\r\n")[:-1]
        self.assertNotIn("\r", "".join(lines))
        self.assertNotIn("\n", "".join(lines))
        self.assertTrue(lines[0].startswith("#"), "first line is a comment")
        entries = 0
        for number, line in enumerate(lines, 1):
            if line == "" or line.startswith("#"):
                self.assertNotIn("=", line, "comment on line %d" % number)
                continue
            key, value = line.split("=", 1)
            key_units = make_tables.utf16_units(key)
            if kind == "single":
                self.assertEqual(key_units, 1, "line %d: %r" % (number, line))
            else:
                self.assertTrue(2 <= key_units <= 4, "line %d: %r" % (number, line))
                self.assertLessEqual(len(value), 7, "line %d: %r" % (number, line))
            self.assertTrue(value.isascii(), "line %d: %r" % (number, line))
            entries += 1
        return entries

    def test_both_files_are_utf16_with_bom_and_crlf(self):
        for overlays in ("", "de,da,nb,uk,bg"):
            single, sequence, _, _ = Tables.get(overlays)
            with self.subTest(overlays=overlays):
                self.assertGreater(self.check_file(single, "single"), 11172)
                self.assertGreater(self.check_file(sequence, "sequence"), 200)

    def test_parsed_tables_hold_every_entry(self):
        # The parser model must see every line written as an entry; a stray
        # short sequence key or a line starting with "=" would end or bend it.
        single_bytes, sequence_bytes, single, sequence = Tables.get()
        lines = sequence_bytes.decode("utf-16-le").split("\r\n")
        written = sum(1 for line in lines if "=" in line)
        self.assertEqual(sum(len(v) for v in sequence.values()), written)
        hangul = [u for u in single if 0xAC00 <= u <= 0xD7A3]
        self.assertEqual(len(hangul), 11172)

    def test_capital_letters_give_capitals(self):
        import unicodedata
        _, _, single, _ = Tables.get()
        for unit, value in single.items():
            text = "".join(map(chr, value))
            letter = chr(unit)
            category = unicodedata.category(letter)
            if not text or not text[0].isalpha():
                continue
            with self.subTest(letter=letter, value=text):
                if category in ("Lu", "Lt"):
                    self.assertTrue(text[0].isupper())
                elif category == "Ll" or 0x3040 <= unit <= 0x30FF or 0xAC00 <= unit <= 0xD7A3:
                    self.assertEqual(text, text.lower())


class Transliteration(unittest.TestCase):
    def test_expected_values(self):
        for name, expected in EXPECTED:
            with self.subTest(name=name):
                self.assertEqual(Tables.convert(name), expected)

    def test_overlays(self):
        for overlays, name, expected in OVERLAY_EXPECTED:
            with self.subTest(overlays=overlays, name=name):
                self.assertEqual(Tables.convert(name, overlays), expected)

    def test_sample_names_become_ascii(self):
        with open(NAMES, encoding="utf-8") as f:
            names = [line.rstrip("\n") for line in f if line.strip()]
        self.assertGreaterEqual(len(names), 300)
        self.assertEqual(len(names), len(set(names)), "duplicate names")
        for name in names:
            result = Tables.convert(name)
            with self.subTest(name=name, result=result):
                self.assertTrue(result.strip())
                stray = [c for c in result if not c.isascii()
                         and not 0x4E00 <= ord(c) <= 0x9FFF and not 0x3400 <= ord(c) <= 0x4DBF]
                self.assertEqual(stray, [])


class SourceChecks(unittest.TestCase):
    """make_tables refuses sources the plugin would misread."""

    FAULTS = [
        ("x.single.txt", "# a = b\n", "comment line contains"),
        ("x.sequence.txt", "# ok\nab=1\n# x=y\n", "comment line contains"),
        ("x.sequence.txt", "a=1\n", "not 2 to 4"),
        ("x.sequence.txt", "abcde=1\n", "not 2 to 4"),
        ("x.sequence.txt", "ab=12345678\n", "longer than 7"),
        ("x.single.txt", "a=\u00e9\n", "not printable ASCII"),
        ("x.single.txt", "a=b/c\n", "file name cannot hold"),
        ("x.single.txt", "ab=c\n", "not 1"),
        ("x.single.txt", "\U0001F600=x\n", "not 1"),
        ("x.single.txt", "a=1\nb=2\na=3\n", "already given"),
        ("x.single.txt", "just text\n", "neither a comment nor an entry"),
        ("x.single.txt", "=x\n", "no key"),
        ("x.sequence.txt", "ab=1\nabc=2\nab=3\n", "already given"),
        ("x.sequence.txt", "abc=1\nab=2\n", "can never match"),
    ]

    def test_faulty_sources_fail_loudly(self):
        for file_name, text, message in self.FAULTS:
            with self.subTest(file=file_name, text=text), tempfile.TemporaryDirectory() as data:
                with open(os.path.join(data, file_name), "w", encoding="utf-8") as f:
                    f.write(text)
                with self.assertRaises(make_tables.TableSourceError) as caught:
                    make_tables.build_tables((), data)
                self.assertIn(message, str(caught.exception))

    def test_escapes_spaces_and_shorter_first(self):
        with tempfile.TemporaryDirectory() as data:
            with open(os.path.join(data, "x.single.txt"), "w", encoding="utf-8") as f:
                f.write("# spaces\nU+00A0= \nU+200B=\n")
            with open(os.path.join(data, "x.sequence.txt"), "w", encoding="utf-8") as f:
                f.write("# pairs\nab=1\nabc=2\n")
            single_lines, sequence_lines, counts = make_tables.build_tables((), data)
        self.assertIn("\u00a0= ", single_lines)
        self.assertIn("\u200b=", single_lines)
        self.assertEqual(counts["namefold2.tbl"], 2)

    def test_unknown_overlay_fails(self):
        result = subprocess.run([sys.executable, MAKE_TABLES, "--out", tempfile.gettempdir(),
                                 "--with", "xx"], capture_output=True, text=True)
        self.assertNotEqual(result.returncode, 0)
        self.assertIn("unknown overlay", result.stderr)


if __name__ == "__main__":
    unittest.main()
