// Prints how Windows folds every UTF-16 unit through each ANSI code page the library supports:
// the unit alone goes through WideCharToMultiByte(cp, 0, ..., default char "_") and the bytes come
// back through MultiByteToWideChar(cp, 0, ...). tools/gen/gen_code_pages.py reads the output.
//
// Usage: code_page_dump OUTPUT_FILE
// Output, one line per code page and unit, all numbers in hexadecimal except the code page:
//   CODE_PAGE UNIT RESULT...   e.g. "1252 FF3C 005C"
// RESULT lists every unit the round trip returned (normally exactly one); "-" stands for none,
// when either call failed. The first line is "# wine VERSION" (or "# windows") and names the
// system that answered.
//
// Build: x86_64-w64-mingw32-g++-posix -std=c++20 -O2 -static code_page_dump.cpp
#include <windows.h>

#include <cstdio>

namespace {

constexpr int kCodePages[] = {874,  932,  936,  949,  950,  1250, 1251,
                              1252, 1253, 1254, 1255, 1256, 1257, 1258};

const char* WineVersion() {
  HMODULE ntdll = GetModuleHandleA("ntdll.dll");
  if (ntdll == nullptr) return nullptr;
  FARPROC address = GetProcAddress(ntdll, "wine_get_version");
  if (address == nullptr) return nullptr;
  // Through void* because the two function types differ; ntdll exports it as const char* (void).
  auto get_version = reinterpret_cast<const char* (*)()>(reinterpret_cast<void*>(address));
  return get_version();
}

}  // namespace

int main(int argc, char** argv) {
  if (argc != 2) {
    std::fprintf(stderr, "usage: code_page_dump OUTPUT_FILE\n");
    return 2;
  }
  std::FILE* out = std::fopen(argv[1], "wb");
  if (out == nullptr) {
    std::fprintf(stderr, "code_page_dump: cannot write %s\n", argv[1]);
    return 1;
  }
  static char buffer[1 << 20];
  std::setvbuf(out, buffer, _IOFBF, sizeof buffer);

  const char* wine = WineVersion();
  if (wine != nullptr) {
    std::fprintf(out, "# wine %s\n", wine);
  } else {
    std::fprintf(out, "# windows\n");
  }
  for (int code_page : kCodePages) {
    for (unsigned value = 0; value <= 0xFFFF; ++value) {
      const wchar_t unit = static_cast<wchar_t>(value);
      char bytes[16];
      wchar_t back[16];
      int byte_count = WideCharToMultiByte(static_cast<UINT>(code_page), 0, &unit, 1, bytes,
                                           static_cast<int>(sizeof bytes), "_", nullptr);
      int unit_count = byte_count > 0 ? MultiByteToWideChar(static_cast<UINT>(code_page), 0, bytes,
                                                            byte_count, back, 16)
                                      : 0;
      std::fprintf(out, "%d %04X", code_page, value);
      if (unit_count <= 0) std::fprintf(out, " -");
      for (int i = 0; i < unit_count; ++i) {
        std::fprintf(out, " %04X", static_cast<unsigned>(back[i]));
      }
      std::fprintf(out, "\n");
    }
  }
  if (std::fclose(out) != 0) {
    std::fprintf(stderr, "code_page_dump: error writing %s\n", argv[1]);
    return 1;
  }
  return 0;
}
