// The program's entry point on Windows: wmain receives the arguments as UTF-16, whatever the
// ANSI code page, and passes them on as UTF-8.
#include "cli/system.h"
#include "cli/utf.h"

int wmain(int argc, wchar_t** argv) {
  std::vector<std::string> arguments;
  for (int i = 1; i < argc; ++i) {
    const std::wstring wide(argv[i]);
    arguments.push_back(namefold::cli::ToUtf8(std::u16string(wide.begin(), wide.end())));
  }
  return namefold::cli::Main(arguments);
}
