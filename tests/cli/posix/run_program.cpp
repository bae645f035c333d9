#include "tests/cli/run_program.h"

#include <stdlib.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdio>

#include "host/plugin_loader.h"

namespace namefold::testing {
namespace {

std::string ReadAll(std::FILE* file) {
  std::string bytes;
  std::rewind(file);
  char buffer[4096];
  for (std::size_t n; (n = std::fread(buffer, 1, sizeof buffer, file)) > 0;)
    bytes.append(buffer, n);
  std::fclose(file);
  return bytes;
}

}  // namespace

std::filesystem::path BuiltProgram() {
  return host::ExecutablePath().parent_path().parent_path() / "out" / "namefold";
}

ProgramResult RunProgram(const std::filesystem::path& program,
                         const std::vector<std::string>& arguments, const std::string& input) {
  ProgramResult result;
  std::FILE* in = std::tmpfile();
  std::FILE* out = std::tmpfile();
  std::FILE* err = std::tmpfile();
  if (in == nullptr || out == nullptr || err == nullptr) return result;
  std::fwrite(input.data(), 1, input.size(), in);
  std::fflush(in);
  std::rewind(in);
  std::vector<char*> argv{const_cast<char*>(program.c_str())};
  for (const std::string& argument : arguments) argv.push_back(const_cast<char*>(argument.c_str()));
  argv.push_back(nullptr);
  std::fflush(nullptr);
  const pid_t child = fork();
  if (child == 0) {
    dup2(fileno(in), 0);
    dup2(fileno(out), 1);
    dup2(fileno(err), 2);
    execv(argv[0], argv.data());
    _exit(127);
  }
  int status = 0;
  if (child > 0 && waitpid(child, &status, 0) == child && WIFEXITED(status)) {
    result.status = WEXITSTATUS(status);
  }
  std::fclose(in);
  result.out = ReadAll(out);
  result.err = ReadAll(err);
  return result;
}

void SetEnvironment(const char* name, const char* value) {
  if (value == nullptr)
    unsetenv(name);
  else
    setenv(name, value, 1);
}

std::size_t SetOpenFileLimit(std::size_t soft) {
  rlimit files{};
  getrlimit(RLIMIT_NOFILE, &files);
  const std::size_t previous = files.rlim_cur;
  files.rlim_cur = soft;
  setrlimit(RLIMIT_NOFILE, &files);
  return previous;
}

}  // namespace namefold::testing
