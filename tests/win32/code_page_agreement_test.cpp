// Checks the data-driven fold used off Windows against the Windows API itself, unit by unit.
#include <windows.h>

#include <gtest/gtest.h>

#include <span>
#include <string>
#include <vector>

#include "platform/posix/code_pages.h"

namespace namefold::platform {
namespace {

static_assert(sizeof(wchar_t) == sizeof(Unit));

constexpr int kUtf8 = 65001;

// The round trip the library makes on Windows, over a whole run of units at once.
std::vector<Unit> WindowsFold(int code_page, std::span<const Unit> units) {
  const auto cp = static_cast<UINT>(code_page);
  const auto* wide = reinterpret_cast<const wchar_t*>(units.data());
  const int count = static_cast<int>(units.size());
  const char* default_char = code_page == kUtf8 ? nullptr : "_";  // refused under UTF-8
  std::string bytes(4 * units.size(), '\0');
  const int byte_count = WideCharToMultiByte(cp, 0, wide, count, bytes.data(),
                                             static_cast<int>(bytes.size()), default_char, nullptr);
  std::vector<Unit> back(2 * units.size() + 1);
  const int back_count = byte_count <= 0
                             ? 0
                             : MultiByteToWideChar(cp, 0, bytes.data(), byte_count,
                                                   reinterpret_cast<wchar_t*>(back.data()),
                                                   static_cast<int>(back.size()));
  back.resize(static_cast<std::size_t>(back_count));
  return back;
}

struct UnitRun {
  const char* name;
  std::vector<Unit> units;
};

std::vector<Unit> Span(unsigned first, unsigned last) {
  std::vector<Unit> units;
  for (unsigned unit = first; unit <= last; ++unit) units.push_back(static_cast<Unit>(unit));
  return units;
}

// Every BMP unit, surrogates alone and in every pair, and a few mixtures; each run is folded in
// one call, which also shows that a unit folds the same whatever its neighbours.
std::vector<UnitRun> MakeRuns() {
  std::vector<UnitRun> runs = {
      {.name = "below the surrogates", .units = Span(0x0000, 0xD7FF)},
      {.name = "above the surrogates", .units = Span(0xE000, 0xFFFF)},
      {.name = "high surrogates alone", .units = Span(0xD800, 0xDBFF)},
      {.name = "low surrogates alone", .units = Span(0xDC00, 0xDFFF)},
      {.name = "every surrogate pair", .units = {}},
      {.name = "mixtures",
       .units = {0xD800, u'a', 0xDC00, 0xD800, 0xD801, 0xDC01, 0xDC00, 0xD800, 0x00E9, 0xDBFF}},
  };
  std::vector<Unit>& pairs = runs[4].units;
  for (unsigned high = 0xD800; high <= 0xDBFF; ++high) {
    for (unsigned low = 0xDC00; low <= 0xDFFF; ++low) {
      pairs.push_back(static_cast<Unit>(high));
      pairs.push_back(static_cast<Unit>(low));
    }
  }
  return runs;
}

class CodePageAgreement : public testing::TestWithParam<int> {};

TEST_P(CodePageAgreement, EveryUnitFoldsAsOnWindows) {
  static const std::vector<UnitRun> runs = MakeRuns();
  const int code_page = GetParam();
  int disagreements = 0;
  for (const UnitRun& run : runs) {
    SCOPED_TRACE(run.name);
    const std::vector<Unit> windows = WindowsFold(code_page, run.units);
    ASSERT_EQ(windows.size(), run.units.size()) << "Windows did not give one unit per unit";
    std::vector<Unit> ours(run.units.size());
    ASSERT_TRUE(FoldKnownCodePage(code_page, run.units.data(), run.units.size(), ours.data()));
    for (std::size_t i = 0; i < ours.size(); ++i) {
      if (ours[i] != windows[i] && ++disagreements <= 5) {
        ADD_FAILURE() << std::hex << "unit " << +run.units[i] << " at " << i << ": Windows gives "
                      << +windows[i] << ", the data " << +ours[i];
      }
    }
  }
  EXPECT_EQ(disagreements, 0);
}

INSTANTIATE_TEST_SUITE_P(AllCodePages, CodePageAgreement,
                         testing::Values(874, 932, 936, 949, 950, 1250, 1251, 1252, 1253, 1254,
                                         1255, 1256, 1257, 1258, kUtf8),
                         testing::PrintToStringParamName());

}  // namespace
}  // namespace namefold::platform
