// What the fuzz targets share: reading structured values out of the fuzzer's bytes, and a check
// that stops the run (the fuzzer then saves the input) when a property fails.
#pragma once

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

#include "base/unit.h"

namespace namefold::fuzz {

// Reads values from the front of the input; past its end every value is zero or empty, so that
// any input, the empty one included, is a valid one.
class FuzzInput {
 public:
  FuzzInput(const std::uint8_t* data, std::size_t size) : data_(data), size_(size) {}

  std::uint8_t Byte() {
    if (size_ == 0) return 0;
    --size_;
    return *data_++;
  }

  // Two bytes, little-endian.
  std::uint16_t Uint16() {
    const std::uint8_t low = Byte();
    return static_cast<std::uint16_t>(low | Byte() << 8);
  }

  std::int32_t Int32() {
    std::uint32_t value = 0;
    for (int i = 0; i < 4; ++i) value |= std::uint32_t{Byte()} << (8 * i);
    return static_cast<std::int32_t>(value);
  }

  // Units of a text whose length, in units, is given by the next two bytes (little-endian) and
  // cut to what the input still holds.
  std::u16string Units() {
    std::size_t count = Uint16();
    if (count > size_ / 2) count = size_ / 2;
    return TakeUnits(count);
  }

  // All the remaining units; an odd last byte is dropped.
  std::u16string RestUnits() { return TakeUnits(size_ / 2); }

  // All the remaining bytes.
  std::string RestBytes() {
    std::string bytes(reinterpret_cast<const char*>(data_), size_);
    data_ += size_;
    size_ = 0;
    return bytes;
  }

 private:
  std::u16string TakeUnits(std::size_t count) {
    std::u16string units(count, u'\0');
    for (std::size_t i = 0; i < count; ++i) {
      units[i] = static_cast<char16_t>(data_[2 * i] | (data_[2 * i + 1] << 8));
    }
    data_ += 2 * count;
    size_ -= 2 * count;
    return units;
  }

  const std::uint8_t* data_;
  std::size_t size_;
};

// A copy of `text` up to its first zero unit, terminated, in a std::malloc'd buffer: how the
// table loading hands a file's text to the parsers.
inline Unit* MallocText(const std::u16string& text) {
  auto* buffer = static_cast<Unit*>(std::malloc((text.size() + 1) * sizeof(Unit)));
  if (buffer == nullptr) std::abort();
  std::memcpy(buffer, text.data(), text.size() * sizeof(Unit));
  buffer[text.size()] = 0;
  return buffer;
}

[[noreturn]] inline void Fail(const char* what, const char* file, int line) {
  std::fprintf(stderr, "%s:%d: property failed: %s\n", file, line, what);
  std::abort();
}

}  // namespace namefold::fuzz

// Stops the run with a message when `condition` is false; active in every build type.
#define FUZZ_CHECK(condition) \
  ((condition) ? (void)0 : ::namefold::fuzz::Fail(#condition, __FILE__, __LINE__))
