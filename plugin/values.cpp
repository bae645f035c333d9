#include "plugin/values.h"

#include <cstdint>
#include <cstring>
#include <optional>
#include <span>

#include "namefold.h"
#include "platform/platform.h"
#include "plugin/catalogue.h"
#include "transform/compose.h"
#include "transform/fold.h"
#include "transform/transliterate.h"
#include "transform/word_scan.h"

namespace namefold {
namespace {

constexpr std::size_t kNameCapacity = 1024;  // units of a name, before any replacement
constexpr std::size_t kNameLimit = 1023;     // units of a name after transliteration

// A path of 3 units or fewer (a drive root such as C:\) is no file.
template <typename Char>
bool IsTooShort(const Char* path) {
  return path[0] == 0 || path[1] == 0 || path[2] == 0 || path[3] == 0;
}

int WriteBoolean(void* field_value, bool value) {
  const std::int32_t word = value ? 1 : 0;
  std::memcpy(field_value, &word, sizeof word);
  return NAMEFOLD_FT_BOOLEAN;
}

// Makes the value, `length` units of at most `room`, a name that every file system takes: an
// empty one becomes "_", and the first dot of one made of dots only ("." or "..": the folder
// itself or its parent) becomes "_". A value that cannot hold one unit stays empty.
template <typename Char>
std::size_t MakeUsableName(Char* text, std::size_t length, std::size_t room) {
  if (length == 0) {
    if (room == 0) return 0;
    text[1] = 0;
  } else {
    for (std::size_t i = 0; i < length; ++i) {
      if (text[i] != '.') return length;
    }
  }
  text[0] = '_';
  return length > 0 ? length : 1;
}

// Hands a terminated UTF-16 result of at most `room` units to the host, made a usable name; the
// caller has checked that room + 1 units fit.
int WriteWide(void* field_value, Unit* text, std::size_t length, std::size_t room) {
  length = MakeUsableName(text, length, room);
  std::memcpy(field_value, text, (length + 1) * sizeof(Unit));
  return NAMEFOLD_FT_WIDE_STRING;
}

// The first `size` units of `buffer`, or all of it when it is smaller.
std::span<Unit> Within(std::span<Unit> buffer, std::size_t size) {
  return buffer.first(size < buffer.size() ? size : buffer.size());
}

// Writes the file's name, rewritten with the tables under the rules of `rules_code_page`, into
// `out` (its size counts the terminator), cut to fit; returns its length. The name is first cut
// to kNameCapacity units and composed (NFC), and, when rewritten, the result cut to kNameLimit.
// Without a single-character table nothing is replaced.
std::size_t PrepareName(const Unit* file_name, int rules_code_page, std::span<Unit> out) {
  const Unit* end = nullptr;
  const Unit* name = LastComponent(file_name, platform::kPathSeparator, &end);
  Unit cut[kNameCapacity + 1];
  if (static_cast<std::size_t>(end - name) > kNameCapacity) {
    (void)CopyBounded(std::span<Unit>(cut), name);  // the rewrite must see the name's cut end
    name = cut;
  }
  // Decomposed names give the values of their composed forms. Most names are composed already:
  // the engine tells so in the same pass that rewrites them.
  Unit composed[kNameCapacity + 1];
  if (const std::optional<ReplacementTables> tables = ProcessReplacementTables(rules_code_page)) {
    const std::span<Unit> rewritten = Within(out, kNameLimit + 1);
    if (const std::optional<std::size_t> length =
            TransliterateUncomposedInto(*tables, rules_code_page, name, rewritten)) {
      return *length;
    }
    return TransliterateInto(*tables, rules_code_page, ComposeName(name, composed), rewritten);
  }
  return CopyBounded(Within(out, kNameCapacity + 1), ComposeName(name, composed));
}

}  // namespace

int GetValue(const char* file_name, int field_index, void* field_value, int maxlen) {
  if (file_name == nullptr || IsTooShort(file_name)) return NAMEFOLD_FT_FILE_ERROR;
  switch (field_index) {
    case NAMEFOLD_FIELD_HAS_UNICODE:  // an 8-bit path holds only characters of the ANSI code page
      if (field_value == nullptr || maxlen < 4) return NAMEFOLD_FT_NO_ROOM;
      return WriteBoolean(field_value, false);
    case NAMEFOLD_FIELD_NAME_NO_UNICODE: {
      if (field_value == nullptr || maxlen < 1) return NAMEFOLD_FT_NO_ROOM;
      char* value = static_cast<char*>(field_value);
      const std::size_t length = CopyBounded(std::span(value, static_cast<std::size_t>(maxlen)),
                                             platform::NarrowNamePart(file_name));
      (void)MakeUsableName(value, length, static_cast<std::size_t>(maxlen - 1));
      return NAMEFOLD_FT_STRING;
    }
    default:
      return NAMEFOLD_FT_NO_SUCH_FIELD;
  }
}

int GetValueW(const Unit* file_name, int field_index, void* field_value, int maxlen) {
  if (file_name == nullptr || IsTooShort(file_name)) return NAMEFOLD_FT_FILE_ERROR;
  if (field_index < 0 || field_index >= kFieldCount) return NAMEFOLD_FT_NO_SUCH_FIELD;
  if (field_value == nullptr) return NAMEFOLD_FT_NO_ROOM;

  if (field_index == NAMEFOLD_FIELD_HAS_UNICODE) {
    if (maxlen < 4) return NAMEFOLD_FT_NO_ROOM;
    return WriteBoolean(field_value, !FoldsUnchanged(0, file_name));
  }

  // The host's buffer holds maxlen / 2 units, the terminator included. A fold is given one unit
  // less than a copy, so a folded value ends one unit earlier than a copied one would.
  const bool folds = field_index == NAMEFOLD_FIELD_NAME_NO_UNICODE ||
                     field_index == NAMEFOLD_FIELD_NAME_REPLACE_NO_ENGLISH;
  const int size = maxlen / 2 - (folds ? 1 : 0);
  if (size < 1) return NAMEFOLD_FT_NO_ROOM;
  const auto value_size = static_cast<std::size_t>(size);  // units of the value and terminator

  const int system_code_page = platform::AnsiCodePage();
  const bool native_rules = field_index == NAMEFOLD_FIELD_NAME_NO_UNICODE ||
                            field_index == NAMEFOLD_FIELD_NAME_REPLACE_USER_UNICODE;
  const int rules_code_page = native_rules ? system_code_page : 0;
  Unit name[kNameCapacity + 1];
  Unit result[kNameCapacity + 1];
  switch (field_index) {
    case NAMEFOLD_FIELD_NAME_NO_UNICODE: {
      (void)PrepareName(file_name, rules_code_page, name);
      const std::size_t length = FoldThroughCodePage(0, name, Within(result, value_size));
      return WriteWide(field_value, result, length, value_size - 1);
    }
    case NAMEFOLD_FIELD_NAME_REPLACE_NO_ENGLISH: {
      // Whatever survives the ANSI code page and then a second one: Cyrillic, or Central
      // European on Cyrillic systems.
      const int second_code_page = system_code_page == 1251 ? 1250 : 1251;
      (void)PrepareName(file_name, rules_code_page, name);
      (void)FoldThroughCodePage(0, name, Within(result, kNameLimit));
      const std::size_t length =
          FoldThroughCodePage(second_code_page, result,
                              Within(name, value_size < kNameLimit ? value_size : kNameLimit));
      return WriteWide(field_value, name, length, value_size - 1);
    }
    default: {
      // Straight into the result: the name is rewritten and cut in one pass.
      const std::size_t length =
          PrepareName(file_name, rules_code_page, Within(result, value_size));
      return WriteWide(field_value, result, length, value_size - 1);
    }
  }
}

}  // namespace namefold
