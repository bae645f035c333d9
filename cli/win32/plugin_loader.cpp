#include "cli/plugin_loader.h"

#include <windows.h>

namespace namefold::host {

const char* const kLibraryFileName = "namefold.dll";
const char16_t kPathSeparator = u'\\';

bool LoadPlugin(const std::filesystem::path& path, Plugin& plugin, std::string& error) {
  std::filesystem::path full = std::filesystem::absolute(path);
  // Windows appends ".dll" to a name without extension; a final "." asks for the name as it is.
  if (!full.has_extension()) full += ".";
  HMODULE module = LoadLibraryW(full.c_str());
  if (module == nullptr) {
    error = full.string() + ": cannot load (error " + std::to_string(GetLastError()) + ")";
    return false;
  }
  Plugin loaded;
  loaded.module = module;
  bool complete = true;
  auto find = [&](auto& entry, const char* name) {
    entry = reinterpret_cast<std::remove_reference_t<decltype(entry)>>(
        reinterpret_cast<void*>(GetProcAddress(module, name)));
    if (entry == nullptr) complete = false, error = full.string() + ": no entry point " + name;
  };
  find(loaded.get_supported_field, "ContentGetSupportedField");
  find(loaded.get_detect_string, "ContentGetDetectString");
  find(loaded.get_default_sort_order, "ContentGetDefaultSortOrder");
  find(loaded.set_default_params, "ContentSetDefaultParams");
  find(loaded.get_value, "ContentGetValue");
  find(loaded.get_value_w, "ContentGetValueW");
  if (!complete) {
    FreeLibrary(module);
    return false;
  }
  plugin = loaded;
  return true;
}

void UnloadPlugin(Plugin& plugin) {
  if (plugin.module != nullptr) FreeLibrary(static_cast<HMODULE>(plugin.module));
  plugin = Plugin{};
}

std::filesystem::path ExecutablePath() {
  std::wstring buffer(32768, L'\0');
  const DWORD length = GetModuleFileNameW(nullptr, buffer.data(), static_cast<DWORD>(buffer.size()));
  buffer.resize(length);
  return buffer;
}

}  // namespace namefold::host
