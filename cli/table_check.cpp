#include "cli/table_check.h"

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <map>
#include <memory>
#include <optional>

#include "cli/utf.h"
#include "tables/sequence_table.h"
#include "tables/single_char_table.h"

namespace namefold::cli {
namespace {

constexpr char16_t kByteOrderMark = 0xFEFF;
constexpr std::size_t kSequenceUnitsKept = 4;
constexpr std::size_t kValueUnitsKept = 7;

bool IsBreak(char16_t unit) { return unit == u'\r' || unit == u'\n'; }

std::string CodeOf(char16_t unit) {
  char buffer[8];
  std::snprintf(buffer, sizeof buffer, "U+%04X", static_cast<unsigned>(unit));
  return buffer;
}

// Text in quotes for a message; lone surrogates show as U+FFFD, controls escaped.
std::string Quote(std::u16string_view units) { return "\"" + EscapeForLine(ToUtf8(units)) + "\""; }

// A key as the user can recognise it: the character when it is visible, its code always.
std::string KeyText(char16_t unit) {
  const bool visible = unit > 0x20 && unit != 0x7F && !(unit >= 0x80 && unit <= 0xA0) &&
                       !(unit >= 0xD800 && unit <= 0xDFFF) && unit != kByteOrderMark;
  return visible ? Quote(std::u16string_view(&unit, 1)) + " (" + CodeOf(unit) + ")" : CodeOf(unit);
}

// Line numbers of unit positions: CR LF, CR alone and LF alone each end one line.
class Lines {
 public:
  explicit Lines(std::u16string_view text) {
    starts_.push_back(0);
    for (std::size_t i = 0; i < text.size(); ++i) {
      if (text[i] == u'\r' && i + 1 < text.size() && text[i + 1] == u'\n') ++i;
      if (IsBreak(text[i])) starts_.push_back(i + 1);
    }
  }
  [[nodiscard]] std::size_t LineOf(std::size_t position) const {
    return static_cast<std::size_t>(std::upper_bound(starts_.begin(), starts_.end(), position) -
                                    starts_.begin());
  }
  [[nodiscard]] std::size_t StartOf(std::size_t line) const { return starts_[line - 1]; }
  [[nodiscard]] std::size_t Count() const { return starts_.size(); }

 private:
  std::vector<std::size_t> starts_;
};

// A malloc'd, zero-terminated copy, as the library hands its parsers.
char16_t* MallocCopy(std::u16string_view text) {
  auto* copy = static_cast<char16_t*>(std::malloc((text.size() + 1) * sizeof(char16_t)));
  if (copy == nullptr) std::abort();
  std::memcpy(copy, text.data(), text.size() * sizeof(char16_t));
  copy[text.size()] = 0;
  return copy;
}

void CheckSingleChar(std::u16string_view text, const Lines& lines, TableCheck& report) {
  auto add = [&](std::size_t line, std::string message) {
    report.problems.push_back({line, std::move(message)});
  };
  // The scan follows the parser step by step on its own copy, zero units written where the
  // parser writes them, so each value ends where the library's does.
  std::u16string buffer(text);
  buffer.push_back(0);
  struct Found {
    char16_t key;
    std::size_t key_at;
    std::size_t value_at;
  };
  std::vector<Found> found;
  for (std::size_t p = 0;;) {
    while (buffer[p] != 0 && buffer[p + 1] != u'=') ++p;
    if (buffer[p] == 0) break;
    found.push_back({buffer[p], p, p + 2});
    while (buffer[p] != 0 && !IsBreak(buffer[p])) ++p;
    if (buffer[p] == 0) break;
    buffer[p++] = 0;
  }
  auto value_of = [&](const Found& entry) {
    return std::u16string_view(buffer.data() + entry.value_at);  // up to the next zero unit
  };

  // Lines that begin with "=": the parser takes the unit before it, a line break or the
  // byte-order mark, for the key.
  for (std::size_t line = 1; line <= lines.Count(); ++line) {
    std::size_t start = lines.StartOf(line);
    if (line == 1 && !text.empty() && text[0] == kByteOrderMark) ++start;
    if (start >= text.size() || text[start] != u'=') continue;
    std::string message = "line begins with \"=\": it is not an entry";
    for (const Found& entry : found) {
      if (entry.key_at + 1 != start) continue;
      const std::u16string value(value_of(entry));
      message += entry.key == kByteOrderMark
                     ? "; the byte-order mark becomes a key, mapped to " + Quote(value)
                     : "; the line break before it becomes the key " + CodeOf(entry.key) +
                           ", mapped to " + Quote(value);
    }
    add(line, message);
  }

  std::map<char16_t, std::size_t> first_line;  // the line of each key's latest entry
  for (const Found& entry : found) {
    const std::size_t line = lines.LineOf(entry.key_at + 1);  // the line of its "="
    std::size_t start = lines.StartOf(line);
    if (line == 1 && !text.empty() && text[0] == kByteOrderMark) ++start;
    if (entry.key_at + 1 == start) continue;  // reported above
    const std::u16string line_text(text.substr(start, entry.key_at + 2 - start));
    if (entry.key >= 0xDC00 && entry.key <= 0xDFFF && entry.key_at > start &&
        text[entry.key_at - 1] >= 0xD800 && text[entry.key_at - 1] <= 0xDBFF) {
      add(line, "the key " + Quote(text.substr(entry.key_at - 1, 2)) +
                    " is two UTF-16 units; only its second unit " + CodeOf(entry.key) +
                    " becomes the key");
    } else if (entry.key_at > start) {
      add(line, "text before the key: " + Quote(line_text) + " maps " + KeyText(entry.key) +
                    "; " + Quote(text.substr(start, entry.key_at - start)) + " is ignored");
    }
    const auto [seen, fresh] = first_line.try_emplace(entry.key, line);
    if (!fresh) {
      add(line, "key " + KeyText(entry.key) + " given again (also on line " +
                    std::to_string(seen->second) + "): the last entry wins, here " +
                    Quote(value_of(entry)));
      seen->second = line;
    }
  }

  // What the library's own parser stores must be what the scan explained.
  auto table = std::make_unique<SingleCharTable>();  // value-initialised: every entry empty
  char16_t* copy = MallocCopy(text);
  ParseSingleCharTable(copy, *table);
  std::map<char16_t, std::u16string_view> expected;
  for (const Found& entry : found) expected[entry.key] = value_of(entry);
  for (std::size_t unit = 0; unit < SingleCharTable::kEntryCount; ++unit) {
    const auto it = expected.find(static_cast<char16_t>(unit));
    const Unit* stored = table->entries[unit];
    const bool agree = it == expected.end() ? stored == nullptr
                                            : stored != nullptr && it->second == stored;
    if (stored != nullptr) ++report.entries;
    if (!agree) add(0, "internal error: the check and the parser disagree on " + CodeOf(static_cast<char16_t>(unit)));
  }
  std::free(copy);
}

void CheckSequence(std::u16string_view text, const Lines& lines, TableCheck& report) {
  auto add = [&](std::size_t line, std::string message) {
    report.problems.push_back({line, std::move(message)});
  };
  struct Node {
    char16_t key;
    std::u16string continuation;
    std::u16string value;
    std::size_t line;
  };
  std::vector<Node> nodes;
  std::size_t p = !text.empty() && text[0] == kByteOrderMark ? 1 : 0;
  while (p < text.size()) {
    const std::size_t line_start = p;
    std::optional<std::size_t> equals;
    for (; p < text.size() && !IsBreak(text[p]); ++p) {
      if (!equals && text[p] == u'=') equals = p;
    }
    const std::size_t line_end = p;
    if (p < text.size() && text[p] == u'\r') ++p;
    if (p < text.size() && text[p] == u'\n') ++p;
    if (!equals) continue;
    const std::size_t line = lines.LineOf(line_start);
    const std::u16string_view sequence = text.substr(line_start, *equals - line_start);
    if (sequence.size() < 2) {
      std::size_t lost = 0;  // later lines with "=", which would have been entries
      for (std::size_t later = line + 1; later <= lines.Count(); ++later) {
        const std::size_t from = lines.StartOf(later);
        const std::size_t to = later < lines.Count() ? lines.StartOf(later + 1) : text.size();
        if (text.substr(from, to - from).find(u'=') != std::u16string_view::npos) ++lost;
      }
      add(line, std::string(sequence.empty() ? "line begins with \"=\"" :
                                               "sequence " + Quote(sequence) + " has one unit") +
                    ": loading ends here, so the " + std::to_string(lost) +
                    " line(s) with \"=\" after it are lost");
      break;
    }
    const std::u16string_view value = text.substr(*equals + 1, line_end - *equals - 1);
    Node node{sequence[0],
              std::u16string(sequence.substr(1, kSequenceUnitsKept - 1)),
              std::u16string(value.substr(0, kValueUnitsKept)), line};
    if (sequence.size() > kSequenceUnitsKept) {
      add(line, "sequence " + Quote(sequence) + " is longer than 4 units: " +
                    Quote(sequence.substr(kSequenceUnitsKept)) + " is ignored, " +
                    Quote(sequence.substr(0, kSequenceUnitsKept)) + " is replaced");
    }
    if (value.size() > kValueUnitsKept) {
      add(line, "value " + Quote(value) + " is longer than 7 units: it is cut to " +
                    Quote(node.value));
    }
    nodes.push_back(std::move(node));
  }

  // A later line is tried first and the first match wins: an entry is dead when a later one
  // with the same key has a continuation that starts its own.
  for (std::size_t i = 0; i < nodes.size(); ++i) {
    for (std::size_t j = i + 1; j < nodes.size(); ++j) {
      const Node& earlier = nodes[i];
      const Node& later = nodes[j];
      if (later.key != earlier.key || !earlier.continuation.starts_with(later.continuation)) continue;
      const std::u16string earlier_sequence = earlier.key + earlier.continuation;
      if (later.continuation == earlier.continuation) {
        add(later.line, "sequence " + Quote(earlier_sequence) + " given again (also on line " +
                            std::to_string(earlier.line) + "): the later line is tried first and wins");
      } else {
        add(earlier.line, "sequence " + Quote(earlier_sequence) + " can never match: " +
                              Quote(later.key + later.continuation) + " on line " +
                              std::to_string(later.line) + " is tried first; write the shorter one first");
      }
      break;
    }
  }

  auto table = std::make_unique<SequenceTable>();
  ParseSequenceTable(MallocCopy(text), *table);  // takes and frees the copy
  std::map<char16_t, std::vector<const Node*>> expected;  // in list order: later lines first
  for (auto it = nodes.rbegin(); it != nodes.rend(); ++it) expected[it->key].push_back(&*it);
  for (std::size_t key = 0; key < SequenceTable::kHeadCount; ++key) {
    const SequenceNode* stored = table->heads[key];
    const auto it = expected.find(static_cast<char16_t>(key));
    std::size_t index = 0;
    bool agree = true;
    for (; stored != nullptr; stored = stored->next, ++index, ++report.entries) {
      agree = agree && it != expected.end() && index < it->second.size() &&
              it->second[index]->continuation == stored->continuation &&
              it->second[index]->value == stored->value;
    }
    if (it != expected.end() && index != it->second.size()) agree = false;
    if (!agree) add(0, "internal error: the check and the parser disagree on " + CodeOf(static_cast<char16_t>(key)));
  }
  ReleaseSequenceTable(*table);
}

}  // namespace

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

TableCheck CheckTable(std::string_view bytes, TableType type) {
  TableCheck report;
  auto add = [&](std::size_t line, std::string message) {
    report.problems.push_back({line, std::move(message)});
  };
  switch (DetectEncoding(bytes)) {
    case TextEncoding::kEmpty:
      add(0, "the file is empty: the library leaves the table unavailable");
      return report;
    case TextEncoding::kUtf16Be:
      add(0, "the file is UTF-16 BE, not UTF-16 LE: the library would read every character "
             "byte-swapped (convert it: namefold convert --to-table FILE -o FILE)");
      return report;
    case TextEncoding::kUtf8:
    case TextEncoding::kEightBit:
      add(0, std::string("the file is ") +
                 (DetectEncoding(bytes) == TextEncoding::kUtf8 ? "UTF-8" : "8-bit") +
                 " text, not UTF-16 LE: the library would read pairs of bytes as characters "
                 "(convert it: namefold convert --to-table FILE -o FILE)");
      return report;
    case TextEncoding::kUtf16Le:
      break;
  }
  if (bytes.size() % 2 != 0) {
    add(0, "odd byte count (" + std::to_string(bytes.size()) + " bytes): the last byte is ignored");
  }
  std::u16string units(bytes.size() / 2, u'\0');
  for (std::size_t i = 0; i < units.size(); ++i) {
    units[i] = static_cast<char16_t>(static_cast<unsigned char>(bytes[2 * i]) |
                                     static_cast<unsigned char>(bytes[2 * i + 1]) << 8);
  }
  std::u16string_view text(units);
  const Lines lines(text);
  if (const std::size_t zero = text.find(u'\0'); zero != std::u16string_view::npos) {
    const std::size_t rest = text.size() - zero - 1;
    const bool all_zero = text.find_first_not_of(u'\0', zero) == std::u16string_view::npos;
    if (!all_zero) {
      add(lines.LineOf(zero), "a zero unit ends the text here: the library never reads the " +
                                  std::to_string(rest) + " units after it (up to line " +
                                  std::to_string(lines.Count()) + ")");
    }
    text = text.substr(0, zero);
  }
  const Lines read_lines(text);
  if (type == TableType::kSingleChar) {
    CheckSingleChar(text, read_lines, report);
  } else {
    CheckSequence(text, read_lines, report);
  }
  std::stable_sort(report.problems.begin(), report.problems.end(),
                   [](const TableProblem& a, const TableProblem& b) { return a.line < b.line; });
  return report;
}

}  // namespace namefold::cli
