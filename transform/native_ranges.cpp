#include "transform/native_ranges.h"

namespace namefold {
namespace {

// Bounds inclusive. Only 1251 counts ASCII as native: there everything below U+0500 stays.
constexpr UnitRange kJapanese[] = {{0x3041, 0x30FF}, {0xFF00, 0xFFEF}};  // kana, halfwidth forms
constexpr UnitRange kCyrillic[] = {{0x0000, 0x04FF}};
constexpr UnitRange kWestern[] = {{0x0080, 0x00FF}};
constexpr UnitRange kGreek[] = {{0x0370, 0x03FF}};
constexpr UnitRange kHebrew[] = {{0x0591, 0x05FE}};  // U+0590 and U+05FF are replaceable
constexpr UnitRange kArabic[] = {{0x0600, 0x06FF}, {0xFB50, 0xFDFF}, {0xFE70, 0xFEFF}};

}  // namespace

std::span<const UnitRange> NativeRanges(int code_page) {
  switch (code_page) {
    case 932: return kJapanese;
    case 1251: return kCyrillic;
    case 1252: return kWestern;
    case 1253: return kGreek;
    case 1255: return kHebrew;
    case 1256: return kArabic;
    default: return {};
  }
}

}  // namespace namefold
