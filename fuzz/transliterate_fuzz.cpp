// The transliteration engine with fuzzed tables, code page, limit and name.
#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <optional>
#include <vector>

#include "fuzz/fuzz_input.h"
#include "tables/sequence_index.h"
#include "tables/sequence_table.h"
#include "tables/single_char_table.h"
#include "transform/native_ranges.h"
#include "transform/transliterate.h"
#include "transform/unit_actions.h"

namespace namefold::fuzz {
namespace {

// The code pages with native ranges, one without (1250), and 0: every unit replaceable.
constexpr int kCodePages[] = {0, 932, 1250, 1251, 1252, 1253, 1255, 1256, 65001};
constexpr std::size_t kLimits[] = {0, 1, 2, 3, 7, 64, 1023, 2046, 2047, 2048, 4000};

// The engine with the sequence index and the unit actions gives what the plain engine gives,
// writing no further than the limit: the destination holds exactly limit + 1 units.
void CheckPreparedEngine(const SingleCharTable& single, const SequenceTable& sequence,
                         bool sequence_loaded, int code_page, const std::u16string& name,
                         std::size_t limit) {
  static UnitActions* const actions = new UnitActions{};
  SequenceIndex index{};
  if (!BuildSequenceIndex(sequence, index)) return;
  const SequenceTable* loaded = sequence_loaded ? &sequence : nullptr;
  const ReplacementTables plain{single, loaded};
  const ReplacementTables fast{single, loaded, loaded != nullptr ? &index : nullptr, actions};
  BuildUnitActions(fast, code_page, *actions);
  const std::size_t room = std::min(limit, kTransliterateCapacity - 1);
  std::vector<Unit> expected(room + 1), actual(room + 1);
  const std::size_t length = TransliterateInto(plain, code_page, name.c_str(), expected);
  FUZZ_CHECK(TransliterateInto(fast, code_page, name.c_str(), actual) == length);
  FUZZ_CHECK(std::equal(expected.begin(), expected.begin() + length + 1, actual.begin()));
  // The one pass over a name that may not be composed: the same, or a request to compose it.
  const std::optional<std::size_t> one_pass =
      TransliterateUncomposedInto(fast, code_page, name.c_str(), actual);
  if (one_pass) {
    FUZZ_CHECK(*one_pass == length);
    FUZZ_CHECK(std::equal(expected.begin(), expected.begin() + length + 1, actual.begin()));
  }
  ReleaseSequenceIndex(index);
}

void Run(const std::uint8_t* data, std::size_t size) {
  // 512 KiB each: kept between inputs; only the entries of the units the table texts hold can be
  // set, and only those are cleared afterwards.
  static SingleCharTable* const single = new SingleCharTable{};
  static SequenceTable* const sequence = new SequenceTable{};

  FuzzInput input(data, size);
  const int code_page = kCodePages[input.Byte() % std::size(kCodePages)];
  const std::size_t limit = kLimits[input.Byte() % std::size(kLimits)];
  const bool sequence_loaded = (input.Byte() & 1) != 0;
  // The prepared engine for one input in 32, chosen by a hash of the whole input, so that the
  // fuzzer cannot learn to ask for it: building the actions takes a while.
  std::uint32_t hash = 2166136261u;
  for (std::size_t i = 0; i < size; ++i) hash = (hash ^ data[i]) * 16777619u;
  const bool prepared = (hash >> 27) == 0;
  const std::u16string single_file = input.Units();
  const std::u16string sequence_file = input.Units();
  Unit* const single_text = MallocText(single_file);
  ParseSingleCharTable(single_text, *single);
  ParseSequenceTable(MallocText(sequence_file), *sequence);
  std::u16string name = input.RestUnits();
  name.resize(std::min(name.size(), name.find(u'\0')));

  // Exactly the room the engine may use: limit + 1 units.
  std::vector<Unit> buffer(limit + 1, 0xBEEF);
  const std::size_t written = TransliterateInto({*single, sequence_loaded ? sequence : nullptr},
                                                code_page, name.c_str(), buffer);

  const std::size_t length = std::u16string_view(buffer.data()).size();
  FUZZ_CHECK(length == written && length <= limit && length < kTransliterateCapacity);
  const std::size_t room = std::min(limit, kTransliterateCapacity - 1);

  bool has_single = false;
  for (const Unit key : single_file) has_single = has_single || single->entries[key] != nullptr;
  if (!has_single && !sequence_loaded) {  // nothing to replace with: the name, cut
    FUZZ_CHECK(std::u16string_view(buffer.data()) ==
               std::u16string_view(name).substr(0, std::min(name.size(), room)));
  }
  if (!sequence_loaded && length < room) {
    // Native units are never replaced: they appear in the result in their order.
    const auto native = NativeRanges(code_page);
    std::size_t at = 0;
    for (Unit unit : name) {
      if (!InRanges(native, unit)) continue;
      while (at < length && buffer[at] != unit) ++at;
      FUZZ_CHECK(at < length);
      ++at;
    }
  }
  if (prepared) CheckPreparedEngine(*single, *sequence, sequence_loaded, code_page, name, limit);

  for (const Unit key : single_file) single->entries[key] = nullptr;
  for (const Unit key : sequence_file) {
    while (SequenceNode* node = sequence->heads[key]) {
      sequence->heads[key] = node->next;
      std::free(node);
    }
  }
  std::free(single_text);
}

}  // namespace
}  // namespace namefold::fuzz

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  namefold::fuzz::Run(data, size);
  return 0;
}
