// The single-character table parser on arbitrary file contents, then every entry looked up.
#include <cstddef>
#include <cstdint>
#include <cstring>

#include "fuzz/fuzz_input.h"
#include "tables/single_char_table.h"

namespace namefold::fuzz {
namespace {

bool IsLineBreak(Unit unit) { return unit == u'\r' || unit == u'\n'; }

void Run(const std::uint8_t* data, std::size_t size) {
  // 512 KiB: kept between inputs, and only the entries of the units an input holds are looked
  // at and cleared, since a key is always a unit of the text.
  static SingleCharTable* const table = new SingleCharTable{};

  // The units the loader hands over for a file of `size` bytes: an odd last byte is ignored.
  FuzzInput input(data, size);
  const std::u16string original = input.RestUnits();
  Unit* const text = MallocText(original);
  const Unit* const end = text + original.size();  // the terminator
  ParseSingleCharTable(text, *table);

  for (const Unit key : original) {
    const Unit* value = table->entries[key];
    if (value == nullptr) continue;
    FUZZ_CHECK(value >= text + 2 && value <= end);
    const std::size_t at = static_cast<std::size_t>(value - text);
    // Each entry was made from "K=" in the file, its value starting right after the "=".
    FUZZ_CHECK(original[at - 1] == u'=' && original[at - 2] == key);
    const Unit* p = value;
    for (; *p != 0; ++p) {
      // A value ends at its line's break, unless the key itself is a break (a line that begins
      // with "="), whose value runs on to a later terminator.
      FUZZ_CHECK(IsLineBreak(key) || !IsLineBreak(*p));
    }
    FUZZ_CHECK(p <= end);
  }
  for (const Unit key : original) table->entries[key] = nullptr;
  std::free(text);
}

}  // namespace
}  // namespace namefold::fuzz

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  namefold::fuzz::Run(data, size);
  return 0;
}
