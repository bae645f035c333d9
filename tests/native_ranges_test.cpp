#include "transform/native_ranges.h"

#include <gtest/gtest.h>

namespace namefold {
namespace {

TEST(IsReplaceable, RangeBoundsAreInclusive) {
  struct Row {
    int code_page;
    Unit unit;
    bool replaceable;
  };
  const Row rows[] = {
      {1251, 0x0041, false}, {1251, 0x0000, false}, {1251, 0x04FF, false}, {1251, 0x0500, true},
      {1252, 0x0041, true},  {1252, 0x007F, true},  {1252, 0x0080, false}, {1252, 0x00E9, false},
      {1252, 0x00FF, false}, {1252, 0x0100, true},  {1253, 0x036F, true},  {1253, 0x0370, false},
      {1253, 0x03FF, false}, {1253, 0x0400, true},  {1255, 0x0590, true},  {1255, 0x0591, false},
      {1255, 0x05FE, false}, {1255, 0x05FF, true},  {932, 0x3040, true},   {932, 0x3041, false},
      {932, 0x30FF, false},  {932, 0x3100, true},   {932, 0xFEFF, true},   {932, 0xFF00, false},
      {932, 0xFFEF, false},  {932, 0xFFF0, true},   {932, 0x4E00, true},   {932, 0x0041, true},
      {1256, 0x05FF, true},  {1256, 0x0600, false}, {1256, 0x06FF, false}, {1256, 0x0700, true},
      {1256, 0xFB4F, true},  {1256, 0xFB50, false}, {1256, 0xFDFF, false}, {1256, 0xFE00, true},
      {1256, 0xFE6F, true},  {1256, 0xFE70, false}, {1256, 0xFEFF, false}, {1256, 0xFF00, true},
  };
  for (const Row& row : rows) {
    EXPECT_EQ(IsReplaceable(row.code_page, row.unit), row.replaceable)
        << row.code_page << " U+" << std::hex << static_cast<unsigned>(row.unit);
  }
}

TEST(IsReplaceable, CodePagesWithoutRangesReplaceEverything) {
  for (int code_page : {0, 1250, 1254, 1257, 65001, -1, 437}) {
    for (unsigned unit = 0; unit <= 0xFFFF; ++unit) {
      ASSERT_TRUE(IsReplaceable(code_page, static_cast<Unit>(unit))) << code_page << " " << unit;
    }
  }
}

}  // namespace
}  // namespace namefold
