#include "cli/input.h"

#include <fstream>
#include <iostream>
#include <iterator>

#include "cli/system.h"

namespace namefold::cli {

bool ReadNulTerminatedPaths(const std::string& source, std::vector<std::string>& paths,
                            std::string& error) {
  std::string bytes;
  if (source == "-") {
    bytes.assign(std::istreambuf_iterator<char>(std::cin), std::istreambuf_iterator<char>());
    if (std::cin.bad()) {
      error = "standard input cannot be read";
      return false;
    }
  } else {
    std::ifstream file(PathFromArgument(source), std::ios::binary);
    if (!file) {
      error = "cannot be opened";
      return false;
    }
    bytes.assign(std::istreambuf_iterator<char>(file), std::istreambuf_iterator<char>());
    if (file.bad()) {
      error = "cannot be read";
      return false;
    }
  }
  std::size_t start = 0;
  while (start < bytes.size()) {
    std::size_t end = bytes.find('\0', start);
    if (end == std::string::npos) end = bytes.size();
    if (end > start) paths.push_back(bytes.substr(start, end - start));
    start = end + 1;
  }
  return true;
}

}  // namespace namefold::cli
