#include "platform/platform.h"

#include <dlfcn.h>
#include <errno.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstdlib>
#include <cstring>
#include <initializer_list>

#include "platform/posix/code_pages.h"
#include "platform/posix/locale_code_page.h"
#include "platform/posix/path_encoding.h"

namespace namefold::platform {

const Unit kPathSeparator = u'/';

void SetModuleHandle(void*) {}  // the library finds its own file through dladdr instead

std::size_t OwnPath(Unit* buffer, std::size_t capacity) {
  Dl_info info{};
  if (dladdr(reinterpret_cast<const void*>(&OwnPath), &info) == 0 || info.dli_fname == nullptr)
    return 0;
  return DecodePath(info.dli_fname, buffer, capacity);
}

FileText ReadWholeFile(const Unit* path, std::size_t max_bytes) {
  char native[kMaxNativePath];
  if (!EncodePath(path, native, sizeof native)) return {};
  // O_NONBLOCK: a FIFO carrying the table's name would otherwise block the host until a writer
  // appears; it is refused below by its type anyway.
  const int fd = open(native, O_RDONLY | O_NONBLOCK | O_CLOEXEC | O_NOCTTY);
  if (fd < 0) return {};
  FileText result;
  struct stat status {};
  if (fstat(fd, &status) == 0 && S_ISREG(status.st_mode) && status.st_size > 0 &&
      static_cast<unsigned long long>(status.st_size) <= max_bytes) {
    const auto size = static_cast<std::size_t>(status.st_size);
    auto* bytes = static_cast<char*>(std::malloc(size + 2));
    std::size_t done = 0;
    while (bytes != nullptr && done < size) {
      const ssize_t n = read(fd, bytes + done, size - done);
      if (n < 0 && errno == EINTR) continue;
      if (n <= 0) break;  // the file shrank or failed: never parse bytes that were not read
      done += static_cast<std::size_t>(n);
    }
    if (bytes != nullptr && done == size) {
      result.text = reinterpret_cast<Unit*>(bytes);
      result.units = size / 2;
      result.text[result.units] = 0;
    } else {
      std::free(bytes);
    }
  }
  close(fd);
  return result;
}

int AnsiCodePage() {
  // A Windows process's ANSI code page never changes either: read the locale once.
  static const int code_page = [] {
    for (const char* name : {"LC_ALL", "LC_CTYPE", "LANG"}) {
      const char* value = std::getenv(name);
      if (value != nullptr && value[0] != 0) return CodePageForLocale(value);
    }
    return CodePageForLocale("C");
  }();
  return code_page;
}

const char* NarrowNamePart(const char* path) {
  const char* slash = std::strrchr(path, '/');
  return slash == nullptr ? path : slash + 1;
}

void FoldUnits(int code_page, const Unit* source, std::size_t count, Unit* destination) {
  if (code_page == 0) code_page = AnsiCodePage();
  if (FoldKnownCodePage(code_page, source, count, destination)) return;
  for (std::size_t i = 0; i < count; ++i)  // a code page without data keeps ASCII only
    destination[i] = source[i] < 0x80 ? source[i] : u'_';
}

}  // namespace namefold::platform
