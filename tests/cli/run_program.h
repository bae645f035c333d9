// Running the built namefold program from a test, as a user's shell would.
#pragma once

#include <filesystem>
#include <string>
#include <vector>

namespace namefold::testing {

struct ProgramResult {
  int status = -1;
  std::string out;  // what it wrote to standard output, as bytes
  std::string err;
};

// The program the build made for this target, beside the library.
[[nodiscard]] std::filesystem::path BuiltProgram();

// Runs `program` with `arguments` (UTF-8; on POSIX, bytes as they are) and `input` as its
// standard input, and waits for it.
[[nodiscard]] ProgramResult RunProgram(const std::filesystem::path& program,
                                       const std::vector<std::string>& arguments,
                                       const std::string& input = {});

// Sets (or, with null `value`, removes) a variable of this process's environment, which the
// programs it runs inherit.
void SetEnvironment(const char* name, const char* value);

// Sets this process's soft limit on open files, which the programs it runs inherit, and returns
// the one it replaces (POSIX; on Windows nothing, and 0).
std::size_t SetOpenFileLimit(std::size_t soft);

}  // namespace namefold::testing
