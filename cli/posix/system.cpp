#include "cli/system.h"

#include <stdlib.h>
#include <unistd.h>

#include <cstdio>
#include <fstream>
#include <iterator>
#include <cstdlib>
#include <initializer_list>

#include "cli/utf.h"

namespace namefold::cli {

fs::path PathFromArgument(const std::string& argument) { return fs::path(argument); }

PathText DescribePath(const fs::path& path) {
  PathText text;
  const std::string& bytes = path.native();  // a file name on POSIX is bytes, not always UTF-8
  text.well_formed = DecodeUtf8(bytes, text.units);
  text.text = ToUtf8(text.units);
  text.shown = EscapeForLine(bytes);
  return text;
}

bool IsTerminal(Stream stream) { return isatty(stream == Stream::kOut ? 1 : 2) == 1; }

void Write(Stream stream, std::string_view text) {
  std::FILE* file = stream == Stream::kOut ? stdout : stderr;
  std::fwrite(text.data(), 1, text.size(), file);
  if (stream == Stream::kErr) std::fflush(file);
}

bool ReadFileBytes(const fs::path& path, std::string& bytes, std::string& error) {
  std::error_code code;
  if (fs::is_directory(path, code)) {
    error = "is a folder";
    return false;
  }
  std::ifstream file(path, std::ios::binary);
  if (!file) {
    error = fs::exists(path, code) ? "cannot be read" : "no such file";
    return false;
  }
  bytes.assign(std::istreambuf_iterator<char>(file), std::istreambuf_iterator<char>());
  if (file.bad()) {
    error = "read error";
    return false;
  }
  return true;
}

bool WriteFileBytes(const fs::path& path, std::string_view bytes, std::string& error) {
  std::ofstream file(path, std::ios::binary | std::ios::trunc);
  file.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
  file.close();
  if (!file) {
    error = "cannot be written";
    return false;
  }
  return true;
}

bool SelectLibraryLocale(const std::string& name, std::string& error) {
  // LC_ALL wins over LC_CTYPE and LANG, for the library as for every POSIX program.
  if (name.empty() || setenv("LC_ALL", name.c_str(), 1) != 0) {
    error = "--locale: cannot use locale name '" + name + "'";
    return false;
  }
  return true;
}

std::string CodePageSource() {
  for (const char* name : {"LC_ALL", "LC_CTYPE", "LANG"}) {  // the first set and not empty
    const char* value = std::getenv(name);
    if (value != nullptr && value[0] != 0) return std::string(name) + "=" + value;
  }
  return "no locale variable set: the C locale";
}

}  // namespace namefold::cli
