// Code-page folding on POSIX: the data-driven round trip through each code page, and the cut to
// a destination size around it.
#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <vector>

#include "fuzz/fuzz_input.h"
#include "platform/posix/code_pages.h"
#include "transform/fold.h"

namespace namefold::fuzz {
namespace {

// Every code page with data, and two without: 0 (the ANSI code page, from LC_ALL) and 437.
constexpr int kCodePages[] = {874,  932,  936,  949,  950,  1250,  1251, 1252, 1253,
                              1254, 1255, 1256, 1257, 1258, 65001, 0,    437};
constexpr int kUtf8 = 65001;

bool IsForbiddenInFileNames(Unit unit) {
  return unit < 0x20 || std::u16string_view(u"\\/:*?\"<>|").find(unit) != std::u16string_view::npos;
}

std::vector<Unit> Fold(int code_page, const std::u16string& source, bool& known) {
  std::vector<Unit> folded(source.size() + 1, 0xBEEF);
  known = platform::FoldKnownCodePage(code_page, source.data(), source.size(), folded.data());
  FUZZ_CHECK(folded[source.size()] == 0xBEEF);  // exactly `count` units written
  folded.pop_back();
  return folded;
}

void Run(const std::uint8_t* data, std::size_t size) {
  FuzzInput input(data, size);
  const int code_page = kCodePages[input.Byte() % std::size(kCodePages)];
  const std::size_t destination_size = input.Uint16() & 0x0FFF;
  std::u16string source = input.RestUnits();
  source.resize(std::u16string_view(source.c_str()).size());  // up to the first zero unit

  bool known = false;
  const std::vector<Unit> folded = Fold(code_page, source, known);
  FUZZ_CHECK(known == (code_page != 0 && code_page != 437));
  if (known) {
    // What comes back is held by the code page: folding it again changes nothing.
    const std::u16string once(folded.begin(), folded.end());
    bool again_known = false;
    FUZZ_CHECK(Fold(code_page, once, again_known) == folded);
    // In place gives the same result.
    std::u16string in_place = source;
    FUZZ_CHECK(
        platform::FoldKnownCodePage(code_page, in_place.data(), in_place.size(), in_place.data()));
    FUZZ_CHECK(in_place == once);
    for (std::size_t i = 0; i < source.size(); ++i) {
      if (code_page == kUtf8) {
        // UTF-8 holds every character: only a surrogate without its partner changes.
        FUZZ_CHECK(folded[i] == source[i] || (IsSurrogate(source[i]) && folded[i] == 0xFFFD));
      } else {
        // Single- and double-byte code pages fold each unit alone, whatever surrounds it.
        bool unit_known = false;
        FUZZ_CHECK(Fold(code_page, source.substr(i, 1), unit_known)[0] == folded[i]);
      }
    }
  }

  // Cut to a destination of `destination_size` units, the terminator included.
  std::vector<Unit> destination(destination_size);
  FoldThroughCodePage(code_page, source.c_str(), destination);
  if (destination_size > 0) {
    const std::size_t length =
        std::u16string_view(destination.data(), destination_size).find(u'\0');
    FUZZ_CHECK(length < destination_size);
    const std::size_t whole = std::min(source.size(), destination_size - 1);
    FUZZ_CHECK(length == whole || (length + 1 == whole && IsHighSurrogate(source[length]) &&
                                   IsLowSurrogate(source[length + 1])));
    for (std::size_t i = 0; i < length; ++i) {
      // A unit that changed never became one that file names may not hold.
      if (destination[i] != source[i]) FUZZ_CHECK(!IsForbiddenInFileNames(destination[i]));
      if (known && !IsForbiddenInFileNames(folded[i])) FUZZ_CHECK(destination[i] == folded[i]);
    }
  }

  // Whether a text folds unchanged, asked of a text of any length, agrees with the whole fold.
  if (known) {
    FUZZ_CHECK(FoldsUnchanged(code_page, source.c_str()) ==
               std::equal(folded.begin(), folded.end(), source.begin()));
  }
}

}  // namespace
}  // namespace namefold::fuzz

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  namefold::fuzz::Run(data, size);
  return 0;
}
