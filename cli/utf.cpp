#include "cli/utf.h"

#include "base/unit.h"
#include "base/utf8.h"
#include "transform/compose.h"

namespace namefold::cli {
namespace {

void AppendUtf8(char32_t c, std::string& out) {
  char bytes[kMaxUtf8Length];
  out.append(bytes, EncodeCodePoint(c, bytes));
}

// Appends `prefix` and `value` as `digits` hexadecimal digits; no formatted print, since every
// name of a listing passes here.
void AppendHex(std::string_view prefix, unsigned value, int digits, bool upper, std::string& out) {
  const char* set = upper ? "0123456789ABCDEF" : "0123456789abcdef";
  out += prefix;
  for (int shift = 4 * (digits - 1); shift >= 0; shift -= 4) out += set[value >> shift & 0xF];
}

// Characters that show nothing, reorder what follows them, or pass for a plain space on a
// terminal: the format characters (bidirectional controls among them), the line and paragraph
// separators, every space separator but U+0020, and the Hangul fillers that pass for blank
// letters.
constexpr struct {
  char32_t first, last;
} kInvisible[] = {
    {0x00A0, 0x00A0},   {0x00AD, 0x00AD},   {0x115F, 0x1160},   {0x0600, 0x0605},
    {0x061C, 0x061C},   {0x06DD, 0x06DD},   {0x070F, 0x070F},   {0x0890, 0x0891},
    {0x08E2, 0x08E2},   {0x1680, 0x1680},   {0x180E, 0x180E},   {0x2000, 0x200F},
    {0x2028, 0x202F},   {0x205F, 0x2064},   {0x3000, 0x3000},   {0x2066, 0x206F},
    {0x3164, 0x3164},   {0xFEFF, 0xFEFF},   {0xFFA0, 0xFFA0},   {0xFFF9, 0xFFFB},
    {0x110BD, 0x110BD}, {0x110CD, 0x110CD}, {0x13430, 0x1343F}, {0x1BCA0, 0x1BCA3},
    {0x1D173, 0x1D17A}, {0xE0001, 0xE0001}, {0xE0020, 0xE007F},
};

bool IsInvisible(char32_t c) {
  for (const auto& range : kInvisible) {
    if (c >= range.first && c <= range.last) return true;
  }
  return false;
}

}  // namespace

bool DecodeUtf8(std::string_view bytes, std::u16string& units) {
  bool valid = true;
  units.clear();
  units.reserve(bytes.size());
  while (!bytes.empty()) {
    char32_t c;
    std::size_t length = NextCodePoint(bytes, c);
    if (length == 0) {
      valid = false;
      c = kReplacementUnit;
      length = 1;
    }
    if (c >= kFirstSupplementary) {
      units += HighSurrogateOf(c);
      units += LowSurrogateOf(c);
    } else {
      units += static_cast<char16_t>(c);
    }
    bytes.remove_prefix(length);
  }
  return valid;
}

bool EncodeUtf8(std::u16string_view units, std::string& bytes) {
  bool valid = true;
  bytes.clear();
  bytes.reserve(units.size());
  for (std::size_t i = 0; i < units.size(); ++i) {
    char32_t c = units[i];
    if (IsHighSurrogate(c) && i + 1 < units.size() && IsLowSurrogate(units[i + 1])) {
      c = CodePointOfPair(c, units[++i]);
    } else if (IsSurrogate(c)) {
      valid = false;
      c = kReplacementUnit;
    }
    AppendUtf8(c, bytes);
  }
  return valid;
}

std::string ToUtf8(std::u16string_view units) {
  std::string bytes;
  (void)EncodeUtf8(units, bytes);
  return bytes;
}

std::u16string FromUtf8(std::string_view bytes) {
  std::u16string units;
  (void)DecodeUtf8(bytes, units);
  return units;
}

std::string EscapeForLine(std::string_view bytes, Backslash backslash) {
  std::string out;
  out.reserve(bytes.size());
  char16_t window[3] = {};  // the unit before and this one, to tell what composition changes
  const char kept_backslash = backslash == Backslash::kKept ? '\\' : ' ';
  while (!bytes.empty()) {
    // Printable ASCII, most of most names, goes out in runs.
    std::size_t run = 0;
    while (run < bytes.size() && bytes[run] >= ' ' && bytes[run] <= '~' &&
           (bytes[run] != '\\' || kept_backslash == '\\'))
      ++run;
    if (run != 0) {
      out.append(bytes.substr(0, run));
      window[0] = static_cast<char16_t>(bytes[run - 1]);
      bytes.remove_prefix(run);
      continue;
    }
    char32_t c;
    const std::size_t length = NextCodePoint(bytes, c);
    if (length == 0) {
      AppendHex("\\x", static_cast<unsigned char>(bytes[0]), 2, true, out);
      bytes.remove_prefix(1);
      window[0] = 0;
      continue;
    }
    // A character that composition would change (a mark that joins the letter before it, a
    // precomposed letter that is never kept) is shown escaped, so that a name stored decomposed
    // never looks like its composed twin.
    const bool at_start = window[0] == 0;
    window[at_start ? 0 : 1] = c <= 0xFFFF ? static_cast<char16_t>(c) : 0;
    const bool composes = c >= 0x80 && c <= 0xFFFF && ComposesAt(window, at_start ? 0 : 1);
    window[0] = c <= 0xFFFF ? static_cast<char16_t>(c) : 0;
    window[1] = 0;
    if (c == '\\' && backslash == Backslash::kEscaped) {
      out += "\\\\";
    } else if (c == '\t') {
      out += "\\t";
    } else if (c == '\n') {
      out += "\\n";
    } else if (c == '\r') {
      out += "\\r";
    } else if (c < 0x20 || c == 0x7F) {
      AppendHex("\\x", static_cast<unsigned>(c), 2, true, out);
    } else if ((c >= 0x80 && c <= 0x9F) || IsInvisible(c) || composes) {
      AppendHex(c > 0xFFFF ? "\\U" : "\\u", static_cast<unsigned>(c), c > 0xFFFF ? 8 : 4, true,
                out);
    } else {
      out.append(bytes.substr(0, length));
    }
    bytes.remove_prefix(length);
  }
  return out;
}

std::string HexBytes(std::string_view bytes) {
  std::string out;
  for (char byte : bytes) AppendHex("", static_cast<unsigned char>(byte), 2, false, out);
  return out;
}

std::string JsonString(std::string_view bytes) {
  std::string out = "\"";
  while (!bytes.empty()) {
    char32_t c;
    const std::size_t length = NextCodePoint(bytes, c);
    if (length == 0) {
      out += "\\ufffd";
      bytes.remove_prefix(1);
      continue;
    }
    switch (c) {
      case '"':
        out += "\\\"";
        break;
      case '\\':
        out += "\\\\";
        break;
      case '\b':
        out += "\\b";
        break;
      case '\f':
        out += "\\f";
        break;
      case '\n':
        out += "\\n";
        break;
      case '\r':
        out += "\\r";
        break;
      case '\t':
        out += "\\t";
        break;
      default:
        if (c < 0x20 || c == 0x2028 || c == 0x2029) {
          AppendHex("\\u", static_cast<unsigned>(c), 4, false, out);
        } else {
          out.append(bytes.substr(0, length));
        }
    }
    bytes.remove_prefix(length);
  }
  return out + "\"";
}

}  // namespace namefold::cli
