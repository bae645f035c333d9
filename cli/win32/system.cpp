#include "cli/system.h"

#include <windows.h>

#include <algorithm>

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

PathText DescribePath(const fs::path& path) {
  PathText text;
  text.units = Units(path.native());  // Windows names are UTF-16 already
  text.well_formed = EncodeUtf8(text.units, text.text);
  text.shown = EscapeForLine(text.text);
  text.tsv = EscapeForLine(text.text, Backslash::kEscaped);
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
    if (c >= 0xD800 && c <= 0xDBFF && i + 1 < units.size() && units[i + 1] >= 0xDC00 &&
        units[i + 1] <= 0xDFFF)
      c = 0x10000 + ((c - 0xD800) << 10) + (static_cast<char16_t>(units[++i]) - 0xDC00);
    if (c < 0x80) {
      bytes += static_cast<char>(c);
    } else if (c < 0x800) {
      bytes += {static_cast<char>(0xC0 | c >> 6), static_cast<char>(0x80 | (c & 0x3F))};
    } else if (c < 0x10000) {
      bytes += {static_cast<char>(0xE0 | c >> 12), static_cast<char>(0x80 | (c >> 6 & 0x3F)),
                static_cast<char>(0x80 | (c & 0x3F))};
    } else {
      bytes += {static_cast<char>(0xF0 | c >> 18), static_cast<char>(0x80 | (c >> 12 & 0x3F)),
                static_cast<char>(0x80 | (c >> 6 & 0x3F)), static_cast<char>(0x80 | (c & 0x3F))};
    }
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
    if (c >= 0x10000) {
      units += static_cast<wchar_t>(0xD800 + ((c - 0x10000) >> 10));
      units += static_cast<wchar_t>(0xDC00 + ((c - 0x10000) & 0x3FF));
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

bool SameEntry(const fs::path& a, const fs::path& b) {
  BY_HANDLE_FILE_INFORMATION info[2]{};
  const fs::path* paths[] = {&a, &b};
  for (int i = 0; i < 2; ++i) {
    const HANDLE file = CreateFileW(
        paths[i]->c_str(), 0, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
        OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS | FILE_FLAG_OPEN_REPARSE_POINT, nullptr);
    if (file == INVALID_HANDLE_VALUE) return false;
    const BOOL ok = GetFileInformationByHandle(file, &info[i]);
    CloseHandle(file);
    if (ok == 0) return false;
  }
  return info[0].dwVolumeSerialNumber == info[1].dwVolumeSerialNumber &&
         info[0].nFileIndexHigh == info[1].nFileIndexHigh &&
         info[0].nFileIndexLow == info[1].nFileIndexLow;
}

RenameOutcome RenameNoReplace(const fs::path& from, const fs::path& to, std::string& error, bool) {
  // Without MOVEFILE_REPLACE_EXISTING the move fails when the new name exists; a symbolic link
  // is moved as the link.
  if (MoveFileExW(from.c_str(), to.c_str(), 0) != 0) return RenameOutcome::kDone;
  const DWORD code = GetLastError();
  if (code == ERROR_ALREADY_EXISTS || code == ERROR_FILE_EXISTS)
    return RenameOutcome::kTargetExists;
  error = code == ERROR_ACCESS_DENIED                                    ? "access denied"
          : code == ERROR_FILE_NOT_FOUND || code == ERROR_PATH_NOT_FOUND ? "no such file"
          : code == ERROR_SHARING_VIOLATION ? "in use by another program"
                                            : "error " + std::to_string(code);
  return RenameOutcome::kFailed;
}

bool AppendDurably(const fs::path& path, std::string_view bytes, bool create, std::string& error) {
  const HANDLE file =
      CreateFileW(path.c_str(), FILE_APPEND_DATA, FILE_SHARE_READ, nullptr,
                  create ? CREATE_NEW : OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
  if (file == INVALID_HANDLE_VALUE) {
    error = GetLastError() == ERROR_FILE_EXISTS ? "exists already" : "cannot be written";
    return false;
  }
  bool ok = true;
  while (ok && !bytes.empty()) {
    DWORD written = 0;
    ok = WriteFile(file, bytes.data(), static_cast<DWORD>(bytes.size()), &written, nullptr) != 0 &&
         written > 0;
    bytes.remove_prefix(written);
  }
  ok = ok && FlushFileBuffers(file) != 0;
  if (CloseHandle(file) == 0) ok = false;
  if (!ok) error = "cannot be written";
  return ok;
}

std::string CodePageSource() {
  return "the system's ANSI code page";
}

}  // namespace namefold::cli
