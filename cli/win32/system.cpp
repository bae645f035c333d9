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

std::string CodePageSource() {
  return "the system's ANSI code page";
}

}  // namespace namefold::cli
