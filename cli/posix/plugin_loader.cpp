#include "cli/plugin_loader.h"

#include <dlfcn.h>

namespace namefold::host {

const char* const kLibraryFileName = "namefold.so";
const char16_t kPathSeparator = u'/';

bool LoadPlugin(const std::filesystem::path& path, Plugin& plugin, std::string& error) {
  // A name without '/' would be searched in the system's library folders.
  const std::filesystem::path full = std::filesystem::absolute(path);
  void* module = dlopen(full.c_str(), RTLD_NOW | RTLD_LOCAL);
  if (module == nullptr) {
    const char* reason = dlerror();
    error = reason != nullptr ? reason : "cannot load " + full.string();
    return false;
  }
  Plugin loaded;
  loaded.module = module;
  bool complete = true;
  auto find = [&](auto& entry, const char* name) {
    entry = reinterpret_cast<std::remove_reference_t<decltype(entry)>>(dlsym(module, name));
    if (entry == nullptr) complete = false, error = full.string() + ": no entry point " + name;
  };
  find(loaded.get_supported_field, "ContentGetSupportedField");
  find(loaded.get_detect_string, "ContentGetDetectString");
  find(loaded.get_default_sort_order, "ContentGetDefaultSortOrder");
  find(loaded.set_default_params, "ContentSetDefaultParams");
  find(loaded.get_value, "ContentGetValue");
  find(loaded.get_value_w, "ContentGetValueW");
  if (!complete) {
    dlclose(module);
    return false;
  }
  plugin = loaded;
  return true;
}

void UnloadPlugin(Plugin& plugin) {
  if (plugin.module != nullptr) dlclose(plugin.module);
  plugin = Plugin{};
}

std::filesystem::path ExecutablePath() { return std::filesystem::read_symlink("/proc/self/exe"); }

}  // namespace namefold::host
