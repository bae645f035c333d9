#include <windows.h>

#include "host/module.h"
#include "host/plugin_loader.h"

namespace namefold::host {

const char* const kLibraryFileName = "namefold.dll";
const char16_t kPathSeparator = u'\\';

void* OpenModule(const std::filesystem::path& path, std::string& error) {
  std::filesystem::path exact = path;
  // Windows appends ".dll" to a name without extension; a final "." asks for the name as it is.
  if (!exact.has_extension()) exact += ".";
  HMODULE module = LoadLibraryW(exact.c_str());
  if (module == nullptr) {
    error = path.string() + ": cannot load (error " + std::to_string(GetLastError()) + ")";
  }
  return module;
}

void* FindEntry(void* module, const char* name) {
  return reinterpret_cast<void*>(GetProcAddress(static_cast<HMODULE>(module), name));
}

void CloseModule(void* module) {
  FreeLibrary(static_cast<HMODULE>(module));
}

std::filesystem::path ExecutablePath() {
  std::wstring buffer(32768, L'\0');
  const DWORD length =
      GetModuleFileNameW(nullptr, buffer.data(), static_cast<DWORD>(buffer.size()));
  buffer.resize(length);
  return buffer;
}

}  // namespace namefold::host
