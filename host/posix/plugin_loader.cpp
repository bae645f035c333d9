#include <dlfcn.h>

#include "host/module.h"
#include "host/plugin_loader.h"

namespace namefold::host {

const char* const kLibraryFileName = "namefold.so";
const char16_t kPathSeparator = u'/';

void* OpenModule(const std::filesystem::path& path, std::string& error) {
  void* module = dlopen(path.c_str(), RTLD_NOW | RTLD_LOCAL);
  if (module == nullptr) {
    const char* reason = dlerror();
    error = reason != nullptr ? reason : "cannot load " + path.string();
  }
  return module;
}

void* FindEntry(void* module, const char* name) {
  return dlsym(module, name);
}

void CloseModule(void* module) {
  dlclose(module);
}

std::filesystem::path ExecutablePath() {
  return std::filesystem::read_symlink("/proc/self/exe");
}

}  // namespace namefold::host
