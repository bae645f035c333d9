// `namefold [OPTIONS] PATH...`: the fields of files, as the library computes them.
#pragma once

#include "cli/options.h"
#include "cli/system.h"
#include "host/plugin_loader.h"

namespace namefold::cli {

// The names and type codes of the fields the library offers, in index order.
struct FieldInfo {
  std::string name;
  int type = 0;
};
[[nodiscard]] std::vector<FieldInfo> QueryFields(const host::Plugin& plugin);

// A field's value for one file, as the library gives it.
struct FieldValue {
  int code = 0;         // the library's answer: NAMEFOLD_FT_BOOLEAN, NAMEFOLD_FT_WIDE_STRING, ...
  bool flag = false;    // a boolean's value
  std::u16string text;  // a string's value
};

// The values of fields for one path after another, with one set of buffers for every call.
class FieldReader {
 public:
  explicit FieldReader(const host::Plugin& plugin) : plugin_(plugin) {}
  // The value of `field` for the path `path_units` (without a terminator), valid until the next
  // call.
  const FieldValue& Read(std::u16string_view path_units, int field);

 private:
  const host::Plugin& plugin_;
  std::vector<NamefoldUnit> path_;
  FieldValue value_;
};

// Lists the files of `options.operands` (the current folder when there are none). Messages about
// unreadable paths go to stderr. Returns the exit status: 0, 1 when a path could not be read, 2
// for a bad --fields list.
[[nodiscard]] int ListFiles(const Options& options, const host::Plugin& plugin);

}  // namespace namefold::cli
