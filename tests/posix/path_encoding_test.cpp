#include "platform/posix/path_encoding.h"

#include <gtest/gtest.h>

#include <string>

namespace namefold::platform {
namespace {

TEST(DecodePath, EveryPathSurvivesTheRoundTrip) {
  struct Row {
    const char* name;
    std::string bytes;
    std::u16string units;
  };
  const Row rows[] = {
      {"ASCII", "/opt/x/namefold.so", u"/opt/x/namefold.so"},
      {"UTF-8", "/opt/\xd0\x96/\xe3\x81\x82", u"/opt/\u0416/\u3042"},
      {"outside the BMP", "/\xf0\x9f\x98\x80", u"/\U0001F600"},
      {"Latin-1 byte", "/caf\xe9", u"/caf\xDCE9"},
      {"overlong encoding", "/\xc0\xaf", u"/\xDCC0\xDCAF"},
      {"encoded surrogate", "/\xed\xa0\x80", u"/\xDCED\xDCA0\xDC80"},
      {"cut sequence", "/\xe3\x81", u"/\xDCE3\xDC81"},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.name);
    Unit units[64];
    ASSERT_EQ(DecodePath(row.bytes.c_str(), std::span(units, 64)), row.units.size());
    EXPECT_EQ(std::u16string(units), row.units);
    char bytes[64];
    ASSERT_TRUE(EncodePath(units, bytes));
    EXPECT_EQ(std::string(bytes), row.bytes);
  }
}

TEST(DecodePath, RefusesWhatDoesNotFit) {
  Unit units[4];
  EXPECT_EQ(DecodePath("abcd", std::span(units, 4)), 0u);
  EXPECT_EQ(DecodePath("abc", std::span(units, 4)), 3u);
  EXPECT_EQ(DecodePath("\xf0\x9f\x98\x80", std::span(units, 2)), 0u) << "a pair needs two units";
  char bytes[4];
  EXPECT_FALSE(EncodePath(u"\u3042\u3042", bytes));
  EXPECT_TRUE(EncodePath(u"\u3042", bytes));
}

}  // namespace
}  // namespace namefold::platform
