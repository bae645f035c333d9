#include "platform/platform.h"

#include <dlfcn.h>
#include <errno.h>
#include <fcntl.h>
#include <sys/mman.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <initializer_list>
#include <optional>

#include "platform/posix/code_pages.h"
#include "platform/posix/locale_code_page.h"
#include "platform/posix/path_encoding.h"

namespace namefold::platform {

namespace {

// Advice that Linux understands and other systems do not have: -1 for none.
#ifdef MADV_HUGEPAGE
constexpr int kAdviseHugePages = MADV_HUGEPAGE;
#else
constexpr int kAdviseHugePages = -1;
#endif
#ifdef MADV_POPULATE_WRITE
constexpr int kAdvisePopulateWrite = MADV_POPULATE_WRITE;
#else
constexpr int kAdvisePopulateWrite = -1;
#endif

// A fresh buffer of a big table file costs one page fault per page as read() fills it, which
// dominates the load of a file of megabytes. Huge pages need far fewer, and mapping the pages in
// one call saves the fault of each. Both are hints about whole pages inside the buffer: the
// contents stay as they are, and a refusal changes nothing.
void PrepareToFill(char* bytes, std::size_t size) {
  const long page = sysconf(_SC_PAGESIZE);
  if (page <= 0) return;
  const auto mask = static_cast<std::uintptr_t>(page) - 1;
  const auto start = reinterpret_cast<std::uintptr_t>(bytes);
  const std::uintptr_t begin = (start + mask) & ~mask;
  const std::uintptr_t end = (start + size) & ~mask;
  if (end <= begin) return;
  for (int advice : {kAdviseHugePages, kAdvisePopulateWrite}) {
    if (advice >= 0) (void)madvise(reinterpret_cast<void*>(begin), end - begin, advice);
  }
}

}  // namespace

const Unit kPathSeparator = u'/';

void SetModuleHandle(void*) {}  // the library finds its own file through dladdr instead

std::size_t OwnPath(std::span<Unit> buffer) {
  Dl_info info{};
  if (dladdr(reinterpret_cast<const void*>(&OwnPath), &info) == 0 || info.dli_fname == nullptr)
    return 0;
  return DecodePath(info.dli_fname, buffer);
}

FileText ReadWholeFile(const Unit* path, std::size_t max_bytes) {
  char native[kMaxNativePath];
  if (!EncodePath(path, native)) return {};
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
    if (bytes != nullptr) PrepareToFill(bytes, size + 2);
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

bool FoldsUnchanged(int code_page, const Unit* text) {
  if (code_page == 0) code_page = AnsiCodePage();
  if (const std::optional<bool> holds = KnownCodePageHolds(code_page, text)) return *holds;
  for (; *text != 0; ++text) {
    if (*text >= 0x80) return false;  // a code page without data keeps ASCII only
  }
  return true;
}

}  // namespace namefold::platform
