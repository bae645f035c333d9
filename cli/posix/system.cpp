#include "cli/system.h"

#include <dirent.h>
#include <errno.h>
#include <fcntl.h>
#include <iconv.h>
#include <limits.h>
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

#include "base/unit.h"
#include "cli/utf.h"
#include "platform/posix/locale_code_page.h"

namespace namefold::cli {

fs::path PathFromArgument(const std::string& argument) {
  return fs::path(argument);
}

bool PathUnits(const fs::path& path, std::u16string& units) {
  return DecodeUtf8(path.native(), units);  // a file name on POSIX is bytes, not always UTF-8
}

PathText DescribePath(const fs::path& path) {
  PathText text;
  const std::string& bytes = path.native();
  text.well_formed = PathUnits(path, text.units);
  text.text = text.well_formed ? bytes : ToUtf8(text.units);
  text.shown = EscapeForLine(bytes);
  // Every name of a listing passes here: the second escape only where a backslash makes it differ.
  text.tsv = bytes.find('\\') == std::string::npos ? text.shown
                                                   : EscapeForLine(bytes, Backslash::kEscaped);
  if (!text.well_formed) text.hex = HexBytes(bytes);
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
    if (unit < 0x80) {  // most of most names
      unit = unit >= 'a' && unit <= 'z' ? unit - 32 : unit;
      continue;
    }
    if (IsSurrogate(unit)) continue;  // Windows folds no surrogate
    const wint_t upper = utf8 != locale_t{} ? towupper_l(unit, utf8)
                                            : (unit >= 'a' && unit <= 'z' ? unit - 32 : unit);
    if (upper <= 0xFFFF) unit = static_cast<char16_t>(upper);
  }
  return folded;
}

namespace {

int Fd(const Folder& folder) {
  return static_cast<int>(folder.handle.get());
}

EntryType TypeOf(mode_t mode) {
  return S_ISDIR(mode) ? EntryType::kFolder : S_ISLNK(mode) ? EntryType::kLink : EntryType::kOther;
}

EntryId IdOf(const struct stat& status) {
  return {static_cast<std::uint64_t>(status.st_dev), static_cast<std::uint64_t>(status.st_ino)};
}

// renameat2 without replacing, through two folders (AT_FDCWD for paths), with the link-and-unlink
// road where the file system refuses the flag.
RenameOutcome RenameAt(int dir, const char* from, const char* to, std::string& error,
                       bool fallback_only) {
  if (!fallback_only && renameat2(dir, from, dir, to, RENAME_NOREPLACE) == 0)
    return RenameOutcome::kDone;
  if (!fallback_only && errno != EINVAL && errno != ENOSYS && errno != ENOTSUP) {
    if (errno == EEXIST) return RenameOutcome::kTargetExists;
    error = std::strerror(errno);
    return RenameOutcome::kFailed;
  }
  // linkat() fails when the new name exists, atomically; a link is linked itself, not followed.
  // Killed between the two steps, the file has both names; undo knows that state by its inode.
  if (linkat(dir, from, dir, to, 0) == 0) {
    if (unlinkat(dir, from, 0) == 0) return RenameOutcome::kDone;
    error = std::string("the old name stays beside the new one: ") + std::strerror(errno);
    return RenameOutcome::kFailed;
  }
  if (errno == EEXIST) return RenameOutcome::kTargetExists;
  struct stat status {};
  if (fstatat(dir, from, &status, AT_SYMLINK_NOFOLLOW) != 0 || !S_ISDIR(status.st_mode)) {
    error = std::strerror(errno);
    return RenameOutcome::kFailed;
  }
  // A folder cannot be linked. Only a folder that is empty could be replaced by renameat(), and
  // mkdirat() takes the name first, so the moment in which one could appear is as short as it
  // gets. Killed in between, an empty folder is left under the new name; undo removes it.
  if (mkdirat(dir, to, 0700) != 0) {
    if (errno == EEXIST) return RenameOutcome::kTargetExists;
    error = std::strerror(errno);
    return RenameOutcome::kFailed;
  }
  if (renameat(dir, from, dir, to) == 0) return RenameOutcome::kDone;
  error = std::strerror(errno);
  unlinkat(dir, to, AT_REMOVEDIR);
  return RenameOutcome::kFailed;
}

}  // namespace

Handle& Handle::operator=(Handle&& other) noexcept {
  if (this != &other) {
    if (valid()) close(static_cast<int>(value_));
    value_ = other.value_;
    other.value_ = kNone;
  }
  return *this;
}

Handle::~Handle() {
  if (valid()) close(static_cast<int>(value_));
}

RenameOutcome RenameNoReplace(const fs::path& from, const fs::path& to, std::string& error,
                              bool fallback_only) {
  return RenameAt(AT_FDCWD, from.c_str(), to.c_str(), error, fallback_only);
}

RenameOutcome RenameInFolder(const Folder& folder, const fs::path& from, const fs::path& to,
                             std::string& error, bool fallback_only) {
  return RenameAt(Fd(folder), from.c_str(), to.c_str(), error, fallback_only);
}

bool OpenFolder(const fs::path& path, Folder& folder, std::string& error) {
  const int fd = open(path.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
  if (fd < 0) {
    error = errno == ENOTDIR ? "not a folder" : std::strerror(errno);
    return false;
  }
  folder.handle = Handle(fd);
  folder.path = path;
  return true;
}

bool OpenSubfolder(const Folder& parent, const fs::path& name, Folder& folder, std::string& error) {
  const int fd = openat(Fd(parent), name.c_str(), O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC);
  if (fd < 0) {
    // O_NOFOLLOW on a link gives ELOOP, or ENOTDIR along with O_DIRECTORY.
    struct stat status {};
    const bool link = (errno == ELOOP || errno == ENOTDIR) &&
                      fstatat(Fd(parent), name.c_str(), &status, AT_SYMLINK_NOFOLLOW) == 0 &&
                      S_ISLNK(status.st_mode);
    error = link ? "a symbolic link, not a folder" : std::strerror(errno);
    if (errno == ENOTDIR && !link) error = "not a folder";
    return false;
  }
  folder.handle = Handle(fd);
  folder.path = parent.path / name;
  return true;
}

bool ListFolder(const Folder& folder, std::vector<Listed>& entries, std::string& error) {
  const int fd = fcntl(Fd(folder), F_DUPFD_CLOEXEC, 0);  // closedir() closes its own
  DIR* dir = fd < 0 ? nullptr : fdopendir(fd);
  if (dir == nullptr) {
    error = std::strerror(errno);
    if (fd >= 0) close(fd);
    return false;
  }
  rewinddir(dir);
  errno = 0;
  while (const dirent* entry = readdir(dir)) {
    const std::string_view name = entry->d_name;
    if (name == "." || name == "..") continue;
    EntryType type = entry->d_type == DT_DIR   ? EntryType::kFolder
                     : entry->d_type == DT_LNK ? EntryType::kLink
                                               : EntryType::kOther;
    struct stat status {};
    if (entry->d_type == DT_UNKNOWN &&
        fstatat(Fd(folder), entry->d_name, &status, AT_SYMLINK_NOFOLLOW) == 0)
      type = TypeOf(status.st_mode);
    entries.push_back({fs::path(std::string(name)), type});
    errno = 0;
  }
  const int code = errno;
  closedir(dir);
  if (code != 0) error = std::strerror(code);
  return code == 0;
}

Lookup Identify(const Folder& folder, const fs::path& name, EntryId& id, EntryType& type,
                std::string& error) {
  struct stat status {};
  if (fstatat(Fd(folder), name.c_str(), &status, AT_SYMLINK_NOFOLLOW) != 0) {
    if (errno == ENOENT) return Lookup::kMissing;
    error = std::strerror(errno);
    return Lookup::kError;
  }
  id = IdOf(status);
  type = TypeOf(status.st_mode);
  return Lookup::kFound;
}

bool RealFolderPath(const Folder& folder, fs::path& path, std::string& error) {
  // The kernel knows the path of an open folder, up to a page of it.
  char known[PATH_MAX + 1];
  const std::string fd_link = "/proc/self/fd/" + std::to_string(Fd(folder));
  const ssize_t length = readlink(fd_link.c_str(), known, sizeof known);
  if (length > 0 && static_cast<std::size_t>(length) < sizeof known && known[0] == '/' &&
      !std::string_view(known, static_cast<std::size_t>(length)).ends_with(" (deleted)")) {
    path = fs::path(std::string(known, static_cast<std::size_t>(length)));
    return true;
  }
  // Beyond that, walk up through "..", finding each folder's name in its parent by its identity,
  // as getcwd does: no path is ever resolved, so no length limit applies.
  std::string real;
  Handle current(fcntl(Fd(folder), F_DUPFD_CLOEXEC, 0));
  for (int depth = 0; current.valid(); ++depth) {
    struct stat here {
    }, up{};
    Handle parent(
        openat(static_cast<int>(current.get()), "..", O_RDONLY | O_DIRECTORY | O_CLOEXEC));
    if (!parent.valid() || fstat(static_cast<int>(current.get()), &here) != 0 ||
        fstat(static_cast<int>(parent.get()), &up) != 0)
      break;
    if (IdOf(here) == IdOf(up)) {  // the root
      path = fs::path(real.empty() ? "/" : real);
      return true;
    }
    Folder above{std::move(parent), {}};
    std::vector<Listed> names;
    if (!ListFolder(above, names, error)) return false;
    bool found = false;
    for (const Listed& entry : names) {
      EntryId id;
      EntryType type;
      std::string ignored;
      if (entry.type == EntryType::kFolder &&
          Identify(above, entry.name, id, type, ignored) == Lookup::kFound && id == IdOf(here)) {
        real = "/" + entry.name.native() + real;
        found = true;
        break;
      }
    }
    if (!found) {
      error = "the folder is no longer in its parent";
      return false;
    }
    current = std::move(above.handle);
  }
  error = std::strerror(errno);
  return false;
}

bool RemoveName(const Folder& folder, const fs::path& name, bool is_folder, std::string& error) {
  if (unlinkat(Fd(folder), name.c_str(), is_folder ? AT_REMOVEDIR : 0) == 0) return true;
  error = std::strerror(errno);
  return false;
}

bool ReadLinkTarget(const Folder& folder, const fs::path& name, fs::path& target,
                    std::string& error) {
  std::string bytes(256, '\0');
  for (;;) {
    const ssize_t n = readlinkat(Fd(folder), name.c_str(), bytes.data(), bytes.size());
    if (n < 0) {
      error = std::strerror(errno);
      return false;
    }
    if (static_cast<std::size_t>(n) < bytes.size()) {
      bytes.resize(static_cast<std::size_t>(n));
      target = fs::path(bytes);
      return true;
    }
    bytes.resize(bytes.size() * 2);
  }
}

bool RepointLink(const Folder& folder, const fs::path& name, const EntryId& id,
                 const fs::path& target, std::string& error) {
  // The new link is made under a name of its own and exchanged with the old one in one step;
  // then what now has the temporary name must be the old link, or it is exchanged back.
  const std::string temporary =
      ".namefold-link-" + std::to_string(getpid()) + "-" + name.filename().native().substr(0, 64);
  const int dir = Fd(folder);
  if (symlinkat(target.c_str(), dir, temporary.c_str()) != 0) {
    error = std::strerror(errno);
    return false;
  }
  if (renameat2(dir, temporary.c_str(), dir, name.c_str(), RENAME_EXCHANGE) != 0) {
    error = std::strerror(errno);
    unlinkat(dir, temporary.c_str(), 0);
    return false;
  }
  struct stat status {};
  if (fstatat(dir, temporary.c_str(), &status, AT_SYMLINK_NOFOLLOW) == 0 && IdOf(status) == id &&
      S_ISLNK(status.st_mode)) {
    unlinkat(dir, temporary.c_str(), 0);
    return true;
  }
  renameat2(dir, temporary.c_str(), dir, name.c_str(), RENAME_EXCHANGE);
  unlinkat(dir, temporary.c_str(), 0);
  error = "the link was replaced meanwhile";
  return false;
}

bool CreateNewFile(const fs::path& path, Handle& file, std::string& error) {
  const int fd =
      open(path.c_str(), O_WRONLY | O_APPEND | O_CREAT | O_EXCL | O_CLOEXEC | O_NOCTTY, 0644);
  if (fd < 0) {
    error = errno == EEXIST ? "exists already" : std::strerror(errno);
    return false;
  }
  file = Handle(fd);
  return true;
}

bool WriteAll(const Handle& file, std::string_view bytes, std::string& error) {
  while (!bytes.empty()) {
    const ssize_t n = write(static_cast<int>(file.get()), bytes.data(), bytes.size());
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) {
      error = n < 0 ? std::strerror(errno) : "nothing written";
      return false;
    }
    bytes.remove_prefix(static_cast<std::size_t>(n));
  }
  return true;
}

bool SyncFile(const Handle& file, const fs::path& path, bool name_too, std::string& error) {
  if (fdatasync(static_cast<int>(file.get())) != 0) {
    error = std::strerror(errno);
    return false;
  }
  if (name_too) {  // a new file's name is on disk only once its folder is
    const fs::path folder = path.has_parent_path() ? path.parent_path() : fs::path(".");
    const Handle folder_fd(open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC));
    if (folder_fd.valid()) fsync(static_cast<int>(folder_fd.get()));
  }
  return true;
}

unsigned long ProcessId() {
  return static_cast<unsigned long>(getpid());
}

std::string CodePageSource() {
  for (const char* name : {"LC_ALL", "LC_CTYPE", "LANG"}) {  // the first set and not empty
    const char* value = std::getenv(name);
    if (value != nullptr && value[0] != 0) return std::string(name) + "=" + value;
  }
  return "no locale variable set: the C locale";
}

}  // namespace namefold::cli
