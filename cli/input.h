// Records read from standard input or a file: the paths of --from0.
#pragma once

#include <string>
#include <vector>

namespace namefold::cli {

// Reads NUL-terminated paths, as `find -print0` writes them, from the file `source` (any file
// that can be read to its end: a pipe, a FIFO, /dev/fd/N) or from standard input for "-". The
// last path may lack its NUL; empty records are passed over. Returns false with a one-line
// reason in `error` when the source cannot be read.
[[nodiscard]] bool ReadNulTerminatedPaths(const std::string& source,
                                          std::vector<std::string>& paths, std::string& error);

}  // namespace namefold::cli
