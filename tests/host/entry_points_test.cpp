// The catalogue, the detect string, the sort orders and the 8-bit value entry, called through the
// built library exactly as a host calls them.
#include <gtest/gtest.h>

#include <climits>
#include <cstring>
#include <string>
#include <vector>

#include "host/module.h"
#include "tests/host/host_support.h"

// The entry points' calling convention as a host's plugin interface fixes it, written here apart
// from namefold.h: a library built with another convention is caught even if the header is wrong.
#if defined(_WIN32) && !defined(_WIN64)
#define HOST_CALL __stdcall
#else
#define HOST_CALL
#endif

namespace namefold::testing {
namespace {

constexpr std::size_t kGuard = 16;
constexpr unsigned char kFill = 0xA5;

// The built library, loaded once for the whole program.
const host::Plugin& Library() {
  static const host::Plugin plugin = [] {
    host::Plugin loaded;
    std::string error;
    if (!host::LoadPlugin(BuiltLibrary(), loaded, error)) ADD_FAILURE() << error;
    return loaded;
  }();
  return plugin;
}

// A host buffer of `maxlen` bytes between guard bytes.
struct GuardedBuffer {
  explicit GuardedBuffer(int maxlen)
      : size(maxlen > 0 ? static_cast<std::size_t>(maxlen) : 0), bytes(size + 2 * kGuard, kFill) {}
  char* data() { return reinterpret_cast<char*>(bytes.data() + kGuard); }
  bool GuardsIntact() const {
    for (std::size_t i = 0; i < kGuard; ++i) {
      if (bytes[i] != kFill || bytes[kGuard + size + i] != kFill) return false;
    }
    return true;
  }
  bool Untouched() const {
    for (unsigned char b : bytes) {
      if (b != kFill) return false;
    }
    return true;
  }
  std::size_t size;
  std::vector<unsigned char> bytes;
};

TEST(ContentGetSupportedField, ListsTheFiveFieldsThenEnds) {
  struct Row {
    int index;
    int type;
    const char* name;
  };
  const Row rows[] = {
      {0, NAMEFOLD_FT_BOOLEAN, "HasUnicode"},
      {1, NAMEFOLD_FT_STRING, "NameNoUnicode"},
      {2, NAMEFOLD_FT_STRING, "NameReplaceNoEnglish"},
      {3, NAMEFOLD_FT_STRING, "NameReplaceUserUnicode"},
      {4, NAMEFOLD_FT_STRING, "NameReplaceUserAll"},
      {5, NAMEFOLD_FT_NO_MORE_FIELDS, nullptr},
      {-1, NAMEFOLD_FT_NO_MORE_FIELDS, nullptr},
      {INT_MAX, NAMEFOLD_FT_NO_MORE_FIELDS, nullptr},
      {INT_MIN, NAMEFOLD_FT_NO_MORE_FIELDS, nullptr},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.index);
    char name[64];
    char units[64];
    std::memset(units, 'x', sizeof units);
    EXPECT_EQ(Library().get_supported_field(row.index, name, units, sizeof name), row.type);
    if (row.name != nullptr) {
      EXPECT_STREQ(name, row.name);
      EXPECT_EQ(units[0], 0);
    } else {
      EXPECT_EQ(units[0], 'x') << "nothing is written past the catalogue";
    }
  }
}

TEST(ContentGetSupportedField, CutsTheNameToTheBuffer) {
  char name[8];
  char units[8];
  EXPECT_EQ(Library().get_supported_field(3, name, units, 8), NAMEFOLD_FT_STRING);
  EXPECT_STREQ(name, "NameRep");
}

TEST(ContentGetDefaultSortOrder, IsOneForEveryIndex) {
  for (int index : {INT_MIN, -1, 0, 1, 2, 3, 4, 5, INT_MAX}) {
    EXPECT_EQ(Library().get_default_sort_order(index), 1) << index;
  }
}

TEST(ContentGetDetectString, IsEmpty) {
  char detect[4] = {'x', 'x', 'x', 'x'};
  EXPECT_EQ(Library().get_detect_string(detect, sizeof detect), 0);
  EXPECT_EQ(detect[0], 0);
  EXPECT_EQ(Library().get_detect_string(nullptr, 4), 0);
}

TEST(ContentSetDefaultParams, IgnoresWhatItIsGiven) {
  Library().set_default_params(nullptr);
  unsigned char params[64] = {};
  Library().set_default_params(params);
  EXPECT_EQ(Library().get_default_sort_order(0), 1);
}

TEST(ContentGetValue, AnswersFieldsZeroAndOne) {
  struct Row {
    const char* name;
    const char* path;  // written with '/': the test uses the system's separator
    int field;
    int code;
    const char* text = nullptr;  // for code 8
  };
  const Row rows[] = {
      {.name = "drive root is refused for every index", .path = "C:/", .field = 0, .code = -2},
      {.name = "short path is refused before the index test", .path = "C:/", .field = 9, .code = -2},
      {.name = "empty path", .path = "", .field = 1, .code = -2},
      {.name = "four bytes are a path", .path = "C:/a", .field = 1, .code = 8, .text = "a"},
      {.name = "field 0 is always false", .path = "C:/dir/file.txt", .field = 0, .code = 6},
      {.name = "name part", .path = "C:/dir/file.txt", .field = 1, .code = 8, .text = "file.txt"},
      {.name = "trailing separator", .path = "C:/dir/", .field = 1, .code = 8, .text = "_"},
      {.name = "parent folder", .path = "C:/dir/..", .field = 1, .code = 8, .text = "_."},
      {.name = "dots and more", .path = "C:/dir/..a", .field = 1, .code = 8, .text = "..a"},
      {.name = "no separator", .path = "file.txt", .field = 1, .code = 8, .text = "file.txt"},
      {.name = "field 2", .path = "C:/dir/file.txt", .field = 2, .code = -1},
      {.name = "field 4", .path = "C:/dir/file.txt", .field = 4, .code = -1},
      {.name = "negative field", .path = "C:/dir/file.txt", .field = -1, .code = -1},
      {.name = "field 5", .path = "C:/dir/file.txt", .field = 5, .code = -1},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.name);
    std::string path = row.path;
    for (char& c : path) {
      if (c == '/') c = static_cast<char>(host::kPathSeparator);
    }
    GuardedBuffer buffer(64);
    std::memset(buffer.data(), 0x55, 64);
    EXPECT_EQ(Library().get_value(path.c_str(), row.field, 0, buffer.data(), 64, 0), row.code);
    if (row.code == NAMEFOLD_FT_STRING) {
      EXPECT_STREQ(buffer.data(), row.text);
    }
    if (row.code == NAMEFOLD_FT_BOOLEAN) {
      std::int32_t value;
      std::memcpy(&value, buffer.data(), 4);
      EXPECT_EQ(value, 0);
    }
    EXPECT_TRUE(buffer.GuardsIntact());
  }
}

// In a double-byte code page a trail byte can equal '\': 表 is 0x95 0x5C in code page 932.
TEST(ContentGetValue, TrailBytesAreNotSeparators) {
  if (host::kPathSeparator != u'\\' || AnsiCodePageUnderTest() != 932) {
    GTEST_SKIP() << "needs Windows with the ANSI code page 932";
  }
  char value[32];
  EXPECT_EQ(Library().get_value("C:\\dir\\\x95\x5c.txt", 1, 0, value, sizeof value, 0),
            NAMEFOLD_FT_STRING);
  EXPECT_STREQ(value, "\x95\x5c.txt");
  EXPECT_EQ(Library().get_value("C:\\\x95\x5c\\a.txt", 1, 0, value, sizeof value, 0),
            NAMEFOLD_FT_STRING);
  EXPECT_STREQ(value, "a.txt");
}

TEST(ContentGetValue, RefusesNullPointers) {
  char value[16];
  EXPECT_EQ(Library().get_value(nullptr, 1, 0, value, 16, 0), NAMEFOLD_FT_FILE_ERROR);
  EXPECT_EQ(Library().get_value("C:/dir/file", 1, 0, nullptr, 16, 0), NAMEFOLD_FT_NO_ROOM);
  EXPECT_EQ(Library().get_value("C:/dir/file", 0, 0, nullptr, 16, 0), NAMEFOLD_FT_NO_ROOM);
}

// Every entry point that writes into a host buffer keeps to it for every length, and writes
// nothing at all where the buffer cannot hold the terminator (or a boolean's 4 bytes).
TEST(HostBuffers, NothingIsWrittenOutsideTheBuffer) {
  std::vector<int> lengths = {INT_MIN, INT_MIN + 1, -2};
  for (int maxlen = -1; maxlen <= 64; ++maxlen) lengths.push_back(maxlen);
  const std::u16string wide_path = NativePath(u"C:/\u0416\u00e9/\u041c\u043e\u0441\u043a\u0432\u0430 \u00e9\u00e8 \u3042.txt");
  std::string narrow_path = "C:/dir/some-file-name.txt";
  for (char& c : narrow_path) {
    if (c == '/') c = static_cast<char>(host::kPathSeparator);
  }
  for (int maxlen : lengths) {
    SCOPED_TRACE(maxlen);
    for (int field = 0; field < 5; ++field) {
      GuardedBuffer name(maxlen), units(maxlen);
      const int type = Library().get_supported_field(field, name.data(), units.data(), maxlen);
      EXPECT_TRUE(name.GuardsIntact() && units.GuardsIntact());
      if (maxlen < 1) {
        EXPECT_TRUE(type == NAMEFOLD_FT_NO_MORE_FIELDS && name.Untouched());
      }

      GuardedBuffer value(maxlen);
      const int code = Library().get_value(narrow_path.c_str(), field, 0, value.data(), maxlen, 0);
      EXPECT_TRUE(value.GuardsIntact());
      const int needed = field == 0 ? 4 : 1;
      if (field < 2 && maxlen < needed) {
        EXPECT_TRUE(code == NAMEFOLD_FT_NO_ROOM && value.Untouched());
      }
      if (code == NAMEFOLD_FT_STRING) {
        EXPECT_NE(std::memchr(value.data(), 0, value.size), nullptr) << "unterminated";
      }

      const ValueResult wide = GetValueW(Library(), wide_path, field, maxlen);
      const int wide_needed = field == 0 || field == 1 || field == 2 ? 4 : 2;
      if (maxlen < wide_needed) {
        EXPECT_EQ(wide.code, NAMEFOLD_FT_NO_ROOM);
      } else {
        EXPECT_TRUE(wide.code == NAMEFOLD_FT_BOOLEAN || wide.code == NAMEFOLD_FT_WIDE_STRING);
      }
    }
    GuardedBuffer detect(maxlen);
    EXPECT_EQ(Library().get_detect_string(detect.data(), maxlen), 0);
    EXPECT_TRUE(detect.GuardsIntact());
    if (maxlen < 1) {
      EXPECT_TRUE(detect.Untouched());
    }
  }
}

// The stack pointer of the calling function, as seen from a call without arguments: it moves when
// a callee removes more or fewer argument bytes than its caller expects.
[[gnu::noipa]] const void* CallersStack() {
  return __builtin_frame_address(0);
}

TEST(EntryPoints, LeaveTheStackAsTheHostsConventionExpects) {
  using SupportedField = int(HOST_CALL*)(int, char*, char*, int);
  using DetectString = int(HOST_CALL*)(char*, int);
  using SortOrder = int(HOST_CALL*)(int);
  using DefaultParams = void(HOST_CALL*)(void*);
  using Value = int(HOST_CALL*)(const char*, int, int, void*, int, int);
  using ValueW = int(HOST_CALL*)(const NamefoldUnit*, int, int, void*, int, int);
  void* module = Library().module;
  ASSERT_NE(module, nullptr);
  bool found = true;
  auto entry = [&](auto& pointer, const char* name) {
    pointer =
        reinterpret_cast<std::remove_reference_t<decltype(pointer)>>(host::FindEntry(module, name));
    if (pointer == nullptr) found = false, ADD_FAILURE() << "no entry point " << name;
  };
  SupportedField supported_field;
  DetectString detect_string;
  SortOrder sort_order;
  DefaultParams default_params;
  Value value;
  ValueW value_w;
  entry(supported_field, "ContentGetSupportedField");
  entry(detect_string, "ContentGetDetectString");
  entry(sort_order, "ContentGetDefaultSortOrder");
  entry(default_params, "ContentSetDefaultParams");
  entry(value, "ContentGetValue");
  entry(value_w, "ContentGetValueW");
  ASSERT_TRUE(found);

  char name[64];
  char units[64];
  char buffer[512];
  const std::u16string wide = NativePath(u"/folder/file.txt");
  const std::vector<NamefoldUnit> path_w(wide.begin(), wide.end() + 1);
  // Each call is made here, in this function, so that a stack left out of place shows at once.
  const void* const stack = CallersStack();
  EXPECT_EQ(supported_field(4, name, units, 64), NAMEFOLD_FT_STRING);
  EXPECT_EQ(CallersStack(), stack) << "ContentGetSupportedField";
  EXPECT_EQ(detect_string(name, 64), 0);
  EXPECT_EQ(CallersStack(), stack) << "ContentGetDetectString";
  EXPECT_EQ(sort_order(2), 1);
  EXPECT_EQ(CallersStack(), stack) << "ContentGetDefaultSortOrder";
  default_params(nullptr);
  EXPECT_EQ(CallersStack(), stack) << "ContentSetDefaultParams";
  EXPECT_EQ(value("C:/folder/file.txt", 1, 0, buffer, 512, 0), NAMEFOLD_FT_STRING);
  EXPECT_EQ(CallersStack(), stack) << "ContentGetValue";
  EXPECT_EQ(value_w(path_w.data(), 4, 0, buffer, 512, 0), NAMEFOLD_FT_WIDE_STRING);
  EXPECT_EQ(CallersStack(), stack) << "ContentGetValueW";
}

}  // namespace
}  // namespace namefold::testing
