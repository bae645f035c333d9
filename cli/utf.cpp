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
    {0x00A0, 0x00A0},   {0x00AD, 0x00AD},   {0x0600, 0x0605},   {0x061C, 0x061C},
    {0x06DD, 0x06DD},   {0x070F, 0x070F},   {0x0890, 0x0891},   {0x08E2, 0x08E2},
    {0x115F, 0x1160},   {0x1680, 0x1680},   {0x180E, 0x180E},   {0x2000, 0x200F},
    {0x2028, 0x202F},   {0x205F, 0x2064},   {0x2066, 0x206F},   {0x3000, 0x3000},
    {0x3164, 0x3164},   {0xFEFF, 0xFEFF},   {0xFFA0, 0xFFA0},   {0xFFF9, 0xFFFB},
    {0x110BD, 0x110BD}, {0x110CD, 0x110CD}, {0x13430, 0x1343F}, {0x1BCA0, 0x1BCA3},
    {0x1D173, 0x1D17A}, {0xE0001, 0xE0001}, {0xE0020, 0xE007F},
};

bool IsInvisible(char32_t c) {
  for (const auto& range : kInvisible) {  // in order: most characters stop at the first ranges
    if (c < range.first) return false;
    if (c <= range.last) return true;
  }
  return false;
}

}  // namespace

bool DecodeUtf8(std::string_view bytes, std::u16string& units) {
  bool valid = true;
  units.resize(bytes.size());  // never more units than bytes
  std::size_t n = 0;
  while (!bytes.empty()) {
    const auto lead = static_cast<unsigned char>(bytes[0]);
    if (lead < 0x80) {  // ASCII, most of most names
      units[n++] = lead;
      bytes.remove_prefix(1);
      continue;
    }
    char32_t c;
    std::size_t length = NextCodePoint(bytes, c);
    if (length == 0) {
      valid = false;
      c = kReplacementUnit;
      length = 1;
    }
    if (c >= kFirstSupplementary) {
      units[n++] = HighSurrogateOf(c);
      units[n++] = LowSurrogateOf(c);
    } else {
      units[n++] = static_cast<char16_t>(c);
    }
    bytes.remove_prefix(length);
  }
  units.resize(n);
  return valid;
}

bool EncodeUtf8(std::u16string_view units, std::string& bytes) {
  bool valid = true;
  bytes.clear();
  std::size_t ascii = 0;  // a run of ASCII, most of most names, in one copy
  while (ascii < units.size() && units[ascii] < 0x80) ++ascii;
  bytes.resize(ascii);
  for (std::size_t i = 0; i < ascii; ++i) bytes[i] = static_cast<char>(units[i]);
  units.remove_prefix(ascii);
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
  AppendEscapedForLine(bytes, backslash, out);
  return out;
}

void AppendEscapedForLine(std::string_view bytes, Backslash backslash, std::string& out) {
  // Characters that stay as they are go out in runs: `kept` is where the current run began.
  std::size_t kept = 0, i = 0;
  const auto escape = [&](std::size_t length, auto&& append) {
    out.append(bytes.data() + kept, i - kept);
    append();
    i += length;
    kept = i;
  };
  char16_t window[2] = {};  // the unit before and this one, to tell what composition changes
  const bool escaped_backslash = backslash == Backslash::kEscaped;
  while (i < bytes.size()) {
    const auto byte = static_cast<unsigned char>(bytes[i]);
    if (byte >= ' ' && byte <= '~') {  // printable ASCII, most of most names
      if (byte == '\\' && escaped_backslash) {
        escape(1, [&] { out += "\\\\"; });
      } else {
        ++i;
      }
      window[0] = byte;
      continue;
    }
    char32_t c;
    const std::size_t length = NextCodePoint(bytes.substr(i), c);
    if (length == 0) {
      escape(1, [&] { AppendHex("\\x", byte, 2, true, out); });
      window[0] = 0;
      continue;
    }
    // A character that composition would change (a mark that joins the letter before it, a
    // precomposed letter that is never kept) is shown escaped, so that a name stored decomposed
    // never looks like its composed twin.
    const char16_t unit = c <= 0xFFFF ? static_cast<char16_t>(c) : 0;
    bool composes = false;
    if (c >= 0x80 && unit != 0) {
      const bool at_start = window[0] == 0;
      window[at_start ? 0 : 1] = unit;
      composes = ComposesAt(window, at_start ? 0 : 1);
    }
    window[0] = unit;
    window[1] = 0;
    if (c == '\t' || c == '\n' || c == '\r') {
      escape(1, [&] { out += c == '\t' ? "\\t" : c == '\n' ? "\\n" : "\\r"; });
    } else if (c < 0x20 || c == 0x7F) {
      escape(1, [&] { AppendHex("\\x", static_cast<unsigned>(c), 2, true, out); });
    } else if ((c >= 0x80 && c <= 0x9F) || IsInvisible(c) || composes) {
      escape(length, [&] {
        AppendHex(c > 0xFFFF ? "\\U" : "\\u", static_cast<unsigned>(c), c > 0xFFFF ? 8 : 4, true,
                  out);
      });
    } else {
      i += length;
    }
  }
  out.append(bytes.data() + kept, i - kept);
}

std::string HexBytes(std::string_view bytes) {
  std::string out;
  for (char byte : bytes) AppendHex("", static_cast<unsigned char>(byte), 2, false, out);
  return out;
}

std::string JsonString(std::string_view bytes) {
  std::string out;
  AppendJsonString(bytes, out);
  return out;
}

void AppendJsonString(std::string_view bytes, std::string& out) {
  out += '"';
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
  out += '"';
}

}  // namespace namefold::cli
