// The program's entry point on Windows: wmain receives the arguments as UTF-16, whatever the
// ANSI code page, and passes them on as UTF-8.
#include <fcntl.h>
#include <io.h>

#include <cstdio>

#include "cli/system.h"
#include "cli/utf.h"

int wmain(int argc, wchar_t** argv) {
  _setmode(_fileno(stdin), _O_BINARY);  // the bytes of a pipe as they are: no CR LF or ^Z rules
  std::vector<std::string> arguments;
  for (int i = 1; i < argc; ++i) {
    const std::wstring wide(argv[i]);
    arguments.push_back(namefold::cli::ToUtf8(std::u16string(wide.begin(), wide.end())));
  }
  return namefold::cli::Main(arguments);
}
