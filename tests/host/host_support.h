// What the host-level tests share: the built library, private folders with copies of it, and
// calls through its entry points that check the host buffer's surroundings on every call.
#pragma once

#include <cstdint>
#include <filesystem>
#include <string>
#include <string_view>

#include "host/plugin_loader.h"
#include "cli/utf.h"

namespace namefold::testing {

namespace fs = std::filesystem;

// The library the build made for this target.
[[nodiscard]] fs::path BuiltLibrary();

// A new empty folder, removed with everything in it when the object goes.
class TempDir {
 public:
  TempDir();
  ~TempDir();
  TempDir(const TempDir&) = delete;
  TempDir& operator=(const TempDir&) = delete;
  [[nodiscard]] const fs::path& path() const { return path_; }

 private:
  fs::path path_;
};

using cli::FromUtf8;
using cli::ToUtf8;

// The bytes of a table file: UTF-16 LE units, no byte-order mark unless `text` holds one.
[[nodiscard]] std::string Utf16Le(std::u16string_view text);

void WriteBytes(const fs::path& file, std::string_view bytes);

// Copies the built library into `folder` as `file_name` and loads the copy: a fresh instance,
// whose tables have not been tried yet. Fails the current test when loading fails.
[[nodiscard]] host::Plugin LoadCopy(const fs::path& folder,
                                    const std::string& file_name = host::kLibraryFileName);

// The ANSI code page the library sees in this process, as LC_ALL selects it.
[[nodiscard]] int AnsiCodePageUnderTest();

// A path written with '/' in the separators of the system under test.
[[nodiscard]] std::u16string NativePath(std::u16string_view slashed);

struct ValueResult {
  int code = 0;
  std::int32_t boolean = -1;  // the 4 bytes of a boolean result
  std::u16string text;        // a string result
};

// Calls ContentGetValueW with a buffer of `maxlen` bytes between guard bytes and checks that the
// guards stay untouched and that a string result is terminated inside the buffer.
[[nodiscard]] ValueResult GetValueW(const host::Plugin& plugin, std::u16string_view path,
                                    int field, int maxlen = 2048);

}  // namespace namefold::testing
