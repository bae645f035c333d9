// Between the table file encoding (UTF-16 LE, byte-order mark, CR LF) and UTF-8 text with LF.
#pragma once

#include <string>
#include <string_view>

#include "cli/options.h"

namespace namefold::cli {

struct Conversion {
  bool ok = false;
  std::string error;      // one line, with the line number of the fault
  std::string bytes;      // the converted file
  bool to_table = false;  // the direction taken
};

// Converts a whole file. kAuto turns UTF-16 LE into UTF-8 and anything else (UTF-8, UTF-16 BE
// with its byte-order mark) into a table file. Every line end becomes LF (to UTF-8) or CR LF (to
// a table). Refuses, rather than lose characters, bytes that are not UTF-8, unpaired surrogates
// and an odd byte count.
[[nodiscard]] Conversion ConvertTableText(std::string_view bytes, Direction direction);

}  // namespace namefold::cli
