#include "cli/table_check.h"

#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <map>
#include <memory>
#include <optional>

#include "base/unit.h"
#include "cli/utf.h"
#include "tables/sequence_table.h"
#include "tables/single_char_table.h"
#include "transform/inherent_vowel.h"

namespace namefold::cli {
namespace {

constexpr char16_t kByteOrderMark = 0xFEFF;

bool IsBreak(char16_t unit) {
  return unit == u'\r' || unit == u'\n';
}

std::string CodeOf(char16_t unit) {
  char buffer[8];
  std::snprintf(buffer, sizeof buffer, "U+%04X", static_cast<unsigned>(unit));
  return buffer;
}

// Text in quotes for a message; lone surrogates show as U+FFFD, controls escaped.
std::string Quote(std::u16string_view units) {
  return "\"" + EscapeForLine(ToUtf8(units)) + "\"";
}

// A key as the user can recognise it: the character when it is visible, its code always.
std::string KeyText(char16_t unit) {
  const bool visible = unit > 0x20 && unit != 0x7F && !(unit >= 0x80 && unit <= 0xA0) &&
                       !IsSurrogate(unit) && unit != kByteOrderMark;
  return visible ? Quote(std::u16string_view(&unit, 1)) + " (" + CodeOf(unit) + ")" : CodeOf(unit);
}

// Gathers the problems: every one is counted, the first few of each kind are kept. A message is
// only built when it is kept, so a file of millions of faults costs no more than a clean one.
class Problems {
 public:
  explicit Problems(TableCheck& report) : report_(report) {}
  template <typename Message>
  void Add(ProblemKind kind, std::size_t line, Message&& message) {
    const auto index = static_cast<std::size_t>(kind);
    ++report_.problem_count;
    if (shown_[index] == kProblemsShownPerKind) {
      ++report_.omitted[index];
      return;
    }
    ++shown_[index];
    report_.problems.push_back({kind, line, message()});
  }

 private:
  TableCheck& report_;
  std::array<std::size_t, kProblemKindCount> shown_{};
};

// Line numbers of unit positions: CR LF, CR alone and LF alone each end one line. Positions fit
// 32 bits: a table file is at most kMaxTableFileBytes.
class Lines {
 public:
  explicit Lines(std::u16string_view text) {
    starts_.push_back(0);
    for (std::size_t i = 0; i < text.size(); ++i) {
      if (text[i] == u'\r' && i + 1 < text.size() && text[i + 1] == u'\n') ++i;
      if (IsBreak(text[i])) starts_.push_back(static_cast<std::uint32_t>(i + 1));
    }
  }
  [[nodiscard]] std::size_t LineOf(std::size_t position) const {
    return static_cast<std::size_t>(std::upper_bound(starts_.begin(), starts_.end(), position) -
                                    starts_.begin());
  }
  [[nodiscard]] std::size_t StartOf(std::size_t line) const { return starts_[line - 1]; }
  [[nodiscard]] std::size_t Count() const { return starts_.size(); }

 private:
  std::vector<std::uint32_t> starts_;
};

void CheckSingleChar(std::u16string_view text, const Lines& lines, Problems& problems,
                     TableCheck& report) {
  // The library's own scan, on a copy: it writes zero units where the parser writes them, so
  // each value ends where the library's does.
  std::u16string buffer(text);
  struct Found {
    char16_t key;
    std::uint32_t key_at;
    std::uint32_t value_at;
  };
  std::vector<Found> found;  // in text order
  std::vector<bool> keys(SingleCharTable::kEntryCount);
  ScanSingleCharTable(buffer.data(), [&](const Unit* key, const Unit* value) {
    found.push_back({*key, static_cast<std::uint32_t>(key - buffer.data()),
                     static_cast<std::uint32_t>(value - buffer.data())});
    if (!keys[*key]) ++report.entries;
    keys[*key] = true;
  });
  auto value_of = [&](const Found& entry) {
    return std::u16string_view(buffer.data() + entry.value_at);  // up to the next zero unit
  };

  // Lines that begin with "=": the parser takes the unit before it, a line break or the
  // byte-order mark, for the key.
  for (std::size_t line = 1; line <= lines.Count(); ++line) {
    std::size_t start = lines.StartOf(line);
    if (line == 1 && !text.empty() && text[0] == kByteOrderMark) ++start;
    if (start >= text.size() || text[start] != u'=') continue;
    problems.Add(ProblemKind::kBeginsWithEquals, line, [&] {
      std::string message = "line begins with \"=\": it is not an entry";
      const auto entry =
          std::lower_bound(found.begin(), found.end(), start - 1,
                           [](const Found& f, std::size_t at) { return f.key_at < at; });
      if (start > 0 && entry != found.end() && entry->key_at + 1 == start) {
        const std::u16string value(value_of(*entry));
        message += entry->key == kByteOrderMark
                       ? "; the byte-order mark becomes a key, mapped to " + Quote(value)
                       : "; the line break before it becomes the key " + CodeOf(entry->key) +
                             ", mapped to " + Quote(value);
      }
      return message;
    });
  }

  std::map<char16_t, std::size_t> first_line;  // the line of each key's latest entry
  for (const Found& entry : found) {
    const std::size_t line = lines.LineOf(entry.key_at + 1);  // the line of its "="
    std::size_t start = lines.StartOf(line);
    if (line == 1 && !text.empty() && text[0] == kByteOrderMark) ++start;
    if (entry.key_at + 1 == start) continue;  // reported above
    if (IsLowSurrogate(entry.key) && entry.key_at > start &&
        IsHighSurrogate(text[entry.key_at - 1])) {
      problems.Add(ProblemKind::kSurrogateKey, line, [&] {
        return "the key " + Quote(text.substr(entry.key_at - 1, 2)) +
               " is two UTF-16 units; only its second unit " + CodeOf(entry.key) +
               " becomes the key";
      });
    } else if (entry.key_at > start) {
      problems.Add(ProblemKind::kTextBeforeKey, line, [&] {
        return "text before the key: " + Quote(text.substr(start, entry.key_at + 2 - start)) +
               " maps " + KeyText(entry.key) + "; " +
               Quote(text.substr(start, entry.key_at - start)) + " is ignored";
      });
    }
    const auto [seen, fresh] = first_line.try_emplace(entry.key, line);
    if (!fresh) {
      problems.Add(ProblemKind::kKeyAgain, line, [&] {
        return "key " + KeyText(entry.key) + " given again (also on line " +
               std::to_string(seen->second) + "): the last entry wins, here " +
               Quote(value_of(entry));
      });
      seen->second = line;
    }
  }
}

template <std::size_t N>
std::u16string_view UpToZero(const std::array<char16_t, N>& units) {
  const std::u16string_view all(units.data(), N);
  return all.substr(0, all.find(u'\0'));
}

// One sequence entry as the parser keeps it, in a fixed 32 bytes: a table of millions of lines
// costs no more than the library's own nodes.
struct SequenceEntry {
  std::array<char16_t, kSequenceUnitsKept> sequence{};  // zero-padded: a unit is never zero
  std::array<char16_t, kValueUnitsKept> value{};
  std::uint32_t line = 0;

  [[nodiscard]] std::u16string_view Sequence() const { return UpToZero(sequence); }
  [[nodiscard]] std::u16string_view Value() const { return UpToZero(value); }
  [[nodiscard]] std::uint64_t Packed(std::size_t length) const {  // the first `length` units
    std::uint64_t packed = 0;
    for (std::size_t i = 0; i < kSequenceUnitsKept; ++i)
      packed = packed << 16 | (i < length ? sequence[i] : 0);
    return packed;
  }
};

void CheckSequence(std::u16string_view text, const Lines& lines, Problems& problems,
                   TableCheck& report) {
  std::vector<SequenceEntry> entries;
  const std::u16string terminated(text);
  ScanSequenceTable(terminated.c_str(), [&](const SequenceLine& found) {
    const auto at = [&](const Unit* unit) { return static_cast<std::size_t>(unit - found.begin); };
    const std::size_t line_start = static_cast<std::size_t>(found.begin - terminated.c_str());
    const std::size_t line = lines.LineOf(line_start);
    const std::u16string_view sequence = text.substr(line_start, at(found.equals));
    if (found.EndsLoading()) {
      problems.Add(ProblemKind::kOneUnitSequence, line, [&] {
        std::size_t lost = 0;  // later lines with "=", which would have been entries
        for (std::size_t later = line + 1; later <= lines.Count(); ++later) {
          const std::size_t from = lines.StartOf(later);
          const std::size_t to = later < lines.Count() ? lines.StartOf(later + 1) : text.size();
          if (text.substr(from, to - from).find(u'=') != std::u16string_view::npos) ++lost;
        }
        return std::string(sequence.empty() ? "line begins with \"=\""
                                            : "sequence " + Quote(sequence) + " has one unit") +
               ": loading ends here, so the " + std::to_string(lost) +
               " line(s) with \"=\" after it are lost";
      });
      return false;
    }
    const std::u16string_view value =
        text.substr(line_start + at(found.equals) + 1, at(found.end) - at(found.equals) - 1);
    SequenceEntry& entry = entries.emplace_back();
    sequence.substr(0, kSequenceUnitsKept).copy(entry.sequence.data(), kSequenceUnitsKept);
    value.substr(0, kValueUnitsKept).copy(entry.value.data(), kValueUnitsKept);
    entry.line = static_cast<std::uint32_t>(line);
    if (sequence.size() > kSequenceUnitsKept) {
      problems.Add(ProblemKind::kLongSequence, line, [&] {
        return "sequence " + Quote(sequence) +
               " is longer than 4 units: " + Quote(sequence.substr(kSequenceUnitsKept)) +
               " is ignored, " + Quote(sequence.substr(0, kSequenceUnitsKept)) + " is replaced";
      });
    }
    // "/" stands for the name's start as the first unit and for its end as the last; a name
    // holds none, so anywhere else, or both ends with nothing between, it matches nothing.
    const std::u16string_view kept = sequence.substr(0, kSequenceUnitsKept);
    if (IsMedialRuleSequence(kept)) {
      if (value != kMedialRuleValue) {
        problems.Add(ProblemKind::kUnknownRule, line, [&] {
          return "sequence " + Quote(kept) + " switches a rule, but its value " + Quote(value) +
                 " is not " + Quote(kMedialRuleValue) + ": the rule stays off";
        });
      }
    } else if (kept.substr(1, kept.size() - 2).find(kNameEdge) != std::u16string_view::npos ||
               kept == u"//") {
      problems.Add(ProblemKind::kEdgeInside, line, [&] {
        return "sequence " + Quote(kept) +
               " can never match: \"/\" stands for the name's start only as the first unit and "
               "for its end only as the last, and no name is empty";
      });
    }
    if (value.size() > kValueUnitsKept) {
      problems.Add(ProblemKind::kLongValue, line, [&] {
        return "value " + Quote(value) + " is longer than 7 units: it is cut to " +
               Quote(value.substr(0, kValueUnitsKept));
      });
    }
    return true;
  });
  report.entries = entries.size();

  // A later line is tried first and the first match wins: an entry is dead when a later one
  // with the same key has a continuation that starts its own. The entries sorted by sequence,
  // then by position, give the nearest later entry of each of its prefixes in a binary search.
  {
    std::vector<std::pair<std::uint64_t, std::uint32_t>> sorted;
    sorted.reserve(entries.size());
    for (std::size_t i = 0; i < entries.size(); ++i)
      sorted.emplace_back(entries[i].Packed(kSequenceUnitsKept), static_cast<std::uint32_t>(i));
    std::sort(sorted.begin(), sorted.end());
    for (std::size_t i = 0; i < entries.size(); ++i) {
      const SequenceEntry& earlier = entries[i];
      const std::size_t length = earlier.Sequence().size();
      std::size_t nearest = entries.size();
      for (std::size_t prefix = 2; prefix <= length; ++prefix) {
        const auto it =
            std::lower_bound(sorted.begin(), sorted.end(),
                             std::pair{earlier.Packed(prefix), static_cast<std::uint32_t>(i + 1)});
        if (it != sorted.end() && it->first == earlier.Packed(prefix))
          nearest = std::min<std::size_t>(nearest, it->second);
      }
      if (nearest == entries.size()) continue;
      const SequenceEntry& later = entries[nearest];
      if (later.Sequence() == earlier.Sequence()) {
        problems.Add(ProblemKind::kSequenceAgain, later.line, [&] {
          return "sequence " + Quote(earlier.Sequence()) + " given again (also on line " +
                 std::to_string(earlier.line) + "): the later line is tried first and wins";
        });
      } else {
        problems.Add(ProblemKind::kHiddenSequence, earlier.line, [&] {
          return "sequence " + Quote(earlier.Sequence()) +
                 " can never match: " + Quote(later.Sequence()) + " on line " +
                 std::to_string(later.line) + " is tried first; write the shorter one first";
        });
      }
    }
  }
}

}  // namespace

const char* ProblemKindName(ProblemKind kind) {
  constexpr const char* kNames[kProblemKindCount] = {
      "encoding",
      "zero unit",
      "line begins with \"=\"",
      "key of two units",
      "text before the key",
      "key given again",
      "one-unit sequence",
      "sequence longer than 4 units",
      "value longer than 7 units",
      "sequence given again",
      "sequence that can never match",
      "\"/\" inside a sequence",
      "rule switch with an unknown value",
  };
  return kNames[static_cast<std::size_t>(kind)];
}

TextEncoding DetectEncoding(std::string_view bytes) {
  if (bytes.empty()) return TextEncoding::kEmpty;
  if (bytes.starts_with("\xFF\xFE")) return TextEncoding::kUtf16Le;
  if (bytes.starts_with("\xFE\xFF")) return TextEncoding::kUtf16Be;
  if (bytes.starts_with("\xEF\xBB\xBF")) return TextEncoding::kUtf8;
  std::size_t zeros_even = 0, zeros_odd = 0;
  for (std::size_t i = 0; i < bytes.size(); ++i) {
    if (bytes[i] == 0) ++(i % 2 == 0 ? zeros_even : zeros_odd);
  }
  if (zeros_odd > 0 && zeros_odd >= zeros_even) return TextEncoding::kUtf16Le;
  if (zeros_even > 0) return TextEncoding::kUtf16Be;
  std::u16string ignored;
  return DecodeUtf8(bytes, ignored) ? TextEncoding::kUtf8 : TextEncoding::kEightBit;
}

TableCheck CheckTable(std::string_view bytes, TableType type, int code_page) {
  TableCheck report;
  Problems problems(report);
  const TextEncoding encoding = DetectEncoding(bytes);
  switch (encoding) {
    case TextEncoding::kEmpty:
      problems.Add(ProblemKind::kEncoding, 0,
                   [] { return "the file is empty: the library leaves the table unavailable"; });
      return report;
    case TextEncoding::kUtf16Be:
      problems.Add(ProblemKind::kEncoding, 0, [] {
        return "the file is UTF-16 BE, not UTF-16 LE: the library would read every character "
               "byte-swapped (convert it: namefold convert --to-table FILE -o FILE)";
      });
      return report;
    case TextEncoding::kUtf8:
      problems.Add(ProblemKind::kEncoding, 0, [] {
        return "the file is UTF-8 text, not UTF-16 LE: the library would read pairs of bytes as "
               "characters (convert it: namefold convert --to-table FILE -o FILE)";
      });
      return report;
    case TextEncoding::kEightBit:
      problems.Add(ProblemKind::kEncoding, 0, [&] {
        const std::string page = std::to_string(code_page);
        return "the file is 8-bit text, not UTF-16 LE: the library would read pairs of bytes as "
               "characters (convert it, naming the code page it was saved in, likely " +
               page + ": namefold convert --from-code-page " + page + " --to-table FILE -o FILE)";
      });
      return report;
    case TextEncoding::kUtf16Le:
      break;
  }
  if (bytes.size() % 2 != 0) {
    problems.Add(ProblemKind::kEncoding, 0, [&] {
      return "odd byte count (" + std::to_string(bytes.size()) +
             " bytes): the last byte is ignored";
    });
  }
  std::u16string units(bytes.size() / 2, u'\0');
  for (std::size_t i = 0; i < units.size(); ++i) {
    units[i] = static_cast<char16_t>(static_cast<unsigned char>(bytes[2 * i]) |
                                     static_cast<unsigned char>(bytes[2 * i + 1]) << 8);
  }
  std::u16string_view text(units);
  if (const std::size_t zero = text.find(u'\0'); zero != std::u16string_view::npos) {
    const std::size_t rest = text.size() - zero - 1;
    if (text.find_first_not_of(u'\0', zero) != std::u16string_view::npos) {
      problems.Add(ProblemKind::kZeroUnit, Lines(text.substr(0, zero)).Count(), [&] {
        return "a zero unit ends the text here: the library never reads the " +
               std::to_string(rest) + " units after it (up to line " +
               std::to_string(Lines(text).Count()) + ")";
      });
    }
    text = text.substr(0, zero);
  }
  const Lines lines(text);
  if (type == TableType::kSingleChar) {
    CheckSingleChar(text, lines, problems, report);
  } else {
    CheckSequence(text, lines, problems, report);
  }
  std::stable_sort(report.problems.begin(), report.problems.end(),
                   [](const TableProblem& a, const TableProblem& b) { return a.line < b.line; });
  return report;
}

}  // namespace namefold::cli
