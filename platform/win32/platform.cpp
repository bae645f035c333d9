#include "platform/platform.h"

#include <windows.h>

#include <cstdlib>

namespace namefold::platform {
namespace {

static_assert(sizeof(wchar_t) == sizeof(Unit), "Windows passes UTF-16 as wchar_t");

HMODULE module_handle = nullptr;  // written once at process attach, before any other call

const wchar_t* Wide(const Unit* units) {
  return reinterpret_cast<const wchar_t*>(units);
}
wchar_t* Wide(Unit* units) {
  return reinterpret_cast<wchar_t*>(units);
}

// Folds a run of units, none of them a surrogate, through the API. Every such unit converts to
// one character and back to one unit; a run whose result has another length (never seen) is
// folded again unit by unit so that positions still correspond.
void FoldRun(UINT code_page, const Unit* source, int count, Unit* destination) {
  constexpr int kPiece = 512;  // 512 units make at most 1536 bytes, even in UTF-8
  char bytes[2048];
  const bool utf8 = code_page == CP_UTF8;  // Windows refuses a default character for UTF-8
  while (count > 0) {
    const int piece = count < kPiece ? count : kPiece;
    const int byte_count = WideCharToMultiByte(code_page, 0, Wide(source), piece, bytes,
                                               sizeof bytes, utf8 ? nullptr : "_", nullptr);
    const int unit_count = byte_count > 0 ? MultiByteToWideChar(code_page, 0, bytes, byte_count,
                                                                Wide(destination), piece)
                                          : 0;
    if (unit_count != piece) {
      if (piece == 1) {
        destination[0] = u'_';
      } else {
        for (int i = 0; i < piece; ++i) FoldRun(code_page, source + i, 1, destination + i);
      }
    }
    source += piece, destination += piece, count -= piece;
  }
}

}  // namespace

const Unit kPathSeparator = u'\\';

void SetModuleHandle(void* instance) {
  module_handle = static_cast<HMODULE>(instance);
}

std::size_t OwnPath(std::span<Unit> buffer) {
  const DWORD size = buffer.size() > 32768 ? 32768 : static_cast<DWORD>(buffer.size());
  if (size == 0) return 0;
  const DWORD length = GetModuleFileNameW(module_handle, Wide(buffer.data()), size);
  // A result that fills the buffer was cut short: its table files would be the wrong ones.
  if (length == 0 || length >= size) return 0;
  buffer[length] = 0;
  return length;
}

FileText ReadWholeFile(const Unit* path, std::size_t max_bytes) {
  const HANDLE file = CreateFileW(Wide(path), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE,
                                  nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
  if (file == INVALID_HANDLE_VALUE) return {};  // directories fail here too
  FileText result;
  LARGE_INTEGER file_size{};
  if (GetFileType(file) == FILE_TYPE_DISK && GetFileSizeEx(file, &file_size) &&
      file_size.QuadPart > 0 && static_cast<unsigned long long>(file_size.QuadPart) <= max_bytes) {
    const auto size = static_cast<std::size_t>(file_size.QuadPart);
    auto* bytes = static_cast<char*>(std::malloc(size + 2));
    std::size_t done = 0;
    while (bytes != nullptr && done < size) {
      DWORD n = 0;
      if (!ReadFile(file, bytes + done, static_cast<DWORD>(size - done), &n, nullptr) || n == 0)
        break;  // the file shrank or failed: never parse bytes that were not read
      done += n;
    }
    if (bytes != nullptr && done == size) {
      result.text = reinterpret_cast<Unit*>(bytes);
      result.units = size / 2;
      result.text[result.units] = 0;
    } else {
      std::free(bytes);
    }
  }
  CloseHandle(file);
  return result;
}

int AnsiCodePage() {
  return static_cast<int>(GetACP());
}

const char* NarrowNamePart(const char* path) {
  const UINT code_page = GetACP();
  const char* name = path;
  for (const char* p = path; *p != 0; ++p) {
    if (IsDBCSLeadByteEx(code_page, static_cast<BYTE>(*p)) && p[1] != 0) {
      ++p;  // a trail byte can equal '\'
    } else if (*p == '\\') {
      name = p + 1;
    }
  }
  return name;
}

void FoldUnits(int code_page, const Unit* source, std::size_t count, Unit* destination) {
  const UINT page = code_page == 0 ? GetACP() : static_cast<UINT>(code_page);
  std::size_t i = 0;
  while (i < count) {
    if (IsSurrogate(source[i])) {
      // The API folds each surrogate alone to the default character; UTF-8 keeps a valid pair
      // and turns an unpaired surrogate into U+FFFD.
      const bool pair =
          IsHighSurrogate(source[i]) && i + 1 < count && IsLowSurrogate(source[i + 1]);
      if (page == CP_UTF8 && pair) {
        destination[i] = source[i], destination[i + 1] = source[i + 1];
        i += 2;
      } else {
        destination[i] = page == CP_UTF8 ? u'\uFFFD' : u'_';
        i += 1;
      }
      continue;
    }
    std::size_t end = i;
    while (end < count && !IsSurrogate(source[end])) ++end;
    FoldRun(page, source + i, static_cast<int>(end - i), destination + i);
    i = end;
  }
}

bool FoldsUnchanged(int code_page, const Unit* text) {
  constexpr std::size_t kPiece = 1024;
  Unit folded[kPiece];
  for (;;) {
    while (*text != 0 && *text < 0x80) ++text;  // ASCII comes back as it is in every code page
    std::size_t length = 0;
    while (length <= kPiece && text[length] != 0) ++length;  // at most kPiece + 1
    if (length == 0) return true;
    std::size_t count = length <= kPiece ? length : kPiece;
    if (count < length && IsHighSurrogate(text[count - 1]) && IsLowSurrogate(text[count])) {
      --count;  // a pair stays in one piece
    }
    FoldUnits(code_page, text, count, folded);
    for (std::size_t i = 0; i < count; ++i) {
      if (folded[i] != text[i]) return false;
    }
    text += count;
  }
}

}  // namespace namefold::platform
