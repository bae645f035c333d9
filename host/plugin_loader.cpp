#include "host/plugin_loader.h"

#include "host/module.h"

namespace namefold::host {

bool LoadPlugin(const std::filesystem::path& path, Plugin& plugin, std::string& error) {
  const std::filesystem::path full = std::filesystem::absolute(path);
  void* module = OpenModule(full, error);
  if (module == nullptr) return false;
  Plugin loaded;
  loaded.module = module;
  bool complete = true;
  auto find = [&](auto& entry, const char* name) {
    entry = reinterpret_cast<std::remove_reference_t<decltype(entry)>>(FindEntry(module, name));
    if (entry == nullptr) complete = false, error = full.string() + ": no entry point " + name;
  };
  find(loaded.get_supported_field, "ContentGetSupportedField");
  find(loaded.get_detect_string, "ContentGetDetectString");
  find(loaded.get_default_sort_order, "ContentGetDefaultSortOrder");
  find(loaded.set_default_params, "ContentSetDefaultParams");
  find(loaded.get_value, "ContentGetValue");
  find(loaded.get_value_w, "ContentGetValueW");
  if (!complete) {
    CloseModule(module);
    return false;
  }
  plugin = loaded;
  return true;
}

void UnloadPlugin(Plugin& plugin) {
  if (plugin.module != nullptr) CloseModule(plugin.module);
  plugin = Plugin{};
}

}  // namespace namefold::host
