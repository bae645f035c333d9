#include "cli/system.h"

#include <errno.h>
#include <fcntl.h>
#include <stdlib.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <initializer_list>
#include <iterator>

#include "cli/utf.h"

namespace namefold::cli {

fs::path PathFromArgument(const std::string& argument) {
  return fs::path(argument);
}

PathText DescribePath(const fs::path& path) {
  PathText text;
  const std::string& bytes = path.native();  // a file name on POSIX is bytes, not always UTF-8
  text.well_formed = DecodeUtf8(bytes, text.units);
  text.text = ToUtf8(text.units);
  text.shown = EscapeForLine(bytes);
  return text;
}

bool IsTerminal(Stream stream) {
  return isatty(stream == Stream::kOut ? 1 : 2) == 1;
}

void Write(Stream stream, std::string_view text) {
  std::FILE* file = stream == Stream::kOut ? stdout : stderr;
  std::fwrite(text.data(), 1, text.size(), file);
  if (stream == Stream::kErr) std::fflush(file);
}

bool ReadFileBytes(const fs::path& path, std::string& bytes, std::string& error,
                   std::size_t max_bytes) {
  // O_NONBLOCK: a FIFO must not hang the program; it is refused by its type below.
  const int fd = open(path.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC | O_NOCTTY);
  if (fd < 0) {
    error =
        errno == ENOENT ? "no such file" : std::string("cannot be read: ") + std::strerror(errno);
    return false;
  }
  struct stat status {};
  bool ok = fstat(fd, &status) == 0;
  if (!ok)
    error = "cannot be read";
  else if (S_ISDIR(status.st_mode))
    ok = false, error = "is a folder";
  else if (!S_ISREG(status.st_mode))
    ok = false, error = "not a regular file";
  else if (static_cast<unsigned long long>(status.st_size) > max_bytes)
    ok = false, error = OverLimit(static_cast<unsigned long long>(status.st_size), max_bytes);
  if (ok) {
    bytes.resize(static_cast<std::size_t>(status.st_size));
    std::size_t done = 0;
    while (done < bytes.size()) {
      const ssize_t n = read(fd, bytes.data() + done, bytes.size() - done);
      if (n < 0 && errno == EINTR) continue;
      if (n <= 0) break;
      done += static_cast<std::size_t>(n);
    }
    if (done != bytes.size())
      ok = false, error = "read short (" + std::to_string(done) + " of " +
                          std::to_string(bytes.size()) + " bytes)";
  }
  close(fd);
  if (!ok) bytes.clear();
  return ok;
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
