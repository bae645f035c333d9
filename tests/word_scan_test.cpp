#include "transform/word_scan.h"

#include <gtest/gtest.h>

#include <random>
#include <string>

namespace namefold {
namespace {

// The word and block scans against a plain unit-by-unit loop, on random texts at every alignment,
// made of units at the edges that their bit tests separate, after units that end a run.
TEST(AsciiRunLength, AgreesWithAUnitByUnitScan) {
  constexpr Unit kUnits[] = {u'a', u'/', u'\\', 0x7F, 0x80, 0xFF, 0x100, 0x2F00, 0x8000, 0xFFFF};
  std::mt19937 random(17);
  for (int round = 0; round < 20000; ++round) {
    const std::size_t offset = random() % 8;  // the text starts at each alignment in turn
    std::u16string text(offset, u'\x80');
    if (offset > 0) text[0] = 0;
    for (auto n = random() % 24; n > 0; --n) {
      text += random() % 3 == 0 ? kUnits[random() % std::size(kUnits)] : u'a';
    }
    const Unit* start = text.c_str() + offset;
    std::size_t ascii = 0;
    while (start[ascii] >= 1 && start[ascii] <= 0x7F) ++ascii;
    ASSERT_EQ(AsciiRunLength(start), ascii) << "round " << round;
    ASSERT_EQ(AsciiRunLengthByWords(start), ascii) << "round " << round;
  }
}

// The block scan for the last separator against the unit-by-unit one, at every alignment, with
// separators and terminators at every place of a block.
TEST(LastComponent, AgreesWithAUnitByUnitScan) {
  constexpr Unit kUnits[] = {u'a', u'/', u'/', 0x2F00, 0x002E, 0xFF2F, 0xFFFF};
  std::mt19937 random(17);
  for (int round = 0; round < 20000; ++round) {
    const std::size_t offset = random() % 8;
    // Separators and terminators before the path are not its own.
    std::u16string text;
    for (std::size_t k = 0; k < offset; ++k) text += k + 1 == offset ? u'x' : u"\0/x"[random() % 3];
    for (auto n = random() % 40; n > 0; --n) text += kUnits[random() % std::size(kUnits)];
    text += std::u16string_view(u"\0///////", 1 + random() % 8);  // ends before these separators
    const Unit* start = text.c_str() + offset;
    const Unit *end = nullptr, *expected_end = nullptr;
    const Unit* expected = NamePart(start, u'/', &expected_end);
    ASSERT_EQ(LastComponent(start, u'/', &end), expected) << "round " << round;
    ASSERT_EQ(end, expected_end) << "round " << round;
  }
}

}  // namespace
}  // namespace namefold
