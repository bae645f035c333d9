// The program's entry point on POSIX: the arguments are bytes, passed on as they are.
#include <sys/resource.h>

#include <cstdio>

#include "cli/system.h"

int main(int argc, char** argv) {
  // A walk holds a descriptor for each folder it is inside, so the soft limit on open files
  // (often 1,024) would bound the depth of a tree it can list, rename or undo; the hard limit
  // is the one the system means. Where raising it fails, the walk reports the folders it cannot
  // open, as before.
  rlimit files{};
  if (getrlimit(RLIMIT_NOFILE, &files) == 0 && files.rlim_cur < files.rlim_max) {
    files.rlim_cur = files.rlim_max;
    setrlimit(RLIMIT_NOFILE, &files);
  }
  const std::vector<std::string> arguments(argv + (argc > 0 ? 1 : 0), argv + argc);
  const int status = namefold::cli::Main(arguments);
  return std::fflush(stdout) == 0 ? status : 1;  // a full disk must not pass for success
}
