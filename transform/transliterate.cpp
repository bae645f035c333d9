#include "transform/transliterate.h"

#include <span>

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

// The engine's loop, for the native ranges of one code page. With a fixed extent (none for code
// page 0) the range test is a few comparisons rather than a loop over a span.
template <std::size_t kExtent>
std::size_t Rewrite(const ReplacementTables& tables, std::span<const UnitRange, kExtent> native,
                    const Unit* name, Unit* out, std::size_t room) {
  std::size_t n = 0;
  auto append = [&](const Unit* text) {
    while (*text != 0 && n < room) out[n++] = *text++;
  };
  bool sequences = false;  // Loaded is final: once seen, the state need not be read again

  // A full output takes nothing more, so the loop ends there: every unit below has room for one.
  for (std::size_t i = 0; name[i] != 0 && n < room;) {
    const Unit c = name[i];
    if (InRanges(native, c)) {
      out[n++] = c;
      ++i;
      continue;
    }
    // The sequence table may become Loaded while this name is being rewritten.
    if (sequences || (sequences = tables.sequence_state.load(std::memory_order_acquire) == Loaded)) {
      const SequenceMatch match = FindSequence(tables.sequence, c, name + i + 1);
      if (match.value != nullptr) {
        append(match.value);  // the continuation is consumed even where it is native
        i += match.consumed;
        continue;
      }
    }
    const Unit* replacement = tables.single.entries[c];
    if (replacement == nullptr) {
      out[n++] = c;
    } else if (IsSmallKana(name[i + 1])) {
      if (replacement[0] != 0) out[n++] = replacement[0];  // き+ゃ: k + ya
    } else {
      append(replacement);
    }
    ++i;
  }
  out[n] = 0;
  return n;
}

}  // namespace

std::size_t TransliterateInto(const ReplacementTables& tables, int code_page, const Unit* name,
                              Unit* out, std::size_t limit) {
  const auto native = NativeRanges(code_page);
  // Appending only ever extends the result, so stopping at `limit` gives the same units as
  // filling the whole capacity and cutting afterwards.
  const std::size_t room = limit < kTransliterateCapacity - 1 ? limit : kTransliterateCapacity - 1;
  switch (native.size()) {  // NativeRanges gives at most three
    case 0: return Rewrite(tables, std::span<const UnitRange, 0>(), name, out, room);
    case 1: return Rewrite(tables, native.first<1>(), name, out, room);
    case 2: return Rewrite(tables, native.first<2>(), name, out, room);
    case 3: return Rewrite(tables, native.first<3>(), name, out, room);
    default: return Rewrite(tables, native, name, out, room);
  }
}

void Transliterate(const ReplacementTables& tables, int code_page, Unit* name, std::size_t limit) {
  Unit out[kTransliterateCapacity];
  (void)TransliterateInto(tables, code_page, name, out, kTransliterateCapacity - 1);
  CopyBoundedWide(name, out, limit);
}

}  // namespace namefold
