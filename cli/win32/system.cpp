#include "cli/system.h"

#include <windows.h>

#include <algorithm>

#include "base/unit.h"
#include "base/utf8.h"
#include "cli/utf.h"

namespace namefold::cli {
namespace {

HANDLE StreamHandle(Stream stream) {
  return GetStdHandle(stream == Stream::kOut ? STD_OUTPUT_HANDLE : STD_ERROR_HANDLE);
}

std::u16string Units(const std::wstring& text) {
  return {text.begin(), text.end()};
}

}  // namespace

fs::path PathFromArgument(const std::string& argument) {
  const std::u16string units = FromUtf8(argument);
  return fs::path(std::wstring(units.begin(), units.end()));
}

bool PathUnits(const fs::path& path, std::u16string& units) {
  units = Units(path.native());  // Windows names are UTF-16 already
  std::string ignored;
  return EncodeUtf8(units, ignored);
}

PathText DescribePath(const fs::path& path) {
  PathText text;
  text.units = Units(path.native());
  text.well_formed = EncodeUtf8(text.units, text.text);
  text.shown = EscapeForLine(text.text);
  text.tsv = EscapeForLine(text.text, Backslash::kEscaped);
  if (text.well_formed) return text;
  std::string bytes;  // the units as stored, unpaired surrogates included
  for (char16_t unit : text.units)
    bytes += {static_cast<char>(unit & 0xFF), static_cast<char>(unit >> 8)};
  text.hex = HexBytes(bytes);
  return text;
}

bool IsTerminal(Stream stream) {
  DWORD mode;
  return GetConsoleMode(StreamHandle(stream), &mode) != 0;
}

void Write(Stream stream, std::string_view text) {
  const HANDLE handle = StreamHandle(stream);
  DWORD mode, written;
  if (GetConsoleMode(handle, &mode) != 0) {
    const std::u16string units = FromUtf8(text);
    const std::wstring wide(units.begin(), units.end());
    WriteConsoleW(handle, wide.data(), static_cast<DWORD>(wide.size()), &written, nullptr);
    return;
  }
  while (!text.empty()) {  // a pipe or file gets the UTF-8 bytes, with no CR added
    const DWORD chunk = static_cast<DWORD>(std::min<std::size_t>(text.size(), 1u << 20));
    if (WriteFile(handle, text.data(), chunk, &written, nullptr) == 0 || written == 0) return;
    text.remove_prefix(written);
  }
}

bool ReadFileBytes(const fs::path& path, std::string& bytes, std::string& error,
                   std::size_t max_bytes) {
  // The C++ streams of this runtime open files by 8-bit name: only CreateFileW takes every name.
  std::error_code code;
  if (fs::is_directory(path, code)) {
    error = "is a folder";
    return false;
  }
  const HANDLE file = CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE,
                                  nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
  if (file == INVALID_HANDLE_VALUE) {
    error = GetLastError() == ERROR_FILE_NOT_FOUND ? "no such file" : "cannot be read";
    return false;
  }
  LARGE_INTEGER size{};
  bool ok = GetFileSizeEx(file, &size) != 0;
  if (!ok)
    error = "cannot be read";
  else if (GetFileType(file) != FILE_TYPE_DISK)
    ok = false, error = "not a regular file";
  else if (static_cast<unsigned long long>(size.QuadPart) > max_bytes)
    ok = false, error = OverLimit(static_cast<unsigned long long>(size.QuadPart), max_bytes);
  if (ok) {
    bytes.resize(static_cast<std::size_t>(size.QuadPart));
    std::size_t done = 0;
    while (done < bytes.size()) {
      const DWORD chunk = static_cast<DWORD>(std::min<std::size_t>(bytes.size() - done, 1u << 20));
      DWORD read = 0;
      if (ReadFile(file, bytes.data() + done, chunk, &read, nullptr) == 0 || read == 0) break;
      done += read;
    }
    if (done != bytes.size())
      ok = false, error = "read short (" + std::to_string(done) + " of " +
                          std::to_string(bytes.size()) + " bytes)";
  }
  CloseHandle(file);
  if (!ok) bytes.clear();
  return ok;
}

bool WriteFileBytes(const fs::path& path, std::string_view bytes, std::string& error) {
  const HANDLE file = CreateFileW(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                                  FILE_ATTRIBUTE_NORMAL, nullptr);
  bool ok = file != INVALID_HANDLE_VALUE;
  while (ok && !bytes.empty()) {
    const DWORD chunk = static_cast<DWORD>(std::min<std::size_t>(bytes.size(), 1u << 20));
    DWORD written = 0;
    ok = WriteFile(file, bytes.data(), chunk, &written, nullptr) != 0 && written > 0;
    bytes.remove_prefix(written);
  }
  if (file != INVALID_HANDLE_VALUE && CloseHandle(file) == 0) ok = false;
  if (!ok) error = "cannot be written";
  return ok;
}

bool DecodeCodePage(int code_page, std::string_view bytes, std::u16string& units,
                    std::string& error) {
  const auto page = static_cast<UINT>(code_page);
  if (IsValidCodePage(page) == 0) {
    error = "code page " + std::to_string(code_page) + " is not known to this system";
    return false;
  }
  units.clear();
  if (bytes.empty()) return true;
  const int size = static_cast<int>(bytes.size());
  const int length =
      MultiByteToWideChar(page, MB_ERR_INVALID_CHARS, bytes.data(), size, nullptr, 0);
  if (length <= 0) {
    error = "the bytes are not text in code page " + std::to_string(code_page);
    return false;
  }
  std::wstring wide(static_cast<std::size_t>(length), L'\0');
  MultiByteToWideChar(page, MB_ERR_INVALID_CHARS, bytes.data(), size, wide.data(), length);
  units.assign(wide.begin(), wide.end());
  return true;
}

bool SelectLibraryLocale(const std::string&, std::string& error) {
  error = "--locale: not available on Windows, where the library uses the system's ANSI code page";
  return false;
}

std::string PathBytes(const fs::path& path) {
  std::string bytes;  // UTF-8, with an unpaired surrogate written as its own three bytes
  const std::wstring& units = path.native();
  for (std::size_t i = 0; i < units.size(); ++i) {
    char32_t c = static_cast<char16_t>(units[i]);
    if (IsHighSurrogate(c) && i + 1 < units.size() && IsLowSurrogate(units[i + 1]))
      c = CodePointOfPair(c, static_cast<char16_t>(units[++i]));
    char sequence[kMaxUtf8Length];
    bytes.append(sequence, EncodeCodePoint(c, sequence));
  }
  return bytes;
}

fs::path PathFromBytes(std::string_view bytes) {
  std::wstring units;
  for (std::size_t i = 0; i < bytes.size();) {
    const auto byte = [&](std::size_t k) {
      return static_cast<char32_t>(static_cast<unsigned char>(bytes[i + k]));
    };
    const std::size_t length = byte(0) < 0x80 ? 1 : byte(0) < 0xE0 ? 2 : byte(0) < 0xF0 ? 3 : 4;
    if (i + length > bytes.size()) break;  // PathBytes never cuts a sequence
    char32_t c = length == 1 ? byte(0) : byte(0) & (0x7F >> length);
    for (std::size_t k = 1; k < length; ++k) c = c << 6 | (byte(k) & 0x3F);
    if (c >= kFirstSupplementary) {
      units += static_cast<wchar_t>(HighSurrogateOf(c));
      units += static_cast<wchar_t>(LowSurrogateOf(c));
    } else {
      units += static_cast<wchar_t>(c);
    }
    i += length;
  }
  return fs::path(units);
}

std::size_t NameUnits(const fs::path& name) {
  return name.native().size();
}

std::u16string FoldCaseAsWindows(std::u16string_view text) {
  std::wstring folded(text.begin(), text.end());
  if (!folded.empty()) CharUpperBuffW(folded.data(), static_cast<DWORD>(folded.size()));
  return {folded.begin(), folded.end()};
}

namespace {

HANDLE Native(const Handle& handle) {
  return reinterpret_cast<HANDLE>(handle.get());
}

std::string Reason(DWORD code) {
  return code == ERROR_ACCESS_DENIED                                    ? "access denied"
         : code == ERROR_FILE_NOT_FOUND || code == ERROR_PATH_NOT_FOUND ? "no such file"
         : code == ERROR_SHARING_VIOLATION ? "in use by another program"
         : code == ERROR_DIRECTORY         ? "not a folder"
                                           : "error " + std::to_string(code);
}

// Opens a file or folder for its attributes only, a reparse point (link, junction) as itself.
HANDLE OpenEntry(const fs::path& path, DWORD access = FILE_READ_ATTRIBUTES) {
  return CreateFileW(path.c_str(), access, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                     nullptr, OPEN_EXISTING,
                     FILE_FLAG_BACKUP_SEMANTICS | FILE_FLAG_OPEN_REPARSE_POINT, nullptr);
}

EntryType TypeOf(DWORD attributes) {
  return (attributes & FILE_ATTRIBUTE_REPARSE_POINT) != 0 ? EntryType::kLink
         : (attributes & FILE_ATTRIBUTE_DIRECTORY) != 0   ? EntryType::kFolder
                                                          : EntryType::kOther;
}

bool IdOfHandle(HANDLE file, EntryId& id, EntryType& type) {
  BY_HANDLE_FILE_INFORMATION info{};
  if (GetFileInformationByHandle(file, &info) == 0) return false;
  id = {info.dwVolumeSerialNumber,
        static_cast<std::uint64_t>(info.nFileIndexHigh) << 32 | info.nFileIndexLow};
  type = TypeOf(info.dwFileAttributes);
  return true;
}

// Whether the folder's path still leads to the folder that is open, which Windows, renaming by
// path, needs before every rename: a folder moved or replaced by a junction meanwhile fails it.
bool StillThere(const Folder& folder, std::string& error) {
  EntryId open_id, path_id;
  EntryType type;
  const HANDLE found = OpenEntry(folder.path);
  const bool same = found != INVALID_HANDLE_VALUE && IdOfHandle(found, path_id, type) &&
                    IdOfHandle(Native(folder.handle), open_id, type) && open_id == path_id;
  if (found != INVALID_HANDLE_VALUE) CloseHandle(found);
  if (!same) error = "the folder was moved or replaced after it was listed";
  return same;
}

}  // namespace

Handle& Handle::operator=(Handle&& other) noexcept {
  if (this != &other) {
    if (valid()) CloseHandle(Native(*this));
    value_ = other.value_;
    other.value_ = kNone;
  }
  return *this;
}

Handle::~Handle() {
  if (valid()) CloseHandle(Native(*this));
}

RenameOutcome RenameNoReplace(const fs::path& from, const fs::path& to, std::string& error, bool) {
  // Without MOVEFILE_REPLACE_EXISTING the move fails when the new name exists; a symbolic link
  // is moved as the link.
  if (MoveFileExW(from.c_str(), to.c_str(), 0) != 0) return RenameOutcome::kDone;
  const DWORD code = GetLastError();
  if (code == ERROR_ALREADY_EXISTS || code == ERROR_FILE_EXISTS)
    return RenameOutcome::kTargetExists;
  error = Reason(code);
  return RenameOutcome::kFailed;
}

RenameOutcome RenameInFolder(const Folder& folder, const fs::path& from, const fs::path& to,
                             std::string& error, bool fallback_only) {
  if (!StillThere(folder, error)) return RenameOutcome::kFolderMoved;
  return RenameNoReplace(folder.path / from, folder.path / to, error, fallback_only);
}

bool OpenFolder(const fs::path& path, Folder& folder, std::string& error) {
  // Held open while the run works in it; others may still rename it (FILE_SHARE_DELETE), which
  // StillThere catches.
  const HANDLE handle = CreateFileW(path.c_str(), FILE_LIST_DIRECTORY | FILE_READ_ATTRIBUTES,
                                    FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                                    OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS, nullptr);
  EntryId id;
  EntryType type = EntryType::kOther;
  if (handle == INVALID_HANDLE_VALUE || !IdOfHandle(handle, id, type) ||
      type != EntryType::kFolder) {
    error = handle == INVALID_HANDLE_VALUE ? Reason(GetLastError()) : "not a folder";
    if (handle != INVALID_HANDLE_VALUE) CloseHandle(handle);
    return false;
  }
  folder.handle = Handle(reinterpret_cast<std::intptr_t>(handle));
  folder.path = path;
  return true;
}

bool OpenSubfolder(const Folder& parent, const fs::path& name, Folder& folder, std::string& error) {
  const fs::path path = parent.path / name;
  const HANDLE handle =
      CreateFileW(path.c_str(), FILE_LIST_DIRECTORY | FILE_READ_ATTRIBUTES,
                  FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr, OPEN_EXISTING,
                  FILE_FLAG_BACKUP_SEMANTICS | FILE_FLAG_OPEN_REPARSE_POINT, nullptr);
  EntryId id;
  EntryType type = EntryType::kOther;
  if (handle == INVALID_HANDLE_VALUE || !IdOfHandle(handle, id, type) ||
      type != EntryType::kFolder) {
    error = handle == INVALID_HANDLE_VALUE ? Reason(GetLastError())
            : type == EntryType::kLink     ? "a symbolic link or junction, not a folder"
                                           : "not a folder";
    if (handle != INVALID_HANDLE_VALUE) CloseHandle(handle);
    return false;
  }
  folder.handle = Handle(reinterpret_cast<std::intptr_t>(handle));
  folder.path = path;
  return StillThere(parent, error);  // the name was resolved through the parent's path
}

bool ListFolder(const Folder& folder, std::vector<Listed>& entries, std::string& error) {
  if (!StillThere(folder, error)) return false;
  WIN32_FIND_DATAW found{};
  const HANDLE search = FindFirstFileW((folder.path / L"*").c_str(), &found);
  if (search == INVALID_HANDLE_VALUE) {
    error = Reason(GetLastError());
    return false;
  }
  do {
    const std::wstring name = found.cFileName;
    if (name == L"." || name == L"..") continue;
    entries.push_back({fs::path(name), TypeOf(found.dwFileAttributes)});
  } while (FindNextFileW(search, &found) != 0);
  const DWORD code = GetLastError();
  FindClose(search);
  if (code != ERROR_NO_MORE_FILES) error = Reason(code);
  return code == ERROR_NO_MORE_FILES;
}

Lookup Identify(const Folder& folder, const fs::path& name, EntryId& id, EntryType& type,
                std::string& error) {
  if (name == ".")
    return IdOfHandle(Native(folder.handle), id, type) ? Lookup::kFound : Lookup::kError;
  const HANDLE file = OpenEntry(folder.path / name);
  if (file == INVALID_HANDLE_VALUE) {
    const DWORD code = GetLastError();
    if (code == ERROR_FILE_NOT_FOUND) return Lookup::kMissing;
    error = Reason(code);
    return Lookup::kError;
  }
  const bool ok = IdOfHandle(file, id, type);
  CloseHandle(file);
  if (!ok) error = Reason(GetLastError());
  return ok ? Lookup::kFound : Lookup::kError;
}

bool RealFolderPath(const Folder& folder, fs::path& path, std::string& error) {
  std::wstring units(MAX_PATH, L'\0');
  for (;;) {
    const DWORD n = GetFinalPathNameByHandleW(Native(folder.handle), units.data(),
                                              static_cast<DWORD>(units.size()), 0);
    if (n == 0) {
      error = Reason(GetLastError());
      return false;
    }
    if (n < units.size()) {
      units.resize(n);
      break;
    }
    units.resize(n + 1);
  }
  if (units.starts_with(L"\\\\?\\UNC\\"))
    units = L"\\\\" + units.substr(8);
  else if (units.starts_with(L"\\\\?\\"))
    units = units.substr(4);
  path = fs::path(units);
  return true;
}

bool RemoveName(const Folder& folder, const fs::path& name, bool is_folder, std::string& error) {
  const fs::path path = folder.path / name;
  if (!StillThere(folder, error)) return false;
  if ((is_folder ? RemoveDirectoryW(path.c_str()) : DeleteFileW(path.c_str())) != 0) return true;
  error = Reason(GetLastError());
  return false;
}

bool ReadLinkTarget(const Folder& folder, const fs::path& name, fs::path& target,
                    std::string& error) {
  std::error_code code;
  target = fs::read_symlink(folder.path / name, code);
  if (code) error = code.message();
  return !code;
}

bool RepointLink(const Folder&, const fs::path&, const EntryId&, const fs::path&,
                 std::string& error) {
  error = "Windows cannot replace a link in one step";
  return false;
}

bool CreateNewFile(const fs::path& path, Handle& file, std::string& error) {
  const HANDLE handle = CreateFileW(path.c_str(), FILE_APPEND_DATA, FILE_SHARE_READ, nullptr,
                                    CREATE_NEW, FILE_ATTRIBUTE_NORMAL, nullptr);
  if (handle == INVALID_HANDLE_VALUE) {
    const DWORD code = GetLastError();
    error = code == ERROR_FILE_EXISTS ? "exists already" : Reason(code);
    return false;
  }
  file = Handle(reinterpret_cast<std::intptr_t>(handle));
  return true;
}

bool WriteAll(const Handle& file, std::string_view bytes, std::string& error) {
  while (!bytes.empty()) {
    const DWORD chunk = static_cast<DWORD>(std::min<std::size_t>(bytes.size(), 1u << 20));
    DWORD written = 0;
    if (WriteFile(Native(file), bytes.data(), chunk, &written, nullptr) == 0 || written == 0) {
      error = Reason(GetLastError());
      return false;
    }
    bytes.remove_prefix(written);
  }
  return true;
}

bool SyncFile(const Handle& file, const fs::path&, bool, std::string& error) {
  if (FlushFileBuffers(Native(file)) != 0) return true;  // the name goes with the file on NTFS
  error = Reason(GetLastError());
  return false;
}

unsigned long ProcessId() {
  return GetCurrentProcessId();
}

std::string CodePageSource() {
  return "the system's ANSI code page";
}

}  // namespace namefold::cli
