// Conversions between UTF-8 bytes and UTF-16 units, and the escaped forms the program prints.
#pragma once

#include <string>
#include <string_view>

#include "base/utf8.h"  // NextCodePoint, for the program's own scans

namespace namefold::cli {

inline constexpr char16_t kReplacementUnit = 0xFFFD;

// Decodes UTF-8 into UTF-16; every byte that does not start or continue a well-formed sequence
// (overlong forms and encoded surrogates included) becomes one U+FFFD. Returns false when any did.
[[nodiscard]] bool DecodeUtf8(std::string_view bytes, std::u16string& units);

// Encodes UTF-16 as UTF-8; an unpaired surrogate becomes U+FFFD. Returns false when any did.
[[nodiscard]] bool EncodeUtf8(std::u16string_view units, std::string& bytes);

// The same, for callers that accept the replacement.
[[nodiscard]] std::string ToUtf8(std::u16string_view units);
[[nodiscard]] std::u16string FromUtf8(std::string_view bytes);

// Text for one line of a terminal or a TSV field: well-formed UTF-8 stays; tab, line feed and
// carriage return become \t, \n, \r; other control characters and every byte that is not
// well-formed UTF-8 become \xHH; C1 controls, bidirectional controls and other invisible
// characters become \uHHHH (\UHHHHHHHH beyond U+FFFF). So a row always stays one line and shows
// what the text holds. With Backslash::kEscaped a backslash becomes \\, which makes every
// escape unambiguous (for TSV); kKept leaves it, for paths read by people.
enum class Backslash { kKept, kEscaped };
[[nodiscard]] std::string EscapeForLine(std::string_view bytes,
                                        Backslash backslash = Backslash::kKept);
void AppendEscapedForLine(std::string_view bytes, Backslash backslash, std::string& out);

// The bytes as lowercase hexadecimal, two digits each.
[[nodiscard]] std::string HexBytes(std::string_view bytes);

// A JSON string literal, quotes included: '"', '\' and control characters escaped, U+2028 and
// U+2029 escaped for JavaScript readers, bytes that are not well-formed UTF-8 as \ufffd.
[[nodiscard]] std::string JsonString(std::string_view bytes);
void AppendJsonString(std::string_view bytes, std::string& out);

}  // namespace namefold::cli
