// The two value entries with a fuzzed path, field index and buffer length. The tables are the
// process's own: values_fuzz1.tbl and values_fuzz2.tbl beside the program (the build copies the
// default tables there); the ANSI code page comes from LC_ALL, as in the library.
#include <algorithm>
#include <climits>
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <vector>

#include "fuzz/fuzz_input.h"
#include "namefold.h"
#include "plugin/values.h"

namespace namefold::fuzz {
namespace {

constexpr int kFieldIndexes[] = {0, 1, 2, 3, 4, 5, -1, INT_MIN, INT_MAX};
constexpr int kLengths[] = {INT_MIN, INT_MIN + 1, -2, -1, 0, 1, 2, 3, 4, 5, 6, 2047, 2048, 2049,
                            4096, 65536};
constexpr std::size_t kGuard = 16;
constexpr std::uint8_t kFill = 0xA5;

int FieldIndex(FuzzInput& input) {
  const std::uint8_t choice = input.Byte();
  if (choice < 240) return kFieldIndexes[choice % std::size(kFieldIndexes)];
  return input.Int32();
}

// Mostly small lengths, where the buffer arithmetic is tight; never more than a real buffer holds.
int BufferLength(FuzzInput& input) {
  const std::uint8_t choice = input.Byte();
  if (choice < 128) return choice - 4;
  if (choice < 192) return kLengths[choice % std::size(kLengths)];
  return input.Uint16();
}

struct Result {
  int code;
  std::int32_t boolean = -1;  // the 4 bytes of a boolean result
  std::u16string text;        // a string result, a byte a unit for 8-bit ones
};

// Calls `entry` on a buffer of maxlen bytes between guard bytes; checks the guards, and that a
// result is of the right type and lies inside the buffer.
template <typename Entry>
Result CallWithGuards(int maxlen, int string_code, std::size_t unit_size, Entry entry) {
  const std::size_t size = maxlen > 0 ? static_cast<std::size_t>(maxlen) : 0;
  std::vector<std::uint8_t> buffer(size + 2 * kGuard, kFill);
  std::uint8_t* const value = buffer.data() + kGuard;
  Result result;
  result.code = entry(value);
  const int code = result.code;
  for (std::size_t i = 0; i < kGuard; ++i) {
    FUZZ_CHECK(buffer[i] == kFill && buffer[kGuard + size + i] == kFill);
  }
  if (code == NAMEFOLD_FT_BOOLEAN) {
    FUZZ_CHECK(size >= 4);
    std::memcpy(&result.boolean, value, 4);
    FUZZ_CHECK(result.boolean == 0 || result.boolean == 1);
  } else if (code == string_code) {
    bool terminated = false;
    for (std::size_t at = 0; at + unit_size <= size && !terminated; at += unit_size) {
      terminated = std::all_of(value + at, value + at + unit_size, [](std::uint8_t b) { return b == 0; });
    }
    FUZZ_CHECK(terminated);
    for (std::size_t at = 0;; at += unit_size) {
      char16_t unit = 0;
      std::memcpy(&unit, value + at, unit_size);  // little-endian: a byte is the low half
      if (unit == 0) break;
      result.text += unit;
    }
  } else {
    FUZZ_CHECK(code == NAMEFOLD_FT_NO_SUCH_FIELD || code == NAMEFOLD_FT_FILE_ERROR);
    // A refusal writes nothing.
    FUZZ_CHECK(std::all_of(buffer.begin(), buffer.end(), [](std::uint8_t b) { return b == kFill; }));
  }
  return result;
}

void Run(const std::uint8_t* data, std::size_t size) {
  FuzzInput input(data, size);
  const int field = FieldIndex(input);
  const int maxlen = BufferLength(input);
  const std::string bytes = input.RestBytes();

  // The path as UTF-16 units, up to the first zero unit.
  std::u16string path(bytes.size() / 2, u'\0');
  std::memcpy(path.data(), bytes.data(), path.size() * 2);
  path.resize(std::u16string_view(path.c_str()).size());
  const Result wide = CallWithGuards(maxlen, NAMEFOLD_FT_WIDE_STRING, 2, [&](void* value) {
    return GetValueW(path.c_str(), field, value, maxlen);
  });
  if (path.size() <= 3) {
    FUZZ_CHECK(wide.code == NAMEFOLD_FT_FILE_ERROR);
  } else if (field < 0 || field > 4) {
    FUZZ_CHECK(wide.code == NAMEFOLD_FT_NO_SUCH_FIELD);
  } else if (wide.code == NAMEFOLD_FT_WIDE_STRING && maxlen >= (field <= 2 ? 6 : 4)) {
    // With room for one unit, a name value is never "", "." or "..", nor any run of dots.
    FUZZ_CHECK(wide.text.find_first_not_of(u'.') != std::u16string::npos);
  } else if (wide.code == NAMEFOLD_FT_BOOLEAN) {
    // Every code page holds ASCII, so an ASCII path never counts as holding anything else.
    const bool ascii = std::all_of(path.begin(), path.end(), [](char16_t u) { return u < 0x80; });
    if (ascii) FUZZ_CHECK(wide.boolean == 0);
  }

  // The same bytes as an 8-bit path.
  const std::string narrow(bytes.c_str());
  const Result narrow_result = CallWithGuards(maxlen, NAMEFOLD_FT_STRING, 1, [&](void* value) {
    return GetValue(narrow.c_str(), field, value, maxlen);
  });
  if (narrow_result.code == NAMEFOLD_FT_STRING && maxlen >= 2) {
    FUZZ_CHECK(narrow_result.text.find_first_not_of(u'.') != std::u16string::npos);
  }
}

}  // namespace
}  // namespace namefold::fuzz

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  namefold::fuzz::Run(data, size);
  return 0;
}
