// The entry points as a careless or hostile host may call them: null pointers, buffer lengths at
// the limits of int, paths from empty to 40,000 units, unpaired surrogates, any field index.
#include <gtest/gtest.h>

#include <climits>
#include <cstdlib>
#include <cstring>
#include <functional>
#include <string>
#include <vector>

#include "base/unit.h"
#include "tests/host/host_support.h"

namespace namefold::testing {
namespace {

constexpr unsigned char kFill = 0xA5;

bool Untouched(const std::vector<char>& bytes) {
  for (char byte : bytes) {
    if (static_cast<unsigned char>(byte) != kFill) return false;
  }
  return true;
}

const NamefoldUnit* Wide(const std::u16string& text) {
  return reinterpret_cast<const NamefoldUnit*>(text.c_str());
}

// An 8-bit path written with '/' in the separators of the system under test.
std::string NarrowPath(std::string path) {
  for (char& byte : path) {
    if (byte == '/') byte = static_cast<char>(host::kPathSeparator);
  }
  return path;
}

bool HasUnpairedSurrogate(std::u16string_view text) {
  for (std::size_t i = 0; i < text.size(); ++i) {
    if (IsHighSurrogate(text[i]) && i + 1 < text.size() && IsLowSurrogate(text[i + 1])) {
      ++i;
    } else if (IsHighSurrogate(text[i]) || IsLowSurrogate(text[i])) {
      return true;
    }
  }
  return false;
}

class HostAbuse : public ::testing::Test {
 protected:
  void SetUp() override {
    plugin_ = LoadCopy(folder_.path());
    ASSERT_NE(plugin_.get_value_w, nullptr);
  }
  void TearDown() override { host::UnloadPlugin(plugin_); }

  TempDir folder_;
  host::Plugin plugin_;
};

TEST_F(HostAbuse, NullPointersAreRefusedWithoutWriting) {
  const host::Plugin& p = plugin_;
  const std::u16string wide_path = NativePath(u"C:/dir/file.txt");
  const std::string path = "C:/dir/file.txt";
  std::vector<char> buffer(64, static_cast<char>(kFill));
  struct Row {
    const char* name;
    std::function<int()> call;
    int code;
  };
  const Row rows[] = {
      {"field name null", [&] { return p.get_supported_field(0, nullptr, buffer.data(), 64); },
       NAMEFOLD_FT_NO_MORE_FIELDS},
      {"units null", [&] { return p.get_supported_field(1, buffer.data(), nullptr, 64); },
       NAMEFOLD_FT_NO_MORE_FIELDS},
      {"both null", [&] { return p.get_supported_field(4, nullptr, nullptr, 64); },
       NAMEFOLD_FT_NO_MORE_FIELDS},
      {"detect string null", [&] { return p.get_detect_string(nullptr, 64); }, 0},
      {"default params null", [&] { return p.set_default_params(nullptr), 0; }, 0},
      {"8-bit path null, field 0", [&] { return p.get_value(nullptr, 0, 0, buffer.data(), 64, 0); },
       NAMEFOLD_FT_FILE_ERROR},
      {"8-bit path null, field 1", [&] { return p.get_value(nullptr, 1, 0, buffer.data(), 64, 0); },
       NAMEFOLD_FT_FILE_ERROR},
      {"8-bit path null, bad field",
       [&] { return p.get_value(nullptr, 9, 0, buffer.data(), 64, 0); }, NAMEFOLD_FT_FILE_ERROR},
      {"8-bit value null, field 0", [&] { return p.get_value(path.c_str(), 0, 0, nullptr, 64, 0); },
       NAMEFOLD_FT_NO_ROOM},
      {"8-bit value null, field 1", [&] { return p.get_value(path.c_str(), 1, 0, nullptr, 64, 0); },
       NAMEFOLD_FT_NO_ROOM},
      {"8-bit both null", [&] { return p.get_value(nullptr, 1, 0, nullptr, 64, 0); },
       NAMEFOLD_FT_FILE_ERROR},
      {"wide path null, field 0",
       [&] { return p.get_value_w(nullptr, 0, 0, buffer.data(), 64, 0); }, NAMEFOLD_FT_FILE_ERROR},
      {"wide path null, field 4",
       [&] { return p.get_value_w(nullptr, 4, 0, buffer.data(), 64, 0); }, NAMEFOLD_FT_FILE_ERROR},
      {"wide path null, bad field",
       [&] { return p.get_value_w(nullptr, -1, 0, buffer.data(), 64, 0); }, NAMEFOLD_FT_FILE_ERROR},
      {"wide both null", [&] { return p.get_value_w(nullptr, 2, 0, nullptr, 64, 0); },
       NAMEFOLD_FT_FILE_ERROR},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.name);
    EXPECT_EQ(row.call(), row.code);
    EXPECT_TRUE(Untouched(buffer));
  }
  for (int field = 0; field < NAMEFOLD_FIELD_COUNT; ++field) {
    SCOPED_TRACE(field);
    EXPECT_EQ(p.get_value_w(Wide(wide_path), field, 0, nullptr, 64, 0), NAMEFOLD_FT_NO_ROOM);
  }
}

TEST_F(HostAbuse, NegativeAndTinyLengthsWriteNothing) {
  const host::Plugin& p = plugin_;
  const std::u16string wide_path = NativePath(u"C:/dir/file.txt");
  for (int maxlen : {INT_MIN, INT_MIN + 1, -65536, -2, -1, 0}) {
    SCOPED_TRACE(maxlen);
    std::vector<char> name(16, static_cast<char>(kFill)), units(16, static_cast<char>(kFill));
    // The buffers are real but empty: anything written lands in the bytes checked here.
    EXPECT_EQ(p.get_supported_field(0, name.data(), units.data(), maxlen),
              NAMEFOLD_FT_NO_MORE_FIELDS);
    EXPECT_EQ(p.get_detect_string(name.data(), maxlen), 0);
    EXPECT_EQ(p.get_value("C:/dir/file.txt", 0, 0, name.data(), maxlen, 0), NAMEFOLD_FT_NO_ROOM);
    EXPECT_EQ(p.get_value("C:/dir/file.txt", 1, 0, name.data(), maxlen, 0), NAMEFOLD_FT_NO_ROOM);
    EXPECT_TRUE(Untouched(name));
    EXPECT_TRUE(Untouched(units));
    for (int field = 0; field < NAMEFOLD_FIELD_COUNT; ++field) {
      EXPECT_EQ(GetValueW(p, wide_path, field, maxlen).code, NAMEFOLD_FT_NO_ROOM) << field;
    }
  }
}

// Lengths up to INT_MAX, each with a buffer that really is that long: one block of INT_MAX bytes
// and guards, of which only the ends are touched, so that the pages between are never committed.
TEST_F(HostAbuse, HugeLengthsWithBuffersThatLong) {
  if (sizeof(void*) < 8) GTEST_SKIP() << "no room for a 2 GiB buffer in a 32-bit process";
  // Slow to reserve, and the code page plays no part: one run is enough.
  if (AnsiCodePageUnderTest() != 1252) GTEST_SKIP() << "runs under code page 1252 only";
  const host::Plugin& p = plugin_;
  const std::u16string wide_path = NativePath(u"C:/dir/caf\u00e9 \u0416.txt");
  constexpr std::size_t kGuard = 16;
  constexpr std::size_t kEnd = 4096;  // bytes checked at each end of a buffer
  const std::size_t block_size = std::size_t{INT_MAX} + 2 * kGuard;
  auto* block = static_cast<unsigned char*>(std::malloc(block_size));
  if (block == nullptr) GTEST_SKIP() << "cannot reserve " << block_size << " bytes";
  unsigned char* const value = block + kGuard;

  // Fills both ends of the buffer [at, at + size) and the guards around it, and checks them.
  auto fill = [&](unsigned char* at, std::size_t size) {
    std::memset(at - kGuard, kFill, kGuard + kEnd);
    std::memset(at + size - kEnd, kFill, kEnd + kGuard);
  };
  auto check = [&](const unsigned char* at, std::size_t size) {
    for (std::size_t i = 0; i < kGuard; ++i)
      EXPECT_EQ(at[-1 - static_cast<std::ptrdiff_t>(i)], kFill);
    for (std::size_t i = size - kEnd; i < size + kGuard; ++i) EXPECT_EQ(at[i], kFill) << i;
  };

  for (int maxlen : {INT_MAX, INT_MAX - 1, 1 << 30}) {
    SCOPED_TRACE(maxlen);
    const std::size_t size = static_cast<std::size_t>(maxlen);
    for (int field = 0; field < NAMEFOLD_FIELD_COUNT; ++field) {
      SCOPED_TRACE(field);
      fill(value, size);
      const ValueResult expected = GetValueW(p, wide_path, field, 4096);
      EXPECT_EQ(p.get_value_w(Wide(wide_path), field, 0, value, maxlen, 0), expected.code);
      if (expected.code == NAMEFOLD_FT_BOOLEAN) {
        std::int32_t boolean;
        std::memcpy(&boolean, value, 4);
        EXPECT_EQ(boolean, expected.boolean);
      } else {
        std::u16string text((expected.text.size() + 1), u'\0');
        std::memcpy(text.data(), value, text.size() * 2);
        EXPECT_EQ(text, expected.text + u'\0');
      }
      check(value, size);
    }
    fill(value, size);
    EXPECT_EQ(p.get_value(NarrowPath("C:/dir/file.txt").c_str(), 1, 0, value, maxlen, 0),
              NAMEFOLD_FT_STRING);
    EXPECT_STREQ(reinterpret_cast<char*>(value), "file.txt");
    EXPECT_EQ(p.get_detect_string(reinterpret_cast<char*>(value), maxlen), 0);
    EXPECT_EQ(value[0], 0);
    check(value, size);
  }
  // Two buffers of 1 GiB side by side for the field name and its units.
  const std::size_t half = std::size_t{1} << 30;
  unsigned char* const units = value + half;
  fill(value, half - kGuard);
  fill(units, half - kGuard);
  EXPECT_EQ(p.get_supported_field(3, reinterpret_cast<char*>(value), reinterpret_cast<char*>(units),
                                  static_cast<int>(half - kGuard)),
            NAMEFOLD_FT_STRING);
  EXPECT_STREQ(reinterpret_cast<char*>(value), "NameReplaceUserUnicode");
  EXPECT_EQ(units[0], 0);
  check(value, half - kGuard);
  check(units, half - kGuard);
  std::free(block);
}

TEST_F(HostAbuse, PathsOfAnyLength) {
  const host::Plugin& p = plugin_;
  for (std::size_t length :
       {0, 1, 2, 3, 4, 5, 1023, 1024, 1025, 1026, 2047, 2048, 4096, 32767, 32768, 40000}) {
    SCOPED_TRACE(length);
    // A separator, then the name: length - 1 units.
    const std::u16string wide =
        length == 0 ? u"" : NativePath(u"/") + std::u16string(length - 1, u'a');
    const std::string narrow = length == 0 ? "" : NarrowPath("/") + std::string(length - 1, 'a');
    const std::size_t name = length == 0 ? 0 : length - 1;
    for (int field = -1; field < NAMEFOLD_FIELD_COUNT; ++field) {
      SCOPED_TRACE(field);
      const ValueResult result = GetValueW(p, wide, field, 4096);
      if (length <= 3) {
        EXPECT_EQ(result.code, NAMEFOLD_FT_FILE_ERROR);
      } else if (field < 0) {
        EXPECT_EQ(result.code, NAMEFOLD_FT_NO_SUCH_FIELD);
      } else if (field == NAMEFOLD_FIELD_HAS_UNICODE) {
        EXPECT_EQ(result.code, NAMEFOLD_FT_BOOLEAN);
        EXPECT_EQ(result.boolean, 0);
      } else {
        // The name, cut to the 1024 units a name may have, and for the folded fields a little less.
        EXPECT_EQ(result.code, NAMEFOLD_FT_WIDE_STRING);
        EXPECT_EQ(result.text, std::u16string(result.text.size(), u'a'));
        EXPECT_LE(result.text.size(), std::min<std::size_t>(name, 1024));
        EXPECT_GE(result.text.size(), std::min<std::size_t>(name, 1022));
      }
    }
    std::vector<char> value(4096);
    const int code = p.get_value(narrow.c_str(), 1, 0, value.data(), 4096, 0);
    EXPECT_EQ(code, length <= 3 ? NAMEFOLD_FT_FILE_ERROR : NAMEFOLD_FT_STRING);
    if (code == NAMEFOLD_FT_STRING) {
      EXPECT_EQ(std::string(value.data()), narrow.substr(1, 4095));
    }
  }
}

TEST_F(HostAbuse, UnpairedSurrogates) {
  struct Row {
    const char* name;
    std::u16string path;
  };
  const Row rows[] = {
      {"high at the end", u"/dir/a\xD800"},
      {"low at the start",
       u"/dir/\xDC00"
       u"a"},
      {"high before a pair", u"/dir/\xD800\xD83D\xDE00.txt"},
      {"low and high in the folder", u"/d\xDC00\xD800/x.txt"},
      {"reversed pair", u"/dir/\xDE00\xD83D"},
      {"high at the end of 40,000 units", u"/" + std::u16string(39998, u'a') + u"\xDBFF"},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.name);
    const std::u16string path = NativePath(row.path);
    // No code page holds half a character.
    const ValueResult has_unicode = GetValueW(plugin_, path, NAMEFOLD_FIELD_HAS_UNICODE);
    EXPECT_EQ(has_unicode.code, NAMEFOLD_FT_BOOLEAN);
    EXPECT_EQ(has_unicode.boolean, 1);
    for (int field = 1; field < NAMEFOLD_FIELD_COUNT; ++field) {
      SCOPED_TRACE(field);
      for (int maxlen : {4, 6, 9, 4096}) {
        const ValueResult result = GetValueW(plugin_, path, field, maxlen);
        EXPECT_EQ(result.code, NAMEFOLD_FT_WIDE_STRING);
        // The folded names hold only what a code page can hold.
        if (field <= NAMEFOLD_FIELD_NAME_REPLACE_NO_ENGLISH) {
          EXPECT_FALSE(HasUnpairedSurrogate(result.text));
        }
      }
    }
  }
}

TEST_F(HostAbuse, FieldIndexesAtTheLimits) {
  const host::Plugin& p = plugin_;
  const std::u16string wide_path = NativePath(u"C:/dir/file.txt");
  for (int field : {INT_MIN, INT_MIN + 1, -2, -1, 5, 6, 1 << 16, INT_MAX - 1, INT_MAX}) {
    SCOPED_TRACE(field);
    std::vector<char> name(64, static_cast<char>(kFill)), units(64, static_cast<char>(kFill));
    EXPECT_EQ(p.get_supported_field(field, name.data(), units.data(), 64),
              NAMEFOLD_FT_NO_MORE_FIELDS);
    EXPECT_EQ(p.get_default_sort_order(field), 1);
    EXPECT_EQ(p.get_value("C:/dir/file.txt", field, 0, name.data(), 64, 0),
              NAMEFOLD_FT_NO_SUCH_FIELD);
    EXPECT_EQ(p.get_value_w(Wide(wide_path), field, 0, units.data(), 64, 0),
              NAMEFOLD_FT_NO_SUCH_FIELD);
    EXPECT_TRUE(Untouched(name));
    EXPECT_TRUE(Untouched(units));
  }
  // The unit index and the flags are ignored, whatever they hold.
  for (int other : {INT_MIN, -1, INT_MAX}) {
    SCOPED_TRACE(other);
    for (int field = 0; field < NAMEFOLD_FIELD_COUNT; ++field) {
      std::vector<char> expected(64, 0), value(64, 0);
      const int code = p.get_value_w(Wide(wide_path), field, 0, expected.data(), 64, 0);
      EXPECT_EQ(p.get_value_w(Wide(wide_path), field, other, value.data(), 64, other), code);
      EXPECT_EQ(value, expected);
    }
  }
}

}  // namespace
}  // namespace namefold::testing
