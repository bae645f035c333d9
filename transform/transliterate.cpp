#include "transform/transliterate.h"

#include "tables/load_state.h"
#include "transform/native_ranges.h"

namespace namefold {
namespace {

// Hiragana and katakana small ya, yu, yo.
constexpr bool IsSmallKana(Unit unit) {
  switch (unit) {
    case 0x3083: case 0x3085: case 0x3087: case 0x30E3: case 0x30E5: case 0x30E7: return true;
    default: return false;
  }
}

}  // namespace

std::size_t TransliterateInto(const ReplacementTables& tables, int code_page, const Unit* name,
                              Unit* out, std::size_t limit) {
  const auto native = NativeRanges(code_page);
  // Appending only ever extends the result, so stopping at `limit` gives the same units as
  // filling the whole capacity and cutting afterwards.
  const std::size_t room = limit < kTransliterateCapacity - 1 ? limit : kTransliterateCapacity - 1;
  std::size_t n = 0;
  auto append = [&](const Unit* text) {
    while (*text != 0 && n < room) out[n++] = *text++;
  };

  for (std::size_t i = 0; name[i] != 0;) {
    const Unit c = name[i];
    if (InRanges(native, c)) {
      if (n < room) out[n++] = c;
      ++i;
      continue;
    }
    // The sequence table may become Loaded while this name is being rewritten.
    if (tables.sequence_state.load(std::memory_order_acquire) == Loaded) {
      const SequenceMatch match = FindSequence(tables.sequence, c, name + i + 1);
      if (match.value != nullptr) {
        append(match.value);  // the continuation is consumed even where it is native
        i += match.consumed;
        continue;
      }
    }
    const Unit* replacement = tables.single.entries[c];
    if (replacement == nullptr) {
      if (n < room) out[n++] = c;
    } else if (IsSmallKana(name[i + 1])) {
      if (replacement[0] != 0 && n < room) out[n++] = replacement[0];  // き+ゃ: k + ya
    } else {
      append(replacement);
    }
    ++i;
  }
  out[n] = 0;
  return n;
}

void Transliterate(const ReplacementTables& tables, int code_page, Unit* name, std::size_t limit) {
  Unit out[kTransliterateCapacity];
  (void)TransliterateInto(tables, code_page, name, out, kTransliterateCapacity - 1);
  CopyBoundedWide(name, out, limit);
}

}  // namespace namefold
