// The program's entry point on POSIX: the arguments are bytes, passed on as they are.
#include <cstdio>

#include "cli/system.h"

int main(int argc, char** argv) {
  const std::vector<std::string> arguments(argv + (argc > 0 ? 1 : 0), argv + argc);
  const int status = namefold::cli::Main(arguments);
  return std::fflush(stdout) == 0 ? status : 1;  // a full disk must not pass for success
}
