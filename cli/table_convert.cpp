#include "cli/table_convert.h"

#include "base/unit.h"
#include "cli/table_check.h"
#include "cli/utf.h"

namespace namefold::cli {
namespace {

constexpr char16_t kByteOrderMark = 0xFEFF;

std::size_t LineAt(std::u16string_view units, std::size_t position) {
  std::size_t line = 1;
  for (std::size_t i = 0; i < position; ++i) {
    if (units[i] == u'\n' ||
        (units[i] == u'\r' && (i + 1 >= units.size() || units[i + 1] != u'\n')))
      ++line;
  }
  return line;
}

// Units with every line end as `line_end`.
std::u16string NormalizeLineEnds(std::u16string_view units, std::u16string_view line_end) {
  std::u16string out;
  out.reserve(units.size() + units.size() / 16);
  for (std::size_t i = 0; i < units.size(); ++i) {
    if (units[i] == u'\r' || units[i] == u'\n') {
      if (units[i] == u'\r' && i + 1 < units.size() && units[i + 1] == u'\n') ++i;
      out += line_end;
    } else {
      out += units[i];
    }
  }
  return out;
}

bool DecodeUtf16(std::string_view bytes, bool big_endian, std::u16string& units,
                 std::string& error) {
  if (bytes.size() % 2 != 0) {
    error = "odd byte count (" + std::to_string(bytes.size()) + " bytes): not UTF-16 text";
    return false;
  }
  units.resize(bytes.size() / 2);
  for (std::size_t i = 0; i < units.size(); ++i) {
    const auto first = static_cast<unsigned char>(bytes[2 * i]);
    const auto second = static_cast<unsigned char>(bytes[2 * i + 1]);
    units[i] = static_cast<char16_t>(big_endian ? first << 8 | second : second << 8 | first);
  }
  if (!units.empty() && units[0] == kByteOrderMark) units.erase(0, 1);
  return true;
}

}  // namespace

Conversion ConvertTableText(std::string_view bytes, Direction direction) {
  Conversion result;
  const TextEncoding encoding = DetectEncoding(bytes);
  const bool utf16 = encoding == TextEncoding::kUtf16Le || encoding == TextEncoding::kUtf16Be;
  result.to_table = direction == Direction::kToTable ||
                    (direction == Direction::kAuto && encoding != TextEncoding::kUtf16Le);

  std::u16string units;
  if (utf16) {
    if (!DecodeUtf16(bytes, encoding == TextEncoding::kUtf16Be, units, result.error)) return result;
  } else {
    std::string_view text = bytes;
    if (text.starts_with("\xEF\xBB\xBF")) text.remove_prefix(3);
    if (!DecodeUtf8(text, units)) {
      const std::size_t bad = units.find(kReplacementUnit);
      // A U+FFFD may also be a real character; the line of the first one is close enough.
      result.error = "line " + std::to_string(LineAt(units, bad)) + ": not valid UTF-8 text";
      return result;
    }
  }

  if (result.to_table) {
    result.bytes = "\xFF\xFE";
    for (char16_t unit : NormalizeLineEnds(units, u"\r\n")) {
      result.bytes += static_cast<char>(unit & 0xFF);
      result.bytes += static_cast<char>(unit >> 8);
    }
  } else {
    const std::u16string normalized = NormalizeLineEnds(units, u"\n");
    if (!EncodeUtf8(normalized, result.bytes)) {
      std::size_t bad = 0;
      for (std::size_t i = 0; i < units.size(); ++i) {
        if (IsHighSurrogate(units[i]) && i + 1 < units.size() && IsLowSurrogate(units[i + 1])) {
          ++i;
        } else if (IsSurrogate(units[i])) {
          bad = i;
          break;
        }
      }
      result.error = "line " + std::to_string(LineAt(units, bad)) +
                     ": an unpaired surrogate cannot be written as UTF-8";
      result.bytes.clear();
      return result;
    }
  }
  result.ok = true;
  return result;
}

}  // namespace namefold::cli
