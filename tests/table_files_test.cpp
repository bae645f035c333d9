#include "tables/table_files.h"

#include <gtest/gtest.h>

#include <string>

namespace namefold {
namespace {

TEST(TableFilePath, DropsTheExtensionOfTheFileNameOnly) {
  struct Row {
    const char* name;
    std::u16string_view library;
    Unit separator;
    std::u16string_view table;  // empty: no path
  };
  const Row rows[] = {
      {"Windows library", u"D:\\x\\abc.dll", u'\\', u"D:\\x\\abc1.tbl"},
      {"POSIX library", u"/opt/x/namefold.so", u'/', u"/opt/x/namefold1.tbl"},
      {"no extension", u"/opt/x/namefold", u'/', u"/opt/x/namefold1.tbl"},
      {"dot in a folder name", u"/opt/x.y/namefold", u'/', u"/opt/x.y/namefold1.tbl"},
      {"last dot wins", u"/opt/a.b.so", u'/', u"/opt/a.b1.tbl"},
      {"file name is only an extension", u"/opt/.so", u'/', u"/opt/1.tbl"},
      {"backslash is a name character on POSIX", u"/opt/a\\b.so", u'/', u"/opt/a\\b1.tbl"},
      {"no folder", u"namefold.so", u'/', u""},
      {"root folder", u"/namefold.so", u'/', u"/namefold1.tbl"},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.name);
    const std::u16string library(row.library);
    Unit out[64];
    const std::size_t length = TableFilePath(library.c_str(), row.separator, u"1.tbl", out);
    EXPECT_EQ(std::u16string_view(out, length), row.table);
  }
}

TEST(TableFilePath, FailsWhenTheResultDoesNotFit) {
  const std::u16string library = u"/opt/abc.so";  // gives /opt/abc1.tbl, 13 units
  Unit out[16];
  EXPECT_EQ(TableFilePath(library.c_str(), u'/', u"1.tbl", std::span(out, 13)), 0u);
  EXPECT_EQ(TableFilePath(library.c_str(), u'/', u"1.tbl", std::span(out, 14)), 13u);
}

TEST(TableFilePath, WorksInPlace) {
  Unit path[32] = u"/opt/abc.so";
  EXPECT_EQ(TableFilePath(path, u'/', u"2.tbl", path), 13u);
  EXPECT_EQ(std::u16string_view(path), u"/opt/abc2.tbl");
}

}  // namespace
}  // namespace namefold
