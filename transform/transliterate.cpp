// The transliteration engine. Which path rewrites a name:
//
//   ProcessReplacementTables(rules)      the unit actions of the rules: ready, or not yet
//     |
//     +- ready (every call but the first few)
//     |    TransliterateUncomposedInto   RewriteWithActions<kUncomposed>: one pass that rewrites
//     |      |                           the name and stops at the first unit composition may
//     |      |                           change, or that the rules respell
//     |      +- may compose              ComposeName, then TransliterateInto:
//     |      |                           RewriteWithActions<kComposed> over the composed name
//     |      +- respell                  RewriteRespelled: the name as the rules respell it (Hangul
//     |                                  syllables as jamo, a virama where an Indic word drops
//     |                                  its inherent vowel), then RewriteWithActions<kRespelled>
//     |    Every pass runs RunSteps, the common step of transform/unit_actions.h, until a unit
//     |    whose step is careful; there the loop around it decides (ASCII run, sequence look-up,
//     |    kana rule). The composed pass hands a name to RewriteRespelled as the first does.
//     |
//     +- not ready (tables loading, actions being built by another caller, every slot taken)
//          ComposeName, then TransliterateInto: RewritePlain respells the name as the rules say,
//          then Rewrite<kExtent>, the plain walk, unit by unit: native-range test, sequence
//          look-up, single-character entry.
//
// Every path first tries the entries for the name's start ("/" and the name's first units), and
// a look-up at the name's last unit also finds the entries for its end.
//
// The plain walk is the reference: tests/transliterate_test.cpp and fuzz/transliterate_fuzz.cpp
// check that the prepared paths give what it gives. The code-page folds (fold.cpp) have the same
// two ways: the prepared map of each unit, or FoldUnitByUnit while the map is being built.
#include "transform/transliterate.h"

#include <algorithm>
#include <cstring>
#include <optional>
#include <span>

#include "tables/once.h"
#include "tables/table_files.h"
#include "transform/compose.h"
#include "transform/inherent_vowel.h"
#include "transform/native_ranges.h"
#include "transform/unit_actions.h"
#include "transform/word_scan.h"

namespace namefold {

SequenceMatch LookUpSequence(const ReplacementTables& tables, Unit key, const Unit* rest) {
  return tables.index != nullptr ? FindIndexedSequence(*tables.index, key, rest)
                                 : FindSequence(*tables.sequence, key, rest);
}

namespace {

// What a pass with the unit actions answers for a name it leaves to another path: one that
// composition may change, or a composed one that the rules respell before they read it.
constexpr std::size_t kComposeFirst = static_cast<std::size_t>(-1);
constexpr std::size_t kRespellFirst = static_cast<std::size_t>(-2);

// The units of a respelled name: three for each Hangul syllable, two for each Indic consonant,
// as far as a name of kTransliterateCapacity units goes.
constexpr std::size_t kRespelledCapacity = 3 * kTransliterateCapacity;

// Whether the single-character table reads `unit` as nothing.
inline bool ReadsAsNothing(const SingleCharTable& single, Unit unit) {
  return single.entries[unit] != nullptr && single.entries[unit][0] == 0;
}

// Appends the text of zero-terminated `text` to `out` while `n` stays below `room`.
inline void Append(const Unit* text, Unit* out, std::size_t& n, std::size_t room) {
  while (*text != 0 && n < room) out[n++] = *text++;
}

// The single-character step for the non-native unit at name[i]: its replacement (only the first
// unit of it before a small kana), or the unit itself without an entry.
inline void ReplaceSingle(const SingleCharTable& single, const Unit* name, std::size_t i, Unit* out,
                          std::size_t& n, std::size_t room) {
  const Unit* replacement = single.entries[name[i]];
  if (replacement == nullptr) {
    out[n++] = name[i];
  } else if (IsSmallKana(name[i + 1])) {
    if (replacement[0] != 0) out[n++] = replacement[0];  // き+ゃ: k + ya
  } else {
    Append(replacement, out, n, room);
  }
}

// `name` as the rules respell it before they read it: each Hangul syllable for which
// `respelled` holds written as its jamo, and a virama after each Indic consonant for which it
// holds whose inherent vowel its word loses inside it (transform/inherent_vowel.h). A word of
// one such consonant keeps its vowel: where `mark_kept`, a zero-width non-joiner after it, which
// the tables read as nothing, keeps the word-end entries from taking it. `name` itself when that
// changes nothing; otherwise the respelled name in `buffer` (its size counts the terminator), as
// far as whole units fit.
template <typename Respelled>
const Unit* RespellName(const Unit* name, std::span<Unit> buffer, bool mark_kept,
                        Respelled&& respelled) {
  const Unit* p = name;
  while (*p != 0 && !respelled(*p)) ++p;
  if (*p == 0) return name;
  const std::size_t room = buffer.size() - 1;
  Unit* const out = buffer.data();
  std::size_t n = 0;
  bool writing = false;  // the units before p are in `buffer`, as far as they fit
  const auto start_writing = [&] {
    n = std::min(static_cast<std::size_t>(p - name), room);
    CopyUnits(name, n, out);
    writing = true;
  };
  std::uint16_t drops[kMedialWordCapacity];
  for (p = name; *p != 0 && n + 3 <= room;) {
    if (IsHangulSyllable(*p) && respelled(*p)) {
      if (!writing) start_writing();
      const Jamo jamo = JamoOf(*p++);
      out[n++] = jamo.leading;
      out[n++] = jamo.vowel;
      if (jamo.trailing != 0) out[n++] = jamo.trailing;
    } else if (IsIndicWordUnit(*p)) {
      const MedialDrops word = FindMedialDrops(p, drops);
      if (word.count != 0 && !writing) start_writing();
      if (!writing) {
        p += word.length;
        continue;
      }
      std::size_t next = 0;  // the next drop
      for (std::size_t k = 0; k < word.length && n + 2 <= room; ++k) {
        out[n++] = p[k];
        if (next == word.count || drops[next] != k + 1) continue;
        ++next;
        const Unit consonant = (p[k] & kIndicBlockMask) == kNuktaPlace ? p[k - 1] : p[k];
        if (!respelled(consonant)) continue;
        if (!word.kept) {
          out[n++] = ViramaOf(consonant);
        } else if (mark_kept) {
          out[n++] = kZeroWidthNonJoiner;
        }
      }
      p += word.length;
    } else {
      if (writing) out[n++] = *p;
      ++p;
    }
  }
  if (!writing) return name;
  out[n] = 0;
  return out;
}

// The match of an entry for the name's start ("/" and the units it begins with), or none.
SequenceMatch LookUpNameStart(const ReplacementTables& tables, const Unit* name) {
  return LookUpSequence(tables, kNameEdge, name);
}

// The engine's loop, for the native ranges of one code page. With a fixed extent (none for code
// page 0) the range test is a few comparisons rather than a loop over a span.
template <std::size_t kExtent>
std::size_t Rewrite(const ReplacementTables& tables, std::span<const UnitRange, kExtent> native,
                    const Unit* name, Unit* out, std::size_t room) {
  std::size_t n = 0;
  std::size_t i = 0;
  if (tables.sequence != nullptr && name[0] != 0 && !InRanges(native, name[0])) {
    const SequenceMatch match = LookUpNameStart(tables, name);
    if (match.value != nullptr) {
      Append(match.value, out, n, room);
      i = match.consumed - 1;  // the "/" is no unit of the name
    }
  }

  // A full output takes nothing more, so the loop ends there: every unit below has room for one.
  while (name[i] != 0 && n < room) {
    const Unit c = name[i];
    if (InRanges(native, c)) {
      out[n++] = c;
      ++i;
      continue;
    }
    if (tables.sequence != nullptr && c != kNameEdge) {
      const SequenceMatch match = LookUpSequence(tables, c, name + i + 1);
      if (match.value != nullptr) {
        Append(match.value, out, n, room);  // the continuation is consumed even where it is native
        i += match.consumed;
        continue;
      }
    }
    ReplaceSingle(tables.single, name, i, out, n, room);
    ++i;
  }
  out[n] = 0;
  return n;
}

// Whether composition changes the name at its unit `i`: the unit's step says when it may.
bool MayComposeAt(const UnitActions& actions, const Unit* name, std::size_t i) {
  return (actions.step[name[i]] & kStepComposing) != 0 && ComposesAt(name, i);
}

// The same for the `count` units from `i` on.
bool AnyMayCompose(const UnitActions& actions, const Unit* name, std::size_t i, std::size_t count) {
  for (const std::size_t end = i + count; i < end && name[i] != 0; ++i) {
    if (MayComposeAt(actions, name, i)) return true;
  }
  return false;
}

// Whether the `count` units from `i` on hold a unit that the rules respell.
bool AnyRespelled(const UnitActions& actions, const Unit* name, std::size_t i, std::size_t count) {
  for (const std::size_t end = i + count; i < end && name[i] != 0; ++i) {
    if ((actions.step[name[i]] & kStepRespelled) != 0) return true;
  }
  return false;
}

// The passes with the unit actions: over a name that may not be composed yet, over a composed
// one, and over a respelled one.
enum class Pass { kUncomposed, kComposed, kRespelled };

// What a pass answers at name[i], a unit the rules respell, for a name it has found no unit
// before `i` that composition may change.
template <Pass kPass>
[[gnu::noinline]] std::size_t LeaveToRespelling(const UnitActions& actions, const Unit* name,
                                                std::size_t i) {
  if (kPass == Pass::kUncomposed && AnyMayCompose(actions, name, i, kTransliterateCapacity)) {
    return kComposeFirst;
  }
  return kRespellFirst;
}

// Whether a pass leaves a match of the `count` units from `i` on to another path, and to which:
// composition may change them, or some unit among them is respelled. 0 when it does not.
template <Pass kPass>
[[gnu::always_inline]] inline std::size_t LeavesMatch(const UnitActions& actions, const Unit* name,
                                                      std::size_t i, std::size_t count) {
  if (kPass == Pass::kRespelled) return 0;
  if (kPass == Pass::kUncomposed && AnyMayCompose(actions, name, i, count)) return kComposeFirst;
  if (actions.respelled_in_sequences && AnyRespelled(actions, name, i, count)) {
    return LeaveToRespelling<kPass>(actions, name, i);
  }
  return 0;
}

// The common steps from name[i] on, while `out` has room for kStepWidth + 1 more units: no branch
// on what a unit becomes, only on whether it needs the careful path, where they stop.
template <std::uint32_t kStop>
inline void RunSteps(const UnitActions& actions, const Unit* name, std::size_t& i, Unit* out,
                     std::size_t& n, std::size_t room) {
  if (room - n <= kStepWidth) return;
  const Unit* p = name + i;
  Unit* o = out + n;
  for (Unit* const end = out + room - kStepWidth; o < end; ++p) {
    const Unit c = *p;
    const std::uint32_t step = actions.step[c];
    if ((step & kStop) != 0) break;
    // p[1] is readable: c is not the terminator, which is careful. Its step is the next one's
    // anyway; testing the pair costs no branch on what the unit is.
    if (((step << 1) & actions.step[p[1]] & kStepAffectsPrevious) != 0) break;
    // The unit itself, then its replacement over it, or the zero units of a kept unit after it.
    *o = c;
    std::memcpy(o + ((step >> kStepKeepShift) & 1), actions.pool + (step >> kStepOffsetShift),
                kStepWidth * sizeof(Unit));
    o += step & kStepLengthMask;
  }
  i = static_cast<std::size_t>(p - name);
  n = static_cast<std::size_t>(o - out);
}

// The same loop when the actions of the rules are known: one table access tells a unit that is
// copied as it is from one that needs a look-up, and the end of the name from both. Over a name
// that may not be composed yet (Pass::kUncomposed), the first unit that composition may change
// ends the call with kComposeFirst (units that a sequence consumes and those past a full output
// included). Over a name as it is, the first unit that the rules respell ends it with
// kRespellFirst, or kComposeFirst when composition may yet change the rest; over the respelled
// name, such units are read as their other flags say.
template <Pass kPass>
std::size_t RewriteWithActions(const ReplacementTables& tables, const UnitActions& actions,
                               const Unit* name, Unit* out, std::size_t room) {
  constexpr bool kUncomposed = kPass == Pass::kUncomposed;
  constexpr std::uint32_t kStop = kStepCareful | (kUncomposed ? kStepComposing : 0) |
                                  (kPass != Pass::kRespelled ? kStepRespelled : 0);
  std::size_t n = 0;
  std::size_t i = 0;
  if ((actions.step[name[0]] & kStepStartsName) != 0) {
    const SequenceMatch match = LookUpNameStart(tables, name);
    if (match.value != nullptr) {
      const std::size_t left = LeavesMatch<kPass>(actions, name, 0, match.consumed - 1);
      if (left != 0) return left;
      Append(match.value, out, n, room);
      i = match.consumed - 1;
    }
  }
  for (;;) {
    RunSteps<kStop>(actions, name, i, out, n, room);
    const Unit c = name[i];
    const std::uint32_t step = actions.step[c];
    if (n == room) {
      if (kUncomposed && AnyMayCompose(actions, name, i, kTransliterateCapacity)) {
        return kComposeFirst;
      }
      // An entry tried before `i` may read further in the respelled name.
      if (kPass != Pass::kRespelled && AnyRespelled(actions, name, i, kSequenceUnitsKept)) {
        return kRespellFirst;
      }
      break;
    }
    if (c == 0) break;
    if (kUncomposed && MayComposeAt(actions, name, i)) return kComposeFirst;
    if (kPass != Pass::kRespelled && (step & kStepRespelled) != 0) {
      return LeaveToRespelling<kPass>(actions, name, i);
    }
    if ((step & (kStepKeep | kStepStartsSequence)) == kStepKeep) {
      if (c < 0x80 && actions.ascii_kept) {  // no table touches ASCII: copy the whole run
        std::size_t run = AsciiRunLength(name + i);
        if (run > room - n) run = room - n;
        CopyUnits(name + i, run, out + n);
        n += run;
        i += run;
      } else {
        out[n++] = c;
        ++i;
      }
      continue;
    }
    if ((step & kStepStartsSequence) != 0) {
      const SequenceMatch match = LookUpSequence(tables, c, name + i + 1);
      if (match.value != nullptr) {
        const std::size_t left = LeavesMatch<kPass>(actions, name, i + 1, match.consumed - 1);
        if (left != 0) return left;
        Append(match.value, out, n, room);
        i += match.consumed;
        continue;
      }
    }
    ReplaceSingle(tables.single, name, i, out, n, room);
    ++i;
  }
  out[n] = 0;
  return n;
}

// The actions of the process's tables, one slot per rule set in use: code page 0 and the system's.
OnceSlots<UnitActions, 3> process_actions;

ReplacementTables TablesWith(const UnitActions& actions) {
  return {kProcessSingleCharTable, actions.sequence, actions.index, &actions};
}

// The first calls, until the actions of the rules are ready.
[[gnu::noinline]] std::optional<ReplacementTables> PrepareReplacementTables(int rules_code_page) {
  (void)EnsureSequenceTable();
  if (!EnsureSingleCharTable()) return std::nullopt;
  const SequenceSnapshot sequences = ProcessSequenceTable();
  const ReplacementTables tables{kProcessSingleCharTable, sequences.table, sequences.index};
  // While another caller still loads the sequence table it may yet appear: until then every call
  // decides unit by unit.
  if (!sequences.settled) return tables;
  const UnitActions* actions = BuildOnceFor(
      process_actions, static_cast<std::uint32_t>(rules_code_page), [&](UnitActions& fresh) {
        BuildUnitActions(tables, rules_code_page, fresh);
        return true;
      });
  return actions != nullptr ? TablesWith(*actions) : tables;
}

// Units of the result that fit in `destination`, besides the terminator. Appending only ever
// extends the result, so stopping there gives the same units as cutting afterwards.
std::size_t RoomIn(std::span<Unit> destination) {
  return std::min(destination.size(), kTransliterateCapacity) - 1;
}

// The pass with the unit actions over the composed name as the rules respell it.
[[gnu::noinline]] std::size_t RewriteRespelled(const ReplacementTables& tables,
                                               const UnitActions& actions, const Unit* name,
                                               Unit* out, std::size_t room) {
  Unit respelled[kRespelledCapacity + 1];
  name = RespellName(name, respelled, ReadsAsNothing(tables.single, kZeroWidthNonJoiner),
                     [&](Unit c) { return (actions.step[c] & kStepRespelled) != 0; });
  return RewriteWithActions<Pass::kRespelled>(tables, actions, name, out, room);
}

// The plain walk over the name as the rules respell it.
[[gnu::noinline]] std::size_t RewritePlain(const ReplacementTables& tables, int code_page,
                                           const Unit* name, Unit* out, std::size_t room) {
  const auto native = NativeRanges(code_page);
  Unit respelled[kRespelledCapacity + 1];
  name = RespellName(name, respelled, ReadsAsNothing(tables.single, kZeroWidthNonJoiner),
                     [&](Unit c) { return RespelledByRules(tables, native, c); });
  switch (native.size()) {  // NativeRanges gives at most three
    case 0:
      return Rewrite(tables, std::span<const UnitRange, 0>(), name, out, room);
    case 1:
      return Rewrite(tables, native.first<1>(), name, out, room);
    case 2:
      return Rewrite(tables, native.first<2>(), name, out, room);
    case 3:
      return Rewrite(tables, native.first<3>(), name, out, room);
    default:
      return Rewrite(tables, native, name, out, room);
  }
}

}  // namespace

std::optional<ReplacementTables> ProcessReplacementTables(int rules_code_page) {
  const auto key = static_cast<std::uint32_t>(rules_code_page);
  if (const UnitActions* actions = FindBuilt(process_actions, key)) return TablesWith(*actions);
  return PrepareReplacementTables(rules_code_page);
}

std::size_t TransliterateInto(const ReplacementTables& tables, int code_page, const Unit* name,
                              std::span<Unit> destination) {
  if (destination.empty()) return 0;
  const std::size_t room = RoomIn(destination);
  Unit* const out = destination.data();
  if (tables.actions == nullptr || tables.actions->code_page != code_page) {
    return RewritePlain(tables, code_page, name, out, room);
  }
  const std::size_t length =
      RewriteWithActions<Pass::kComposed>(tables, *tables.actions, name, out, room);
  if (length != kRespellFirst) return length;
  return RewriteRespelled(tables, *tables.actions, name, out, room);
}

std::optional<std::size_t> TransliterateUncomposedInto(const ReplacementTables& tables,
                                                       int code_page, const Unit* name,
                                                       std::span<Unit> destination) {
  if (tables.actions == nullptr || tables.actions->code_page != code_page) return std::nullopt;
  if (destination.empty()) return 0;
  Unit* const out = destination.data();
  const std::size_t room = RoomIn(destination);
  const std::size_t length =
      RewriteWithActions<Pass::kUncomposed>(tables, *tables.actions, name, out, room);
  if (length == kComposeFirst) return std::nullopt;
  if (length == kRespellFirst) return RewriteRespelled(tables, *tables.actions, name, out, room);
  return length;
}

}  // namespace namefold
