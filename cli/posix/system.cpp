#include "cli/system.h"

#include <errno.h>
#include <fcntl.h>
#include <iconv.h>
#include <locale.h>
#include <stdio.h>
#include <stdlib.h>
#include <sys/stat.h>
#include <unistd.h>
#include <wctype.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <initializer_list>
#include <iterator>

#include "cli/utf.h"
#include "platform/posix/locale_code_page.h"

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
  text.tsv = EscapeForLine(bytes, Backslash::kEscaped);
  text.hex = HexBytes(bytes);
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

bool DecodeCodePage(int code_page, std::string_view bytes, std::u16string& units,
                    std::string& error) {
  const iconv_t converter = iconv_open("UTF-16LE", ("CP" + std::to_string(code_page)).c_str());
  if (converter == reinterpret_cast<iconv_t>(-1)) {
    error = "code page " + std::to_string(code_page) + " is not known to this system";
    return false;
  }
  std::string out(bytes.size() * 4 + 4, '\0');  // every byte gives at most one pair of units
  char* in = const_cast<char*>(bytes.data());   // iconv's declaration; it does not write there
  std::size_t in_left = bytes.size();
  char* next = out.data();
  std::size_t out_left = out.size();
  const bool ok = iconv(converter, &in, &in_left, &next, &out_left) != static_cast<std::size_t>(-1);
  iconv_close(converter);
  if (!ok) {
    error = "byte " + std::to_string(bytes.size() - in_left) + " is not text in code page " +
            std::to_string(code_page);
    return false;
  }
  units.resize((out.size() - out_left) / 2);
  for (std::size_t i = 0; i < units.size(); ++i) {
    units[i] = static_cast<char16_t>(static_cast<unsigned char>(out[2 * i]) |
                                     static_cast<unsigned char>(out[2 * i + 1]) << 8);
  }
  return true;
}

bool SelectLibraryLocale(const std::string& name, std::string& error) {
  // The library maps the name to a code page without asking the system, and gives 1252 to any
  // name it does not know: a misspelt or absent locale would pass silently for a Western one.
  // So take a locale the system has, or one whose language the library maps to its own code page.
  const locale_t installed =
      name.empty() ? locale_t{} : newlocale(LC_CTYPE_MASK, name.c_str(), locale_t{});
  if (installed != locale_t{}) freelocale(installed);
  const bool known =
      name == "C" || name == "POSIX" || platform::CodePageForLocale(name.c_str()) != 1252;
  if (installed == locale_t{} && !known) {
    error = "--locale: no locale '" + name +
            "' on this system, and the library maps it to no code "
            "page but the default 1252 (see the locale table in the README)";
    return false;
  }
  // LC_ALL wins over LC_CTYPE and LANG, for the library as for every POSIX program.
  if (setenv("LC_ALL", name.c_str(), 1) != 0) {
    error = "--locale: cannot use locale name '" + name + "'";
    return false;
  }
  return true;
}

std::string PathBytes(const fs::path& path) {
  return path.native();
}

fs::path PathFromBytes(std::string_view bytes) {
  return fs::path(std::string(bytes));
}

std::size_t NameUnits(const fs::path& name) {
  return name.native().size();
}

std::u16string FoldCaseAsWindows(std::u16string_view text) {
  // The case mappings of C.UTF-8, whatever locale the user has; ASCII only where it is missing.
  static const locale_t utf8 = newlocale(LC_CTYPE_MASK, "C.UTF-8", locale_t{});
  std::u16string folded(text);
  for (char16_t& unit : folded) {
    if (unit >= 0xD800 && unit <= 0xDFFF) continue;  // Windows folds no surrogate
    const wint_t upper = utf8 != locale_t{} ? towupper_l(unit, utf8)
                                            : (unit >= 'a' && unit <= 'z' ? unit - 32 : unit);
    if (upper <= 0xFFFF) unit = static_cast<char16_t>(upper);
  }
  return folded;
}

bool SameEntry(const fs::path& a, const fs::path& b) {
  struct stat first {
  }, second{};
  return lstat(a.c_str(), &first) == 0 && lstat(b.c_str(), &second) == 0 &&
         first.st_dev == second.st_dev && first.st_ino == second.st_ino;
}

RenameOutcome RenameNoReplace(const fs::path& from, const fs::path& to, std::string& error,
                              bool fallback_only) {
  if (!fallback_only &&
      renameat2(AT_FDCWD, from.c_str(), AT_FDCWD, to.c_str(), RENAME_NOREPLACE) == 0)
    return RenameOutcome::kDone;
  if (!fallback_only && errno != EINVAL && errno != ENOSYS && errno != ENOTSUP) {
    if (errno == EEXIST) return RenameOutcome::kTargetExists;
    error = std::strerror(errno);
    return RenameOutcome::kFailed;
  }
  // link() fails when the new name exists, atomically; the link itself is linked, not followed.
  if (link(from.c_str(), to.c_str()) == 0) {
    if (unlink(from.c_str()) == 0) return RenameOutcome::kDone;
    error = std::string("the old name stays beside the new one: ") + std::strerror(errno);
    return RenameOutcome::kFailed;
  }
  if (errno == EEXIST) return RenameOutcome::kTargetExists;
  struct stat status {};
  if (lstat(from.c_str(), &status) != 0 || !S_ISDIR(status.st_mode)) {
    error = std::strerror(errno);
    return RenameOutcome::kFailed;
  }
  // A folder cannot be linked. Only a folder that is empty could be replaced by rename(), and
  // mkdir() takes the name first, so the moment in which one could appear is as short as it gets.
  if (mkdir(to.c_str(), 0700) != 0) {
    if (errno == EEXIST) return RenameOutcome::kTargetExists;
    error = std::strerror(errno);
    return RenameOutcome::kFailed;
  }
  if (rename(from.c_str(), to.c_str()) == 0) return RenameOutcome::kDone;
  error = std::strerror(errno);
  rmdir(to.c_str());
  return RenameOutcome::kFailed;
}

bool AppendDurably(const fs::path& path, std::string_view bytes, bool create, std::string& error) {
  const int fd =
      open(path.c_str(),
           O_WRONLY | O_APPEND | O_CLOEXEC | O_NOCTTY | (create ? O_CREAT | O_EXCL : 0), 0644);
  if (fd < 0) {
    error = errno == EEXIST ? "exists already" : std::strerror(errno);
    return false;
  }
  bool ok = true;
  while (ok && !bytes.empty()) {
    const ssize_t n = write(fd, bytes.data(), bytes.size());
    if (n < 0 && errno == EINTR) continue;
    ok = n > 0;
    if (ok) bytes.remove_prefix(static_cast<std::size_t>(n));
  }
  if (!ok || fsync(fd) != 0) {
    error = std::strerror(errno);
    ok = false;
  }
  if (close(fd) != 0 && ok) {
    error = std::strerror(errno);
    ok = false;
  }
  if (ok && create) {  // the new file's name is on disk only once its folder is
    const fs::path folder = path.has_parent_path() ? path.parent_path() : fs::path(".");
    const int folder_fd = open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (folder_fd >= 0) {
      fsync(folder_fd);
      close(folder_fd);
    }
  }
  return ok;
}

std::string CodePageSource() {
  for (const char* name : {"LC_ALL", "LC_CTYPE", "LANG"}) {  // the first set and not empty
    const char* value = std::getenv(name);
    if (value != nullptr && value[0] != 0) return std::string(name) + "=" + value;
  }
  return "no locale variable set: the C locale";
}

}  // namespace namefold::cli
