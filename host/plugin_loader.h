// Loading the plugin library the way a host does: by path, entry points looked up by name.
#pragma once

#include <filesystem>
#include <string>

#include "namefold.h"

namespace namefold::host {

struct Plugin {
  void* module = nullptr;
  decltype(&ContentGetSupportedField) get_supported_field = nullptr;
  decltype(&ContentGetDetectString) get_detect_string = nullptr;
  decltype(&ContentGetDefaultSortOrder) get_default_sort_order = nullptr;
  decltype(&ContentSetDefaultParams) set_default_params = nullptr;
  decltype(&ContentGetValue) get_value = nullptr;
  decltype(&ContentGetValueW) get_value_w = nullptr;
};

// The library's file name on this system: namefold.so or namefold.dll.
extern const char* const kLibraryFileName;

// The separator of path components that the library looks for: '/' or '\'.
extern const char16_t kPathSeparator;

// Loads the library at `path` and looks up every entry point. On failure returns false with a
// one-line reason in `error` and leaves `plugin` empty.
[[nodiscard]] bool LoadPlugin(const std::filesystem::path& path, Plugin& plugin,
                              std::string& error);

// Unloads a library that LoadPlugin loaded and empties `plugin`.
void UnloadPlugin(Plugin& plugin);

// The full path of the running program.
[[nodiscard]] std::filesystem::path ExecutablePath();

}  // namespace namefold::host
