#!/usr/bin/env python3
"""Checks of the default replacement tables built by tools/gen/make_tables.py.

The data checks read the table sources and the lines make_tables.py writes. How the written
tables read is asked of the built program, `namefold text --tables DIR`, which loads the plugin
as a host does: the expected values below are what the plugin itself produces. Without a
program (a build for another system, whose program does not run here) those checks are skipped.

    python3 tests/tables_data_test.py [--program build/linux/out/namefold]
"""

import atexit
import os
import shutil
import subprocess
import sys
import tempfile
import unicodedata
import unittest

ROOT = os.path.dirname(os.path.dirname(os.path.abspath(__file__)))
MAKE_TABLES = os.path.join(ROOT, "tools", "gen", "make_tables.py")
NAMES = os.path.join(ROOT, "tests", "data", "names.txt")
sys.path.insert(0, os.path.join(ROOT, "tools", "gen"))
sys.path.insert(0, os.path.join(ROOT, "tools"))

import make_tables  # noqa: E402

PROGRAM = None  # the built namefold program, from --program
if "--program" in sys.argv:
    _at = sys.argv.index("--program")
    PROGRAM = sys.argv[_at + 1]
    del sys.argv[_at:_at + 2]


def written_entries(lines):
    """The entries of lines that make_tables.py wrote, as (key, value): a comment holds no "=",
    and a key never does."""
    return [tuple(line.split("=", 1)) for line in lines if "=" in line]


class Tables:
    """Built tables, one set per overlay list, built once into a folder kept for the run."""
    cache = {}
    folder = None

    @classmethod
    def built(cls, overlays=""):
        """(folder, single bytes, sequence bytes, single entries, sequence entries)."""
        if overlays not in cls.cache:
            if cls.folder is None:
                cls.folder = tempfile.mkdtemp(prefix="namefold-tables-")
                atexit.register(shutil.rmtree, cls.folder, True)
            out = os.path.join(cls.folder, str(len(cls.cache)))
            os.mkdir(out)
            single_lines, sequence_lines, _ = make_tables.build_tables(
                make_tables.parse_overlay_list(overlays))
            files = [make_tables.encode_table(lines) for lines in (single_lines, sequence_lines)]
            for name, data in zip((make_tables.SINGLE_FILE, make_tables.SEQUENCE_FILE), files):
                with open(os.path.join(out, name), "wb") as f:
                    f.write(data)
            cls.cache[overlays] = (out, files[0], files[1], dict(written_entries(single_lines)),
                                   written_entries(sequence_lines))
        return cls.cache[overlays]

    @classmethod
    def get(cls, overlays=""):
        """(single bytes, sequence bytes, {single key: value}, [(sequence key, value)])."""
        return cls.built(overlays)[1:]

    @classmethod
    def read(cls, names, overlays=""):
        """The names as the plugin reads them with these tables, in one run of the program."""
        if not names:
            return []
        folder = cls.built(overlays)[0]
        result = subprocess.run(
            [PROGRAM, "text", "--zero-terminated", "--tables", folder],
            input="".join(name + "\0" for name in names).encode("utf-8", "surrogatepass"),
            capture_output=True, env=dict(os.environ, LC_ALL="C.UTF-8"), check=False)
        if result.returncode != 0:
            raise AssertionError("namefold text: %s" % result.stderr.decode("utf-8", "replace"))
        read = result.stdout.decode("utf-8", "surrogatepass").split("\0")
        assert len(read) == len(names) + 1 and read[-1] == "", "one record per name"
        return read[:-1]


def needs_program(test):
    return unittest.skipIf(PROGRAM is None, "no program to read the tables with (--program)")(test)


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
    # mu pi and nu tau: b and d at the start of a word, mp and nt inside one
    ("Μπαμπάρα Ντόρα (Μπαλής)-ντομάτα", "Bampara Dora (Balis)-domata"),
    ("Λάμπρος Αντετοκούνμπο Κωνσταντίνος Γκεσούλης", "Lampros Antetokounmpo Konstantinos Gkesoulis"),
    ("ΜΠΑΜΠΑΡΑ ΚΩΝΣΤΑΝΤΙΝΟΣ ΛΑΜΠΡΟΣ", "BAMPARA KONSTANTINOS LAMPROS"),
    # Kana (modified Hepburn)
    ("きょうと", "kyouto"),
    ("しんじゅく", "shinjuku"),
    ("ちゃ", "cha"),
    ("がっこう", "gakkou"),
    ("まっちゃ", "matcha"),
    ("ざっし", "zasshi"),
    ("きんえん", "kin'en"),
    ("トウキョウ", "toukyou"),
    ("コーヒー", "kohi"),
    ("スパゲッティ", "supagetti"),
    ("ジョン・スミス", "jon sumisu"),
    ("ファイル", "fairu"),
    ("りょこう", "ryokou"),
    ("びょういん", "byouin"),
    ("ちょっきゅう", "chokkyuu"),
    ("東京タワー", "東京tawa"),
    ("シウダーレアル ﾊﾞｽ ﾊﾟﾝ ｳﾞｨ ﾃﾞｰﾀ ｷｮｳﾄ ｼｬｼﾝ ｶﾞｯｺｳ ｷﾝｴﾝ",
     "shiudarearu basu pan vi deta kyouto shashin gakkou kin'en"),
    # Hangul (Revised Romanization, through the jamo, with the sound changes across syllables)
    ("서울", "seoul"),
    ("한국", "hanguk"),
    ("부산", "busan"),
    ("김치찌개", "gimchijjigae"),
    ("값 닭 읽", "gap dak ik"),
    ("한국어 닭이 신라", "hangugeo dalgi silla"),
    # Hebrew and Arabic
    ("שלום", "shlvm"),
    ("ירושלים", "yrvshlym"),
    ("אבא", "aba"),
    ("محمد", "mhmd"),
    ("القاهرة", "alqahra"),
    ("شكرا", "shkra"),
    ("مدرسة ٢٠٢٤", "mdrsa 2024"),
    # Armenian and Georgian
    ("Երևան", "Yerevan"),
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
    # Letters beyond the basic alphabets (BGN/PCGN, Naro and Zulu clicks, the
    # Pashto, Sindhi, Kurdish and Uyghur romanizations)
    ("Қазақстан Өскемен Ұлытау", "Qazaqstan Oskemen Ulytau"),
    ("Җир Ҙур Ҡала Ҫәй Ҥ", "Zhir Dhur Qala Sai Ng"),
    ("Ӕ Ӑ Ӗ Ӳ Ҷ", "Ae A E U J"),
    ("Gaɓɗo ɛ ɔ ŋ ƙ ǀ ǁ ǂ ǃ", "Gabdo e o ng k c x tc q"),
    ("ڪراچي ٽنڊو ڊاڪٽر", "krachy tndw daktr"),
    ("پښتو ځای څه", "pshtw dzay tsh"),
    ("ڪراچي ۽ لاڙڪاڻو", "krachy e larkanw"),
    ("ئۇيغۇر ۋە", "'uyghur we"),
    ("بىر مىڭ تىل", "bir ming til"),
    # Marks, points and compatibility characters
    ("e\u0301 a\u0308 \u05e9\u05c1\u05c2 \u0645\u0670", "e a sh ma"),
    ("ﬁle ﬂ ﬀ ﬃ", "file fl ff ffi"),
    ("שָׁלוֹם תּוּרָה مُحَمَّد", "shalom turah muhammad"),
    ("Ⅻ ⅻ ⅳ ② ⑴ ⒈ ⓐ Ⓑ", "XII xii iv 2 (1) 1. a B"),
    ("x² H₂O ℃ ℓ ½ ¾", "x2 H2O C l 1-2 3-4"),
    ("ﺍﻟﻘﺎﻫﺮﺓ", "alqahra"),
    ("ｶﾀｶﾅ ㎞ ㍻", "katakana km ㍻"),
    ("₸ ₦ ₫ ₿", "KZT NGN VND BTC"),
    # Indic scripts (IAST without diacritics) and Ethiopic (BGN/PCGN)
    ("नमस्ते हिन्दी श्री कृष्ण", "namaste hindi shri krishna"),
    ("भारत.txt नेपाल का", "bharat.txt nepal ka"),
    ("ज़िन्दगी क़िला फ़िल्म.mp4", "zindagi qila film.mp4"),
    ("বাংলা ঢাকা ਪੰਜਾਬ ગુજરાત.pdf", "bangla dhaka panjab gujrat.pdf"),
    # The inherent vowel inside a word, by the VC_CV rule (Hindi, Punjabi, Gujarati only)
    ("कमरा अपनापन समझदार कमल", "kamra apnapan samajhdar kamal"),
    ("ਕਿੰਗਡਮ ਅਮਰੀਕਾ ગુજરાતી বাংলাদেশ", "kingdam amrika gujrati bangladesh"),
    ("தமிழ் తెలుగు ಕನ್ನಡ മലയാളം", "tamizh telugu kannada malayalam"),
    ("अ आ इ १२३", "a a i 123"),
    ("௰ ௱ ௲", "10 100 1000"),
    ("ಬೆಂಗಳೂರು తెలంగాణ", "bengaluru telangana"),
    # Letters that composition splits into consonant and nukta (U+0A36, U+0958, U+09DC, U+0B5C)
    ("\u0a35\u0a3e\u0a36\u0a4b.csv \u0a36\u0a47\u0a39\u0a30\u0a40 \u0a2a\u0a70\u0a1c\u0a3e\u0a2c\u0a40",
     "vasho.csv shehri panjabi"),
    ("\u0958\u093f\u0932\u093e \u0a2e\u0a47\u0a32\u0a3e \u0a32\u0a3c\u0a4b",
     "qila mela lo"),
    ("\u09ac\u09be\u09dc\u09bf \u0b13\u0b5c\u0b3f\u0b36\u0b3e", "bari orisha"),
    ("አዲስ አበባ ሰላም", "adis abeba selam"),
    ("ደሞክራስያዊት ሪፓብሊክ ኮንጎ", "demokrasyawit ripablik kongo"),
    ("እንግሊዝኛ (አየርላንድ) ሀገር ቈላ ፲፪ ፳", "ingliznya (ayerland) hager qwela 12 20"),
    ("ኢትዮጵያ።", "ityopya."),
    # Alphabets and syllabaries read from their letters' names, after their romanizations
    ("ᏣᎳᎩ ᎦᏬᏂᎯᏍᏗ", "tsalagi gawonihisdi"),
    # Sinhala (ISO 15919), Khmer (UNGEGN), Lao and Burmese (BGN/PCGN), consonant and sign
    ("ශ්‍රී ලංකාව සිංහල ෴", "shri lankava sinhala ."),
    ("ភ្នំពេញ.txt ១២ កម្ពុជា បាត់ដំបង.txt", "phnompenh.txt 12 kampuchea batdambang.txt"),
    ("ລາວ ວຽງຈັນ ໑໒໓ ເມືອງ ເຂົາ", "lao viangchan 123 muang khao"),
    ("မြန်မာ ၁၂", "myanma 12"),
    ("\U0001110c\U0001110b\U00011134\U0001111f\U00011133\U00011126 \U00011137\U00011138", "changmha 12"),
    # Tibetan (Wylie without capitals)
    ("བོད་ཡིག ལྷ་ས ༡༢", "bod yig lha sa 12"),
    ("རྒྱ་ནག་གི་ཀོངས།", "rgya nag gi kongs."),
    ("ꕙꔤ ꆈꌠ ꁱꂷ", "vai nuosu bburma"),
    ("ᓀᐦᐃᔭᐍᐏᐣ ᑕᓯ", "nehiyawewin tasi"),
    ("ⵜⴰⵎⴰⵣⵉⵖⵜ ⴰⴳⴰⴷⵉⵔ", "tamazight agadir"),
    ("ᱥᱟᱱᱛᱟᱲᱤ ᱑᱒", "santari 12"),
    ("ދިވެހިބަސް މާލެ", "dhivehibas maale"),
    ("\U0001e906\U0001e935\U0001e924\U0001e922\U0001e922\U0001e92a \U0001e951\U0001e952", "Pulaar 12"),
    # Outside the Basic Multilingual Plane: mathematical letters, flags; emoji stay
    ("\U0001d400\U0001d41b\U0001d7d9 \U0001f1e9\U0001f1ea \U0001f1fa\U0001f1e6 \U0001f130",
     "Ab1 DE UA A"),
    ("\U0001f600", "\U0001f600"),
    # Katakana digraphs
    ("コンウェー ハロウィン デューク", "konwe harowin dyuku"),
    ("フュージョン スィート ウォッカ", "fyujon sito wokka"),
    # All capitals: a long reading beside a capital is all capitals
    ("ЩУКА МУЖ ЖУК", "SHCHUKA MUZH ZHUK"),
    ("Щука Ж", "Shchuka Zh"),
    ("ΘΕΣΣΑΛΟΝΙΚΗ ΧΟΥΣ ΨΥΧΗ", "THESSALONIKI CHOUS PSYCHI"),
    ("ÆSIR ŒUVRE ÞING", "AESIR OEUVRE THING"),
    ("ЉУБЉАНА ҚАЗАҚСТАН", "LJUBLJANA QAZAQSTAN"),
    ("ԽՈՒՄԲ ՇԻՐԱԿ", "KHUMB SHIRAK"),
    # Armenian ye and vo at the start of a word
    ("Քաղաք Երևան, Եթովպիա-Ոսկեպար (Ուրարտու)", "Kaghak Yerevan, Yetovpia-Voskepar (Urartu)"),
    # ... and in a word of capitals, where the letter alone keeps title case
    ("ԵՐԵՎԱՆ ՈՍԿԱՆ-ԵՂԻԱԶԱՐՅԱՆ (ԵՈՒ) Ե", "YEREVAN VOSKAN-YEGHIAZARYAN (YEU) Ye"),
    # ... and the ligature և: yev at a word's start and alone, ev inside a word
    ("և Հայաստան և Ռուսաստան, ևս Երևան", "yev Hayastan yev Rusastan, yevs Yerevan"),
    # ... and ye, yev after a vowel
    ("Վիետնամ ՎԻԵՏՆԱՄ Նիուե Սեն Պիեռ", "Viyetnam VIYETNAM Niuye Sen Piyer"),
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
    ("uk", "З’їзд об’єкт ОБ’ЄКТ", "Zizd obiekt OBIEKT"),
    ("uk", "КИЇВ", "KYIV"),
    ("bg", "София.jpg", "Sofia.jpg"),
    ("bg", "България е щастие", "Balgaria e shtastie"),
    ("bg", "Юлия Янков Христо Йордан", "Yulia Yankov Hristo Yordan"),
    ("de,uk", "Müller Київ", "Mueller Kyiv"),
    ("de", "ÜBER MÜLLER Über", "UEBER MUELLER Ueber"),
    ("da", "ÅRHUS BLÅBÆR", "AARHUS BLAABAER"),
    ("uk", "ЩАСТЯ ЖИТОМИР", "SHCHASTIA ZHYTOMYR"),
    ("bg", "ЩАСТИЕ", "SHTASTIE"),
    ("ru", "Юлия Съёмка Татьяна Йошкар-Ола", "Yuliya Syomka Tatyana Yoshkar-Ola"),
    ("ru", "ЮЛИЯ ЯКОВЛЕВ", "YULIYA YAKOVLEV"),
    ("ug", "ئۇيغۇرچە ئۈرۈمچى", "uyghurche urumchi"),
    ("yi", "ייִדיש פֿון אַ שטאָט וועלט", "yidish fun a shtot velt"),
    ("yi", "ענגליש (האלאַנד) יאָר", "english (haland) yor"),
    # Serbian Latin without diacritics
    ("sr", "српски (латинично писмо, Србија)", "srpski (latinicno pismo, Srbija)"),
    ("sr", "Ђорђе Чачак Шабац Жабљак Хрватска Цетиње", "Djordje Cacak Sabac Zabljak Hrvatska Cetinje"),
    ("sr", "ЧАЧАК ЖИВКОВИЋ", "CACAK ZIVKOVIC"),
    # Macedonian Latin (ISO R9) without diacritics; gj, kj for the letters with acute
    ("mk", "Скопје Охрид Штип Кочани Ѓорѓи Џеват Жеден Ќерка", "Skopje Ohrid Stip Kocani Gjorgji Dzevat Zeden Kjerka"),
    # Belarusian national romanization without diacritics
    ("be", "Мінск Гомель Магілёў Брэст Віцебск Жодзіна Хойнікі", "Minsk Homiel Mahiliou Brest Viciebsk Zodzina Chojniki"),
    ("be", "горад Ельск, Бабруйск і Заслаўе", "horad Jelsk, Babrujsk i Zaslauje"),
    ("be", "імя Юрый Яўген Ёсіф", "imia Juryj Jauhien Josif"),
    ("be", "Ельск", "Jelsk"),
    ("be", "ЯНКА КУПАЛА, ЕЎРОПА", "JANKA KUPALA, JEUROPA"),
    # Kazakh, Kyrgyz (BGN/PCGN) and Mongolian (MNS 5217) without diacritics
    ("kk", "Алматы Шымкент Қарағанды Ақтөбе Түркістан Жезқазған Қызылорда",
     "Almaty Shymkent Qaraghandy Aqtobe Turkistan Zhezqazghan Qyzylorda"),
    ("kk", "Ясауи Айгүл", "Yasaui Aygul"),
    ("ky", "Бишкек Жалал-Абад Ысык-Көл Нарын Чолпон-Ата Токмок",
     "Bishkek Jalal-Abad Ysyk-Kol Naryn Cholpon-Ata Tokmok"),
    ("mn", "Улаанбаатар Дархан Эрдэнэт Өлгий Жаргалант Ерөнхийлөгч Цэцэрлэг",
     "Ulaanbaatar Darkhan Erdenet Olgii Jargalant Yeronkhiilogch Tsetserleg"),
    # Tatar Latin (Zamanalif) without diacritics
    ("tt", "Казан Җәлил Түбән Кама Әлмәт Чаллы Шәһәр", "Kazan Calil Tuban Kama Almat Calli Sahar"),
    # Persian and Urdu after ALA-LC without diacritics; Uyghur Latin waw
    ("fa", "هالندی (سورینام)", "halndi (surinam)"),
    ("fa", "تهران و شیراز", "thran va shiraz"),
    ("ur", "اردو کراچی ویژن", "ardu krachi vizhn"),
    ("ug", "ئۇيغۇر تىلى قول شىۋىتسارىيە", "uyghur tili qol shiwitsariye"),
    ("zh", "北京 上海.txt 女 吕", "BeiJing ShangHai.txt Nyu Lyu"),
    # Words: the reading the word asks for, one capital
    ("zh", "西藏 藏文 银行 音乐 秘鲁 柏林 廈門 成都 佛教 旅行.txt",
     "Xizang Zangwen Yinhang Yinyue Bilu Bolin Xiamen Chengdu Fojiao Lyuxing.txt"),
    ("zh", "人民共和国 民主共和國 洪都拉斯 阿拉伯语言", "RenminGongheguo MinzhuGongheguo Hongdulasi AlaboYuyan"),
    ("th", "กรุงเทพ ภูเก็ต ๒๕", "krungthep phuket 25"),
    # RTGS where the neighbours decide: finals, clusters, short vowels, silent letters
    ("th", "เครือรัฐ ไทย หมู่เกาะ และ บาท ลาว ทัวร์ สัญญา ชัย",
     "khruearat thai muko lae bat lao thua sanya chai"),
    ("th", "เปรู โบลีวาร์ โคลอมเบีย พิตแคร์น ทานะ ไหม เหนือ ยอด นิยม",
     "peru boliwa kholombia phitkhaen thana mai nuea yot niyom"),
    ("th", "สาธารณรัฐประชาธิปไตยประชาชนลาว (สหรัฐอเมริกา) ธรรม",
     "satharanaratprachathippataiprachachonlao (saharatamerika) tham"),
    ("th", "ก่อน พอ เธอ ขอนแก่น", "kon pho thoe khonkaen"),
    ("iu", "ᐃᓄᒃᑎᑐᑦ ᓄᓇᕗᑦ ᐃᖃᓗᐃᑦ", "inuktitut nunavut iqaluit"),
]

# Unicode's own data: categories and blocks.
UNICODE_DATA = "/usr/share/unicode/UnicodeData.txt"

# Blocks whose every letter has an entry in the default tables.
COVERED_BLOCKS = [
    (0x00C0, 0x024F, "Latin-1 letters, Latin Extended-A and -B"),
    (0x0250, 0x02AF, "IPA Extensions"),
    (0x0370, 0x03FF, "Greek and Coptic"),
    (0x0400, 0x052F, "Cyrillic and Cyrillic Supplement"),
    (0x0590, 0x05FF, "Hebrew"),
    (0x0600, 0x06FF, "Arabic"),
    (0x0750, 0x077F, "Arabic Supplement"),
    (0x1C80, 0x1C8F, "Cyrillic Extended-C"),
    (0x1D00, 0x1DBF, "Phonetic Extensions and Supplement"),
    (0x1E00, 0x1EFF, "Latin Extended Additional"),
    (0x1F00, 0x1FFF, "Greek Extended"),
    (0x2C60, 0x2C7F, "Latin Extended-C"),
    (0xA640, 0xA69F, "Cyrillic Extended-B"),
    (0xA720, 0xA7FF, "Latin Extended-D"),
    (0xAB30, 0xAB6F, "Latin Extended-E"),
    (0xFB50, 0xFDFF, "Arabic Presentation Forms-A"),
    (0xFE70, 0xFEFF, "Arabic Presentation Forms-B"),
    (0x0900, 0x0D7F, "Devanagari to Malayalam"),
    (0x1200, 0x139F, "Ethiopic and Ethiopic Supplement"),
    (0x0780, 0x07BF, "Thaana"),
    (0x13A0, 0x13FF, "Cherokee"),
    (0x1400, 0x167F, "Unified Canadian Aboriginal Syllabics"),
    (0x18B0, 0x18FF, "Unified Canadian Aboriginal Syllabics Extended"),
    (0x1C50, 0x1C7F, "Ol Chiki"),
    (0x2D30, 0x2D7F, "Tifinagh"),
    (0xA000, 0xA48F, "Yi Syllables"),
    (0xA500, 0xA63F, "Vai"),
    (0xAB70, 0xABBF, "Cherokee Supplement"),
    (0x0D80, 0x0DFF, "Sinhala"),
    (0x0E80, 0x0EFF, "Lao"),
    (0x1000, 0x109F, "Myanmar"),
    (0x1780, 0x17FF, "Khmer"),
    (0x0F00, 0x0FFF, "Tibetan"),
]
# Blocks whose every mark (Mn, Me) has an entry.
MARK_BLOCKS = [(0x0300, 0x036F), (0x0483, 0x0489), (0x0591, 0x05C7), (0x0610, 0x061A),
               (0x064B, 0x065F), (0x06D6, 0x06ED), (0x1AB0, 0x1AFF), (0x1DC0, 0x1DFF),
               (0x20D0, 0x20FF), (0x2DE0, 0x2DFF), (0xFE20, 0xFE2F)]

# Overlays for a language of a script the defaults read, which only change
# readings; overlays for a script, which only add characters.
LANGUAGE_OVERLAYS = sorted(n for n, (_, kind) in make_tables.OVERLAYS.items()
                           if kind == make_tables.LANGUAGE)
SCRIPT_OVERLAYS = sorted(n for n, (_, kind) in make_tables.OVERLAYS.items()
                         if kind == make_tables.SCRIPT)
# Overlays that can be named together: one per script.
COMPATIBLE_OVERLAYS = ["da", "ru", "ug", "yi", "th", "zh"]


def unicode_categories():
    with open(UNICODE_DATA, encoding="utf-8") as f:
        return {int(line.split(";")[0], 16): line.split(";")[2] for line in f}


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
        for overlays in ("", "de,uk,ug,yi"):
            single, sequence, _, _ = Tables.get(overlays)
            with self.subTest(overlays=overlays):
                self.assertGreater(self.check_file(single, "single"), 9000)
                self.assertGreater(self.check_file(sequence, "sequence"), 200)

    @needs_program
    def test_parsed_tables_hold_every_entry(self):
        # The plugin's parsers must see every line written as an entry; a stray
        # short sequence key or a line starting with "=" would end or bend it.
        folder, _, _, single, sequence = Tables.built()
        files = [os.path.join(folder, name)
                 for name in (make_tables.SINGLE_FILE, make_tables.SEQUENCE_FILE)]
        result = subprocess.run([PROGRAM, "check"] + files, capture_output=True, text=True,
                                check=False)
        self.assertEqual(result.returncode, 0, result.stdout + result.stderr)
        self.assertIn("single-character table, %d keys, clean" % len(single), result.stdout)
        self.assertIn("sequence table, %d entries, clean" % len(sequence), result.stdout)
        hangul = [chr(u) for u in range(0xAC00, 0xD7A4)]
        self.assertEqual([h for h, read in zip(hangul, Tables.read(hangul)) if read == h], [])
        # Hangul through its 67 conjoining jamo, no syllable of its own.
        self.assertEqual([k for k in single if "\uAC00" <= k <= "\uD7A3"], [])
        self.assertEqual(len([k for k in single if "\u1100" <= k <= "\u11FF"]), 67)

    @needs_program
    def test_the_program_writes_the_same_tables(self):
        # `namefold tables` assembles the files from pieces make_tables.py cut, and leaves out the
        # entries that make_tables.py says each overlay replaces.
        for overlays in ("", "de,uk,ug,yi", ",".join(COMPATIBLE_OVERLAYS), "th,nb,bg,fa,iu"):
            _, single, sequence, _, _ = Tables.built(overlays)
            with self.subTest(overlays=overlays), tempfile.TemporaryDirectory() as out:
                command = [PROGRAM, "tables", "--out", out]
                command += ["--with", overlays] if overlays else []
                subprocess.run(command, check=True, capture_output=True)
                for name, data in ((make_tables.SINGLE_FILE, single),
                                   (make_tables.SEQUENCE_FILE, sequence)):
                    with open(os.path.join(out, name), "rb") as f:
                        self.assertTrue(f.read() == data, name)

    def test_capital_letters_give_capitals(self):
        _, _, single, _ = Tables.get()
        for letter, text in single.items():
            unit = ord(letter)
            category = unicodedata.category(letter)
            if not text or not text[0].isalpha():
                continue
            if 0x13A0 <= unit <= 0x13FF:
                continue  # Cherokee writes its capitals as its everyday letters: tsalagi
            with self.subTest(letter=letter, value=text):
                if category in ("Lu", "Lt"):
                    self.assertTrue(text[0].isupper())
                elif category == "Ll" or 0x3040 <= unit <= 0x30FF or 0xAC00 <= unit <= 0xD7A3:
                    self.assertEqual(text, text.lower())


@needs_program
class Transliteration(unittest.TestCase):
    def test_expected_values(self):
        read = Tables.read([name for name, _ in EXPECTED])
        for (name, expected), result in zip(EXPECTED, read):
            with self.subTest(name=name):
                self.assertEqual(result, expected)

    def test_overlays(self):
        for overlays in sorted({overlays for overlays, _, _ in OVERLAY_EXPECTED}):
            rows = [(name, expected) for given, name, expected in OVERLAY_EXPECTED
                    if given == overlays]
            for (name, expected), result in zip(rows, Tables.read([n for n, _ in rows], overlays)):
                with self.subTest(overlays=overlays, name=name):
                    self.assertEqual(result, expected)

    def test_sample_names_become_ascii(self):
        with open(NAMES, encoding="utf-8") as f:
            names = [line.rstrip("\n") for line in f if line.strip()]
        self.assertGreaterEqual(len(names), 300)
        self.assertEqual(len(names), len(set(names)), "duplicate names")
        for name, result in zip(names, Tables.read(names)):
            with self.subTest(name=name, result=result):
                self.assertTrue(result.strip())
                stray = [c for c in result if not c.isascii()
                         and not 0x4E00 <= ord(c) <= 0x9FFF and not 0x3400 <= ord(c) <= 0x4DBF]
                self.assertEqual(stray, [])


class Coverage(unittest.TestCase):
    def test_every_letter_and_mark_of_the_covered_blocks_has_an_entry(self):
        _, _, single, _ = Tables.get()
        categories = unicode_categories()
        for first, last, block in COVERED_BLOCKS:
            missing = [chr(c) for c in range(first, last + 1)
                       if categories.get(c, "Cn")[0] in "LM" and chr(c) not in single]
            self.assertEqual(missing, [], block)
        for first, last in MARK_BLOCKS:
            missing = ["U+%04X" % c for c in range(first, last + 1)
                       if categories.get(c, "Cn") in ("Mn", "Me") and chr(c) not in single]
            self.assertEqual(missing, [], "marks U+%04X" % first)

    def test_no_key_is_given_twice_across_the_default_sources(self):
        # Within a source make_tables refuses a repeated key; across sources the later one
        # would win silently and `namefold check` would report the built table.
        for kind, sources in zip(("single", "sequence"), make_tables.default_source_list()):
            seen, twice = {}, []
            for source in sources:
                for entry in source.entries:
                    if entry.key in seen:
                        twice.append("%s in %s and %s" % (entry.key, seen[entry.key], source.name))
                    seen[entry.key] = source.name
            self.assertEqual(twice, [], kind)

    def test_every_value_is_printable_ascii_a_file_name_can_hold(self):
        _, _, single, sequence = Tables.get()
        values = list(single.values()) + [value for _, value in sequence]
        defaults = make_tables.default_source_list()
        for name in LANGUAGE_OVERLAYS + SCRIPT_OVERLAYS:  # with the capital pairs they generate
            found = make_tables.overlay_source_list(name, defaults=defaults)
            values += [e.value for source in found.values() if source for e in source.entries]
        bad = {v for v in values if any(not " " <= c <= "~" or c in '\\/:*?"<>|' for c in v)}
        self.assertEqual(bad, set())

    def test_no_sequence_replaces_a_native_letter(self):
        # Under a code page with native ranges, a key whose first unit may be replaced but whose
        # later units are native would rewrite the user's own letters: the value must end with
        # them unchanged.
        def native(page, ch):
            return any(a <= ord(ch) <= b for a, b in make_tables.NATIVE_RANGES[page])

        def rewrites(key, value):
            key = key.strip("/")  # a "/" at either end marks the name's edge, not a unit of it
            for page in make_tables.NATIVE_RANGES:
                at = next((i for i, ch in enumerate(key) if i and native(page, ch)), None)
                if not native(page, key[0]) and at is not None and not value.endswith(key[at:]):
                    return True
            return False

        defaults = make_tables.default_source_list()
        sources = [("default", s) for s in defaults[1]]
        sources += [(name, make_tables.overlay_source_list(name, defaults=defaults)["sequence"])
                    for name in LANGUAGE_OVERLAYS + SCRIPT_OVERLAYS]
        bad = [(name, e.key) for name, source in sources if source for e in source.entries
               if rewrites(e.key, e.value)]
        self.assertEqual(bad, [])

    def test_pinyin_never_writes_v(self):
        # Pinyin has no v: the input-method spelling of u with diaeresis must not slip in.
        found = make_tables.overlay_source_list("zh")
        bad = [e.key for source in found.values() if source for e in source.entries
               if "v" in e.value.lower()]
        self.assertEqual(bad, [])

    def test_generated_sources_are_up_to_date(self):
        import gen_abugidas
        import gen_derived
        import gen_greek
        import gen_indic
        import gen_overlays
        import gen_scripts
        import gen_unihan
        files = {name: lines for name, lines in gen_indic.outputs().items()}
        files[os.path.basename(gen_derived.OUTPUT)] = gen_derived.lines()
        files[os.path.basename(gen_derived.SEQUENCE_OUTPUT)] = gen_derived.sequence_lines()
        files.update(gen_scripts.outputs())
        files.update(gen_abugidas.outputs())
        files.update(gen_greek.outputs())
        files[os.path.join("overlays", "zh.single.txt")] = gen_unihan.lines()
        import gen_thai
        for path, lines in {**gen_overlays.outputs(), **gen_thai.outputs()}.items():
            files[os.path.relpath(path, make_tables.DEFAULT_DATA_DIR)] = lines
        for name, lines in files.items():
            with open(os.path.join(make_tables.DEFAULT_DATA_DIR, name), encoding="utf-8") as f:
                self.assertEqual(f.read(), "\n".join(lines) + "\n",
                                 "%s: run the generator named on its first line" % name)

    def test_language_overlays_replace_and_script_overlays_add(self):
        default_singles, default_sequences = make_tables.default_source_list()
        keys = {kind: {e.key for s in sources for e in s.entries}
                for kind, sources in (("single", default_singles), ("sequence", default_sequences))}
        for name in LANGUAGE_OVERLAYS + SCRIPT_OVERLAYS:
            paths = make_tables.overlay_sources(name)
            for kind in ("single", "sequence"):
                if not paths[kind]:
                    continue
                written = {e.key for e in make_tables.parse_source(paths[kind], kind).entries}
                with self.subTest(overlay=name, kind=kind):
                    if name in SCRIPT_OVERLAYS:
                        self.assertEqual(written & keys[kind], set())
                    elif kind == "single":
                        self.assertEqual(written - keys[kind], set())
                    else:  # a sequence of letters whose readings the overlay changes
                        changed = {e.key for e in make_tables.parse_source(paths["single"]).entries}
                        self.assertEqual({k for k in written - keys[kind]
                                          if not set(k) & changed and k[0] not in changed}, set())


class Hangul(unittest.TestCase):
    """The default tables against tools/rr_reference.py, a romanizer that knows nothing of them."""

    @needs_program
    def test_every_syllable_and_every_final_before_every_initial(self):
        import rr_reference
        names = [chr(code) for code in range(0xAC00, 0xD7A4)]
        # 가 with each final, then each initial with ㅏ and with ㅣ (palatalization looks at it)
        names += [chr(0xAC00 + last) + chr(0xAC00 + first * 588 + vowel * 28)
                  for last in range(28) for first in range(19) for vowel in (0, 20)]
        wrong = [(name, read, rr_reference.romanize(name))
                 for name, read in zip(names, Tables.read(names))]
        self.assertEqual([row for row in wrong if row[1] != row[2]], [])


# Names and their readings after the standards' own examples, by rule: the inherent vowel of
# Hindi, Punjabi, Gujarati and Bengali (dropped at a word's end, the name's end included, kept
# after a cluster that cannot close a syllable and after every Bengali cluster, dropped inside a
# word by VC_CV), the anusvara before a labial, and Thai finals after RTGS. (rule, name, reading,
# whether the tables reach it, overlay)
STANDARD_READINGS = [
    ("final", "राम", "ram", True, ""),
    ("final", "भारत", "bharat", True, ""),
    ("final", "भारत.pdf", "bharat.pdf", True, ""),
    ("final", "ਪੰਜਾਬ", "panjab", True, ""),
    ("final", "বাংলাদেশ", "bangladesh", True, ""),
    ("final", "नेपाल का", "nepal ka", True, ""),
    ("cluster", "मित्र", "mitra", True, ""),
    ("cluster", "महाराष्ट्र", "maharashtra", True, ""),
    ("cluster", "धर्म", "dharm", True, ""),
    ("cluster", "যুক্তরাষ্ট্র", "yuktarashtra", True, ""),
    ("cluster", "যুক্তরাষ্ট্র.pdf", "yuktarashtra.pdf", True, ""),
    ("cluster", "মার্কিন যুক্তরাষ্ট্র", "markin yuktarashtra", True, ""),
    ("cluster", "পদ্ম", "padma", True, ""),
    ("anusvara", "संबंध", "sambandh", True, ""),
    ("anusvara", "चंपा", "champa", True, ""),
    ("anusvara", "ਕੰਬਲ", "kambal", True, ""),
    ("anusvara", "সংবাদ", "sambad", True, ""),
    ("anusvara", "కొలంబియా", "kolambiya", True, ""),
    ("anusvara", "ಕೊಲಂಬೊ.jpg", "kolambo.jpg", True, ""),
    ("medial", "कमल", "kamal", True, ""),
    ("medial", "कमरा", "kamra", False, ""),
    ("medial", "अपनापन", "apnapan", False, ""),
    ("medial", "समझदार", "samajhdar", False, ""),
    ("medial", "ਕਿੰਗਡਮ", "kingdam", False, ""),
    ("thai final", "กรุงเทพ", "krungthep", True, "th"),
    ("thai final", "แบบ", "baep", True, "th"),
    ("thai final", "ประเทศ", "prathet", True, "th"),
    ("thai final", "จอด", "chot", True, "th"),
]


class InherentVowel(unittest.TestCase):
    """The standards' readings, from the tables where they reach them and from
    tools/schwa_reference.py, the reference tools/table-coverage measures the tables against."""

    @needs_program
    def test_the_tables_read_the_standard(self):
        for overlays in sorted({row[4] for row in STANDARD_READINGS}):
            rows = [row for row in STANDARD_READINGS if row[3] and row[4] == overlays]
            for (rule, name, reading, _, _), read in zip(rows, Tables.read([r[1] for r in rows],
                                                                           overlays)):
                with self.subTest(rule=rule, name=name):
                    self.assertEqual(read, reading)

    def test_the_reference_reads_the_standard(self):
        import schwa_reference
        reference = schwa_reference.Reference()
        for rule, name, reading, _, overlays in STANDARD_READINGS:
            if not overlays:
                with self.subTest(rule=rule, name=name):
                    self.assertEqual(reference.reading(name), reading)

    def test_the_reference_names_the_rules_a_reading_breaks(self):
        # What tools/table-coverage counts: only the vowel and nasal decisions, never other letters.
        import schwa_reference as ref
        rows = [("भारत", "bharat", set()), ("भारत", "bharata", {ref.END}),
                ("भारत.pdf", "bharata.pdf", {ref.WORD_END}), ("कमरा", "kamara", {ref.MEDIAL}),
                ("मित्र", "mitr", {ref.CLUSTER}), ("न", "n", {ref.ONE_LETTER}),
                ("कोलंबिया", "kolanbiya", {ref.ANUSVARA}),
                ("कमरा भारत", "kamara bharata", {ref.MEDIAL, ref.END}),
                ("भारत", "bhrat", {ref.OTHER}), ("भारत", "bharad", None)]
        reference = ref.Reference()
        for name, reading, broken in rows:
            with self.subTest(name=name, reading=reading):
                self.assertEqual(reference.classify(name, reading), broken)


class Composition(unittest.TestCase):
    @needs_program
    def test_every_key_reads_as_its_composed_form(self):
        # The plugin composes a name before the tables see it, so a key that composition changes
        # (क़ U+0958 is क and a nukta, ਸ਼ ਸ and a nukta) is never seen itself: its composed form
        # must read as the key's own entry does, or the letter loses its reading in every real
        # name. Each key stands between two "#", which no entry holds and nothing composes
        # with, so that a key read as nothing still leaves a name.
        for overlays in ("", ",".join(COMPATIBLE_OVERLAYS)):
            _, _, _, single, sequence = Tables.built(overlays)
            changed = []
            for key, value in list(single.items()) + sequence:
                composed = unicodedata.normalize("NFC", key)
                if any(ord(c) > 0xFFFF for c in composed) and composed != key:
                    continue  # the plugin decomposes within the BMP only (CJK U+FAD6 stays)
                if composed != key:
                    changed.append((key, value))
            read = Tables.read(["#%s#" % key for key, _ in changed], overlays)
            wrong = [" ".join("U+%04X" % ord(c) for c in key)
                     for (key, value), result in zip(changed, read) if result != "#%s#" % value]
            self.assertEqual(wrong, [], overlays)


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
        import gen_hangul  # the Hangul pairs are generated whatever the sources
        self.assertEqual(counts["namefold2.tbl"], 2 + len(list(gen_hangul.sequence_entries())))

    def test_overlays_of_one_kind_for_one_script_exclude_each_other(self):
        for overlays, message in ((["uk", "ru"], "both change how the tables read Cyrillic"),
                                  (["de", "no"], "both change how the tables read Latin"),
                                  (["th", "zh", "th"], "named twice")):
            with self.subTest(overlays=overlays):
                with self.assertRaises(make_tables.TableSourceError) as caught:
                    make_tables.build_tables(overlays)
                self.assertIn(message, str(caught.exception))

    def test_scripts_left_out_keep_no_entry(self):
        single_lines, sequence_lines, _ = make_tables.build_tables((), without=["hangul", "kana"])
        kept = [line for line in single_lines + sequence_lines if "=" in line and not line.startswith("#")
                and any(0xAC00 <= ord(c) <= 0xD7A3 or 0x1100 <= ord(c) <= 0x11FF
                        or 0x3040 <= ord(c) <= 0x30FF for c in line.split("=", 1)[0])]
        self.assertEqual(kept, [])
        self.assertIn("\u0416=Zh", single_lines)  # the other scripts stay
        with self.assertRaises(make_tables.TableSourceError) as caught:
            make_tables.build_tables((), without=["klingon"])
        self.assertIn("unknown script", str(caught.exception))

    def test_unknown_overlay_fails(self):
        result = subprocess.run([sys.executable, MAKE_TABLES, "--out", tempfile.gettempdir(),
                                 "--with", "xx"], capture_output=True, text=True)
        self.assertNotEqual(result.returncode, 0)
        self.assertIn("unknown overlay", result.stderr)


if __name__ == "__main__":
    unittest.main()
