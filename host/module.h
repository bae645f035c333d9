// The system's dynamic loading, beneath LoadPlugin: one implementation per system.
#pragma once

#include <filesystem>
#include <string>

namespace namefold::host {

// Loads the library at the absolute `path`, or returns null with a one-line reason in `error`.
[[nodiscard]] void* OpenModule(const std::filesystem::path& path, std::string& error);

// The address of the exported `name`, or null.
[[nodiscard]] void* FindEntry(void* module, const char* name);

void CloseModule(void* module);

}  // namespace namefold::host
