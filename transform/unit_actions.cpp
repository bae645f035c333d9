#include "transform/unit_actions.h"

#include <algorithm>
#include <span>

#include "transform/compose.h"
#include "transform/inherent_vowel.h"
#include "transform/native_ranges.h"

namespace namefold {
namespace {

// Whether sequence entries start with the unit `c`.
bool StartsSequence(const ReplacementTables& tables, Unit c) {
  if (tables.sequence == nullptr) return false;
  return tables.index != nullptr ? tables.index->lengths[c] != 0
                                 : tables.sequence->heads[c] != nullptr;
}

// Whether the unit `c` may follow a key in some sequence; any may, without an index to say.
bool MayFollowKey(const ReplacementTables& tables, Unit c) {
  return tables.index == nullptr || (tables.index->followers[c >> 5] >> (c & 31) & 1) != 0;
}

// The step of a unit other than the end, from its replacement and whether sequences start with
// it; a replacement short enough for the common step goes into the pool at `used`.
std::uint32_t StepOf(Unit c, const Unit* replacement, bool starts, bool ascii_kept,
                     UnitActions& actions, std::size_t& used) {
  std::uint32_t step = starts ? kStepStartsSequence | kStepDependsOnNext : 0;
  if (replacement == nullptr) {
    step |= kStepKeep | 1;
    if (!starts && c < 0x80 && ascii_kept) step |= kStepCareful;  // the whole ASCII run at once
    return step;
  }
  std::size_t length = 0;
  while (length <= kStepWidth && replacement[length] != 0) ++length;
  if (length > 1) step |= kStepDependsOnNext;  // a small kana after it cuts it to one unit
  if (length > kStepWidth) return step | kStepCareful;
  std::copy_n(replacement, length, actions.pool + used);
  step |= static_cast<std::uint32_t>(length) | static_cast<std::uint32_t>(used) << kStepOffsetShift;
  used += length;
  return step;
}

}  // namespace

bool ReadsThroughJamo(const SingleCharTable& single, std::span<const UnitRange> native, Unit c) {
  if (!IsHangulSyllable(c) || InRanges(native, c) || single.entries[c] != nullptr) return false;
  auto reads = [&](Unit jamo) {
    return !InRanges(native, jamo) && single.entries[jamo] != nullptr;
  };
  const Jamo jamo = JamoOf(c);
  return reads(jamo.leading) && reads(jamo.vowel) && (jamo.trailing == 0 || reads(jamo.trailing));
}

bool InMedialVowelScript(const ReplacementTables& tables, std::span<const UnitRange> native,
                         Unit c) {
  if (tables.sequence == nullptr || !IsIndic(c) || InRanges(native, c)) return false;
  const MedialRuleSwitch switch_entry = MedialRuleSwitchFor(c);
  const SequenceMatch match = LookUpSequence(tables, switch_entry.units[0], switch_entry.units + 1);
  return match.consumed == 3 && std::u16string_view(match.value) == kMedialRuleValue;
}

bool RespelledByRules(const ReplacementTables& tables, std::span<const UnitRange> native, Unit c) {
  return ReadsThroughJamo(tables.single, native, c) || InMedialVowelScript(tables, native, c);
}

void BuildUnitActions(const ReplacementTables& tables, int code_page, UnitActions& actions) {
  const std::span<const UnitRange> native = NativeRanges(code_page);
  actions.code_page = code_page;
  actions.sequence = tables.sequence;
  actions.index = tables.index;
  // What the rules make of a unit: a native unit has no entry and starts no sequence.
  auto replacement = [&](Unit c) {
    return InRanges(native, c) ? nullptr : tables.single.entries[c];
  };
  // Entries for the name's start are tried there only (below), never as a unit of the name.
  auto starts = [&](Unit c) {
    return c != kNameEdge && !InRanges(native, c) && StartsSequence(tables, c);
  };
  actions.ascii_kept = true;
  for (Unit c = 1; c < 0x80; ++c) {
    if (replacement(c) != nullptr || starts(c)) actions.ascii_kept = false;
  }
  std::size_t used = kStepWidth;  // the pool starts with kStepWidth zero units for kept units
  std::fill_n(actions.pool, kStepWidth, Unit{0});
  for (std::size_t unit = 0; unit < std::size(actions.step); ++unit) {
    const auto c = static_cast<Unit>(unit);
    std::uint32_t step = RoleInComposition(c) != CompositionRole::kStays ? kStepComposing : 0;
    if (IsSmallKana(c) || MayFollowKey(tables, c)) step |= kStepAffectsPrevious;
    if (c == 0) {
      step |= kStepCareful;  // the end
    } else {
      step |= StepOf(c, replacement(c), starts(c), actions.ascii_kept, actions, used);
      if (starts(c) && tables.index == nullptr) step |= kStepCareful;
    }
    actions.step[unit] = step;
  }
  bool respelled = false;  // some unit's step is respelled
  for (std::uint32_t c = kSyllableFirst; c <= kSyllableLast; ++c) {
    if (!ReadsThroughJamo(tables.single, native, static_cast<Unit>(c))) continue;
    // Kept as far as the step tells; entries that start with it never see it.
    std::uint32_t& step = actions.step[c];
    step &= ~(kStepStartsSequence | kStepDependsOnNext);
    step |= kStepRespelled | kStepCareful;
    respelled = true;
  }
  for (std::uint32_t block = kIndicFirst; block < kIndicLast; block += kIndicBlockMask + 1) {
    if (!InMedialVowelScript(tables, {}, static_cast<Unit>(block))) continue;
    for (std::uint32_t c = block; c <= (block | kIndicBlockMask); ++c) {
      if (InRanges(native, static_cast<Unit>(c))) continue;
      actions.step[c] |= kStepRespelled;
      respelled = true;
    }
  }
  std::fill_n(actions.pool + used, kStepWidth, Unit{0});  // read past the last replacement

  actions.respelled_in_sequences = false;
  if (tables.sequence == nullptr) return;
  // Whether an entry whose key is not respelled holds a respelled unit (a pass stops at a key
  // that is; a rule's switch, "//" and a unit, matches no name): the walk ends at the first one.
  actions.respelled_in_sequences = respelled && [&] {
    for (std::size_t key = 0; key < std::size(actions.step); ++key) {
      if ((actions.step[key] & kStepRespelled) != 0) continue;
      for (const SequenceNode* node = tables.sequence->heads[key]; node != nullptr;
           node = node->next) {
        if (key == kNameEdge && node->continuation[0] == kNameEdge) continue;
        for (const Unit* c = node->continuation; *c != 0; ++c) {
          if ((actions.step[*c] & kStepRespelled) != 0) return true;
        }
      }
    }
    return false;
  }();
  for (const SequenceNode* node = tables.sequence->heads[kNameEdge]; node != nullptr;
       node = node->next) {
    const Unit first = node->continuation[0];
    if (!InRanges(native, first)) actions.step[first] |= kStepStartsName;
  }
}

}  // namespace namefold
